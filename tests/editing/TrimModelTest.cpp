// The trim editor's rules without a screen: marker placement, typed times,
// dragging limits, the trimmed-part loop and Reset.
#include "editing/TTrimModel.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kSecond = 1000000;
constexpr int64_t kTenMinutes = 600 * kSecond;

TTrimModel Opened(int64_t duration, int64_t start, int64_t end)
{
    TTrimModel m;
    m.Load(start, end);
    m.SetDuration(duration);
    m.PlaceMarkers();
    return m;
}

TEST(TrimModelTest, MarkersStandWhereTheStoredTimesAre)
{
    struct {
        int64_t Start, End;
        int Left, Right;
        int LineWidth;
    } cases[] = {
        {0, 0, 10, 21, 0},                           // both at zero: one marker width apart, less one
        {0, kTenMinutes, 10, 466, 444},              // the whole title: the bar's two ends
        {kTenMinutes / 2, kTenMinutes, 238, 466, 216},
        {kTenMinutes / 4, kTenMinutes / 4, 124, 135, 0},  // met: the line vanishes
    };
    for (const auto& c : cases) {
        const TTrimModel m = Opened(kTenMinutes, c.Start, c.End);
        EXPECT_EQ(m.LeftX(), c.Left) << c.Start << ".." << c.End;
        EXPECT_EQ(m.RightX(), c.Right) << c.Start << ".." << c.End;
        EXPECT_EQ(m.LineWidth(), c.LineWidth) << c.Start << ".." << c.End;
        EXPECT_EQ(m.LineLeft(), c.Left + 12);
    }
}

TEST(TrimModelTest, PositionsAndTimesConvertBothWays)
{
    const TTrimModel m = Opened(kTenMinutes, 0, kTenMinutes);
    EXPECT_EQ(m.XToTime(10), 0);
    EXPECT_EQ(m.XToTime(466), kTenMinutes);
    EXPECT_EQ(m.XToTime(238), kTenMinutes / 2);
    // (x - 10) * 1000 / 456 = 0.5 at x 10.228: positions are whole, so take
    // 12 -> 4.386 -> 4 and 13 -> 6.578 -> 7.
    EXPECT_EQ(m.XToTime(12), 4 * kTenMinutes / 1000);
    EXPECT_EQ(m.XToTime(13), 7 * kTenMinutes / 1000);
    EXPECT_EQ(TTrimModel::ValueToX(500), 238);
    EXPECT_EQ(m.BarValue(kTenMinutes / 4), 250);
    EXPECT_EQ(m.BarValue(-1), std::nullopt);
}

TEST(TrimModelTest, TimesAreWrittenAndTyped)
{
    EXPECT_EQ(TTrimModel::FormatTime(0), "00:00:00");
    EXPECT_EQ(TTrimModel::FormatTime(3723 * kSecond + 999999), "01:02:03");
    EXPECT_EQ(TTrimModel::FormatTime(100 * 3600 * kSecond), "100:00:00");  // hours not wrapped
    EXPECT_EQ(TTrimModel::TimeToMicroseconds(1, 30, 0), 5400000000);
    struct {
        const char* Text;
        std::optional<int64_t> Time;
    } typed[] = {
        {"01:30:00", 5400000000},
        {" 1:30:00", 5400000000},  // the mask's blank first hour digit
        {"00:00:07", 7 * kSecond},
        {"23:59:59", 86399 * kSecond},
        {"24:00:00", std::nullopt},
        {"00:60:00", std::nullopt},
        {"00:00:  ", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& t : typed)
        EXPECT_EQ(TTrimModel::ParseTime(t.Text), t.Time) << t.Text;
}

TEST(TrimModelTest, TypingMovesTheOtherTimeWhenTheyCross)
{
    TTrimModel m = Opened(kTenMinutes, 2 * 60 * kSecond, 5 * 60 * kSecond);
    ASSERT_TRUE(m.TypeEnd("00:01:00"));  // before the start: the start follows
    EXPECT_EQ(m.TrimEnd(), 60 * kSecond);
    EXPECT_EQ(m.TrimStart(), 60 * kSecond);
    EXPECT_EQ(m.StartText(), "00:01:00");
    EXPECT_EQ(m.RightX() - m.LeftX(), 11);

    ASSERT_TRUE(m.TypeStart(" 0:08:00"));  // after the end: the end follows
    EXPECT_EQ(m.TrimEnd(), 8 * 60 * kSecond);
    EXPECT_EQ(m.StartText(), " 0:08:00");  // the edit keeps what was typed
    EXPECT_EQ(m.EndText(), "00:08:00");
    EXPECT_EQ(m.RightX() - m.LeftX(), 11);

    EXPECT_FALSE(m.TypeStart("99:99:99"));
    EXPECT_EQ(m.TrimStart(), 8 * 60 * kSecond);
    ASSERT_TRUE(m.TypeEnd("01:00:00"));  // past the title's end
    EXPECT_EQ(m.TrimEnd(), kTenMinutes);
    EXPECT_EQ(m.RightX(), 466);
}

TEST(TrimModelTest, SetStartAndEndAtThePlayingPosition)
{
    TTrimModel m = Opened(kTenMinutes, 0, kTenMinutes);
    m.SetStartAt(150 * kSecond, 250);
    EXPECT_EQ(m.TrimStart(), 150 * kSecond);
    EXPECT_EQ(m.LeftX(), 124);
    m.SetEndAt(60 * kSecond, 100);  // before the start: both there, 11 apart
    EXPECT_EQ(m.TrimStart(), 60 * kSecond);
    EXPECT_EQ(m.TrimEnd(), 60 * kSecond);
    EXPECT_EQ(m.LeftX(), 55);
    EXPECT_EQ(m.RightX(), 66);
    EXPECT_EQ(m.LineWidth(), 0);
}

TEST(TrimModelTest, DragsOutOfBoundsAreRefused)
{
    struct {
        TTrimModel::TMarker Marker;
        int Grab, Mouse;
        bool Accepted;
        int Left, Right;
    } drags[] = {
        // The markers start at 124 and 352.
        {TTrimModel::tmLeft, 6, 6 - 113, true, 11, 352},   // 11: the nearest to the bar's start
        {TTrimModel::tmLeft, 6, 6 - 114, false, 124, 352},  // 10 is refused
        {TTrimModel::tmLeft, 0, 227, true, 351, 352},
        {TTrimModel::tmLeft, 0, 228, false, 124, 352},  // onto the other marker
        {TTrimModel::tmRight, 0, -227, true, 124, 125},
        {TTrimModel::tmRight, 0, -228, false, 124, 352},
        {TTrimModel::tmRight, 0, 113, true, 124, 465},
        {TTrimModel::tmRight, 0, 114, false, 124, 352},  // the bar's end, W + 10
    };
    for (const auto& d : drags) {
        TTrimModel m = Opened(1000 * kSecond, 250 * kSecond, 750 * kSecond);
        ASSERT_EQ(m.LeftX(), 124);
        ASSERT_EQ(m.RightX(), 352);
        m.BeginDrag(d.Marker, d.Grab);
        EXPECT_EQ(m.DragTo(d.Marker, d.Mouse), d.Accepted) << d.Marker << " " << d.Mouse;
        EXPECT_EQ(m.LeftX(), d.Left);
        EXPECT_EQ(m.RightX(), d.Right);
    }
}

TEST(TrimModelTest, ADroppedMarkerSetsItsTime)
{
    TTrimModel m = Opened(1000 * kSecond, 250 * kSecond, 750 * kSecond);
    m.BeginDrag(TTrimModel::tmLeft, 0);
    ASSERT_TRUE(m.DragTo(TTrimModel::tmLeft, 56));  // to 180: bar value 372.8, rounded
    EXPECT_EQ(m.EndDrag(TTrimModel::tmLeft), 373 * kSecond);
    EXPECT_EQ(m.TrimStart(), 373 * kSecond);
    EXPECT_EQ(m.StartText(), "00:06:13");
    EXPECT_FALSE(m.Dragging(TTrimModel::tmLeft));
    EXPECT_FALSE(m.DragTo(TTrimModel::tmLeft, 80));  // no drag without a press
}

TEST(TrimModelTest, TheTrimmedPartLoopsUntilTheUserIntervenes)
{
    TTrimModel m = Opened(kTenMinutes, 60 * kSecond, 120 * kSecond);
    EXPECT_FALSE(m.LoopBack(130 * kSecond));  // the full video plays on
    m.SetPlayingTrimmed(true);
    EXPECT_FALSE(m.LoopBack(119 * kSecond));
    EXPECT_TRUE(m.LoopBack(120 * kSecond));
    EXPECT_TRUE(m.LoopBack(121 * kSecond));
    m.BeginDrag(TTrimModel::tmRight, 0);  // using a marker ends it
    EXPECT_FALSE(m.LoopBack(121 * kSecond));
}

TEST(TrimModelTest, ResetThenOkGivesTheWholeTitle)
{
    TTrimModel m = Opened(kTenMinutes, 60 * kSecond, 120 * kSecond);
    m.Reset();
    EXPECT_EQ(m.LeftX(), 10);
    EXPECT_EQ(m.RightX(), 466);
    EXPECT_EQ(m.TrimStart(), 0);
    EXPECT_EQ(m.TrimEnd(), kTenMinutes);
    EXPECT_EQ(m.TrimmedLength(), kTenMinutes);
    EXPECT_EQ(m.EndText(), "00:10:00");
}

// A title that did not open has no duration: the markers stay off and
// nothing may turn its stored times into a zero length.
TEST(TrimModelTest, WithoutADurationTheMarkersAreOff)
{
    TTrimModel m = Opened(kTenMinutes, 60 * kSecond, 120 * kSecond);
    m.Load(30 * kSecond, 90 * kSecond);
    m.SetDuration(-1);  // the next title: unknown
    m.PlaceMarkers();
    EXPECT_FALSE(m.MarkersEnabled());
    m.Reset();
    m.SetStartAt(0, 0);
    m.BeginDrag(TTrimModel::tmRight, 0);
    EXPECT_FALSE(m.DragTo(TTrimModel::tmRight, -5));
    EXPECT_EQ(m.TrimStart(), 30 * kSecond);
    EXPECT_EQ(m.TrimEnd(), 90 * kSecond);
    ASSERT_TRUE(m.TypeEnd("00:02:00"));  // typed times still work, unclamped
    EXPECT_EQ(m.TrimmedLength(), 90 * kSecond);
}

}  // namespace
