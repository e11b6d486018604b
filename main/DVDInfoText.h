#pragma once
// The lines the "DVD Info" window shows for a disc: what the plug-in's
// record says about each valid title, in the window's fixed wording.
#include "dvd/DVDTitleInfo.h"

#include <QString>
#include <QStringList>

// "There are %d title(s) in %s".
QString DVDInfoHeader(int titleCount, const QString& path);
// The lines of the valid title `titleIndex` (from 0).
QStringList DVDTitleInfoLines(int titleIndex, const TDVDTitleInfo& info);
