// Converting DVD titles of the generated test discs, read through the DVD
// plug-in: the output formats the program offers, the chosen audio and
// subtitle tracks, the picture chain, joined titles (with a subtitle burned
// in and stream maps) and a title made of two separately encoded VOBs.
#include "dvd/DVDPlugIn.h"
#include "editing/vf_eq.h"
#include "editing/vf_hue.h"
#include "tests/engine/run/JobRunSupport.h"
#include "tests/support/TestDiscs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace vidrelo;

namespace {

class JobDiscTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Libraries.Loaded);
        ASSERT_TRUE(LoadDVDPlugin(test::BinDir() + "/LibAV")) << DVDPluginLastError();
        RegisterNativeEq();
        RegisterNativeHue();
        Out = test::MakeTempDir("discout");
    }

    // The plug-in registers its source with the running engine, which each
    // test starts afresh.
    void TearDown() override { UnloadDVDPlugin(); }

    static std::string Source(int title, const std::string& extra, const std::string& disc = "discA")
    {
        return "opendvd:" + test::Disc(disc).path + "|Title=" + std::to_string(title) + extra;
    }

    using TOptions = std::vector<std::pair<std::string, std::string>>;

    // Converts `inputs` (joined when several) into `output` with `options`
    // set before the output and `inputOptions` before each input; the job
    // is kept for its events and results.
    ::testing::AssertionResult Convert(const std::vector<std::string>& inputs, const std::string& output,
                                       const TOptions& options, const TOptions& inputOptions = {})
    {
        Job = std::make_unique<TCustomFFmpeg>(4, test::EngineServices());
        Events.Attach(*Job);
        for (const std::string& input : inputs) {
            for (const auto& [name, value] : inputOptions)
                Job->SetExtOption(name, value);
            if (!Job->OpenInput(input))
                return ::testing::AssertionFailure() << input << ": " << Job->LastErrMsg();
        }
        for (const auto& [name, value] : options)
            Job->SetExtOption(name, value);
        if (Job->OpenOutput(output, inputs.size() > 1) != 0)
            return ::testing::AssertionFailure() << output << ": " << Job->LastErrMsg();
        TotalBeforeRun = Job->TotalOutputDuration();
        Job->StartConvert(false);
        if (!Job->Finished())
            return ::testing::AssertionFailure() << Job->FatalMessage();
        return ::testing::AssertionSuccess();
    }

    // The lower third of the pictures of `with` (a subtitle burned in) and
    // `without` differ exactly at the times marked shown.
    static void ExpectSubtitleShown(const std::string& with, const std::string& without, std::size_t pixels,
                                    const std::vector<std::pair<double, bool>>& times)
    {
        int width = 0, height = 0;
        for (const auto& [seconds, shown] : times) {
            SCOPED_TRACE(seconds);
            const std::string a = test::GreyPicture(with, seconds, width, height);
            const std::string b = test::GreyPicture(without, seconds, width, height);
            ASSERT_EQ(a.size(), pixels);
            ASSERT_EQ(b.size(), a.size());
            const double difference = test::MeanDifference(a, b, width, 0, height * 2 / 3, width, height);
            if (shown)
                EXPECT_GT(difference, 3.0);
            else
                EXPECT_LT(difference, 1.0);
        }
    }

    test::TEncoderLibraries Libraries;
    test::TLogCapture Log;
    test::TJobEvents Events;
    std::unique_ptr<TCustomFFmpeg> Job;
    int64_t TotalBeforeRun = 0;
    std::string Out;
};

constexpr double kNtscFrame = 1001.0 / 30000;

TEST_F(JobDiscTest, EachOutputFormatHasItsCodecsSizeAndTheTitlesLength)
{
    struct TCase {
        std::string File;
        TOptions Options;
        std::string Video, Audio;
    };
    const TCase cases[] = {
        {"title.mp4", {{"vcodec", "libx264"}, {"preset", "ultrafast"}, {"acodec", "aac"}}, "h264", "aac"},
        {"title.mkv", {{"vcodec", "libx264"}, {"preset", "ultrafast"}, {"acodec", "ac3"}}, "h264", "ac3"},
        {"title.avi", {{"vcodec", "mpeg4"}, {"acodec", "libmp3lame"}}, "mpeg4", "mp3"},
        {"title.webm",
         {{"vcodec", "libvpx-vp9"}, {"deadline", "realtime"}, {"cpu-used", "8"}, {"acodec", "libopus"}},
         "vp9",
         "opus"},
        {"title.mpg", {{"f", "vob"}, {"vcodec", "mpeg2video"}, {"acodec", "mp2"}}, "mpeg2video", "mp2"},
        {"title.mp3", {{"vn", "1"}, {"acodec", "libmp3lame"}}, "", "mp3"},
    };
    const test::TestTitle& title = test::Disc("discA").Title(2);
    const double audioLength = test::SourceAudioSeconds(Source(2, ",AudioID=128"), Out);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const std::string output = Out + "/" + c.File;
        ASSERT_TRUE(Convert({Source(2, ",AudioID=128")}, output, c.Options));
        const test::TProbedFile probed = test::Probe(output);
        EXPECT_EQ(probed.Count("video"), c.Video.empty() ? 0 : 1);
        EXPECT_EQ(probed.Stream("audio")["codec_name"], c.Audio);
        EXPECT_NEAR(test::DecodedAudioSeconds(output), audioLength, 0.05);
        if (c.Video.empty())
            continue;
        EXPECT_EQ(probed.Stream("video")["codec_name"], c.Video);
        EXPECT_EQ(probed.Stream("video")["width"], "720");
        EXPECT_EQ(probed.Stream("video")["height"], "480");
        const std::vector<test::TPacketTimes> video = test::Packets(output, "v:0");
        EXPECT_NEAR(static_cast<double>(video.size()), title.frames, 1.0);
        EXPECT_NEAR(test::FirstTime(video), test::FirstTime(test::Packets(output, "a:0")), 0.05);
    }
}

TEST_F(JobDiscTest, TheChosenAudioTrackIsTheOneInTheOutput)
{
    const test::TestTitle& title = test::Disc("discA").Title(1);
    for (const test::TestAudioTrack& track : title.audio) {
        SCOPED_TRACE(track.language);
        const std::string output = Out + "/" + track.language + ".mp3";
        ASSERT_TRUE(Convert({Source(1, ",AudioID=" + std::to_string(track.streamId))}, output,
                            {{"vn", "1"}, {"acodec", "libmp3lame"}}));
        EXPECT_NEAR(test::ToneHz(output), track.toneHz, track.toneHz * 0.02);
    }
}

TEST_F(JobDiscTest, TheTitlesChaptersGoToTheOutputNamedTrimmedAndJoined)
{
    // Title 1: two chapters of 5.005 s. Title 3: three of 3.003 s.
    ASSERT_EQ(test::Disc("discA").Title(1).chapterLengths, (std::vector<double>{5.005, 5.005}));
    ASSERT_EQ(test::Disc("discA").Title(3).chapterLengths, (std::vector<double>{3.003, 3.003, 3.003}));
    // A clip whose first chapter has a name of its own.
    const std::string named = Out + "/named.mkv";
    const std::string metadata = Out + "/chapters.txt";
    std::ofstream(metadata) << ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=Intro\n"
                               "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=2000\n";
    ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=30000/1001:duration=2", "-i", metadata,
                                "-map", "0", "-map_chapters", "1", "-c:v", "mpeg4", named}));
    const TOptions video = {{"s", "360x240"}, {"vcodec", "mpeg4"}};
    const auto with = [&](TOptions options, const TOptions& more) {
        options.insert(options.end(), more.begin(), more.end());
        return options;
    };
    struct TCase {
        std::string File;
        std::vector<std::string> Inputs;
        TOptions Options, InputOptions;
        std::vector<std::string> Titles;  // empty: no chapters at all
        std::vector<double> Starts;
        double End;  // of the last chapter
    };
    const std::vector<TCase> cases = {
        {"joined.mp4", {Source(1, ",AudioID=128"), Source(1, ",AudioID=128")}, with(video, {{"acodec", "aac"}}), {},
         {"Chapter 1", "Chapter 2", "Chapter 3", "Chapter 4"}, {0, 5.005, 10.01, 15.015}, 20.02},
        {"joined.mkv", {Source(1, ",AudioID=128"), Source(1, ",AudioID=128")}, with(video, {{"acodec", "ac3"}}), {},
         {"Chapter 1", "Chapter 2", "Chapter 3", "Chapter 4"}, {0, 5.005, 10.01, 15.015}, 20.02},
        {"title.mov", {Source(3, "")}, video, {}, {"Chapter 1", "Chapter 2", "Chapter 3"}, {0, 3.003, 6.006}, 9.009},
        // Trimmed at the end by the recording time, at the start by the
        // input's start: what is left moves to the front and is renumbered.
        {"ends.mka", {Source(3, ",AudioID=128")}, {{"t", "7"}, {"vn", "1"}, {"acodec", "copy"}}, {},
         {"Chapter 1", "Chapter 2", "Chapter 3"}, {0, 3.003, 6.006}, 7.0},
        {"starts.mkv", {Source(3, "")}, video, {{"ss", "4"}}, {"Chapter 1", "Chapter 2"}, {0, 2.006}, 5.009},
        // Only unnamed chapters get a name; a title between two files
        // follows on.
        {"mixed.mp4", {named, Source(3, ""), named}, video, {},
         {"Intro", "Chapter 2", "Chapter 3", "Chapter 4", "Chapter 5", "Intro", "Chapter 7"},
         {0, 1, 2, 5.003, 8.006, 11.009, 12.009}, 13.009},
        {"title.avi", {Source(3, ",AudioID=128")}, with(video, {{"acodec", "libmp3lame"}}), {}, {}, {}, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const std::string output = Out + "/" + c.File;
        ASSERT_TRUE(Convert(c.Inputs, output, c.Options, c.InputOptions));
        const test::TProbeReport probed = test::ProbeReport({"-show_chapters", output});
        EXPECT_EQ(probed.Errors, "");
        const std::vector<test::TProbeBlock>& chapters = probed.Blocks;
        ASSERT_EQ(chapters.size(), c.Titles.size());
        for (std::size_t i = 0; i < chapters.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(test::Text(chapters[i], "TAG:title"), c.Titles[i]);
            EXPECT_NEAR(test::Number(chapters[i], "start_time"), c.Starts[i], 0.05);
            if (i > 0) {
                EXPECT_NEAR(test::Number(chapters[i - 1], "end_time"), c.Starts[i], 0.05);
            }
        }
        if (!chapters.empty()) {
            EXPECT_NEAR(test::Number(chapters.back(), "end_time"), c.End, 0.05);
            EXPECT_NEAR(test::Probe(output).Duration, c.End, 0.1);
        }
    }
}

TEST_F(JobDiscTest, TheFilterChainShapesThePicture)
{
    const std::string padded = Out + "/padded.mp4";
    ASSERT_TRUE(Convert({Source(2, "")}, padded,
                        {{"vf", "pad=720:540:0:30:black,scale=640:480"}, {"vcodec", "mpeg4"}, {"an", "1"}}));
    int width = 0, height = 0;
    std::string picture = test::GreyPicture(padded, 1.0, width, height);
    ASSERT_EQ(width, 640);
    ASSERT_EQ(height, 480);
    ASSERT_EQ(picture.size(), 640u * 480u);
    // 30 of 540 rows above and below: 26 of 480 after the scale.
    EXPECT_LT(test::MeanGrey(picture, width, 0, 0, 640, 22), 20);
    EXPECT_LT(test::MeanGrey(picture, width, 0, 458, 640, 480), 20);
    EXPECT_GT(test::MeanGrey(picture, width, 0, 40, 640, 440), 40);

    const std::string bright = Out + "/bright.mp4";
    ASSERT_TRUE(Convert({Source(2, "")}, bright, {{"vf", "nativeeq=100:0"}, {"vcodec", "mpeg4"}, {"an", "1"}}));
    picture = test::GreyPicture(bright, 1.0, width, height);
    ASSERT_EQ(picture.size(), 720u * 480u);
    EXPECT_GT(test::MeanGrey(picture, width, 0, 0, width, height), 240);
}

TEST_F(JobDiscTest, TheChosenSubtitleShowsInThePictureWhileItIsOn)
{
    // The same five seconds with and without the subtitle track: the
    // first line is on from 1.0 s to 3.0 s.
    const TOptions options = {{"t", "4.5"}, {"vcodec", "mpeg4"}, {"qscale", "2"}, {"an", "1"}};
    const std::string with = Out + "/with.avi";
    const std::string without = Out + "/without.avi";
    ASSERT_TRUE(Convert({Source(1, ",SubtitleID=32")}, with, options));
    ASSERT_TRUE(Convert({Source(1, "")}, without, options));
    ExpectSubtitleShown(with, without, 720u * 480u, {{2.0, true}, {4.0, false}});
}

TEST_F(JobDiscTest, JoinedTitlesRunOnWithoutAGapAndTheirLengthsAddUp)
{
    const test::TestDisc& disc = test::Disc("discA");
    const std::vector<int> titles = {2, 3, 2};
    std::vector<std::string> inputs;
    double length = 0;
    int frames = 0;
    for (const int t : titles) {
        inputs.push_back(Source(t, ",AudioID=128"));
        length += disc.Title(t).length;
        frames += disc.Title(t).frames;
    }
    // The run's total is what the inputs say their lengths are.
    auto lengths = std::make_unique<TCustomFFmpeg>(4, test::EngineServices());
    int64_t total = 0;
    for (const std::string& input : inputs) {
        ASSERT_TRUE(lengths->OpenInput(input));
        total += lengths->InputSetup(lengths->nb_input_files() - 1).Duration;
    }
    EXPECT_NEAR(total / 1e6, length, 0.1);
    // B-frames keep pictures in the encoder across the joins.
    const std::string output = Out + "/joined.mp4";
    ASSERT_TRUE(Convert(inputs, output, {{"vcodec", "libx264"}, {"preset", "superfast"}, {"acodec", "aac"}}));
    EXPECT_EQ(TotalBeforeRun, total);
    {
        std::lock_guard lock(Events.Lock);
        ASSERT_FALSE(Events.TotalDurations.empty());
        EXPECT_EQ(Events.TotalDurations.back(), TotalBeforeRun);
    }
    const std::vector<test::TPacketTimes> video = test::Packets(output, "v:0");
    EXPECT_NEAR(static_cast<double>(video.size()), frames, 2.0);
    std::vector<double> shown;
    for (std::size_t i = 0; i < video.size(); ++i) {
        if (i > 0) {
            ASSERT_GT(video[i].Dts, video[i - 1].Dts) << "packet " << i;
        }
        shown.push_back(video[i].Pts);
    }
    std::sort(shown.begin(), shown.end());
    for (std::size_t i = 1; i < shown.size(); ++i) {
        ASSERT_GT(shown[i], shown[i - 1]) << "picture " << i;
        ASSERT_LT(shown[i] - shown[i - 1], 1.5 * kNtscFrame) << "picture " << i;
    }
    const std::vector<test::TPacketTimes> audio = test::Packets(output, "a:0");
    for (std::size_t i = 1; i < audio.size(); ++i)
        ASSERT_GT(audio[i].Pts, audio[i - 1].Pts) << "audio packet " << i;
    // Each title's audio is padded with silence up to where the next
    // title's pictures start; the last one's ends where its source's does.
    const double lastShortfall = disc.Title(2).length - test::SourceAudioSeconds(inputs.back(), Out);
    EXPECT_NEAR(test::DecodedAudioSeconds(output), length - lastShortfall, 0.05);
}

TEST_F(JobDiscTest, AChosenSubtitleIsBurnedInOnBothSidesOfAJoinWithStreamMaps)
{
    // Title 1's second chapter, then its first: the subtitle's second line
    // is on from 0.5 s to 3.0 s of the first segment, its first line from
    // 1.0 s to 3.0 s of the second (5.005 s on).
    const auto inputs = [](const std::string& subtitle) {
        return std::vector<std::string>{Source(1, ",FromChapter=2,ToChapter=2,AudioID=129" + subtitle),
                                         Source(1, ",ToChapter=1,AudioID=128" + subtitle)};
    };
    // Each segment's maps name its own input's video and audio.
    TOptions options = {{"s", "360x240"}, {"vcodec", "mpeg4"}, {"qscale", "2"}, {"acodec", "ac3"}};
    auto probe = std::make_unique<TCustomFFmpeg>(4, test::EngineServices());
    for (const std::string& input : inputs(",SubtitleID=32")) {
        ASSERT_TRUE(probe->OpenInput(input)) << probe->LastErrMsg();
        const int file = probe->nb_input_files() - 1;
        for (const AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO})
            for (unsigned s = 0; s < probe->InputFile(file)->nb_streams; ++s)
                if (probe->InputFile(file)->streams[s]->codecpar->codec_type == type)
                    options.push_back({"map", std::to_string(file) + "." + std::to_string(s)});
    }
    ASSERT_EQ(options.size(), 8u);
    probe.reset();
    const std::string with = Out + "/joined-with.avi";
    const std::string without = Out + "/joined-without.avi";
    ASSERT_TRUE(Convert(inputs(",SubtitleID=32"), with, options));
    ASSERT_TRUE(Convert(inputs(""), without, options));
    ExpectSubtitleShown(with, without, 360u * 240u, {{1.75, true}, {4.0, false}, {7.0, true}, {9.0, false}});
    EXPECT_NEAR(test::Probe(with).Duration, 2 * 5.005, 0.1);
}

TEST_F(JobDiscTest, ATitleOfTwoVobsConvertsWithoutAGap)
{
    const test::TestTitle& title = test::Disc("discA").Title(4);
    ASSERT_TRUE(title.twoVobs);
    const std::string output = Out + "/twovobs.mp4";
    ASSERT_TRUE(Convert({Source(4, ",AudioID=128")}, output, {{"vcodec", "mpeg4"}, {"acodec", "aac"}}));
    const std::vector<test::TPacketTimes> video = test::Packets(output, "v:0");
    EXPECT_NEAR(static_cast<double>(video.size()), title.frames, 1.0);
    for (std::size_t i = 1; i < video.size(); ++i)
        ASSERT_LT(video[i].Pts - video[i - 1].Pts, 1.5 * kNtscFrame) << "picture " << i;
    EXPECT_NEAR(test::DecodedAudioSeconds(output), test::SourceAudioSeconds(Source(4, ",AudioID=128"), Out), 0.05);
}

TEST_F(JobDiscTest, ASurroundTrackAskedForTwoChannelsIsDownmixedAndDeinterlacingRuns)
{
    const test::TestTitle& title = test::Disc("discB").Title(1);
    ASSERT_EQ(title.audio.at(0).channels, 6);
    const std::string output = Out + "/stereo.mkv";
    const std::string source = Source(1, ",AudioID=128,AudioChannels=2,Deinterlace=-1", "discB");
    ASSERT_TRUE(Convert({source}, output, {{"ac", "2"}, {"vcodec", "mpeg4"}, {"acodec", "ac3"}}));
    const test::TProbedFile probed = test::Probe(output);
    EXPECT_EQ(probed.Stream("audio")["channels"], "2");
    EXPECT_EQ(probed.Stream("video")["width"], std::to_string(test::Disc("discB").width));
    EXPECT_NEAR(test::DecodedAudioSeconds(output), test::SourceAudioSeconds(source, Out), 0.05);
    EXPECT_NEAR(test::Probe(output).Duration, title.length, 0.1);
}

}  // namespace
