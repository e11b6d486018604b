// The decoder over inputs made by ffmpeg at test time: the summary, the
// stream records and their error texts, and the information text line by
// line (sizes, durations, rates, programs, chapters, metadata).
#include "engine/EngineError.h"
#include "engine/MediaEngine.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"
#include "engine/loader/TOpenedInput.h"
#include "engine/log/TFFLogger.h"
#include "engine/probe/TFFDecoder.h"
#include "tests/engine/EncoderJobSupport.h"
#include "tests/support/EngineServices.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

using namespace vidrelo;

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "the text must end with CR LF";
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class FFDecoderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string dir = test::MakeTempDir("decoder");
        Ts = dir + "/program.ts";
        ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=30000/1001:duration=1", "-f",
                                    "lavfi", "-i", "sine=duration=1", "-c:v", "mpeg2video", "-c:a", "mp2",
                                    "-metadata:s:a:0", "language=eng", "-metadata", "service_provider=Vidrelo",
                                    "-metadata", "service_name=Probe", "-f", "mpegts", Ts}));
        // 44 header bytes and 980 samples of one byte: 1024 bytes exactly.
        Wav1024 = dir + "/1024.wav";
        ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "sine=sample_rate=8000:duration=1", "-af",
                                    "atrim=end_sample=980", "-c:a", "pcm_u8", "-fflags", "+bitexact", "-f", "wav",
                                    Wav1024}));
        Wav1025 = dir + "/1025.wav";
        std::filesystem::copy_file(Wav1024, Wav1025);
        std::ofstream(Wav1025, std::ios::app | std::ios::binary) << '\0';
        Mkv = dir + "/chapters.mkv";
        const std::string meta = dir + "/meta.txt";
        std::ofstream(meta) << ";FFMETADATA1\ntitle=Probe clip\n"
                               "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=Intro\n"
                               "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=2000\ntitle=Rest\n";
        ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=2", "-i", meta,
                                    "-map", "0", "-map_metadata", "1", "-map_chapters", "1", "-metadata",
                                    "creation_time=2020-01-02T03:04:05Z", "-c:v", "mpeg4", Mkv}));
    }

    void SetUp() override
    {
        ASSERT_TRUE(Decoder.LoadAVLib("")) << Decoder.LastErrMsg();
    }
    void TearDown() override
    {
        Decoder.SetFileHandle(nullptr);
    }

    // Opens `path` and attaches it to the decoder.
    void Attach(const std::string& path)
    {
        ASSERT_EQ(Opened.Open(path), "") << path;
        Decoder.SetFileHandle(Opened.Context());
    }

    static inline std::string Ts, Wav1024, Wav1025, Mkv;
    TMediaEngineScope Engine;
    TFFDecoder Decoder{test::EngineServices().Loader};
    TOpenedInput Opened;
};

TEST_F(FFDecoderTest, NothingAttachedGivesEmptyAnswersAndSaysWhy)
{
    EXPECT_EQ(Decoder.GetFileInfoText(), "");
    EXPECT_EQ(Decoder.LastErrMsg(), "file not loaded.");
    EXPECT_EQ(Decoder.StreamCount(), -1);
    EXPECT_EQ(Decoder.FileSize(), -1);
    EXPECT_EQ(Decoder.FirstVideoStreamIndex(), -1);
    EXPECT_EQ(Decoder.FileName(), "");

    TFileStreamInfo file;
    file.Title = "stale";
    Decoder.GetFileStreamInfo(file);
    EXPECT_EQ(file.Duration, -1);
    EXPECT_EQ(file.Title, "");
    TVideoStreamInfo video;
    EXPECT_FALSE(Decoder.GetFirstVideoStreamInfo(video));
    EXPECT_EQ(video.Width, -1);
    EXPECT_FALSE(Decoder.IsVideoStream(0));
    EXPECT_EQ(Decoder.LastErrMsg(), "file not loaded.");
}

TEST_F(FFDecoderTest, ProblemsGoToTheEngineLogWithTheDecoderAsSender)
{
    std::vector<std::pair<TLogLevel, std::string>> logged;
    FFLogger().SetTriggerEventInMainThread(false);
    FFLogger().SetOnLog([&](void* sender, uint32_t, TLogLevel level, const std::string& msg) {
        EXPECT_EQ(sender, &Decoder);
        logged.emplace_back(level, msg);
    });
    Decoder.GetFileInfoText();
    Attach(Ts);
    TSubtitleStreamInfo subtitle;
    Decoder.GetFirstSubtitleStreamInfo(subtitle);
    FFLogger().SetOnLog(nullptr);
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0], std::make_pair(llWarning, std::string("file not loaded.")));
    EXPECT_EQ(logged[1], std::make_pair(llError, std::string("no subtitle stream.")));
}

TEST_F(FFDecoderTest, SummaryCountsStreamsByKind)
{
    Attach(Ts);
    EXPECT_EQ(Decoder.StreamCount(), 2);
    EXPECT_EQ(Decoder.ProgramCount(), 1);
    EXPECT_EQ(Decoder.VideoStreamCount(), 1);
    EXPECT_EQ(Decoder.AudioStreamCount(), 1);
    EXPECT_EQ(Decoder.SubtitleStreamCount(), 0);
    EXPECT_EQ(Decoder.FirstVideoStreamIndex(), 0);
    EXPECT_EQ(Decoder.FirstAudioStreamIndex(), 1);
    EXPECT_EQ(Decoder.FirstSubtitleStreamIndex(), -1);
    EXPECT_EQ(Decoder.FileSize(), static_cast<int64_t>(std::filesystem::file_size(Ts)));
    EXPECT_EQ(Decoder.FormatName(), "mpegts");
    // Seeks are measured on the video stream, from its first picture.
    EXPECT_EQ(Decoder.SeekStreamIndex(), 0);
    EXPECT_EQ(Decoder.SeekStartTime(),
              ff::av_rescale_q(Opened.Context()->streams[0]->start_time, Opened.Context()->streams[0]->time_base,
                               AV_TIME_BASE_Q));

    Decoder.SetFileHandle(nullptr);
    EXPECT_EQ(Decoder.StreamCount(), -1);
    EXPECT_EQ(Decoder.AudioStreamCount(), -1);
    EXPECT_EQ(Decoder.SeekStreamIndex(), -1);
}

TEST_F(FFDecoderTest, StreamRecordsAndTheirErrorTexts)
{
    Attach(Ts);
    TVideoStreamInfo video;
    ASSERT_TRUE(Decoder.GetFirstVideoStreamInfo(video));
    EXPECT_EQ(video.CodecName, "mpeg2video(MPEG-2 video)");
    EXPECT_EQ(video.Width, 320);
    EXPECT_EQ(video.Height, 240);
    EXPECT_FLOAT_EQ(video.AspectRatio, 4.0f / 3);
    EXPECT_EQ(video.FrameRate.num * 1001, video.FrameRate.den * 30000);
    EXPECT_EQ(video.PixFmt, AV_PIX_FMT_YUV420P);
    EXPECT_NEAR(video.DurationScaled, 1001000, 1);

    TAudioStreamInfo audio;
    ASSERT_TRUE(Decoder.GetAudioStreamInfo(1, audio));
    EXPECT_EQ(audio.Language, "eng");
    EXPECT_EQ(audio.Channels, 1);
    EXPECT_EQ(audio.SampleRate, 44100);
    EXPECT_EQ(audio.StartTimeScaled, ff::av_rescale_q(audio.StartTime, AVRational{1, 90000}, AV_TIME_BASE_Q));

    EXPECT_FALSE(Decoder.GetAudioStreamInfo(0, audio));
    EXPECT_EQ(Decoder.LastErrMsg(), "stream #0 is not audio stream.");
    EXPECT_EQ(audio.SampleRate, -1);
    EXPECT_FALSE(Decoder.GetVideoStreamInfo(2, video));
    EXPECT_EQ(Decoder.LastErrMsg(), "stream index #2 is invalid.");
    EXPECT_FALSE(Decoder.GetVideoStreamInfo(-7, video));
    EXPECT_EQ(Decoder.LastErrMsg(), "stream index #-7 is invalid.");
    TSubtitleStreamInfo subtitle;
    EXPECT_FALSE(Decoder.GetFirstSubtitleStreamInfo(subtitle));
    EXPECT_EQ(Decoder.LastErrMsg(), "no subtitle stream.");
    EXPECT_FALSE(Decoder.GetSubtitleStreamInfo(1, subtitle));
    EXPECT_EQ(Decoder.LastErrMsg(), "stream #1 is not subtitle stream.");

    EXPECT_TRUE(Decoder.IsAudioStream(1));
    EXPECT_FALSE(Decoder.IsVideoStream(1));
    EXPECT_FALSE(Decoder.IsSubtitleStream(5));
    EXPECT_EQ(Decoder.LastErrMsg(), "stream index #5 is invalid.");
}

TEST_F(FFDecoderTest, ProgramStreamsArePrintedOnceUnderTheirProgram)
{
    Attach(Ts);
    const std::vector<std::string> lines = Lines(Decoder.GetFileInfoText());
    ASSERT_GE(lines.size(), 12u);
    EXPECT_EQ(lines[0], "File Name: " + Ts);
    EXPECT_EQ(lines[1], "Format Name: mpegts");
    EXPECT_EQ(lines[2], "Format Long Name: MPEG-TS (MPEG-2 Transport Stream)");
    const auto program = std::find(lines.begin(), lines.end(), "Program 1 Vidrelo@Probe");
    ASSERT_NE(program, lines.end());
    EXPECT_EQ(program[1], "  Metadata:");
    EXPECT_EQ(program[2], "    service_name    : Probe");
    EXPECT_EQ(program[3], "    service_provider: Vidrelo");
    EXPECT_EQ(program[4].rfind("Stream #0[0x100], 1/90000: Video: mpeg2video (Main)", 0), 0u) << program[4];
    EXPECT_NE(program[4].find(", 29.97 fps, 29.97 tbr, 90k tbn, StartTime: "), std::string::npos) << program[4];
    EXPECT_NE(program[4].find(", Duration: 00:00:01.001"), std::string::npos) << program[4];
    // A language and nothing else: it shows after the number, and no block follows.
    EXPECT_EQ(program[5].rfind("Stream #1[0x101](eng), 1/90000: Audio: mp2", 0), 0u) << program[5];
    EXPECT_EQ(program + 6, lines.end());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Stream #", 0) == 0; }),
              2);
}

TEST_F(FFDecoderTest, FileSizeLineAtTheByteToKilobyteStep)
{
    Attach(Wav1024);
    std::vector<std::string> lines = Lines(Decoder.GetFileInfoText());
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[3], "File Size: 1024 Byte");
    EXPECT_EQ(lines[4], "Duration: 00:00:00.122");
    EXPECT_EQ(lines[5], "Bit Rate: 66 kb/s");  // no start time: the demuxer does not know one

    // The duration line follows the context whatever it holds.
    Opened.Context()->duration = 5025500000LL;
    EXPECT_TRUE(Has(Lines(Decoder.GetFileInfoText()), "Duration: 01:23:45.500"));
    Opened.Context()->duration = AV_NOPTS_VALUE;
    EXPECT_TRUE(Has(Lines(Decoder.GetFileInfoText()), "Duration: N/A"));

    TearDown();
    Attach(Wav1025);
    lines = Lines(Decoder.GetFileInfoText());
    EXPECT_EQ(lines[3], "File Size: 1.00 KB");
}

TEST_F(FFDecoderTest, ChaptersMetadataAndTimeStamp)
{
    Attach(Mkv);
    TFileStreamInfo file;
    Decoder.GetFileStreamInfo(file);
    EXPECT_EQ(file.Title, "Probe clip");
    EXPECT_EQ(file.TimeStamp, 1577934245);
    EXPECT_EQ(file.Duration, 2000000);
    EXPECT_EQ(file.StartTime, 0);
    EXPECT_EQ(file.Year, 0);

    const std::vector<std::string> lines = Lines(Decoder.GetFileInfoText());
    const auto metadata = std::find(lines.begin(), lines.end(), "Metadata:");
    ASSERT_NE(metadata, lines.end());
    EXPECT_EQ(metadata[1], "  title           : Probe clip");
    EXPECT_EQ(metadata[-1].rfind("Time Stamp: 2020-01-0", 0), 0u) << metadata[-1];
    const auto chapter = std::find(lines.begin(), lines.end(), "Chapter #0: start 0.00, end 1.00");
    ASSERT_NE(chapter, lines.end());
    EXPECT_EQ(chapter[1], "  Metadata:");
    EXPECT_EQ(chapter[2], "    title           : Intro");
    EXPECT_EQ(chapter[3], "Chapter #1: start 1.00, end 2.00");
    const auto stream = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Stream #0, 1/1000: Video: mpeg4", 0) == 0; });
    ASSERT_NE(stream, lines.end());
    EXPECT_NE(stream->find(", 25 fps, 25 tbr, 1k tbn, StartTime: 0.000000, Duration: N/A"), std::string::npos)
        << *stream;
    EXPECT_EQ(stream[1], "  Metadata:");
}

TEST(FFDecoderLibraryTest, AttachingNeedsTheDecoderLibraries)
{
    TMediaEngineScope engine;
    TFFDecoder decoder(test::EngineServices().Loader);
    // Never looked at: the check comes first.
    alignas(AVFormatContext) unsigned char storage[sizeof(AVFormatContext)] = {};
    auto* context = reinterpret_cast<AVFormatContext*>(storage);
    try {
        decoder.SetFileHandle(context);
        FAIL() << "attached without libraries";
    } catch (const EEngineError& e) {
        EXPECT_STREQ(e.what(), "LibAVCodec not loaded.");
    }
    ASSERT_TRUE(TMediaEngine::Loader().Load(TLibraries{TLibrary::avUtil, TLibrary::swResample, TLibrary::avCodec}));
    EXPECT_THROW(
        {
            try {
                decoder.SetFileHandle(context);
            } catch (const EEngineError& e) {
                EXPECT_STREQ(e.what(), "LibAVFormat not loaded.");
                throw;
            }
        },
        EEngineError);
    EXPECT_EQ(decoder.FileHandle(), nullptr);
    decoder.SetFileHandle(nullptr);  // detaching needs nothing
    EXPECT_FALSE(decoder.AVLibLoaded());
    EXPECT_TRUE(decoder.LoadAVLib(""));
    EXPECT_TRUE(decoder.AVLibLoaded());
}

}  // namespace
