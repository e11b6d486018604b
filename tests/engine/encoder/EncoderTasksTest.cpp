// Building the encoder's tasks: input and output records, ExtOptions, the
// limits and the guards against changes while working.
#include "engine/EngineError.h"
#include "tests/engine/encoder/EncoderTestSupport.h"
#include "tests/engine/run/JobRunSupport.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/EngineServices.h"

#include <filesystem>
#include <fstream>

using namespace vidrelo;
using namespace vidrelo::test;
using namespace std::chrono_literals;

namespace {

using EncoderTasksTest = EncoderTest;

TEST_F(EncoderTasksTest, PropertiesStartFromTheirDefaultsAndAreClamped)
{
    TFFEncoder encoder(EngineServices());
    EXPECT_EQ(encoder.ProgressInterval(), 500);
    EXPECT_EQ(encoder.CustomMaxFiles(), 20);
    EXPECT_EQ(encoder.ReadTimeout, 10000);
    EXPECT_TRUE(encoder.TriggerEventInMainThread);
    EXPECT_TRUE(encoder.HaltOnInvalidOption);
    EXPECT_FALSE(encoder.Working());
    encoder.SetProgressInterval(50);
    EXPECT_EQ(encoder.ProgressInterval(), 100);
    encoder.SetCustomMaxFiles(1000);
    EXPECT_EQ(encoder.CustomMaxFiles(), 512);
    EXPECT_TRUE(encoder.AVLibLoaded());
}

TEST_F(EncoderTasksTest, AnInputRecordIsFilledInKeptAndApplied)
{
    TFFEncoder encoder(EngineServices());
    TInputOptions options;
    options.TimeStart = 500000;
    options.ExtOptions = "itsoffset=0<CRLF>vf=ignored";  // "vf" is not an input option
    options.Tag = 7;
    const int index = encoder.AddTask(ShortClip, &options);
    ASSERT_EQ(index, 0) << encoder.LastErrMsg();
    EXPECT_EQ(options.FileName, ShortClip);
    EXPECT_EQ(encoder.Task(0)->InputOptions(0).FileName, ShortClip);
    EXPECT_EQ(encoder.Task(0)->InputOptions(0).Tag, 7);
    ASSERT_NE(encoder.Task(0)->Decoder(0), nullptr);
    EXPECT_EQ(encoder.Task(0)->Decoder(0)->VideoStreamCount(), 1);
    EXPECT_EQ(encoder.GetTaskIndex(encoder.Task(0)), 0);
}

TEST_F(EncoderTasksTest, RefusedInputOptionsFailTheAddOnlyWhenHalting)
{
    for (const bool halt : {true, false}) {
        SCOPED_TRACE(halt ? "halt" : "ignore");
        TFFEncoder encoder(EngineServices());
        encoder.HaltOnInvalidOption = halt;
        TInputOptions options;
        options.ExtOptions = "itsoffset=0\n\nitsoffset=0";  // an empty line is an option without a name
        const int index = encoder.AddTask(ShortClip, &options);
        if (halt) {
            EXPECT_EQ(index, -1);
            EXPECT_EQ(encoder.LastErrMsg(), "Unrecognized option \"\"");
            EXPECT_EQ(encoder.TasksCount(), 0);
        } else {
            EXPECT_EQ(index, 0) << encoder.LastErrMsg();
        }
    }
}

TEST_F(EncoderTasksTest, FailedAddsSayWhyAndKeepWhatTheTaskHad)
{
    TFFEncoder encoder(EngineServices());
    EXPECT_EQ(encoder.AddTask(Out + "/missing.mpg"), -1);
    EXPECT_NE(encoder.LastErrMsg().find("missing.mpg"), std::string::npos) << encoder.LastErrMsg();
    EXPECT_EQ(encoder.TasksCount(), 0);

    ASSERT_EQ(encoder.AddTask(ShortClip, "TimeStart=200000\nitsoffset=0"), 0) << encoder.LastErrMsg();
    EXPECT_EQ(encoder.Task(0)->InputOptions(0).TimeStart, 200000);
    EXPECT_EQ(encoder.Task(0)->InputOptions(0).ExtOptions, "itsoffset=0");
    EXPECT_FALSE(encoder.AddInputFile(0, Out + "/missing.mpg"));
    EXPECT_EQ(encoder.Task(0)->nb_input_files(), 1);

    TOutputOptions bad;
    bad.VideoCodec = "nosuchcodec";
    EXPECT_FALSE(encoder.SetOutputFile(0, Out + "/bad.avi", &bad));
    EXPECT_NE(encoder.LastErrMsg().find("Unknown encoder 'nosuchcodec'"), std::string::npos) << encoder.LastErrMsg();
    EXPECT_EQ(encoder.Task(0)->nb_output_files(), 0);
    EXPECT_EQ(bad.FileName, Out + "/bad.avi");
}

TEST_F(EncoderTasksTest, AnOutputIsNeverOneOfTheInputsNorAnExistingFileUnlessReplacing)
{
    const std::string input = Out + "/input.mpg";
    std::filesystem::copy_file(ShortClip, input);
    std::filesystem::create_symlink(input, Out + "/soft.mpg");
    std::filesystem::create_hard_link(input, Out + "/hard.mpg");
    const std::string original = ReadAll(input);
    TFFEncoder encoder(EngineServices());
    ASSERT_EQ(encoder.AddTask(input), 0) << encoder.LastErrMsg();
    for (const std::string& name : {input, Out + "/soft.mpg", Out + "/hard.mpg", "file:" + input}) {
        for (const bool replace : {false, true}) {
            TOutputOptions options;
            options.Overwrite = replace;
            EXPECT_FALSE(encoder.SetOutputFile(0, name, &options)) << name;
            EXPECT_EQ(encoder.LastErrMsg(), "Cannot write to '" + name + "': it is one of the inputs");
        }
    }
    std::ofstream(Out + "/taken.avi") << "the user's";
    EXPECT_FALSE(encoder.SetOutputFile(0, Out + "/taken.avi", "vcodec=mpeg4\nacodec=mp2"));
    EXPECT_EQ(encoder.LastErrMsg(), "File '" + Out + "/taken.avi' already exists");
    EXPECT_EQ(encoder.Task(0)->nb_output_files(), 0);
    ASSERT_TRUE(encoder.SetOutputFile(0, Out + "/taken.avi", "vcodec=mpeg4\nacodec=mp2\nOverwrite=1")) << encoder.LastErrMsg();
    // The output, and what it is written under, cannot become an input.
    for (const std::string& name : {Out + "/taken.avi", Out + "/taken.avi.part"}) {
        EXPECT_FALSE(encoder.AddInputFile(0, name)) << name;
        EXPECT_EQ(encoder.LastErrMsg(), "Cannot read '" + name + "': it is one of the outputs");
    }
    EXPECT_EQ(encoder.Task(0)->nb_input_files(), 1);
    encoder.Start(0);
    ASSERT_TRUE(encoder.Task(0)->Finished()) << encoder.Task(0)->FatalMessage();
    EXPECT_EQ(ReadAll(input), original);
    EXPECT_NEAR(Probe(Out + "/taken.avi").Duration, 1.0, 0.2);
    EXPECT_FALSE(std::filesystem::exists(Out + "/taken.avi.part"));
}

TEST_F(EncoderTasksTest, InputsAndOutputsStopAtTheMaximum)
{
    TFFEncoder encoder(EngineServices());
    encoder.SetCustomMaxFiles(5);
    ASSERT_EQ(encoder.AddTask(ShortClip), 0);
    for (int i = 1; i < 5; ++i)
        ASSERT_TRUE(encoder.AddInputFile(0, ShortClip)) << encoder.LastErrMsg();
    EXPECT_FALSE(encoder.AddInputFile(0, ShortClip));
    EXPECT_EQ(encoder.LastErrMsg(), "max input files 5 reached");

    encoder.SetCustomMaxFiles(1);
    ASSERT_EQ(encoder.AddTask(ShortClip), 1);
    ASSERT_TRUE(encoder.SetOutputFile(1, Out + "/one.avi", "vcodec=mpeg4")) << encoder.LastErrMsg();
    EXPECT_FALSE(encoder.SetOutputFile(1, Out + "/two.avi", "vcodec=mpeg4"));
    EXPECT_EQ(encoder.LastErrMsg(), "max output files 1 reached");
}

TEST_F(EncoderTasksTest, RecordFieldsOverrideTheExtOptionsAndFurtherStreamsTakeTheListsEntries)
{
    TFFEncoder encoder(EngineServices());
    ASSERT_EQ(encoder.AddTask(LongClip), 0);
    TOutputOptions options;
    options.AudioCodec = "ac3";
    options.AudioSampleRate = 44100;
    options.TimeLength = 1000000;
    options.VideoBitrate = 1234567;  // a rate that is not round reaches the encoder exactly
    options.Info.Title = "A title";
    options.Info.Year = 2010;
    options.ExtOptions = "ar=22050<CRLF>acodec=mp2<CRLF>vcodec=mpeg4<CRLF>s=160x120<CRLF>newaudio=";
    ASSERT_TRUE(encoder.SetOutputFile(0, Out + "/fields.mkv", &options)) << encoder.LastErrMsg();
    EXPECT_EQ(encoder.Task(0)->OutputOptions(0).AudioSampleRate, 44100);
    EXPECT_EQ(encoder.Task(0)->OutputStreams(0).at(0).Context->bit_rate, 1234567);
    encoder.Start(0);
    ASSERT_TRUE(encoder.Task(0)->Finished()) << encoder.Task(0)->FatalMessage();

    const TProbedFile probed = Probe(Out + "/fields.mkv");
    ASSERT_EQ(probed.Count("audio"), 2);
    EXPECT_EQ(probed.Streams.at(1).at("codec_name"), "ac3");
    EXPECT_EQ(probed.Streams.at(1).at("sample_rate"), "44100");
    EXPECT_EQ(probed.Streams.at(2).at("codec_name"), "mp2");
    EXPECT_EQ(probed.Stream("video").at("codec_name"), "mpeg4");
    EXPECT_EQ(probed.Stream("video").at("width"), "160");
    EXPECT_NEAR(probed.Duration, 1.0, 0.1);
    const auto format = ProbeBlocks({"-show_entries", "format_tags", Out + "/fields.mkv"}, "FORMAT");
    ASSERT_EQ(format.size(), 1u);
    EXPECT_EQ(Text(format[0], "TAG:title"), "A title");
    EXPECT_EQ(Text(format[0], "TAG:YEAR"), "2010");
}

// A host that took a comma locale (de_DE, fr_FR, ...) must not change how
// the libraries read "0.71" in the x264 preset or "0.5" in a filter.
TEST_F(EncoderTasksTest, OptionsAndFiltersReadTheirNumbersTheSameInACommaLocale)
{
    const TCommaLocale comma;
    ASSERT_TRUE(comma.Active());
    TFFEncoder encoder(EngineServices());
    ASSERT_EQ(encoder.AddTask(LongClip), 0);
    TOutputOptions options;
    options.VideoCodec = "libx264";
    options.VideoPreset = "libx264-default";
    options.VideoFilters = "scale=iw*0.5:ih*0.5";
    options.TimeLength = 1000000;
    options.ExtOptions = "qcomp=0.5";
    ASSERT_TRUE(encoder.SetOutputFile(0, Out + "/comma.mp4", &options)) << encoder.LastErrMsg();
    encoder.Start(0);
    ASSERT_TRUE(encoder.Task(0)->Finished()) << encoder.Task(0)->FatalMessage();

    const TProbedFile probed = Probe(Out + "/comma.mp4");
    EXPECT_EQ(probed.Stream("video").at("codec_name"), "h264");
    EXPECT_EQ(probed.Stream("video").at("width"), "160");
    EXPECT_NEAR(probed.Duration, 1.0, 0.1);
}

TEST_F(EncoderTasksTest, OutputFieldLinesSetTheRecordAndTheTotalDuration)
{
    TFFEncoder encoder(EngineServices());
    encoder.TriggerEventInMainThread = false;
    TEncoderEvents events;
    events.Attach(encoder);
    ASSERT_EQ(encoder.AddTask(LongClip), 0);
    ASSERT_TRUE(encoder.SetOutputFile(0, Out + "/lines.avi",
                                      "vcodec=mpeg4\nTimeLength=1500000\nVideoHookBitsPixel=x\njoin=0"))
        << encoder.LastErrMsg();
    const TOutputOptions& record = encoder.Task(0)->OutputOptions(0);
    EXPECT_EQ(record.TimeLength, 1500000);
    EXPECT_EQ(record.VideoHookBitsPixel, 24);
    EXPECT_FALSE(record.Join);
    EXPECT_EQ(record.ExtOptions, "vcodec=mpeg4");
    encoder.Start(0);
    ASSERT_FALSE(events.Progress.empty());
    EXPECT_EQ(events.Progress.back().TotalDuration, 1500000);
    EXPECT_NEAR(Probe(Out + "/lines.avi").Duration, 1.5, 0.1);
}

TEST_F(EncoderTasksTest, JoinedInputsMakeOneOutputWhoseTotalIsTheirSum)
{
    TFFEncoder encoder(EngineServices());
    encoder.TriggerEventInMainThread = false;
    TEncoderEvents events;
    events.Attach(encoder);
    ASSERT_EQ(encoder.AddTask(ShortClip), 0);
    ASSERT_TRUE(encoder.AddInputFile(0, LongClip));
    TOutputOptions options;
    options.Join = true;
    options.VideoCodec = "mpeg4";
    options.AudioCodec = "mp2";
    ASSERT_TRUE(encoder.SetOutputFile(0, Out + "/Joined.avi", &options)) << encoder.LastErrMsg();
    encoder.Start(0);
    ASSERT_TRUE(encoder.Task(0)->Finished()) << encoder.Task(0)->FatalMessage();
    EXPECT_NEAR(events.Progress.back().TotalDuration / 1e6, 5.0, 0.1);
    EXPECT_NEAR(Probe(Out + "/Joined.avi").Duration, 5.0, 0.15);
}

TEST_F(EncoderTasksTest, ChangesWhileWorkingAreRefusedUntilTheTasksAreCleared)
{
    TFFEncoder encoder(EngineServices());
    AddSimpleTask(encoder, ShortClip, Out + "/a.avi");
    encoder.Start(0);
    ASSERT_TRUE(encoder.Terminated());
    EXPECT_TRUE(encoder.Working());
    const auto refused = [&](const std::function<void()>& change, const std::string& text) {
        try {
            change();
            ADD_FAILURE() << "accepted: " << text;
        } catch (const EEngineError& e) {
            EXPECT_EQ(std::string(e.what()), text);
        }
    };
    refused([&] { encoder.AddTask(ShortClip); }, "Cannot AddTask while working.");
    refused([&] { encoder.AddInputFile(0, ShortClip); }, "Cannot AddInputFile while working.");
    refused([&] { encoder.SetOutputFile(0, Out + "/b.avi"); }, "Cannot SetOutputFile while working.");
    refused([&] { encoder.RemoveTask(0); }, "Cannot RemoveTask while working.");
    refused([&] { encoder.Exchange(0, 0); }, "Cannot Exchange while working.");
    refused([&] { encoder.Start(1); }, "Cannot StartTask while working.");
    encoder.ClearTasks();
    EXPECT_FALSE(encoder.Working());
    EXPECT_FALSE(encoder.Terminated());
    EXPECT_EQ(encoder.TasksCount(), 0);
    EXPECT_EQ(encoder.AddTask(ShortClip), 0);
}

TEST_F(EncoderTasksTest, ExchangeAndRemoveReorderTheList)
{
    TFFEncoder encoder(EngineServices());
    ASSERT_EQ(encoder.AddTask(ShortClip), 0);
    ASSERT_EQ(encoder.AddTask(LongClip), 1);
    TFFmpeg* first = encoder.Task(0);
    encoder.Exchange(0, 1);
    EXPECT_EQ(encoder.GetTaskIndex(first), 1);
    encoder.RemoveTask(0);
    EXPECT_EQ(encoder.TasksCount(), 1);
    EXPECT_EQ(encoder.GetTaskIndex(first), 0);
    EXPECT_EQ(encoder.GetTaskIndex(nullptr), -1);
}

}  // namespace
