// Running a conversion job on small clips made by ffmpeg: starting it on a
// worker or in place, refusing to start without files, stopping, pausing,
// the terminate notification and the progress events.
#include "tests/engine/run/JobRunSupport.h"

#include <chrono>
#include <filesystem>
#include <thread>

using namespace vidrelo;
using namespace std::chrono_literals;

namespace {

class JobRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Clips = test::MakeTempDir("runclips");
        MpegClip = test::MakeMpegClip(Clips);
        LongClip = Clips + "/long.mpg";
        ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=20", "-f", "lavfi",
                                    "-i", "sine=frequency=440:duration=20", "-c:v", "mpeg2video", "-c:a", "mp2", "-f",
                                    "vob", LongClip}));
    }

    void SetUp() override
    {
        ASSERT_TRUE(Libraries.Loaded);
        Out = test::MakeTempDir("runout");
    }

    // A job from `input` to `output` with the options given before the output.
    std::unique_ptr<TCustomFFmpeg> MakeJob(const std::string& input, const std::string& output,
                                           const std::vector<std::pair<std::string, std::string>>& options = {})
    {
        auto job = std::make_unique<TCustomFFmpeg>(4);
        Events.Attach(*job);
        EXPECT_TRUE(job->OpenInput(input)) << job->LastErrMsg();
        for (const auto& [name, value] : options)
            job->SetExtOption(name, value);
        EXPECT_EQ(job->OpenOutput(output), 0) << job->LastErrMsg();
        return job;
    }

    static bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    static inline std::string Clips, MpegClip, LongClip;
    test::TEncoderLibraries Libraries;
    test::TLogCapture Log;
    test::TJobEvents Events;
    std::string Out;
};

TEST_F(JobRunTest, AJobWithoutFilesTerminatesAtOnceWithTheReason)
{
    {
        TCustomFFmpeg job(2);
        Events.Attach(job);
        ASSERT_TRUE(job.OpenInput(MpegClip));
        EXPECT_EQ(job.StartConvert(true), nullptr);
        EXPECT_TRUE(job.Terminated());
        EXPECT_TRUE(job.FatalException());
        EXPECT_EQ(job.FatalMessage(), "At least one output file must be specified");
        EXPECT_TRUE(Log.Has("At least one output file must be specified", llQuiet));
        EXPECT_EQ(job.nb_input_files(), 0);  // cleaned up
        EXPECT_EQ(job.StartConvert(false), nullptr);  // a terminated job does not start again
        job.StopOrTerminate(true);
    }
    EXPECT_EQ(Events.Terminates, 1);
    TCustomFFmpeg job(2);
    job.SetExtOption("an", "1");
    ASSERT_EQ(job.OpenOutput(Out + "/out.mpg"), 0);
    EXPECT_EQ(job.StartConvert(false), nullptr);
    EXPECT_EQ(job.FatalMessage(), "At least one input file must be specified");
    EXPECT_FALSE(std::filesystem::exists(Out + "/out.mpg"));
}

TEST_F(JobRunTest, AConversionInPlaceFinishesWithTheOutputsStreams)
{
    const std::string output = Out + "/out.mp4";
    auto job = MakeJob(MpegClip, output, {{"vcodec", "mpeg4"}, {"acodec", "aac"}});
    EXPECT_EQ(job->StartConvert(false), nullptr);
    EXPECT_TRUE(job->Finished()) << job->FatalMessage();
    EXPECT_FALSE(job->FatalException());
    EXPECT_EQ(Events.Terminates, 1);
    const test::TProbedFile probed = test::Probe(output);
    EXPECT_EQ(probed.Stream("video")["codec_name"], "mpeg4");
    EXPECT_EQ(probed.Stream("audio")["codec_name"], "aac");
    EXPECT_EQ(probed.Stream("video")["width"], "320");
    EXPECT_NEAR(test::Number(probed.Stream("video"), "duration"), 1.0, 0.041);
    EXPECT_TRUE(Log.Has("Stream mapping:", llVerbose));
    EXPECT_TRUE(Log.Has("  Stream #0.0 -> #0.0 (mpeg2video -> mpeg4)", llVerbose));
}

}  // namespace
