// The conversion job builder's computation: option records and filter
// texts from titles and catalogue formats.
#include "main/TJobBuilder.h"

#include "TitleModelFixture.h"
#include "dvd/DVDPluginABI.h"
#include "engine/DisplayAspect.h"
#include "main/ChapterSplit.h"
#include "main/OriginalFormat.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

using namespace vidrelo;

namespace {

TFormat VideoFormat(const QString& codec = "libx264", int width = 640, int height = 480)
{
    TFormat f;
    f.FormatExt = ".mp4";
    f.IsAudioFormat = "0";
    f.Title = "MP4 Video";
    f.VideoCodecName = codec;
    f.AudioCodecName = "aac";
    f.Width = QString::number(width);
    f.Height = QString::number(height);
    f.FrameRate = "29970";
    f.VideoBitRate = "1500000";
    f.SampleRate = "48000";
    f.AudioBitRate = "128000";
    f.Channel = "2";
    return f;
}

TVideoFile Title(int aspect = 0)
{
    TVideoFile v;
    v.DestinationTitle = "Title2";
    v.SourceWidth = 720;
    v.SourceHeight = 480;
    v.AspectRatio = aspect;
    v.TimeStart = 1000000;
    v.TimeEnd = 9000000;
    return v;
}

class JobBuilderTest : public ::testing::Test {
protected:
    QList<TProfile> profiles{TProfile{"P", "p", "", {VideoFormat()}}};
    TJobBuilder builder{profiles};
    TInputOptions I;
    TOutputOptions O;

    std::string Filters(const TVideoFile& v, const TFormat& f)
    {
        profiles[0].Formats[0] = f;
        QString failure;
        EXPECT_TRUE(builder.FillOptions(v, "/out", false, I, O, failure)) << failure.toStdString();
        return O.VideoFilters;
    }
};

TEST_F(JobBuilderTest, TheAspectChoiceDecidesTheBarsBeforeTheScale)
{
    const TDisplayAspect Wide{16, 9}, Narrow{4, 3}, Unknown{};
    struct TCase {
        int Aspect;
        TDisplayAspect Shown;  // as the disc shows the title
        int SourceHeight;
        int Width, Height;
        const char* Filters;
    };
    const TCase cases[] = {
        // Keep: the shape the disc shows the title at, not its stored pixels.
        {0, Wide, 480, 854, 480, "scale=854:480,setsar=1"},                         // 16:9 fills a wide frame
        {0, Wide, 576, 854, 480, "scale=854:480,setsar=1"},                         // PAL too
        {0, Narrow, 576, 854, 480, "pad=960:576:120:0:black,scale=854:480,setsar=1"},  // 4:3 pillarboxed
        {0, Narrow, 480, 640, 480, "scale=640:480,setsar=1"},                       // 4:3 fills a 4:3 frame
        {0, Wide, 480, 640, 480, "pad=720:640:0:80:black,scale=640:480,setsar=1"},  // letterboxed: 67.5 shown rows
        {0, Unknown, 480, 640, 480, "pad=720:540:0:30:black,scale=640:480,setsar=1"},  // stored 3:2 pixels
        // The other choices ignore the disc's aspect.
        {1, Wide, 480, 640, 480, "scale=640:480,setsar=1"},                         // full screen: no bars
        {3, Narrow, 480, 640, 480, "pad=720:640:0:80:black,scale=640:480,setsar=1"},  // bars in stored rows
        {3, Unknown, 480, 640, 480, "pad=720:640:0:80:black,scale=640:480,setsar=1"},
        {2, Wide, 480, 640, 480, "scale=640:480,setsar=1"},                         // 4:3 into 4:3: no bars
        {2, Unknown, 480, 854, 480, "pad=960:480:120:0:black,scale=854:480,setsar=1"},  // 4:3 in a wide frame
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.Aspect << " at " << c.Shown.Width << ":" << c.Shown.Height);
        TVideoFile v = Title(c.Aspect);
        v.DisplayAspect = c.Shown;
        v.SourceHeight = c.SourceHeight;
        EXPECT_EQ(Filters(v, VideoFormat("libx264", c.Width, c.Height)), c.Filters);
        EXPECT_EQ(O.FrameSize, "");
    }
}

TEST_F(JobBuilderTest, KeepingTheDiscShapeOfACroppedTitleCountsTheCroppedRows)
{
    TVideoFile v = Title(0);
    v.DisplayAspect = {16, 9};
    v.CropLeft = v.CropRight = 8;  // 704 of 720 columns, still 405 rows high as shown
    EXPECT_EQ(Filters(v, VideoFormat("libx264", 854, 480)),
              "crop=704:480:8:0,pad=720:480:8:0:black,scale=854:480,setsar=1");
    v.CropLeft = v.CropRight = 0;
    v.CropTop = v.CropBottom = 60;  // 360 of 480 rows: shown 303.75 high
    EXPECT_EQ(Filters(v, VideoFormat("libx264", 854, 480)),
              "crop=720:360:0:60,pad=720:480:0:60:black,scale=854:480,setsar=1");
}

TEST(DisplayHeightTest, TheDiscAspectGivesTheShownHeightOfThePicture)
{
    struct TCase {
        int CH, SW, SH;
        TDisplayAspect Aspect;
        int Shown;
    } const cases[] = {
        {480, 720, 480, {16, 9}, 405},  // the crop editor's NTSC 16:9 figure
        {576, 720, 576, {4, 3}, 540},
        {480, 720, 480, {4, 3}, 540},
        {360, 720, 480, {16, 9}, 304},  // 303.75
        {48, 720, 480, {16, 9}, 40},    // 40.5: ties go to the even neighbour
        {80, 720, 480, {16, 9}, 68},    // 67.5
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ShownHeight(c.CH, c.SW, c.SH, c.Aspect), c.Shown) << c.CH << " of " << c.SW << "x" << c.SH;
    EXPECT_THROW(ShownHeight(480, 720, 0, {16, 9}), std::range_error);
    EXPECT_THROW(ShownHeight(480, 720, 480, {}), std::range_error);
}

TEST_F(JobBuilderTest, PictureAdjustmentAndCropComeBeforeThePadding)
{
    TVideoFile v = Title(1);
    v.Brightness = 0;
    v.Contrast = 10;
    EXPECT_EQ(Filters(v, VideoFormat()), "nativeeq=0:10,scale=640:480,setsar=1");
    v.Saturation = -20;
    v.CropLeft = v.CropRight = 8;
    v.CropTop = 4;
    EXPECT_EQ(Filters(v, VideoFormat()), "nativeeq=0:10,nativehue=0:-20,crop=704:476:8:4,scale=640:480,setsar=1");
}

TEST_F(JobBuilderTest, RecordFieldsComeFromTheFormatAndTheTitle)
{
    TFormat f = VideoFormat();
    f.Title = "Phone (DiVX compatible)";
    f.ExtraParam = "threads=2";
    Filters(Title(1), f);
    EXPECT_EQ(O.FileName, "/out/Title2.mp4");
    EXPECT_EQ(O.FileExt, ".mp4");
    EXPECT_EQ(O.VideoCodec, "libx264");
    EXPECT_EQ(O.VideoPreset, "libx264-default");
    EXPECT_EQ(O.VideoTag, "DIVX");
    EXPECT_EQ(O.FrameRate, "30");
    EXPECT_EQ(O.VideoBitrate, 1500000);
    EXPECT_EQ(O.AudioCodec, "aac");
    EXPECT_EQ(O.AudioSampleRate, 48000);
    EXPECT_EQ(O.AudioChannels, 2);
    EXPECT_EQ(O.AudioBitrate, 128000);
    EXPECT_EQ(O.ExtOptions, "threads=2");
    EXPECT_FALSE(O.DisableVideo);
    // The trim belongs to the task, not to the records.
    EXPECT_EQ(I.TimeStart, NoTimeValue);
    EXPECT_EQ(O.TimeLength, NoTimeValue);

    f.FrameRate = "23976";  // 23.976 -> 24; 24500 would go to the even 24
    Filters(Title(1), f);
    EXPECT_EQ(O.FrameRate, "24");
    f.FrameRate = "24500";
    Filters(Title(1), f);
    EXPECT_EQ(O.FrameRate, "24");
}

TEST_F(JobBuilderTest, XvidWithACropBecomesMpeg4TaggedXvid)
{
    TVideoFile v = Title(1);
    Filters(v, VideoFormat("libxvid"));
    EXPECT_EQ(O.VideoCodec, "libxvid");
    EXPECT_EQ(O.VideoTag, "");
    v.CropBottom = 2;
    Filters(v, VideoFormat("libxvid"));
    EXPECT_EQ(O.VideoCodec, "mpeg4");
    EXPECT_EQ(O.VideoTag, "XVID");
}

TEST_F(JobBuilderTest, AnAudioFormatGetsNoVideoAndNoFilters)
{
    TFormat f = VideoFormat();
    f.IsAudioFormat = "1";
    f.FormatExt = ".mp3";
    f.Width = f.Height = f.FrameRate = f.VideoBitRate = "";
    Filters(Title(), f);
    EXPECT_TRUE(O.DisableVideo);
    EXPECT_EQ(O.VideoCodec, "");
    EXPECT_EQ(O.VideoFilters, "");
    EXPECT_EQ(O.FileName, "/out/Title2.mp3");
}

TFormat CopyFormat()
{
    TFormat f = VideoFormat("copy", 720, 480);
    f.FormatExt = ".mkv";
    f.AudioCodecName = "copy";
    f.Channel = "6";
    return f;
}

// A title with an AC-3, an MPEG and an LPCM track and a subtitle.
TTitleData ThreeTrackTitle(int32_t audioChoice)
{
    TTitleData data;
    data.Info.AudioCount = 3;
    data.Info.Audio[0] = {DVDStreamAC3, 0x80, 48000, 6, "en", "English"};
    data.Info.Audio[1] = {DVDStreamMPA, 0xC0, 48000, 2, "fr", "French"};
    data.Info.Audio[2] = {DVDStreamLPCM, 0xA0, 48000, 2, "de", "German"};
    data.Info.SubtitleCount = 1;
    data.Info.Subtitles[0] = {DVDStreamSUB, 0x21, "en", "English"};
    data.Selection.AudioID = audioChoice;
    data.Selection.SubtitleID = 0x21;
    return data;
}

TEST_F(JobBuilderTest, ACopyFormatCopiesTheChosenStreamsByIdWithoutPictureWork)
{
    TVideoFile v = Title(3);
    v.CropTop = v.CropBottom = 8;
    v.Brightness = 20;
    ChooseJobStreams(ThreeTrackTitle(kDVDAllAudioID), v);
    EXPECT_EQ(v.AudioStreamIDs, (QList<int32_t>{0x80, 0x1C0, 0xA0})) << "MPEG audio as the demuxer numbers it";
    EXPECT_EQ(Filters(v, CopyFormat()), "") << "no crop, aspect or adjustment applies to copied video";
    EXPECT_EQ(O.VideoCodec, "copy");
    EXPECT_EQ(O.AudioCodec, "copy");
    EXPECT_EQ(O.SubtitleCodec, "copy");
    EXPECT_EQ(O.FrameRate, "");
    EXPECT_EQ(O.AudioChannels, -1) << "the tracks keep their own channels";
    EXPECT_EQ(O.FileName, "/out/Title2.mkv");
    // Streams in disc order, the soft subtitle after the sound.
    EXPECT_EQ(O.ExtOptions, "write_crc32=0\nmap=0:i:0x1e0\nmap=0:i:0x80\nnewaudio\nmap=0:i:0x1c0\nnewaudio\n"
                            "map=0:i:0xa0\nnewsubtitle\nmap=0:i:0x21");

    // One chosen track, no subtitle; a merged run lets each title choose.
    TTitleData one = ThreeTrackTitle(0xC0);
    one.Selection.SubtitleID = 0;
    ChooseJobStreams(one, v);
    Filters(v, CopyFormat());
    EXPECT_EQ(O.ExtOptions, "write_crc32=0\nmap=0:i:0x1e0\nmap=0:i:0x1c0");
    profiles[0].Formats[0] = CopyFormat();
    QString failure;
    ASSERT_TRUE(builder.FillOptions(v, "/out", true, I, O, failure));
    EXPECT_EQ(O.ExtOptions, "write_crc32=0");
    EXPECT_FALSE(O.DisableAudio);

    one.Selection.AudioID = 0;
    ChooseJobStreams(one, v);
    Filters(v, CopyFormat());
    EXPECT_TRUE(O.DisableAudio);
}

TEST_F(JobBuilderTest, AllAudioTracksOfAReencodingFormatAreEachEncoded)
{
    TVideoFile v = Title(1);
    ChooseJobStreams(ThreeTrackTitle(kDVDAllAudioID), v);
    TFormat f = VideoFormat();
    f.ExtraParam = "threads=2";
    EXPECT_NE(Filters(v, f), "");
    EXPECT_EQ(O.AudioCodec, "aac");
    // The subtitle is burned in, so it is no stream of the output.
    EXPECT_EQ(O.ExtOptions,
              "threads=2\nmap=0:i:0x1e0\nmap=0:i:0x80\nnewaudio\nmap=0:i:0x1c0\nnewaudio\nmap=0:i:0xa0");
    f.IsAudioFormat = "1";
    f.ExtraParam.clear();
    Filters(v, f);
    EXPECT_EQ(O.ExtOptions, "map=0:i:0x80\nnewaudio\nmap=0:i:0x1c0\nnewaudio\nmap=0:i:0xa0");

    ChooseJobStreams(ThreeTrackTitle(0x80), v);
    Filters(v, VideoFormat());
    EXPECT_EQ(O.ExtOptions, "") << "one track is the format's usual output";
}

TEST(MergedStreamsTest, JoinedTitlesMustGiveEveryOutputStream)
{
    const auto job = [](const char* caption, QList<int32_t> audio, int32_t subtitle) {
        TVideoFile v;
        v.Source = caption;
        v.AudioStreamIDs = audio;
        v.SubtitleStreamID = subtitle;
        return v;
    };
    const QList<TVideoFile> sameOne = {job("Title #1", {0x80}, 0x20), job("Title #2", {0x81}, 0x21)};
    EXPECT_EQ(MergedStreamsProblem(sameOne, true), "");
    const QList<TVideoFile> fewerTracks = {job("Title #1", {0x80, 0x81}, 0), job("Title #2", {0x80}, 0)};
    EXPECT_EQ(MergedStreamsProblem(fewerTracks, false),
              "Title #2 has 1 audio track(s) where Title #1 has 2: titles joined into one file must have as many. "
              "Choose the same tracks, or convert them one by one.");
    const QList<TVideoFile> noSound = {job("Title #1", {0x80}, 0), job("Title #2", {}, 0)};
    EXPECT_EQ(MergedStreamsProblem(noSound, false), "") << "one re-encoded track: as merged runs always were";
    EXPECT_NE(MergedStreamsProblem(noSound, true), "");
    const QList<TVideoFile> subtitles = {job("Title #1", {0x80}, 0), job("Title #2", {0x80}, 0x20)};
    EXPECT_EQ(MergedStreamsProblem(subtitles, false), "") << "burned in: no stream of its own";
    EXPECT_EQ(MergedStreamsProblem(subtitles, true), "Title #2 has a subtitle track where Title #1 has none: titles "
                                                     "joined into one file must all have one or none.");
}

TEST(CopySizeTest, ACopyIsAsLargeAsThePartOfTheTitleItCopies)
{
    TDVDTitleInfo info{};
    info.Length = 100;
    info.Sectors = 512000;  // 1 048 576 000 bytes: 1 048 576 "kilobytes", counted as 1024 per megabyte
    EXPECT_NEAR(*EstimateCopySizeMB(100000000, info), 1024.0, 1e-6);
    EXPECT_NEAR(*EstimateCopySizeMB(25000000, info), 256.0, 1e-6);
    info.Sectors = 0;
    EXPECT_FALSE(EstimateCopySizeMB(25000000, info).has_value()) << "unknown, so the rates estimate instead";
}

TEST_F(JobBuilderTest, ImpossibleGeometryIsReportedAndBadCatalogueNumbersRaise)
{
    TVideoFile v = Title(0);
    v.CropLeft = 720;  // nothing left of the picture
    QString failure;
    EXPECT_FALSE(builder.FillOptions(v, "/out", false, I, O, failure));
    EXPECT_FALSE(failure.isEmpty());
    v = Title(0);
    v.SourceWidth = 70000;  // 100000 x 70000 overflows 32 bits
    profiles[0].Formats[0].Width = "100000";
    EXPECT_FALSE(builder.FillOptions(v, "/out", false, I, O, failure));
    EXPECT_EQ(failure.toStdString(), "Integer overflow");
    profiles[0].Formats[0] = VideoFormat();
    profiles[0].Formats[0].SampleRate = "48 kHz";
    EXPECT_THROW(builder.FillOptions(Title(), "/out", false, I, O, failure), EJobBuildError);
    v = Title();
    v.FormatInd = 3;
    EXPECT_THROW(builder.FillOptions(v, "/out", false, I, O, failure), EJobBuildError);
    // A format the catalogue found faulty when it loaded is refused with that reason.
    profiles[0].Formats[0] = VideoFormat();
    profiles[0].Formats[0].Title = "Broken";
    profiles[0].Formats[0].Fault = "width \"0\" is outside 16 to 8192";
    try {
        builder.FillOptions(Title(), "/out", false, I, O, failure);
        ADD_FAILURE() << "a faulty format was accepted";
    } catch (const EJobBuildError& e) {
        EXPECT_STREQ(e.what(), "The format \"Broken\" cannot be used: width \"0\" is outside 16 to 8192");
    }
}

TEST_F(JobBuilderTest, MergedJobsHaveNoOwnFileName)
{
    QString failure;
    ASSERT_TRUE(builder.FillOptions(Title(1), "/out", true, I, O, failure));
    EXPECT_EQ(O.FileName, "");
}

TEST(JobBuilderFolderTest, AMissingOutputFolderFallsBackOrStops)
{
    QTemporaryDir dir;
    QStringList warnings;
    const auto warn = [&](const QString& text) { warnings << text; };
    EXPECT_EQ(RunOutputFolderFor(dir.path(), dir.path() + "/fallback", warn), dir.path());
    EXPECT_TRUE(warnings.isEmpty());

    EXPECT_EQ(RunOutputFolderFor(dir.path() + "/gone", dir.path() + "/fallback", warn), dir.path() + "/fallback");
    EXPECT_EQ(warnings, QStringList{"Output folder does not exit. Converting to \"" + dir.path() + "/fallback\"."});
    EXPECT_TRUE(QDir(dir.path() + "/fallback").exists());

    warnings.clear();
    EXPECT_EQ(RunOutputFolderFor("", dir.path() + "/no/such/parent", warn), std::nullopt);
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_EQ(warnings[1], "Could not create temporary directory. Please choose another output folder.");
}

TEST(JobBuilderFiltersTest, CropAndPadTextsAreEmptyWithoutMargins)
{
    EXPECT_EQ(MakeCropFilter(720, 480, 0, 0, 0, 0), "");
    EXPECT_EQ(MakeCropFilter(720, 480, 0, 0, 0, 2), "crop=720:478:0:0");
    EXPECT_EQ(MakePadFilter(720, 480, 0, 0, 0, 0), "");
    EXPECT_EQ(MakePadFilter(720, 480, 0, 0, 30, 30), "pad=720:540:0:30:black");
    TOutputOptions o;
    AppendVideoFilter(o, "");
    EXPECT_EQ(o.VideoFilters, "");
    AppendVideoFilter(o, "a");
    AppendVideoFilter(o, "b");
    EXPECT_EQ(o.VideoFilters, "a,b");
}

// Split by chapters: which part of the title each chapter's file gets.
TEST(ChapterSplitTest, ChaptersAreCutAtTheirStartsAndTheTrimChoosesThem)
{
    constexpr int64_t S = 1000000;
    // NTSC chapters of 90 frames: 3.003 s, a start that must stay exact.
    TDVDTitleInfo ntsc = titletest::MakeTitle(9.009, {}, {}, 3);
    ntsc.Chapters[0] = ntsc.Chapters[1] = ntsc.Chapters[2] = 3.003;
    TDVDTitleInfo none = titletest::MakeTitle(9.009, {}, {}, 0);
    TDVDTitleInfo damaged = ntsc;
    damaged.Chapters[1] = -50;  // must not pull chapter 3 back over chapter 1
    using Parts = std::vector<std::tuple<int, int64_t, int64_t>>;
    struct TCase {
        const char* What;
        const TDVDTitleInfo& Info;
        int64_t Start, End;
        Parts Expected;
    } const cases[] = {
        {"whole", ntsc, 0, 9009000, {{1, 0, 3003000}, {2, 3003000, 6006000}, {3, 6006000, 9009000}}},
        {"trimmed inside", ntsc, 4 * S, 7 * S, {{2, 4 * S, 6006000}, {3, 6006000, 7 * S}}},
        {"trim ends on a start", ntsc, 0, 6006000, {{1, 0, 3003000}, {2, 3003000, 6006000}}},
        {"trim starts on a start", ntsc, 3003000, 9009000, {{2, 3003000, 6006000}, {3, 6006000, 9009000}}},
        {"inside one chapter", ntsc, 1 * S, 2 * S, {{1, 1 * S, 2 * S}}},
        {"title longer than its chapters", ntsc, 0, 10 * S, {{1, 0, 3003000}, {2, 3003000, 6006000}, {3, 6006000, 10 * S}}},
        {"title shorter than its chapters", ntsc, 0, 5 * S, {{1, 0, 3003000}, {2, 3003000, 5 * S}}},
        {"no chapters", none, 0, 9009000, {{1, 0, 9009000}}},
        {"damaged length", damaged, 0, 9009000, {{1, 0, 3003000}, {3, 3003000, 9009000}}},
    };
    for (const TCase& c : cases) {
        Parts parts;
        for (const TChapterPart& p : ChapterParts(c.Info, c.Start, c.End))
            parts.emplace_back(p.Number, p.Start, p.End);
        EXPECT_EQ(parts, c.Expected) << c.What;
    }

    // More chapters than the record lists: the last listed runs to the end.
    TDVDTitleInfo many = titletest::MakeTitle(200, {}, {}, 120);
    std::fill(std::begin(many.Chapters), std::end(many.Chapters), 1.0);
    const std::vector<TChapterPart> parts = ChapterParts(many, 0, 200 * S);
    ASSERT_EQ(parts.size(), 100u);
    EXPECT_EQ(parts.back().Number, 100);
    EXPECT_EQ(parts.back().Start, 99 * S);
    EXPECT_EQ(parts.back().End, 200 * S);
}

TEST(ChapterSplitTest, ChapterNumbersHaveAsManyDigitsAsTheLastNeeds)
{
    EXPECT_EQ(ChapterDestination("Title1", 1, 3), "Title1 - Chapter 01");
    EXPECT_EQ(ChapterDestination("My Film", 12, 99), "My Film - Chapter 12");
    EXPECT_EQ(ChapterDestination("Title1", 7, 100), "Title1 - Chapter 007");
    EXPECT_EQ(ChapterDestination("Title1", 100, 120), "Title1 - Chapter 100");
    EXPECT_EQ(ChapterDestination("Title1", 1, 0), "Title1 - Chapter 01");
}

class ChapterJobsTest : public titletest::TitleModelTest {};

TEST_F(ChapterJobsTest, EachCheckedTitleBecomesOneJobPerChapterWithItsSource)
{
    TDVDTitleInfo three = titletest::MakeTitle(9, {}, {}, 3);
    three.Chapters[0] = three.Chapters[1] = three.Chapters[2] = 3;
    TDVDTitleInfo two = titletest::MakeTitle(4, {}, {}, 2);
    two.Chapters[0] = two.Chapters[1] = 2;
    model.AddTitle(&three, 0, 0, 0);
    model.AddTitle(nullptr, 1, 0, 0);  // checked but unreadable: no jobs
    model.AddTitle(&two, 2, 0, 0);
    for (int row = 0; row < 3; ++row)
        model.SetChecked(row, true);
    ASSERT_TRUE(model.SetTrim(0, 4000000, 9000000));
    model.VideoFile(2).Brightness = 30;
    QStringList sources;
    ASSERT_TRUE(model.BuildSourceList(sources));
    const QStringList rowSources = sources;
    const QList<TVideoFile> jobs = MakeChapterJobFiles(model, sources);

    ASSERT_EQ(jobs.size(), 4);
    ASSERT_EQ(sources.size(), 4);
    const QStringList names = {"Title1 - Chapter 02", "Title1 - Chapter 03", "Title3 - Chapter 01",
                               "Title3 - Chapter 02"};
    const QStringList captions = {"Title #1, Chapter 2", "Title #1, Chapter 3", "Title #3, Chapter 1",
                                  "Title #3, Chapter 2"};
    for (int k = 0; k < jobs.size(); ++k) {
        EXPECT_EQ(jobs[k].DestinationTitle, names[k]);
        EXPECT_EQ(jobs[k].Source, captions[k]);
        EXPECT_EQ(sources[k], rowSources[k < 2 ? 0 : 1]);
        EXPECT_EQ(jobs[k].TrimmedLength, jobs[k].TimeEnd - jobs[k].TimeStart);
    }
    EXPECT_EQ(jobs[0].TimeStart, 4000000);  // the trim cuts the first chapter written
    EXPECT_EQ(jobs[1].TimeStart, 6000000);
    EXPECT_EQ(jobs[3].TimeStart, 2000000);
    EXPECT_EQ(jobs[3].TimeEnd, 4000000);
    EXPECT_EQ(jobs[3].Brightness, 30) << "each chapter keeps its title's choices";
}

}  // namespace
