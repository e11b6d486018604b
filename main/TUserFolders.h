#pragma once
// The per-user folders: <documents>/Quarnix/Vidrelo with Output and
// Snapshots below it. Creating them is best effort: a folder that cannot be
// made is simply not used as a default later (whoever uses a path checks that
// it exists).
#include <QString>

struct TUserFolders {
    QString DocumentsFolder;
    QString UserFolder;       // documents + "/Quarnix/Vidrelo"
    QString OutputFolder;     // UserFolder + "/Output"
    QString SnapshotsFolder;  // UserFolder + "/Snapshots"

    // The user's documents folder (created when missing), then each level
    // below it in turn; failures are silent.
    static TUserFolders Create();
    // The same below a given documents folder. An empty one gives empty
    // paths and creates nothing (never folders at the file-system root).
    static TUserFolders Create(const QString& ADocumentsFolder);
};
