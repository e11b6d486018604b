#include "catalogue/FormatLine.h"
#include "tests/catalogue/CatalogueFolder.h"

#include <gtest/gtest.h>

using namespace vidrelo::test;

namespace {

TEST(FormatLineTest, EachAttributeFillsItsOwnField)
{
    // Every value differs, so a key wired to the wrong field shows.
    const QStringList names = {
        "format_ext", "audio_format", "icon", "id", "name", "description", "resolutions", "frame_rates",
        "video_bitrates", "audio_bitrates", "sample_rates", "channels", "video_codecs", "audio_codecs",
        "video_codec_name", "width", "height", "keep_ori_frame_rate", "frame_rate", "video_bitrate",
        "audio_codec_name", "sample_rate", "audio_bitrate", "channel", "extra_param"};
    QMap<QString, QString> values;
    for (const QString& name : names)
        values[name] = "v-" + name;
    TFormat f;
    ASSERT_TRUE(ParseFormatLine(FormatLine(values), f));
    const QStringList got = {
        f.FormatExt, f.IsAudioFormat, f.Icon, f.Category, f.Title, f.Description, f.Resolutions, f.FrameRates,
        f.VideoBitRates, f.AudioBitRates, f.SampleRates, f.Channels, f.VideoCodecs, f.AudioCodecs,
        f.VideoCodecName, f.Width, f.Height, f.KeepOriFrameRate, f.FrameRate, f.VideoBitRate,
        f.AudioCodecName, f.SampleRate, f.AudioBitRate, f.Channel, f.ExtraParam};
    for (qsizetype i = 0; i < names.size(); ++i)
        EXPECT_EQ(got[i], "v-" + names[i]);
    EXPECT_EQ(FormatLineKeys().size(), 25);
}

TEST(FormatLineTest, FrameRateIsFoundOnlyAfterAnOrdinarySpace)
{
    TFormat f;
    ASSERT_TRUE(ParseFormatLine(R"(<format keep_ori_frame_rate="1" frame_rate="29970" />)", f));
    EXPECT_EQ(f.FrameRate, "29970");
    EXPECT_EQ(f.KeepOriFrameRate, "1");

    ASSERT_TRUE(ParseFormatLine(R"(frame_rate="25000" keep_ori_frame_rate="1")", f));
    EXPECT_EQ(f.FrameRate, "") << "at the very start of the line";
    ASSERT_TRUE(ParseFormatLine("<format\tframe_rate=\"25000\" keep_ori_frame_rate=\"0\"", f));
    EXPECT_EQ(f.FrameRate, "") << "after a tab";
    ASSERT_TRUE(ParseFormatLine(R"(<format keep_ori_frame_rate="25000" />)", f));
    EXPECT_EQ(f.FrameRate, "") << "keep_ori_frame_rate must not feed frame_rate";
}

TEST(FormatLineTest, NameMustComeBeforeTheCodecNames)
{
    TFormat f;
    ASSERT_TRUE(ParseFormatLine(
        R"(<format name="MP4" video_codec_name="libx264" audio_codec_name="aac" />)", f));
    EXPECT_EQ(f.Title, "MP4");
    EXPECT_EQ(f.VideoCodecName, "libx264");
    EXPECT_EQ(f.AudioCodecName, "aac");
    // Written after them, name takes the first codec name: the first occurrence wins.
    ASSERT_TRUE(ParseFormatLine(
        R"(<format video_codec_name="libx264" name="MP4" audio_codec_name="aac" />)", f));
    EXPECT_EQ(f.Title, "libx264");
}

TEST(FormatLineTest, MissingKeysGiveEmptyFieldsAndAnUnclosedValueFails)
{
    TFormat f;
    f.ExtraParam = "stale";
    ASSERT_TRUE(ParseFormatLine(R"(<format name="" width="640" />)", f));
    EXPECT_EQ(f.Title, "");
    EXPECT_EQ(f.Width, "640");
    EXPECT_EQ(f.ExtraParam, "");
    EXPECT_EQ(f.Category, "");

    EXPECT_FALSE(ParseFormatLine(R"(<format format_ext=".mp4" name="broken />)", f));
    EXPECT_EQ(f.FormatExt, ".mp4");
}

TEST(FormatLineTest, SplitChoiceListCutsInOnePass)
{
    struct TCase {
        QString List;
        QStringList Values;
        QStringList Labels;
    } cases[] = {
        {"", {}, {}},
        {"640x480$640*480", {"640x480"}, {"640*480"}},
        {"a$A,b$B,c$C", {"a", "b", "c"}, {"A", "B", "C"}},
        {"plain", {}, {"plain"}},                          // no "$": a label without a value
        {"a$A,plain,c$C", {"a", "c"}, {"A", "plain", "C"}},  // matched by position only
        {"a$A,", {"a"}, {"A"}},                            // a final comma leaves nothing
        {"a$", {"a"}, {""}},                               // a value with an empty label
        {"a$b$c", {"a", "b"}, {"c"}},
        {",", {}, {""}},
        {"$", {""}, {""}},
    };
    for (const TCase& c : cases) {
        const TChoiceList split = SplitChoiceList(c.List);
        EXPECT_EQ(split.Values, c.Values) << c.List.toStdString();
        EXPECT_EQ(split.Labels, c.Labels) << c.List.toStdString();
    }
}

}  // namespace
