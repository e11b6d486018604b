#include "main/TitleColumns.h"

#include <gtest/gtest.h>

namespace {

TEST(TitleColumnsTest, DestinationEditorCoversTheDestinationCell)
{
    EXPECT_EQ(DestinationEditorLeft(), 115 + 90 + 90);
    EXPECT_EQ(DestinationEditorWidth(), 135);
    // Strictly inside: the edges themselves do not open the editor.
    EXPECT_FALSE(IsInsideDestinationColumn(295));
    EXPECT_TRUE(IsInsideDestinationColumn(296));
    EXPECT_TRUE(IsInsideDestinationColumn(429));
    EXPECT_FALSE(IsInsideDestinationColumn(430));
}

TEST(TitleColumnsTest, OwnerDrawnRowParts)
{
    const QRect row(0, 40, 900, 22);
    EXPECT_EQ(CheckImagePos(row), QPoint(0, 43));
    EXPECT_EQ(CellTextRect(tcSource, row), QRect(20, 40, 115, 20));
    // Sub-item k: left = 3 + widths before + 2k, right = left + width - 4.
    EXPECT_EQ(CellTextRect(tcLength, row), QRect(3 + 115 + 2, 40, 86, 22));
    EXPECT_EQ(CellTextRect(tcFormat, row), QRect(3 + 115 + 90 + 90 + 135 + 8, 40, 76, 22));
    EXPECT_EQ(CellTextRect(tcDeinterlace, row).left(), 3 + ColumnLeft(tcDeinterlace) + 20);
    for (int c = 0; c < kTitleColumnCount; ++c)
        EXPECT_EQ(TitleColumn(c).Centred, c == tcLength || c == tcSize) << c;
}

}  // namespace
