#pragma once
// The settings that persist between sessions, kept in
// QSettings("Quarnix", "Vidrelo") (native format: ~/.config/Quarnix/Vidrelo.conf).
// Texts are stored as strings and indices as 32-bit integers, under the
// value names below.
//
// Reading never stops start-up: a value of the wrong type (an index that is
// not a 32-bit integer, a text that comes back as a list or another kind of
// value) is treated as absent and written to the log.
#include "catalogue/TCatalogueTypes.h"  // TLastEditedValues
#include "main/TUserFolders.h"

#include <QString>

#include <functional>

struct TPersistedSettings {
    QString OutputPath;       // "OutputPath": the output-folder field
    QString ScreenShotsPath;  // "ScreenShotsPath": SnapshotFolder
    int RecentFormatInd = 0;
    int RecentProfileInd = 0;
    int LastEditedFormatInd = -1;
    int LastEditedProfileInd = -1;
    TLastEditedValues LastEdited;
};

// One line for the events log.
using TSettingsLog = std::function<void(const QString& AText)>;
// A failure for the error report: message and code-line mark.
using TSettingsReport = std::function<void(const QString& AMessage, const QString& AMark)>;

class TSettingsStore {
public:
    explicit TSettingsStore(TSettingsLog AOnLog = {}, TSettingsReport AOnReport = {});

    // The defaults (per-user Output and Snapshots folders when they exist,
    // else empty; recent 0/0; last edited -1/-1; empty texts), overridden by
    // every stored value of the right type. A stored folder is returned even
    // when it no longer exists.
    TPersistedSettings ReadSettings(const TUserFolders& AFolders) const;
    // Writes the folders and recent indices, and the last-edited indices with
    // all nine texts only when both indices are >= 0. A failure is reported
    // as "Error writing data to Registry" / "CLM_RegDataWrite"; false then.
    bool WriteSettings(const TPersistedSettings& ASettings) const;
    // Where the values are kept.
    static QString FileName();

private:
    void Log(const QString& AText) const;

    TSettingsLog FOnLog;
    TSettingsReport FOnReport;
};
