#pragma once
// The title list's columns and where the owner-drawn row puts its parts.
// x values are relative to the list's content (before horizontal scrolling).
#include <QFontMetrics>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

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
    int Width;      // pixels, the least the column gets
    bool Fixed;     // minimum and maximum width equal Width
    bool Centred;   // text centred horizontally (else left-aligned)
};

const TTitleColumnInfo& TitleColumn(int column);

// The columns' widths for the rows' texts (`rows[r][c]`) in a list whose
// viewport is `available` pixels wide: every caption and text shows whole
// (never narrower than the column's Width), and the columns from Source to
// Format, the ones a person reads first, fit the viewport without scrolling
// when they can: the Destination column takes what is left over.
QList<int> FittedColumnWidths(const QFontMetrics& header, const QFontMetrics& text, const QList<QStringList>& rows,
                              int available);

// A press at x opens the destination editor only strictly inside the
// Destination column (after its left edge, before its right edge); x and
// `left` in the same coordinates.
bool IsInsideColumn(int x, int left, int width);

// Owner drawing of a row: the check image's top-left in a row whose bounds
// are `row`, and the rectangle a column's text is drawn in within its cell
// (the cell is where the list's header has that column now; single line,
// vertically centred, ellipsis at the end).
QPoint CheckImagePos(const QRect& row);
QRect CellTextRect(int column, const QRect& cell);
