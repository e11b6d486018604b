#include "main/TitleColumns.h"

#include <array>

namespace {

const std::array<TTitleColumnInfo, kTitleColumnCount>& Columns()
{
    static const std::array<TTitleColumnInfo, kTitleColumnCount> columns{{
        {QStringLiteral("Source"), 115, true, false},
        {QStringLiteral("Length"), 90, true, true},
        {QStringLiteral("Size"), 90, true, true},
        {QStringLiteral("Destination"), 135, true, false},
        {QStringLiteral("Format"), 80, true, false},
        {QStringLiteral("Chapters"), 60, false, false},
        {QStringLiteral("From"), kDefaultColumnWidth, false, false},
        {QStringLiteral("To"), kDefaultColumnWidth, false, false},
        {QStringLiteral("Audio"), 100, false, false},
        {QStringLiteral("Subtitle"), 100, false, false},
        {QStringLiteral("Deinterlace"), 80, false, false},
    }};
    return columns;
}

}  // namespace

const TTitleColumnInfo& TitleColumn(int column)
{
    return Columns().at(static_cast<std::size_t>(column));
}

int ColumnLeft(int column)
{
    int left = 0;
    for (int c = 0; c < column; ++c)
        left += TitleColumn(c).Width;
    return left;
}

int DestinationEditorLeft()
{
    return ColumnLeft(tcDestination);
}

int DestinationEditorWidth()
{
    return TitleColumn(tcDestination).Width;
}

bool IsInsideDestinationColumn(int x)
{
    return x > DestinationEditorLeft() && x < DestinationEditorLeft() + DestinationEditorWidth();
}

QPoint CheckImagePos(const QRect& row)
{
    return QPoint(0, row.top() + 3);
}

QRect CellTextRect(int column, const QRect& row)
{
    if (column == tcSource)
        return QRect(20, row.top(), TitleColumn(tcSource).Width, 20);
    const int left = 3 + ColumnLeft(column) + 2 * column;
    return QRect(left, row.top(), TitleColumn(column).Width - 4, row.height());
}
