#pragma once
// The output profile catalogue: profiles, their formats and the icons, built
// once at start-up from the folder "dvd-ripper-profiles" in four stages run
// in this order: LoadIcons, LoadProfiles, LoadFormats, then (after the
// persisted choice and last-edited values are set) LinkFormats.
#include "catalogue/TCatalogueTypes.h"

#include <QImage>
#include <QList>
#include <QString>

#include <functional>

struct TFormatProblems;

// Reports a caught failure: the message and the code-line mark ("CLM_...").
using TReportErrorFunc = std::function<void(const QString& message, const QString& mark)>;

// What linking restored for the main window's profile area: when the
// persisted choice was found, the label shows Label and the profile icon
// shows Picture (null when there are no icons); otherwise both keep what
// they showed.
struct TProfileDisplay {
    bool Restored = false;
    QString Label;
    QImage Picture;
};

class TCatalogue {
public:
    // Folder: the catalogue folder (program folder + "dvd-ripper-profiles").
    explicit TCatalogue(QString folder, TReportErrorFunc reportError = {});

    const QString& Folder() const { return FFolder; }

    // Icons/*.png into ProfileIcons. Raises EInOutError for an icon that
    // cannot be read.
    void LoadIcons();
    // Profiles.dat into ChooserHeight and Profiles, then the "All Profiles"
    // entry, also after a failure. False (and reported) on a failure.
    bool LoadProfiles();
    // Formats.dat into AllFormats and FormatAssigned. Raises EInOutError when
    // the file cannot be read. False, with one report naming the faulty
    // lines, when a line is not a format, a value lacks its closing quote
    // (reading stops there), a format holds numbers the conversion cannot
    // use (kept, with its Fault set) or no usable format is left.
    bool LoadFormats();
    // Copies each format into its profiles, restores the persisted choice and
    // the last-edited values. False (and reported) on a failure.
    bool LinkFormats();

    const TProfileDisplay& ProfileDisplay() const { return FProfileDisplay; }
    // Why the last failed stage stopped (for logs; the report carries the
    // fixed message).
    const QString& LastErrMsg() const { return FLastErrMsg; }

    // The format at (ProfileInd, FormatInd), or null when there is none.
    TFormat* FormatAt(int profileInd, int formatInd);
    const TFormat* FormatAt(int profileInd, int formatInd) const;

    QList<TProfile> Profiles;
    QList<TFormat> AllFormats;
    QList<bool> FormatAssigned;
    QList<TProfileIcon> ProfileIcons;
    int ChooserHeight = 0;
    int SelectedProfileInd = 0;
    int SelectedFormatInd = 0;
    int RecentProfileInd = 0;
    int RecentFormatInd = 0;
    int LastEditedProfileInd = -1;
    int LastEditedFormatInd = -1;
    TLastEditedValues LastEdited;

private:
    void Report(const QString& message, const QString& mark, const QString& reason);
    bool ReadFormat(const QString& line, int lineNumber, TFormatProblems& problems);
    void LinkFormat(int profileInd, int formatInd);
    void RestoreChoice(int profileInd, int formatInd);
    void ApplyLastEdited(TFormat& format) const;

    QString FFolder;
    TReportErrorFunc FReportError;
    TProfileDisplay FProfileDisplay;
    QString FLastErrMsg;
};
