#include "main/TUserFolders.h"

#include <QDir>
#include <QStandardPaths>

TUserFolders TUserFolders::Create()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty())
        QDir().mkpath(documents);
    return Create(documents);
}

TUserFolders TUserFolders::Create(const QString& ADocumentsFolder)
{
    TUserFolders folders;
    if (ADocumentsFolder.isEmpty())
        return folders;
    folders.DocumentsFolder = ADocumentsFolder;
    const QString quarnix = ADocumentsFolder + QStringLiteral("/Quarnix");
    folders.UserFolder = quarnix + QStringLiteral("/Vidrelo");
    folders.OutputFolder = folders.UserFolder + QStringLiteral("/Output");
    folders.SnapshotsFolder = folders.UserFolder + QStringLiteral("/Snapshots");
    // One level at a time, each a plain create that may fail.
    for (const QString& level : {quarnix, folders.UserFolder, folders.OutputFolder, folders.SnapshotsFolder})
        QDir().mkdir(level);
    return folders;
}
