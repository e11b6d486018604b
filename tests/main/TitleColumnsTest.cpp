#include "main/TitleColumns.h"

#include "tests/main/ProgramWindows.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>

#include <numeric>

namespace {

class TitleColumnsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { maintest::EnsureApplication(); }

    QFontMetrics Metrics{QFont()};

    static int FirstColumns(const QList<int>& widths)
    {
        return std::accumulate(widths.cbegin(), widths.cbegin() + (tcFormat + 1), 0);
    }
    static QStringList Row(const QString& destination)
    {
        return {"Title #1", "01:32:10", "4312.50 MB", destination, ".mp4", "28", "1", "28",
                "ID[0x80], en", "ID[0x20], en", "No"};
    }
};

TEST_F(TitleColumnsTest, EveryCaptionAndTextShowsWholeAndTheFirstColumnsFitTheList)
{
    const QList<QStringList> rows{Row("Title1"), Row("Title2")};
    const QList<int> widths = FittedColumnWidths(Metrics, Metrics, rows, 480);
    ASSERT_EQ(widths.size(), int(kTitleColumnCount));
    for (int c = 0; c < kTitleColumnCount; ++c) {
        SCOPED_TRACE(c);
        EXPECT_GT(widths[c], Metrics.horizontalAdvance(TitleColumn(c).Caption));
        for (const QStringList& row : rows)
            EXPECT_GT(CellTextRect(c, QRect(0, 0, widths[c], 20)).width(), Metrics.horizontalAdvance(row[c]) - 1);
    }
    // Source to Format fill the list exactly; the Destination column takes the rest.
    EXPECT_EQ(FirstColumns(widths), 480);
    EXPECT_GT(widths[tcDestination], FittedColumnWidths(Metrics, Metrics, rows, 0)[tcDestination]);

    // A name longer than the list can show: it stays whole, and the list scrolls.
    const QString longName(60, QLatin1Char('x'));
    const QList<int> wide = FittedColumnWidths(Metrics, Metrics, {Row(longName)}, 480);
    EXPECT_GT(FirstColumns(wide), 480);
    EXPECT_GE(CellTextRect(tcDestination, QRect(0, 0, wide[tcDestination], 20)).width(),
              Metrics.horizontalAdvance(longName));
}

TEST_F(TitleColumnsTest, TextsStayInTheirCellsWhereverTheHeaderPutsThem)
{
    for (const QRect& cell : {QRect(0, 40, 90, 22), QRect(215, 40, 37, 22), QRect(-30, 0, 200, 20)}) {
        for (int c = 0; c < kTitleColumnCount; ++c) {
            const QRect text = CellTextRect(c, cell);
            EXPECT_TRUE(cell.contains(text)) << c;
            EXPECT_EQ(text.top(), cell.top());
            EXPECT_EQ(text.height(), cell.height());
        }
    }
    // The check glyph is left of the Source text.
    EXPECT_LT(CheckImagePos(QRect(10, 40, 300, 20)).x() + 13, CellTextRect(tcSource, QRect(10, 40, 90, 20)).left());
    // Strictly inside: the column's edges do not count.
    EXPECT_FALSE(IsInsideColumn(100, 100, 50));
    EXPECT_TRUE(IsInsideColumn(101, 100, 50));
    EXPECT_TRUE(IsInsideColumn(149, 100, 50));
    EXPECT_FALSE(IsInsideColumn(150, 100, 50));
}

}  // namespace
