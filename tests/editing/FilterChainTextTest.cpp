// Cutting filter chain texts into libavfilter runs and native stages.
#include "editing/vf_eq.h"
#include "editing/vf_hue.h"
#include "engine/filter/FilterChainText.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

using namespace vidrelo;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class FilterChainTextTest : public ::testing::Test {
protected:
    FilterChainTextTest()
    {
        Registry.RegisterOnce(NativeEqDefinition());
        Registry.RegisterOnce(NativeHueDefinition());
    }

    // The segments as "eq <options>", "hue <options>" or "lavfi <text>".
    std::vector<std::string> Segments(const std::string& chain)
    {
        std::vector<TFilterChainSegment> segments;
        std::string error;
        EXPECT_TRUE(SplitFilterChainSegments(chain, segments, error, Registry)) << error;
        std::vector<std::string> shown;
        for (const TFilterChainSegment& s : segments)
            shown.push_back(s.Kind == TFilterChainSegment::Lavfi ? "lavfi " + s.Text
                            : s.Definition == &NativeEqDefinition() ? "eq " + s.Text
                                                                    : "hue " + s.Text);
        return shown;
    }

    std::string Error(const std::string& chain)
    {
        std::vector<TFilterChainSegment> segments{{}};
        std::string error;
        EXPECT_FALSE(SplitFilterChainSegments(chain, segments, error, Registry)) << chain;
        EXPECT_THAT(segments, IsEmpty());
        return error;
    }

    TNativeFilterRegistry Registry;
};

TEST_F(FilterChainTextTest, NativeFiltersBecomeStagesBetweenLibavfilterRuns)
{
    EXPECT_THAT(Segments("nativeeq=0:10, nativehue=0:20,crop=700:460:10:10,pad=720:540:0:30:black,scale=640:480"),
                ElementsAre("eq 0:10", "hue 0:20", "lavfi crop=700:460:10:10,pad=720:540:0:30:black,scale=640:480"));
    EXPECT_THAT(Segments("scale=640:480,nativeeq=100:0"), ElementsAre("lavfi scale=640:480", "eq 100:0"));
    EXPECT_THAT(Segments("yadif ,nativeeq=1:2:140234:140238,  crop=1:2 , scale=3:4\t"),
                ElementsAre("lavfi yadif", "eq 1:2:140234:140238", "lavfi crop=1:2,scale=3:4"));
    EXPECT_THAT(Segments("nativeeq"), ElementsAre("eq "));
    EXPECT_THAT(Segments("nativeeqx=1,eq=1"), ElementsAre("lavfi nativeeqx=1,eq=1"));
    EXPECT_THAT(Segments(" \t"), IsEmpty());
}

TEST_F(FilterChainTextTest, QuotedEscapedAndLabelledCommasDoNotSplit)
{
    EXPECT_THAT(Segments("drawtext=text='a, b\\',nativehue=5"), ElementsAre("lavfi drawtext=text='a, b\\'", "hue 5"));
    EXPECT_THAT(Segments("drawtext=text=a\\, b,nativehue=5"), ElementsAre("lavfi drawtext=text=a\\, b", "hue 5"));
    EXPECT_THAT(Segments("[in]split[a,b];[a,b]overlay, nativeeq=3"),
                ElementsAre("lavfi [in]split[a,b];[a,b]overlay", "eq 3"));
    // A blank that is escaped or quoted is part of the filter.
    EXPECT_THAT(Segments("pad=1:2:'  ' ,drawtext=text=x\\ "), ElementsAre("lavfi pad=1:2:'  ',drawtext=text=x\\ "));
}

TEST_F(FilterChainTextTest, NativeOptionsAreUnquotedAsLibavfilterWould)
{
    EXPECT_THAT(Segments("nativeeq='10:20'"), ElementsAre("eq 10:20"));
    EXPECT_THAT(Segments("nativeeq=10\\:20"), ElementsAre("eq 10:20"));
    EXPECT_THAT(Segments(" nativeeq = 5:6 "), ElementsAre("eq 5:6"));
    EXPECT_THAT(Segments("native\\eq=5"), ElementsAre("eq 5"));
}

TEST_F(FilterChainTextTest, ChainsThatCannotBeCutFailWithAReason)
{
    EXPECT_EQ(Error("scale=1:2,,nativeeq=1"), "Empty filter in the filter chain \"scale=1:2,,nativeeq=1\"");
    EXPECT_EQ(Error("nativeeq=1,"), "Empty filter in the filter chain \"nativeeq=1,\"");
    EXPECT_EQ(Error("[in scale=1:2,nativeeq=1"),
              "Unterminated link label in the filter chain \"[in scale=1:2,nativeeq=1\"");
    EXPECT_EQ(Error("[in]nativeeq=1:2"),
              "The native filter nativeeq cannot have link labels or anything after its options: \"[in]nativeeq=1:2\"");
    EXPECT_THAT(Error("nativehue=1:2[out]"), ::testing::HasSubstr("nativehue cannot have link labels"));
    EXPECT_THAT(Error("nativehue=1:2;scale=1:1"), ::testing::HasSubstr("nativehue cannot have link labels"));
}

TEST(FilterChainTextSplitTest, PiecesKeepTheirTextAndEmptyOnesAreReported)
{
    std::vector<std::string> filters;
    std::string error;
    ASSERT_TRUE(SplitFilterChainText(" a=1 , ,b='x,y'[o] ", filters, error));
    EXPECT_THAT(filters, ElementsAre("a=1", "", "b='x,y'[o]"));
    const TFilterText parsed = ParseFilterText("[x] [y] name = 'a b' : c\\,d [out];");
    EXPECT_TRUE(parsed.HasInputLabels);
    EXPECT_EQ(parsed.Name, "name");
    EXPECT_EQ(parsed.Options, "a b : c,d");
    EXPECT_EQ(parsed.Rest, "[out];");
}

}  // namespace
