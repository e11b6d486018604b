// The settings editor's rules without its dialog: what the boxes show when
// it opens, the resolution rule, what OK stores, "Default", and the choices
// a script names.
#include "catalogue/TFormatSettings.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

TFormat VideoFormat()
{
    TFormat f;
    f.Title = "MP4";
    f.FormatExt = ".mp4";
    f.IsAudioFormat = "0";
    f.Resolutions = "640x480$640*480,720x576$720*576";
    f.Width = "640";
    f.Height = "480";
    f.VideoCodecs = "libx264$H.264,mpeg4$MPEG-4";
    f.VideoCodecName = "MPEG4";  // matched in any letter case
    f.VideoBitRates = "1000000$1000 kbps,2000000$2000 kbps";
    f.VideoBitRate = "2000000";
    f.FrameRates = "25000$25,29970$29.97";
    f.FrameRate = "23976";  // not offered: the box is disabled and the value kept
    f.AudioCodecs = "aac$AAC";
    f.AudioCodecName = "aac";
    f.SampleRates = "44100$44.1 kHz,48000$48 kHz";
    f.SampleRate = "48000";
    f.AudioBitRates = "128000$128 kbps,";  // a trailing empty label
    f.AudioBitRate = "128000";
    f.Channels = "1$Mono,2$Stereo";
    f.Channel = "2";
    return f;
}

TFormat AudioFormat()
{
    TFormat f = VideoFormat();
    f.Title = "MP3";
    f.IsAudioFormat = "1";
    f.Resolutions = f.VideoCodecs = f.VideoBitRates = f.FrameRates = "";
    f.Width = f.Height = f.VideoCodecName = f.VideoBitRate = f.FrameRate = "";
    return f;
}

class FormatSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TProfile general;
        general.Title = "General";
        general.Formats = {VideoFormat(), AudioFormat()};
        TProfile all;
        all.Title = "All Profiles";
        all.Formats = general.Formats;
        catalogue.Profiles = {general, all};
    }
    // Opens the editor on (profile, format) as "Advanced..." does.
    TFormatSettings& Open(int profileInd, int formatInd)
    {
        catalogue.SelectedProfileInd = profileInd;
        catalogue.SelectedFormatInd = formatInd;
        settings.Open();
        return settings;
    }
    const TFormat& Format(int p, int f) { return catalogue.Profiles[p].Formats[f]; }

    TCatalogue catalogue{""};
    std::vector<std::pair<QString, QString>> reports;
    TFormatSettings settings{catalogue, [this](const QString& m, const QString& mark) { reports.emplace_back(m, mark); }};
};

TEST_F(FormatSettingsTest, OpeningShowsTheCurrentValuesAndDisablesEmptyBoxes)
{
    const TFormatSettings& s = Open(0, 0);
    EXPECT_EQ(s.ProfileText(), "MP4");
    struct TRow {
        TSettingBox Box;
        QString Text;
        bool Enabled;
    } rows[] = {
        {sbResolution, "640*480", true}, {sbVideoEncoder, "MPEG-4", true}, {sbVideoBitRate, "2000 kbps", true},
        {sbFrameRate, "", false},        {sbSampleRate, "48 kHz", true},   {sbAudioBitRate, "128 kbps", true},
        {sbChannel, "Stereo", true},     {sbAudioEncoder, "AAC", true},
    };
    for (const TRow& r : rows) {
        EXPECT_EQ(s.Box(r.Box).Text, r.Text) << SettingBoxName(r.Box).toStdString();
        EXPECT_EQ(s.Box(r.Box).Enabled, r.Enabled) << SettingBoxName(r.Box).toStdString();
    }
    EXPECT_EQ(s.Box(sbAudioBitRate).Items, QStringList({"128 kbps", ""}));
    EXPECT_EQ(s.Box(sbFrameRate).Items, QStringList({"25", "29.97"}));

    const TFormatSettings& audio = Open(0, 1);
    for (TSettingBox box : {sbResolution, sbVideoEncoder, sbVideoBitRate, sbFrameRate})
        EXPECT_FALSE(audio.Box(box).Enabled) << SettingBoxName(box).toStdString();
    EXPECT_TRUE(audio.Box(sbAudioEncoder).Enabled);
}

TEST_F(FormatSettingsTest, OkChecksTheResolutionBeforeStoringAnything)
{
    const struct {
        QString Text;
        bool Accepted;
    } cases[] = {
        {"720*576", true},   {"64*64", true},      {"1920*1280", true},  {"640**480", true},  // first and last "*"
        {"721*576", false},  {"2000*1000", false}, {"640*1300", false},  {"62*64", false},
        {"640x480", false},  {"a*480", false},     {"", false},          {"640*480*2", false},
    };
    for (const auto& c : cases) {
        SetUp();
        catalogue.LastEditedProfileInd = -1;
        Open(0, 0).SetResolutionText(c.Text);
        settings.Select(sbVideoBitRate, 0);
        EXPECT_EQ(settings.Ok(), c.Accepted) << c.Text.toStdString();
        EXPECT_EQ(Format(0, 0).VideoBitRate, c.Accepted ? "1000000" : "2000000") << c.Text.toStdString();
        EXPECT_EQ(catalogue.LastEditedProfileInd, c.Accepted ? 0 : -1) << c.Text.toStdString();
    }
    // The resolution is kept as typed between the stars.
    Open(0, 0).SetResolutionText("640**480");
    ASSERT_TRUE(settings.Ok());
    EXPECT_EQ(Format(0, 0).Width, "640");
    EXPECT_EQ(Format(0, 0).Height, "480");
}

TEST_F(FormatSettingsTest, OkStoresEveryEnabledBoxIntoThatCopyOnly)
{
    catalogue.SelectedProfileInd = 1;  // the copy under "All Profiles"
    catalogue.SelectedFormatInd = 0;
    settings.Open();
    settings.SetResolutionText("720*576");
    settings.Select(sbVideoEncoder, 0);
    settings.Select(sbSampleRate, 0);
    settings.Select(sbChannel, 0);
    ASSERT_TRUE(settings.Ok());
    const TFormat& f = Format(1, 0);
    EXPECT_EQ(QStringList({f.Width, f.Height, f.VideoCodecName, f.SampleRate, f.Channel}),
              QStringList({"720", "576", "libx264", "44100", "1"}));
    EXPECT_EQ(f.FrameRate, "23976");  // its box was disabled
    EXPECT_EQ(std::make_pair(catalogue.LastEditedProfileInd, catalogue.LastEditedFormatInd), std::make_pair(1, 0));
    EXPECT_EQ(Format(0, 0).Width, "640");  // the same format under its own profile
    EXPECT_TRUE(reports.empty());
}

// An audio-only format has no picture size; the rule would make its editor
// impossible to confirm.
TEST_F(FormatSettingsTest, AnAudioFormatIsStoredWithoutAResolution)
{
    Open(0, 1).Select(sbChannel, 0);
    EXPECT_TRUE(settings.Ok());
    EXPECT_EQ(Format(0, 1).Channel, "1");
    EXPECT_EQ(Format(0, 1).Width, "");
}

TEST_F(FormatSettingsTest, DefaultShowsWhatOpeningShowed)
{
    Open(0, 0);
    const auto opened = [&] {
        QStringList texts;
        for (int b = 0; b < sbBoxCount; ++b)
            texts << settings.Box(static_cast<TSettingBox>(b)).Text;
        return texts;
    };
    const QStringList before = opened();
    settings.SetResolutionText("320*240");
    settings.Select(sbVideoBitRate, 0);
    settings.Select(sbChannel, 0);
    ASSERT_NE(opened(), before);
    settings.Default();
    EXPECT_EQ(opened(), before);
    EXPECT_EQ(Format(0, 0).Width, "640");  // nothing stored
}

// Values and labels pair by position only: a label without a value has
// nothing to store. The boxes before it keep what they stored.
TEST_F(FormatSettingsTest, AStoreThatFailsPartWayIsReportedAndKeepsWhatItStored)
{
    catalogue.Profiles[0].Formats[0].Channels = "1$Mono,Stereo,2$Two";  // "2" pairs with "Stereo"
    Open(0, 0).Select(sbVideoBitRate, 0);
    ASSERT_EQ(settings.Box(sbChannel).Text, "Stereo");
    settings.Select(sbChannel, 2);
    EXPECT_TRUE(settings.Ok());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], std::make_pair(QString("Error setting profile"), QString("CLM_SettingProfile")));
    EXPECT_EQ(Format(0, 0).VideoBitRate, "1000000");
    EXPECT_EQ(Format(0, 0).Channel, "2");
}

TEST_F(FormatSettingsTest, AScriptNamesAChoiceByValueOrLabel)
{
    const struct {
        TSettingBox Box;
        QString Choice;
        QString Shown;  // the box's text afterwards; empty: refused
        QString Error;
    } cases[] = {
        {sbVideoEncoder, "LIBX264", "H.264", ""},
        {sbVideoEncoder, "mpeg-4", "MPEG-4", ""},
        {sbSampleRate, "44100", "44.1 kHz", ""},
        {sbResolution, "320*240", "320*240", ""},
        {sbVideoEncoder, "libx265", "",
         "\"libx265\" is not offered as the video encoder of \"MP4\"; choose one of: libx264 (H.264), mpeg4 (MPEG-4)"},
        {sbAudioBitRate, "", "", "\"\" is not offered as the audio bit rate of \"MP4\"; choose one of: 128000 (128 kbps)"},
        {sbFrameRate, "25", "", "the frame rate of \"MP4\" cannot be changed: the format offers no choice of it"},
        {sbResolution, "321*240", "", TFormatSettings::ResolutionWarning},
    };
    for (const auto& c : cases) {
        Open(0, 0);
        const QString before = settings.Box(c.Box).Text;
        QString error;
        EXPECT_EQ(settings.Choose(c.Box, c.Choice, error), c.Error.isEmpty()) << c.Choice.toStdString();
        EXPECT_EQ(error, c.Error);
        EXPECT_EQ(settings.Box(c.Box).Text, c.Error.isEmpty() ? c.Shown : before) << c.Choice.toStdString();
    }
}

}  // namespace
