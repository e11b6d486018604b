#pragma once
// The title list's columns and where the owner-drawn row puts its parts.
// x values are relative to the list's content (before horizontal scrolling).
#include <QRect>
#include <QString>

enum TTitleColumn {
    tcSource,  // the row caption
    tcLength,
    tcSize,
    tcDestination,
    tcFormat,
    tcChapters,
    tcFrom,
    tcTo,
    tcAudio,
    tcSubtitle,
    tcDeinterlace,
    kTitleColumnCount
};

struct TTitleColumnInfo {
    QString Caption;
    int Width;      // pixels
    bool Fixed;     // minimum and maximum width equal Width
    bool Centred;   // text centred horizontally (else left-aligned)
};

// The width a list column gets when nothing asks for another.
inline constexpr int kDefaultColumnWidth = 50;

const TTitleColumnInfo& TitleColumn(int column);

// Sum of the widths of the columns before `column`.
int ColumnLeft(int column);

// The in-place destination editor: left edge and width within a row.
int DestinationEditorLeft();
int DestinationEditorWidth();
// A press at x opens the destination editor only strictly inside the
// Destination column (after its left edge, before its right edge).
bool IsInsideDestinationColumn(int x);

// Owner drawing of a row whose bounds are `row`: the check image's top-left,
// and the rectangle a column's text is drawn in (single line, vertically
// centred, ellipsis at the end).
QPoint CheckImagePos(const QRect& row);
QRect CellTextRect(int column, const QRect& row);
