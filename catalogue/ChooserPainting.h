#pragma once
// How the profile chooser draws one row of each list. Plain painting on any
// QPainter, so that a test can look at the pixels of a row.
#include "catalogue/TCatalogueTypes.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>

class QPainter;

namespace ChooserColours {
inline const QColor Background(20, 27, 37);
inline const QColor ProfileHighlight(29, 48, 69);
inline const QColor ProfileOutline(33, 67, 101);
inline const QColor FormatHighlight(33, 67, 101);
inline const QColor FormatOutline(13, 150, 166);
inline const QColor Description(192, 192, 192);
}  // namespace ChooserColours

// A profile row: its icon (ID matched with letter case), title and the arrow.
void DrawProfileRow(QPainter& painter, const QRect& cell, const TProfile& profile, bool highlighted,
                    const QList<TProfileIcon>& icons, const QImage& arrow);
// A format row: icon (ID matched in any letter case), bold title and the
// description below it. `format` is null for a row past the listed formats.
void DrawFormatRow(QPainter& painter, const QRect& cell, const TFormat* format, bool hovered,
                   bool scrollBarVisible, const QList<TProfileIcon>& icons);
