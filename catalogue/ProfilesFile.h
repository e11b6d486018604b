#pragma once
// Reading Profiles.dat: plain text, one element per line, read line by line.
// Line 1 is skipped, line 2 holds the chooser height (height="..."), line 3
// is skipped; then every line holding <category id=" defines one profile
// (attributes id, title and icon, in that order) until a line holding
// </profile> or the end of the file.
#include "catalogue/QuotedAttribute.h"
#include "catalogue/TCatalogueTypes.h"

#include <QList>
#include <QString>

struct TProfilesFileResult {
    int ChooserHeight = 0;      // 0 unless line 2 held a valid height
    QList<TProfile> Profiles;   // the profiles read before any failure
    bool Ok = true;
    QString Error;              // why reading stopped, when not Ok
};

TProfilesFileResult ReadProfilesFile(const QString& fileName);

// Fills a profile from a category line. False when the id, title or icon is
// missing or lacks its closing quote.
bool ParseProfileLine(const QString& line, TProfile& profile);
