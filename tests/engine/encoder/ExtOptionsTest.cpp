// The ExtOptions text of the option records and the stream option list.
#include "engine/encoder/TExtOptions.h"

#include <gtest/gtest.h>

using namespace vidrelo;

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (const TExtOption& o : ParseExtOptions(text))
        lines.push_back(o.Name + "|" + o.Value);
    return lines;
}

TEST(ExtOptionsTest, LinesSplitAtAnyLineBreakAndTheLiteralCRLFAndAtTheFirstEquals)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Lines("  vcodec=mpeg4<CRLF>b=300k \r\n"), (V{"vcodec|mpeg4", "b|300k"}));
    EXPECT_EQ(Lines("a=1\rb=2\nmetadata=title=x=y"), (V{"a|1", "b|2", "metadata|title=x=y"}));
    EXPECT_EQ(Lines("sameq"), (V{"sameq|"}));
    // Names in lower case, whatever the catalogue or the user wrote; values
    // as they are.
    EXPECT_EQ(Lines("VCodec=copy\nMetaData=Title=My Film\nSAMEQ"),
              (V{"vcodec|copy", "metadata|Title=My Film", "sameq|"}));
    // An empty line inside the text is an option without a name (refused
    // later); only the ends are trimmed.
    EXPECT_EQ(Lines("a=1\n\nb=2"), (V{"a|1", "|", "b|2"}));
    EXPECT_TRUE(ParseExtOptions(" \r\n ").empty());
}

TEST(ExtOptionsTest, IgnoredAndStreamCreatingNamesAreComparedInLowerCase)
{
    for (const char* name : {"VF", "vfilters", "Apre", "newVideo"}) {
        EXPECT_TRUE(IgnoredInputOption(name)) << name;
        EXPECT_TRUE(IgnoredOutputOption(name)) << name;
    }
    for (const char* name : {"ACodec", "vcodec", "scodec", "s"}) {
        EXPECT_FALSE(IgnoredInputOption(name)) << name;
        EXPECT_TRUE(IgnoredOutputOption(name)) << name;
    }
    EXPECT_FALSE(IgnoredOutputOption("ss"));
    EXPECT_TRUE(StreamCreatingOption("NEWAUDIO"));
    EXPECT_FALSE(StreamCreatingOption("acodec"));
}

TEST(StreamOptionListTest, RecordFieldsComeFirstAndExtOptionsFillWhatTheyLeaveEmpty)
{
    TOutputOptions record;
    record.AudioCodec = "ac3";
    record.FrameSize = "640x480";
    const auto lines = ParseExtOptions("acodec=mp2\nvcodec=mpeg4\nvfilters=crop=8:8\nvcodec=libx264\nacodec=");
    TStreamOptionList list(record, lines);
    EXPECT_EQ(list.Default("acodec"), "ac3");
    EXPECT_EQ(list.Default("vcodec"), "mpeg4");
    EXPECT_EQ(list.Default("s"), "640x480");
    EXPECT_EQ(list.Default("vf"), "crop=8:8");
    EXPECT_EQ(list.Default("scodec"), "");
    // Further streams use up the entries in order, then fall back to the
    // "def_" value.
    EXPECT_EQ(list.Take("acodec"), "mp2");
    EXPECT_EQ(list.Take("acodec"), "ac3");
    EXPECT_EQ(list.Take("vcodec"), "mpeg4");
    EXPECT_EQ(list.Take("vcodec"), "libx264");
    EXPECT_EQ(list.Take("vcodec"), "mpeg4");
    EXPECT_EQ(list.Take("spre"), "");
}

}  // namespace
