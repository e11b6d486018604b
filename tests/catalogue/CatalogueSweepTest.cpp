// Every format of the shipped catalogue converts: a short trimmed title of a
// test disc goes through the job builder and the encoder in that format,
// and the file holds the container, codecs, frame size, sample rate and
// channels the format names. A format that fails here is a catalogue fault.
// Run the program itself to see the table of all formats at the end; the
// engine's warnings during each conversion are listed with it.
#include "catalogue/FormatCheck.h"
#include "catalogue/TCatalogue.h"
#include "dvd/DVDPlugIn.h"
#include "engine/MediaEngine.h"
#include "engine/encoder/TFFEncoder.h"
#include "engine/loader/TFFLoader.h"
#include "engine/log/TFFLogger.h"
#include "main/TDiscScan.h"
#include "main/TJobBuilder.h"
#include "main/TTitleModel.h"
#include "tests/support/EngineServices.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <mutex>

using namespace vidrelo;
using namespace vidrelo::test;

namespace {

constexpr int64_t kTrimEnd = 2'000'000;  // microseconds of the title converted

// The catalogue as the program loads it at start-up.
const TCatalogue& Catalogue()
{
    static const TCatalogue* catalogue = [] {
        auto* c = new TCatalogue(QString::fromStdString(BinDir() + "/dvd-ripper-profiles"));
        c->LoadIcons();
        c->LoadProfiles();
        c->LoadFormats();
        c->LinkFormats();
        return c;
    }();
    return *catalogue;
}

// "All Profiles" holds every format once.
int AllProfilesInd()
{
    for (int p = 0; p < Catalogue().Profiles.size(); ++p)
        if (Catalogue().Profiles[p].ID == QStringLiteral("0"))
            return p;
    return -1;
}

std::vector<int> FormatIndices()
{
    std::vector<int> indices;
    const int all = AllProfilesInd();
    for (int k = 0; all >= 0 && k < Catalogue().Profiles[all].Formats.size(); ++k)
        indices.push_back(k);
    return indices;
}

const TFormat& FormatAt(int k)
{
    return Catalogue().Profiles[AllProfilesInd()].Formats[k];
}

// What ffprobe calls the container an extension stands for, and the codec
// an encoder writes.
const std::map<std::string, std::string> Containers = {
    {".mp4", "mp4"}, {".m4a", "m4a"},     {".mov", "mov"},    {".mkv", "matroska"}, {".webm", "webm"},
    {".avi", "avi"}, {".mpg", "mpeg"},    {".wmv", "asf"},    {".wma", "asf"},      {".ogv", "ogg"},
    {".ogg", "ogg"}, {".opus", "ogg"},    {".mp3", "mp3"},    {".flac", "flac"},    {".wav", "wav"},
    {".ac3", "ac3"},
};
const std::map<std::string, std::string> Codecs = {
    {"libx264", "h264"},    {"libx265", "hevc"},     {"libxvid", "mpeg4"},   {"mpeg4", "mpeg4"},
    {"libvpx-vp9", "vp9"},  {"libvpx", "vp8"},       {"mpeg2video", "mpeg2video"}, {"wmv2", "wmv2"},
    {"libtheora", "theora"}, {"aac", "aac"},         {"ac3", "ac3"},         {"libmp3lame", "mp3"},
    {"libopus", "opus"},    {"libvorbis", "vorbis"}, {"mp2", "mp2"},         {"wmav2", "wmav2"},
    {"flac", "flac"},       {"pcm_s16le", "pcm_s16le"}, {"alac", "alac"},
};

std::string Lookup(const std::map<std::string, std::string>& table, const QString& key)
{
    const auto found = table.find(key.toStdString());
    return found == table.end() ? "(" + key.toStdString() + "?)" : found->second;
}

// One line of the closing table per format tried.
struct TSweepRow {
    int Index;
    std::string Title, Ext, Video, Audio, Result;
};
std::mutex RowsLock;
std::map<int, TSweepRow> Rows;

class SweepTable : public ::testing::Environment {
public:
    void TearDown() override
    {
        std::lock_guard lock(RowsLock);
        if (Rows.empty())
            return;
        std::printf("\n%-3s %-38s %-6s %-11s %-11s %s\n", "#", "format", "ext", "video", "audio", "result");
        for (const auto& [index, row] : Rows)
            std::printf("%-3d %-38s %-6s %-11s %-11s %s\n", index, row.Title.c_str(), row.Ext.c_str(),
                        row.Video.c_str(), row.Audio.c_str(), row.Result.c_str());
    }
};
[[maybe_unused]] const auto* const Table = ::testing::AddGlobalTestEnvironment(new SweepTable);

// The engine's warnings and errors while it lives.
class TWarnings {
public:
    TWarnings()
    {
        FFLogger().SetTriggerEventInMainThread(false);
        FFLogger().SetOnLog([this](void*, uint32_t, TLogLevel level, const std::string& message) {
            if (level != llQuiet && level <= llWarning) {
                std::lock_guard lock(FLock);
                FLines.push_back(message);
            }
        });
    }
    ~TWarnings() { FFLogger().SetOnLog(nullptr); }
    std::vector<std::string> Lines() const
    {
        std::lock_guard lock(FLock);
        return FLines;
    }

private:
    mutable std::mutex FLock;
    std::vector<std::string> FLines;
};

class CatalogueSweepTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        TMediaEngine::Loader().SetInstallLogger(true);
        ASSERT_TRUE(LoadDVDPlugin(BinDir() + "/LibAV")) << DVDPluginLastError();
        Out = MakeTempDir("sweep");
    }
    void TearDown() override { UnloadDVDPlugin(); }

    // discA scanned into the title list with only its shortest title
    // checked, trimmed, in format k of "All Profiles".
    void PrepareTitle(TTitleModel& titles, int k)
    {
        titles.SetSelectedFormat(AllProfilesInd(), k);
        ASSERT_GT(ScanDisc(titles, QString::fromStdString(Disc("discA").path), TDVDTitleReader::Plugin()).Count, 0);
        int shortest = 0;
        for (int row = 1; row < titles.RowCount(); ++row)
            if (titles.VideoFiles()[row].TrimmedLength < titles.VideoFiles()[shortest].TrimmedLength)
                shortest = row;
        titles.UncheckAll();
        titles.SetChecked(shortest, true);
        ASSERT_TRUE(titles.SetTrim(shortest, 0, kTrimEnd));
    }

    // Converts the checked title; the output file's name, or empty.
    std::string Convert(TTitleModel& titles)
    {
        QStringList sources;
        EXPECT_TRUE(titles.BuildSourceList(sources));
        const QList<TVideoFile> jobs = TJobBuilder::MakeJobFiles(titles);
        TFFEncoder encoder(EngineServices());
        EXPECT_TRUE(encoder.LoadAVLib(BinDir() + "/LibAV")) << encoder.LastErrMsg();
        encoder.TriggerEventInMainThread = false;
        std::vector<TTerminateInfo> ends;
        encoder.OnTerminate = [&ends](TCustomEncoder*, const TTerminateInfo& info) { ends.push_back(info); };
        TJobBuilder builder(Catalogue().Profiles);
        const QString folder = QString::fromStdString(Out);
        const bool queued = builder.QueueJobs(encoder, jobs, sources, folder, false, titles.RowCount(),
                                              [](const QString& message, const QString& mark) {
                                                  ADD_FAILURE() << message.toStdString() << " " << mark.toStdString();
                                              });
        if (!queued)
            return {};
        TWarnings warnings;
        encoder.Start(0);
        Warnings = warnings.Lines();
        for (const TTerminateInfo& end : ends)
            if (end.TaskIndex >= 0 && !end.Finished) {
                ADD_FAILURE() << "conversion failed: " << end.ExceptionMsg;
                return {};
            }
        return builder.OutputFileName(jobs[0], folder).toStdString();
    }

    // "OK", with the number of warnings the engine logged when there were any.
    std::string ResultText() const
    {
        if (HasFailure())
            return "FAILED";
        return Warnings.empty() ? "OK" : "OK, " + std::to_string(Warnings.size()) + " warning line(s)";
    }

    TMediaEngineScope Engine;
    std::string Out;
    std::vector<std::string> Warnings;  // the engine's, while converting
};

void CheckFile(const std::string& file, const TFormat& F)
{
    const TProbedFile probed = Probe(file);
    const std::string container = Lookup(Containers, F.FormatExt);
    EXPECT_NE(probed.FormatName.find(container), std::string::npos) << probed.FormatName << " for " << container;
    EXPECT_NEAR(probed.Duration, kTrimEnd / 1e6, 0.5);
    const TProbeBlock audio = probed.Stream("audio");
    if (IsCopyFormat(F)) {
        // The title's own streams: MPEG-2 video, its AC-3 track as it is.
        EXPECT_EQ(Text(probed.Stream("video"), "codec_name"), "mpeg2video");
        EXPECT_EQ(Text(audio, "codec_name"), "ac3");
        return;
    }
    EXPECT_EQ(Text(audio, "codec_name"), Lookup(Codecs, F.AudioCodecName));
    EXPECT_EQ(Number(audio, "sample_rate"), F.SampleRate.toInt());
    EXPECT_EQ(Number(audio, "channels"), F.Channel.toInt());
    if (F.IsAudioFormat == QStringLiteral("1")) {
        EXPECT_EQ(probed.Count("video"), 0);
        return;
    }
    const TProbeBlock video = probed.Stream("video");
    EXPECT_EQ(Text(video, "codec_name"), Lookup(Codecs, F.VideoCodecName));
    EXPECT_EQ(Number(video, "width"), F.Width.toInt());
    EXPECT_EQ(Number(video, "height"), F.Height.toInt());
}

TEST_P(CatalogueSweepTest, TheFormatConvertsATitleIntoWhatItNames)
{
    const int k = GetParam();
    const TFormat& F = FormatAt(k);
    const bool audioOnly = F.IsAudioFormat == QStringLiteral("1");
    TTitleModel titles(Catalogue().Profiles, Catalogue().ProfileIcons);
    PrepareTitle(titles, k);
    const std::string file = HasFatalFailure() ? std::string() : Convert(titles);
    if (!file.empty())
        CheckFile(file, F);
    const TSweepRow row{k,
                        F.Title.toStdString(),
                        F.FormatExt.toStdString(),
                        audioOnly ? "-" : F.VideoCodecName.toStdString(),
                        F.AudioCodecName.toStdString(),
                        ResultText()};
    for (const std::string& line : Warnings)
        std::printf("  warning: %s\n", line.c_str());
    std::printf("%s %s %s %s: %s\n", row.Title.c_str(), row.Ext.c_str(), row.Video.c_str(), row.Audio.c_str(),
                row.Result.c_str());
    std::lock_guard lock(RowsLock);
    Rows[k] = row;
}

// "07_MPEG_2_Video_DVD_quality_": the index and the title's letters.
std::string FormatTestName(const ::testing::TestParamInfo<int>& info)
{
    std::string name = (info.param < 10 ? "0" : "") + std::to_string(info.param) + "_";
    for (const QChar c : FormatAt(info.param).Title)
        name += c.isLetterOrNumber() && c.unicode() < 128 ? static_cast<char>(c.unicode()) : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(ShippedFormats, CatalogueSweepTest, ::testing::ValuesIn(FormatIndices()), FormatTestName);

TEST(CatalogueSweepSetUpTest, TheShippedCatalogueHasFormatsToSweep)
{
    EXPECT_GE(AllProfilesInd(), 0);
    EXPECT_EQ(FormatIndices().size(), static_cast<size_t>(Catalogue().AllFormats.size()));
    EXPECT_GT(FormatIndices().size(), 0u);
}

}  // namespace
