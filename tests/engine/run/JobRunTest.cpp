// Running a conversion job on small clips made by ffmpeg: starting it on a
// worker or in place, refusing to start without files, stopping, pausing,
// the terminate notification and the progress events.
#include "engine/MainThreadDispatcher.h"
#include "tests/engine/run/JobRunSupport.h"
#include "tests/support/WaitFor.h"

#include <chrono>
#include <filesystem>
#include <fstream>
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
        ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=4", "-f", "lavfi",
                                    "-i", "sine=frequency=440:duration=4", "-c:v", "mpeg2video", "-c:a", "mp2", "-f",
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
        auto job = std::make_unique<TCustomFFmpeg>(4, test::EngineServices());
        Events.Attach(*job);
        EXPECT_TRUE(job->OpenInput(input)) << job->LastErrMsg();
        for (const auto& [name, value] : options)
            job->SetExtOption(name, value);
        EXPECT_EQ(job->OpenOutput(output), 0) << job->LastErrMsg();
        return job;
    }

    // A job that runs at the input's own pace ("re"), long enough to be
    // stopped or paused on its way.
    std::unique_ptr<TCustomFFmpeg> MakeRealTimeJob(const std::string& output)
    {
        auto job = std::make_unique<TCustomFFmpeg>(2, test::EngineServices());
        Events.Attach(*job);
        job->SetExtOption("re", "1");
        EXPECT_TRUE(job->OpenInput(LongClip)) << job->LastErrMsg();
        job->SetExtOption("vcodec", "mpeg4");
        job->SetExtOption("flush_packets", "1");  // the file grows packet by packet
        EXPECT_EQ(job->OpenOutput(output), 0) << job->LastErrMsg();
        return job;
    }

    bool WaitForProgress(std::size_t count)
    {
        return test::WaitFor(
            [&] {
                std::lock_guard lock(Events.Lock);
                return Events.ProgressTimes.size() >= count;
            },
            20s);
    }

    static int64_t FileSize(const std::string& file)
    {
        std::error_code error;
        const auto size = std::filesystem::file_size(file, error);
        return error ? -1 : static_cast<int64_t>(size);
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
        TCustomFFmpeg job(2, test::EngineServices());
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
    TCustomFFmpeg job(2, test::EngineServices());
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

TEST_F(JobRunTest, StopDuringARunEndsItOnceAndLeavesAPlayableFile)
{
    const std::string output = Out + "/stopped.avi";
    auto job = MakeRealTimeJob(output);
    TConvertThread* thread = job->StartConvert(true);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(job->Converting());
    thread->Resume();
    ASSERT_TRUE(WaitForProgress(2));
    job->Stop(true);
    EXPECT_TRUE(job->Terminated());
    EXPECT_FALSE(job->Converting());
    EXPECT_FALSE(job->Finished());
    EXPECT_FALSE(job->FatalException()) << job->FatalMessage();
    job->Stop(true);  // again: nothing more happens
    job.reset();
    EXPECT_EQ(Events.Terminates, 1);
    const test::TProbedFile probed = test::Probe(output);
    EXPECT_EQ(probed.Stream("video")["codec_name"], "mpeg4");
    EXPECT_GT(probed.Duration, 0.1);
    EXPECT_LT(probed.Duration, 3.5);
}

TEST_F(JobRunTest, AStopThatWaitsOnTheMainThreadKeepsServingTheWorkersHandOffs)
{
    // The worker hands each progress report and its end to the main thread
    // and waits for it, as the encoder component does; the main thread's
    // Stop(true) must not leave it waiting.
    TMainThreadDispatcher& dispatcher = TMainThreadDispatcher::Instance();
    dispatcher.AttachMainThread();
    auto job = MakeRealTimeJob(Out + "/handoff.avi");
    std::atomic<int> served{0};
    job->OnProgress = [&](TCustomFFmpeg*, int, int, int, float, float, int64_t, int64_t, int64_t) {
        dispatcher.Invoke([&] { ++served; });
    };
    job->OnTerminate = [&](TCustomFFmpeg*) {
        dispatcher.Invoke([&] { ++served; });
        ++Events.Terminates;
    };
    job->StartConvert(true)->Resume();
    dispatcher.WaitUntil([&] { return served >= 1; });
    const int before = served;
    job->Stop(true);
    EXPECT_TRUE(job->Terminated());
    EXPECT_GT(served, before);  // the end's hand-off ran during the wait
    EXPECT_EQ(Events.Terminates, 1);
    dispatcher.DetachMainThread();
}

TEST_F(JobRunTest, AStopFromAnotherThreadEndsARunInPlace)
{
    const std::string output = Out + "/inplace.avi";
    auto job = MakeRealTimeJob(output);
    std::thread runner([&] { EXPECT_EQ(job->StartConvert(false), nullptr); });
    ASSERT_TRUE(WaitForProgress(2));
    job->Stop(false);
    runner.join();
    EXPECT_TRUE(job->Terminated());
    EXPECT_FALSE(job->Finished());
    EXPECT_FALSE(job->FatalException()) << job->FatalMessage();
    EXPECT_GT(test::Probe(output).Duration, 0.1);
}

TEST_F(JobRunTest, AJobStoppedBeforeItsWorkerRanLeavesNoEmptyFile)
{
    const std::string output = Out + "/never.avi";
    auto job = MakeRealTimeJob(output);
    ASSERT_NE(job->StartConvert(true), nullptr);  // created suspended
    EXPECT_EQ(FileSize(output + ".part"), 0);
    EXPECT_EQ(FileSize(output), -1);
    job->Stop(true);
    EXPECT_EQ(Events.Terminates, 1);
    EXPECT_FALSE(job->Finished());
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_FALSE(std::filesystem::exists(output + ".part"));
}

TEST_F(JobRunTest, PauseHoldsTheOutputStillAndResumeFinishesIt)
{
    const std::string output = Out + "/paused.avi";
    auto job = MakeRealTimeJob(output);
    job->StartConvert(true)->Resume();
    ASSERT_TRUE(WaitForProgress(2));
    job->Pause();
    EXPECT_TRUE(job->Paused());
    ASSERT_TRUE(test::WaitFor([&] { return job->WorkerParked(); }, 20s));
    const int64_t size = FileSize(output + ".part");  // written under it while the run lasts
    EXPECT_GT(size, 0);
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(FileSize(output + ".part"), size);
    EXPECT_TRUE(job->Converting());
    job->Resume();
    EXPECT_FALSE(job->Paused());
    ASSERT_TRUE(test::WaitFor([&] { return job->Terminated(); }, 20s));
    EXPECT_TRUE(job->Finished()) << job->FatalMessage();
    EXPECT_GT(FileSize(output), size);
    EXPECT_NEAR(test::Probe(output).Duration, 4.0, 0.1);
}

TEST_F(JobRunTest, StopOnAPausedJobReturnsOnceTheWorkerHasEnded)
{
    auto job = MakeRealTimeJob(Out + "/paused.avi");
    job->StartConvert(true)->Resume();
    ASSERT_TRUE(WaitForProgress(2));
    job->Pause();
    ASSERT_TRUE(test::WaitFor([&] { return job->WorkerParked(); }, 20s));
    job->Stop(true);
    EXPECT_TRUE(job->Terminated());
    EXPECT_FALSE(job->Finished());
    EXPECT_EQ(Events.Terminates, 1);
}

TEST_F(JobRunTest, AJobThatNeverStartedIsTerminatedOnAThreadOfItsOwn)
{
    auto job = MakeJob(MpegClip, Out + "/out.mpg");
    std::thread::id notifiedOn;
    job->OnTerminate = [&](TCustomFFmpeg*) {
        notifiedOn = std::this_thread::get_id();
        ++Events.Terminates;
    };
    job->StopOrTerminate(true);
    EXPECT_TRUE(job->Terminated());
    EXPECT_NE(notifiedOn, std::this_thread::get_id());
    job->StopOrTerminate(true);
    EXPECT_EQ(job->StartConvert(false), nullptr);
    EXPECT_EQ(Events.Terminates, 1);
}

TEST_F(JobRunTest, ProgressComesAtMostTwiceASecondAndOnceAtTheEnd)
{
    auto job = MakeRealTimeJob(Out + "/progress.avi");
    const int64_t total = job->InputSetup(0).Duration;
    job->StartConvert(false);
    ASSERT_TRUE(job->Finished()) << job->FatalMessage();
    std::lock_guard lock(Events.Lock);
    ASSERT_GE(Events.ProgressTimes.size(), 5u);  // four seconds at the input's pace
    EXPECT_LE(Events.ProgressTimes.size(), 9u);
    for (std::size_t i = 1; i + 1 < Events.ProgressTimes.size(); ++i)
        EXPECT_GE(Events.ProgressTimes[i] - Events.ProgressTimes[i - 1], 500000);
    EXPECT_NEAR(Events.CurrentDurations.back() / 1e6, 4.0, 0.1);
    EXPECT_EQ(Events.TotalDurations.back(), total);
    EXPECT_NEAR(total / 1e6, 4.0, 0.1);
}

TEST_F(JobRunTest, AReadThatStallsDuringTheRunTimesOutOrIsStopped)
{
    // The source blocks once the run has started and reached the clip's
    // middle (opening reads its end too, for the length).
    struct TStall {
        std::mutex Lock;
        std::condition_variable Changed;
        bool Armed = false, Blocked = false, Released = false, Destroyed = false;
    };
    class TStallingStream : public ISourceStream {
    public:
        TStallingStream(std::string bytes, std::shared_ptr<TStall> stall) : FBytes(std::move(bytes)), FStall(stall) {}
        ~TStallingStream() override
        {
            std::lock_guard lock(FStall->Lock);
            FStall->Destroyed = true;
            FStall->Changed.notify_all();
        }
        int Read(uint8_t* buffer, int size) override
        {
            std::unique_lock lock(FStall->Lock);
            if (FStall->Armed && FPosition >= static_cast<int64_t>(FBytes.size() / 2)) {
                FStall->Blocked = true;
                FStall->Changed.notify_all();
                FStall->Changed.wait(lock, [&] { return FStall->Released; });
            }
            const int n = static_cast<int>(std::min<int64_t>(size, Size() - FPosition));
            std::copy_n(FBytes.data() + FPosition, n, buffer);
            FPosition += n;
            return n;
        }
        int64_t Seek(int64_t offset, int whence) override
        {
            const int64_t base = whence == SEEK_CUR ? FPosition : whence == SEEK_END ? Size() : 0;
            return base + offset < 0 || base + offset > Size() ? AVERROR(EINVAL) : FPosition = base + offset;
        }
        int64_t Size() override { return static_cast<int64_t>(FBytes.size()); }

    private:
        std::string FBytes;
        std::shared_ptr<TStall> FStall;
        int64_t FPosition = 0;
    };
    for (const bool timeout : {true, false}) {
        SCOPED_TRACE(timeout ? "timeout" : "stop");
        auto stall = std::make_shared<TStall>();
        const std::string bytes = test::ReadAll(LongClip);
        TMediaEngine::SourceProtocols().Register("stall", [=](const std::string&) {
            TSourceOpenResult result;
            result.Stream = std::make_unique<TStallingStream>(bytes, stall);
            result.Hints.ForceFormat = "mpeg";
            return result;
        });
        auto job = MakeJob("stall:clip", Out + (timeout ? "/timeout.avi" : "/stop.avi"), {{"vcodec", "mpeg4"}});
        job->SetReadTimeout(timeout ? 300 : 0);
        {
            std::lock_guard lock(stall->Lock);
            stall->Armed = true;
        }
        job->StartConvert(true)->Resume();
        {
            std::unique_lock lock(stall->Lock);
            ASSERT_TRUE(stall->Changed.wait_for(lock, 10s, [&] { return stall->Blocked; }));
        }
        const auto start = std::chrono::steady_clock::now();
        if (!timeout)
            job->Stop(true);
        ASSERT_TRUE(test::WaitFor([&] { return job->Terminated(); }, 5s));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
        EXPECT_FALSE(job->Finished());
        if (timeout) {
            EXPECT_EQ(job->FatalMessage(), "stall:clip: reading timeout");
            EXPECT_TRUE(Log.Has("reading timeout", llInfo));
        } else {
            EXPECT_FALSE(job->FatalException()) << job->FatalMessage();
        }
        {
            std::unique_lock lock(stall->Lock);
            stall->Released = true;
            stall->Changed.notify_all();
            EXPECT_TRUE(stall->Changed.wait_for(lock, 5s, [&] { return stall->Destroyed; }));
        }
    }
    EXPECT_EQ(Events.Terminates, 2);
}

TEST_F(JobRunTest, RunErrorsEndTheRunWithTheirText)
{
    struct TCase {
        std::vector<std::pair<std::string, std::string>> Options;  // before the output
        std::string Output;
        std::string Message;
    };
    const TCase cases[] = {
        {{{"map", "0:0"}}, "out.mpg", "Number of stream maps must match number of output streams"},
        {{{"map", "0:0"}, {"map", "0:5"}}, "out.mpg", "Could not find input stream #0.5"},
        {{{"map", "0:1"}, {"map", "0:1"}}, "out.mpg", "Codec type mismatch for mapping #0.1 (audio) -> #0.0 (video)"},
        {{{"acodec", "copy"}, {"vol", "512"}}, "out.mpg", "-acodec copy and -vol are incompatible (frames are not decoded)"},
        {{{"vf", "nosuchfilter"}}, "out.mpg", "Error opening filters: "},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Message);
        auto job = MakeJob(MpegClip, Out + "/" + c.Output, c.Options);
        job->StartConvert(false);
        EXPECT_TRUE(job->FatalException());
        EXPECT_EQ(job->FatalMessage().substr(0, c.Message.size()), c.Message);
        EXPECT_FALSE(job->Finished());
        EXPECT_FALSE(std::filesystem::exists(Out + "/" + c.Output));  // nothing was written
    }
    EXPECT_EQ(Events.Terminates, static_cast<int>(std::size(cases)));
}

TEST_F(JobRunTest, StreamCopyKeepsTheCodecsAndTheLength)
{
    // A program stream leaves the times of some pictures out; Matroska
    // wants them all, so the demuxer is asked to make them up.
    const std::string output = Out + "/copy.mkv";
    auto job = std::make_unique<TCustomFFmpeg>(2, test::EngineServices());
    Events.Attach(*job);
    job->SetExtOption("fflags", "+genpts");
    ASSERT_TRUE(job->OpenInput(LongClip));
    job->SetExtOption("vcodec", "copy");
    job->SetExtOption("acodec", "copy");
    ASSERT_EQ(job->OpenOutput(output), 0) << job->LastErrMsg();
    job->StartConvert(false);
    ASSERT_TRUE(job->Finished()) << job->FatalMessage();
    const test::TProbedFile probed = test::Probe(output);
    EXPECT_EQ(probed.Stream("video")["codec_name"], "mpeg2video");
    EXPECT_EQ(probed.Stream("audio")["codec_name"], "mp2");
    EXPECT_NEAR(probed.Duration, 4.0, 0.1);
}

TEST_F(JobRunTest, TheRecordingTimeAndTheSizeLimitEndTheOutputEarly)
{
    const std::string timed = Out + "/timed.mp4";
    auto job = MakeJob(LongClip, timed, {{"t", "1.5"}, {"vcodec", "mpeg4"}, {"acodec", "aac"}});
    job->StartConvert(false);
    ASSERT_TRUE(job->Finished()) << job->FatalMessage();
    EXPECT_NEAR(test::Number(test::Probe(timed).Stream("video"), "duration"), 1.5, 0.041);
    EXPECT_NEAR(test::Number(test::Probe(timed).Stream("audio"), "duration"), 1.5, 0.05);

    const std::string limited = Out + "/limited.mpg";
    job = MakeJob(LongClip, limited, {{"fs", "100000"}, {"vcodec", "mpeg2video"}, {"b", "4000000"}});
    job->StartConvert(false);
    ASSERT_TRUE(job->Finished()) << job->FatalMessage();
    EXPECT_GE(FileSize(limited), 100000);
    EXPECT_LT(test::Probe(limited).Duration, 3.0);
}

TEST_F(JobRunTest, FrameLimitsShortestAndAStartOnTheOutputCutTheRun)
{
    const std::string counted = Out + "/counted.avi";
    auto job = MakeJob(LongClip, counted, {{"vframes", "10"}, {"vcodec", "mpeg4"}});
    job->StartConvert(false);
    ASSERT_TRUE(job->Finished()) << job->FatalMessage();
    EXPECT_EQ(test::Packets(counted, "v:0").size(), 10u);

    // "ss" after the input: the output starts one second in.
    const std::string later = Out + "/later.mp4";
    job = MakeJob(LongClip, later, {{"ss", "1"}, {"vcodec", "mpeg4"}, {"acodec", "aac"}});
    job->StartConvert(false);
    ASSERT_TRUE(job->Finished()) << job->FatalMessage();
    EXPECT_NEAR(static_cast<double>(test::Packets(later, "v:0").size()), 75, 1);
    EXPECT_NEAR(test::DecodedAudioSeconds(later), 3.0, 0.05);

    // Pictures of four seconds and a tone of one: "shortest" ends with the tone.
    const std::string tone = Out + "/tone.mp2";
    ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "sine=duration=1", tone}));
    const std::string shortest = Out + "/shortest.avi";
    job = std::make_unique<TCustomFFmpeg>(2, test::EngineServices());
    ASSERT_TRUE(job->OpenInput(LongClip));
    ASSERT_TRUE(job->OpenInput(tone));
    job->SetExtOption("shortest", "1");
    job->SetExtOption("vcodec", "mpeg4");
    job->SetExtOption("map", "0:0");
    job->SetExtOption("map", "1:0");
    ASSERT_EQ(job->OpenOutput(shortest), 0) << job->LastErrMsg();
    job->StartConvert(false);
    ASSERT_TRUE(job->Finished()) << job->FatalMessage();
    EXPECT_LT(test::Probe(shortest).Duration, 1.6);
}

TEST_F(JobRunTest, AClockThatStartsOverIsAbsorbedIntoTheInputsOffset)
{
    // Two program streams one after the other: the second one's clock
    // starts again where the first one's did.
    const std::string twice = Out + "/twice.mpg";
    {
        std::ofstream out(twice, std::ios::binary);
        const std::string clip = test::ReadAll(MpegClip);
        out << clip << clip;
    }
    const std::string output = Out + "/joined.mp4";
    auto job = MakeJob(twice, output, {{"v", "3"}, {"vcodec", "mpeg4"}, {"acodec", "aac"}});
    job->StartConvert(false);
    ASSERT_TRUE(job->Finished()) << job->FatalMessage();
    EXPECT_GE(Log.CountPrefix("timestamp discontinuity -"), 1);
    EXPECT_NEAR(test::Number(test::Probe(output).Stream("video"), "duration"), 2.0, 0.1);
}

TEST_F(JobRunTest, AStreamThatTurnsUpWhileReadingIsLeftAlone)
{
    // Probing only the first bytes finds the video only; the audio, which
    // plays for a while in the middle only, then sends packets for a stream
    // the run has not seen.
    const std::string late = Out + "/late.mpg";
    ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=8", "-itsoffset", "1",
                                "-f", "lavfi", "-i", "sine=duration=0.5", "-c:v", "mpeg2video", "-q:v", "2", "-c:a",
                                "mp2", "-f", "mpeg", late}));
    auto job = std::make_unique<TCustomFFmpeg>(2, test::EngineServices());
    job->SetExtOption("probesize", "32");
    job->SetExtOption("analyzeduration", "0");
    ASSERT_TRUE(job->OpenInput(late)) << job->LastErrMsg();
    const unsigned probed = job->InputFile(0)->nb_streams;
    job->SetExtOption("vcodec", "mpeg4");
    ASSERT_EQ(job->OpenOutput(Out + "/late.avi"), 0) << job->LastErrMsg();
    job->StartConvert(false);
    EXPECT_TRUE(job->Finished()) << job->FatalMessage();
    EXPECT_EQ(test::Probe(Out + "/late.avi").Count("video"), 1);
    EXPECT_EQ(probed, 1u);
}

TEST_F(JobRunTest, ACorruptInputFinishesOrFailsWithTheDecodingError)
{
    std::string bytes = test::ReadAll(LongClip);
    std::fill(bytes.begin() + bytes.size() * 2 / 5, bytes.begin() + bytes.size() * 3 / 5, '\0');
    const std::string corrupt = Out + "/corrupt.mpg";
    std::ofstream(corrupt, std::ios::binary) << bytes;
    for (const bool exitOnError : {false, true}) {
        SCOPED_TRACE(exitOnError ? "xerror" : "errors logged");
        const std::string output = Out + (exitOnError ? "/xerror.avi" : "/logged.avi");
        auto job = MakeJob(corrupt, output,
                           {{"xerror", exitOnError ? "1" : "0"}, {"vcodec", "mpeg4"}, {"acodec", "libmp3lame"}});
        job->StartConvert(true)->Resume();
        ASSERT_TRUE(test::WaitFor([&] { return job->Terminated(); }, 60s)) << "the run hangs";
        if (!exitOnError || job->Finished()) {
            EXPECT_TRUE(job->Finished()) << job->FatalMessage();
            EXPECT_LT(test::Probe(output).Duration, 4.1);
        } else {
            EXPECT_EQ(job->FatalMessage().substr(0, 28), "Error while decoding stream ");
        }
    }
}

}  // namespace
