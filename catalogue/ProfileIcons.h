#pragma once
// The catalogue's icon pictures and how a profile or format finds its icon.
#include "catalogue/TCatalogueTypes.h"

#include <QList>
#include <QString>

// Loads every *.png file of IconsFolder, in file-name order, decoding each as
// PNG; the ID is the file name less its last four characters. A missing
// folder or one without icon files gives an empty list. Raises EInOutError
// when an icon file cannot be read or decoded.
QList<TProfileIcon> LoadProfileIcons(const QString& iconsFolder);

// The index of the first icon whose ID equals IconID (compared in lower case
// when Sensitivity is Qt::CaseInsensitive, exactly otherwise); the first
// icon when none matches; -1 only when Icons is empty.
int ProfileIconIndex(const QList<TProfileIcon>& icons, const QString& iconId,
                     Qt::CaseSensitivity sensitivity = Qt::CaseInsensitive);

// The picture ProfileIconIndex chooses, or a null image when Icons is empty.
QImage ProfileIconPicture(const QList<TProfileIcon>& icons, const QString& iconId,
                          Qt::CaseSensitivity sensitivity = Qt::CaseInsensitive);
