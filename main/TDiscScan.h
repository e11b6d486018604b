#pragma once
// Turning a disc into the title list: the rows with their entries and data
// blocks, the DVD information text and the pre-selected longest title. The
// main window and `vidrelo-cli scan` run this same code.
#include "dvd/DVDTitleInfo.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

class TTitleModel;

// Where the titles come from: the loaded DVD plug-in, or a test's own disc.
struct TDVDTitleReader {
    std::function<int(const std::string& path)> EnumTitles;
    std::function<bool(int index, TDVDTitleInfo& info)> GetTitle;
    // The plug-in's text for a disc without titles, or for the title it
    // could not read last.
    std::function<std::string()> DiscError;

    // The DVD plug-in's wrappers (it must be loaded).
    static TDVDTitleReader Plugin();
};

struct TDiscScanResult {
    int Count = 0;             // titles the disc has; below 1 nothing changed
    QString DiscError;         // the reader's reason when Count < 1
    QStringList InfoLines;     // the "DVD Info" window's text
    QStringList FailureLines;  // one "Calling DVDGetTitle(#%d) failed." per unreadable title
    QStringList FailureReasons;  // beside each, the reader's reason ("" when it gives none)
    int PreselectedRow = -1;   // the longest title's row, already checked
};

inline const QString kNoTitlesMessage = QStringLiteral("No DVD title(s) found. Common reason: invalid DVD.");

// Scans the disc at `path` into `model`. With no titles the model keeps its
// rows and DVD path. Otherwise the rows, entries and blocks of the previous
// disc are replaced, every title in the model's selected format.
TDiscScanResult ScanDisc(TTitleModel& model, const QString& path, const TDVDTitleReader& reader);

// The row of the longest entry; the first wins a tie, row 0 when all are
// zero, -1 when there are none.
int LongestTitleRow(const TTitleModel& model);
