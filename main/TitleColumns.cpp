#include "main/TitleColumns.h"

#include <algorithm>
#include <array>

namespace {

const std::array<TTitleColumnInfo, kTitleColumnCount>& Columns()
{
    static const std::array<TTitleColumnInfo, kTitleColumnCount> columns{{
        {QStringLiteral("Source"), 80, true, false},
        {QStringLiteral("Length"), 60, true, true},
        {QStringLiteral("Size"), 64, true, true},
        {QStringLiteral("Destination"), 90, true, false},
        {QStringLiteral("Format"), 50, true, false},
        {QStringLiteral("Chapters"), 50, false, false},
        {QStringLiteral("From"), 40, false, false},
        {QStringLiteral("To"), 40, false, false},
        {QStringLiteral("Audio"), 80, false, false},
        {QStringLiteral("Subtitle"), 80, false, false},
        {QStringLiteral("Deinterlace"), 60, false, false},
    }};
    return columns;
}

}  // namespace

const TTitleColumnInfo& TitleColumn(int column)
{
    return Columns().at(static_cast<std::size_t>(column));
}

namespace {

// Room around a text: the cell's own inset and a little air; a header
// section also has its frame.
constexpr int kCellPadding = 10;
constexpr int kHeaderPadding = 16;
// The check glyph and its gap before the Source text.
constexpr int kCheckWidth = 20;

int NeededWidth(int column, const QFontMetrics& header, const QFontMetrics& text, const QList<QStringList>& rows)
{
    int width = std::max(TitleColumn(column).Width, header.horizontalAdvance(TitleColumn(column).Caption) +
                                                        kHeaderPadding);
    const int extra = column == tcSource ? kCheckWidth : 0;
    for (const QStringList& row : rows)
        width = std::max(width, text.horizontalAdvance(row.value(column)) + kCellPadding + extra);
    return width;
}

}  // namespace

QList<int> FittedColumnWidths(const QFontMetrics& header, const QFontMetrics& text, const QList<QStringList>& rows,
                              int available)
{
    QList<int> widths;
    int firstColumns = 0;
    for (int c = 0; c < kTitleColumnCount; ++c) {
        widths << NeededWidth(c, header, text, rows);
        if (c <= tcFormat)
            firstColumns += widths.back();
    }
    if (firstColumns < available)
        widths[tcDestination] += available - firstColumns;
    return widths;
}

bool IsInsideColumn(int x, int left, int width)
{
    return x > left && x < left + width;
}

QPoint CheckImagePos(const QRect& row)
{
    return QPoint(row.left(), row.top() + 3);
}

QRect CellTextRect(int column, const QRect& cell)
{
    if (column == tcSource)
        return cell.adjusted(kCheckWidth, 0, -2, 0);
    return cell.adjusted(3, 0, -3, 0);
}
