// The command line of "vidrelo-cli play" read into its request.
#include "cli/PlayArguments.h"

#include <gtest/gtest.h>

using namespace vidrelo::cli;

namespace {

TEST(PlayArgumentsTest, EveryOptionLandsInItsField)
{
    TPlayRequest r;
    std::string error;
    ASSERT_TRUE(ParsePlayArguments({"clip.mkv", "--start", "00:01:30", "--seconds", "2.5", "--snapshot",
                                    "00:01:31:/tmp/a b.png", "--snapshot", "95:shot.JPG", "--volume", "0",
                                    "--no-audio"},
                                   r, error))
        << error;
    EXPECT_EQ(r.Source, "clip.mkv");
    EXPECT_EQ(r.Start, 90000000);
    EXPECT_EQ(r.Duration, 2500000);
    ASSERT_EQ(r.Snapshots.size(), 2u);
    EXPECT_EQ(r.Snapshots[0].Time, 91000000);  // the longest time before a ":"
    EXPECT_EQ(r.Snapshots[0].File, "/tmp/a b.png");
    EXPECT_EQ(r.Snapshots[1].Time, 95000000);
    EXPECT_EQ(r.Volume, 0);
    EXPECT_TRUE(r.NoAudio);

    TPlayRequest plain;
    ASSERT_TRUE(ParsePlayArguments({"opendvd:/d|Title=1"}, plain, error));
    EXPECT_FALSE(plain.Start || plain.Duration || plain.NoAudio);
    EXPECT_EQ(plain.Volume, 128);
}

TEST(PlayArgumentsTest, MistakesAreRefusedWithTheirReason)
{
    const struct {
        std::vector<std::string> Args;
        std::string Error;
    } cases[] = {
        {{}, "no SOURCE given"},
        {{"a.mkv", "b.mkv"}, "more than one SOURCE: \"b.mkv\""},
        {{"a.mkv", "--start"}, "--start needs a value"},
        {{"a.mkv", "--seconds", "0"}, "invalid value for --seconds: \"0\""},
        {{"a.mkv", "--start", "-00:00:01"}, "invalid value for --start: \"-00:00:01\""},
        {{"a.mkv", "--volume", "129"}, "invalid value for --volume: \"129\" (0..128)"},
        {{"a.mkv", "--snapshot", "shot.png"}, "invalid value for --snapshot: \"shot.png\" (TIME:FILE)"},
        {{"a.mkv", "--snapshot", "5:shot.gif"}, "--snapshot writes .png, .jpg or .jpeg files, not \"shot.gif\""},
        {{"a.mkv", "--loop"}, "unknown option --loop"},
    };
    for (const auto& c : cases) {
        TPlayRequest r;
        std::string error;
        EXPECT_FALSE(ParsePlayArguments(c.Args, r, error));
        EXPECT_EQ(error.substr(0, c.Error.size()), c.Error);
    }
}

}  // namespace
