#include "catalogue/ProfileIcons.h"

#include "catalogue/EInOutError.h"

#include <QDir>
#include <QImageReader>

QList<TProfileIcon> LoadProfileIcons(const QString& iconsFolder)
{
    // Sorted by name: the file system's own listing order differs from one
    // machine to the next, and the first icon is the fallback picture.
    const QDir dir(iconsFolder);
    const QStringList files = dir.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    QList<TProfileIcon> icons;
    for (const QString& file : files) {
        QImageReader reader(dir.filePath(file), "png");
        TProfileIcon icon;
        icon.Picture = reader.read();
        if (icon.Picture.isNull())
            throw EInOutError(QStringLiteral("Cannot load icon \"%1\": %2")
                                  .arg(dir.filePath(file), reader.errorString())
                                  .toStdString());
        icon.ID = file.left(file.size() - 4);
        icons.append(icon);
    }
    return icons;
}

int ProfileIconIndex(const QList<TProfileIcon>& icons, const QString& iconId,
                     Qt::CaseSensitivity sensitivity)
{
    if (icons.isEmpty())
        return -1;
    const QString wanted = sensitivity == Qt::CaseInsensitive ? iconId.toLower() : iconId;
    for (qsizetype i = 0; i < icons.size(); ++i) {
        const QString id = sensitivity == Qt::CaseInsensitive ? icons[i].ID.toLower() : icons[i].ID;
        if (id == wanted)
            return static_cast<int>(i);
    }
    return 0;
}

QImage ProfileIconPicture(const QList<TProfileIcon>& icons, const QString& iconId,
                          Qt::CaseSensitivity sensitivity)
{
    const int index = ProfileIconIndex(icons, iconId, sensitivity);
    return index < 0 ? QImage() : icons[index].Picture;
}
