// What the run does to the frames on their way to the encoders: constant
// frame rate by duplicating pictures, forced key frames, two-pass encoding,
// and metadata carried over.
#include "tests/engine/run/JobRunSupport.h"

#include <filesystem>

using namespace vidrelo;

namespace {

class JobEncodingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Clips = test::MakeTempDir("encclips");
        // One second at 25 fps with pictures 10, 11 and 12 left out.
        GapClip = Clips + "/gap.mkv";
        ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-vf",
                                    "select='not(between(n\\,10\\,12))'", "-fps_mode", "passthrough", "-c:v",
                                    "mpeg4", "-metadata", "title=Gap clip", GapClip}));
    }

    void SetUp() override
    {
        ASSERT_TRUE(Libraries.Loaded);
        Out = test::MakeTempDir("encout");
    }

    ::testing::AssertionResult Convert(const std::string& input, const std::string& output,
                                       const std::vector<std::pair<std::string, std::string>>& options)
    {
        TCustomFFmpeg job(2);
        if (!job.OpenInput(input))
            return ::testing::AssertionFailure() << job.LastErrMsg();
        for (const auto& [name, value] : options)
            job.SetExtOption(name, value);
        if (job.OpenOutput(output) != 0)
            return ::testing::AssertionFailure() << job.LastErrMsg();
        job.StartConvert(false);
        if (!job.Finished())
            return ::testing::AssertionFailure() << job.FatalMessage();
        return ::testing::AssertionSuccess();
    }

    static inline std::string Clips, GapClip;
    test::TEncoderLibraries Libraries;
    test::TLogCapture Log;
    std::string Out;
};

TEST_F(JobEncodingTest, AConstantRateOutputFillsAGapByRepeatingThePictureAfterIt)
{
    // Picture 13 comes three frames late: it goes out three times, from
    // where the output stands (two duplicates).
    const std::string output = Out + "/filled.avi";
    ASSERT_TRUE(Convert(GapClip, output, {{"v", "3"}, {"vcodec", "mpeg4"}}));
    EXPECT_EQ(test::Packets(output, "v:0").size(), 24u);
    EXPECT_EQ(Log.Count("*** 2 dup!"), 1);
    EXPECT_GE(Log.CountContaining(" dup=2 drop=0"), 1);  // the report line

    // A variable rate output keeps the gap instead.
    const std::string variable = Out + "/variable.mkv";
    ASSERT_TRUE(Convert(GapClip, variable, {{"vcodec", "mpeg4"}}));
    EXPECT_EQ(test::Packets(variable, "v:0").size(), 22u);
}

TEST_F(JobEncodingTest, ForcedKeyFramesComeAtTheirTimes)
{
    const std::string output = Out + "/keys.avi";
    ASSERT_TRUE(Convert(GapClip, output, {{"vcodec", "mpeg4"}, {"g", "100"}, {"force_key_frames", "0.4,0.8"}}));
    std::vector<int> keys;
    int index = 0;
    for (const test::TProbeBlock& packet :
         test::ProbeBlocks({"-select_streams", "v:0", "-show_entries", "packet=flags", output})) {
        if (packet.at("flags").find('K') != std::string::npos)
            keys.push_back(index);
        ++index;
    }
    EXPECT_EQ(keys, (std::vector<int>{0, 10, 20}));  // output frames: 25 a second
}

TEST_F(JobEncodingTest, TwoPassEncodingWritesAndReadsItsStatistics)
{
    const std::string prefix = Out + "/stats";
    ASSERT_TRUE(Convert(GapClip, Out + "/pass1.avi",
                        {{"vcodec", "mpeg4"}, {"b", "200k"}, {"pass", "1"}, {"passlogfile", prefix}}));
    const std::string log = prefix + "-0.log";
    ASSERT_TRUE(std::filesystem::exists(log));
    EXPECT_GT(std::filesystem::file_size(log), 0u);
    ASSERT_TRUE(Convert(GapClip, Out + "/pass2.avi",
                        {{"vcodec", "mpeg4"}, {"b", "200k"}, {"pass", "2"}, {"passlogfile", prefix}}));
    EXPECT_EQ(test::Packets(Out + "/pass2.avi", "v:0").size(), 24u);

    TCustomFFmpeg job(1);
    ASSERT_TRUE(job.OpenInput(GapClip));
    job.SetExtOption("vcodec", "mpeg4");
    job.SetExtOption("pass", "2");
    job.SetExtOption("passlogfile", Out + "/missing");
    ASSERT_EQ(job.OpenOutput(Out + "/pass2b.avi"), 0);
    job.StartConvert(false);
    EXPECT_EQ(job.FatalMessage(),
              "Cannot read file: Error reading log file \"" + Out + "/missing-0.log\" for pass-2 encoding");
}

TEST_F(JobEncodingTest, MetadataIsCarriedOverUnlessMappedOtherwise)
{
    const std::string copied = Out + "/copied.mkv";
    ASSERT_TRUE(Convert(GapClip, copied, {{"vcodec", "copy"}}));
    const auto title = [](const std::string& file) {
        for (const test::TProbeBlock& b : test::ProbeBlocks({"-show_entries", "format_tags=title", file}))
            if (b.count("TAG:title"))
                return b.at("TAG:title");
        return std::string();
    };
    EXPECT_EQ(title(copied), "Gap clip");
    const std::string mapped = Out + "/mapped.mkv";
    ASSERT_TRUE(Convert(GapClip, mapped, {{"vcodec", "copy"}, {"map_meta_data", "0:0,s0"}}));
    EXPECT_EQ(title(mapped), "");  // the global copy is off once global metadata is mapped
}

}  // namespace
