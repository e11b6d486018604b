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
    EXPECT_EQ(FormatAttributeNames().size(), 25);
}

TEST(FormatLineTest, AttributesAreFoundByWholeNameWhereverTheyStand)
{
    struct TCase {
        QString Line;
        QString Title;
        QString VideoCodecName;
        QString FrameRate;
        QString KeepOriFrameRate;
    } cases[] = {
        {R"(<format keep_ori_frame_rate="1" frame_rate="29970" />)", "", "", "29970", "1"},
        {R"(frame_rate="25000" keep_ori_frame_rate="1")", "", "", "25000", "1"},  // at the start of the line
        {"<format\tframe_rate=\"25000\" keep_ori_frame_rate=\"0\"", "", "", "25000", "0"},  // after a tab
        {R"(<frame_rate="24000" />)", "", "", "24000", ""},                                // right after "<"
        {R"(<format keep_ori_frame_rate="25000" />)", "", "", "", "25000"},
        {R"(<format name="MP4" video_codec_name="libx264" />)", "MP4", "libx264", "", ""},
        {R"(<format video_codec_name="libx264" name="MP4" />)", "MP4", "libx264", "", ""},
        // Without name= the title stays empty instead of taking a codec name.
        {R"(<format video_codec_name="libx264" audio_codec_name="aac" />)", "", "libx264", "", ""},
        {R"(<format nickname="X" rename="Y" />)", "", "", "", ""},
        {R"(<format description="x" name="Z" />)", "Z", "", "", ""},
    };
    for (const TCase& c : cases) {
        TFormat f;
        ASSERT_TRUE(ParseFormatLine(c.Line, f)) << c.Line.toStdString();
        EXPECT_EQ(f.Title, c.Title) << c.Line.toStdString();
        EXPECT_EQ(f.VideoCodecName, c.VideoCodecName) << c.Line.toStdString();
        EXPECT_EQ(f.FrameRate, c.FrameRate) << c.Line.toStdString();
        EXPECT_EQ(f.KeepOriFrameRate, c.KeepOriFrameRate) << c.Line.toStdString();
    }
}

TEST(FormatLineTest, ALineWithoutAnyFormatAttributeIsNoFormatLine)
{
    const struct {
        QString Line;
        bool IsFormat;
    } cases[] = {
        {"", false},
        {"<!-- formats for phones -->", false},
        {"@#! garbage = \" bytes", false},
        {R"(<format codec_name="x" nickname="y" />)", false},  // names that only end in one
        {R"(<format width="640" />)", true},
        {FormatLine({}), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsFormatLine(c.Line), c.IsFormat) << c.Line.toStdString();
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
        {"", {}, {""}},
        {"640x480$640*480", {"640x480"}, {"640*480"}},
        {"a$A,b$B,c$C", {"a", "b", "c"}, {"A", "B", "C"}},
        {"plain", {}, {"plain"}},                          // no "$": a label without a value
        {"a$A,plain,c$C", {"a", "c"}, {"A", "plain", "C"}},  // matched by position only
        {"a$A,", {"a"}, {"A", ""}},                        // a final comma leaves an empty label
        {"a$", {"a"}, {""}},                               // a value with an empty label
        {"a$b$c", {"a", "b"}, {"c"}},
        {",", {}, {"", ""}},
        {"$", {""}, {""}},
    };
    for (const TCase& c : cases) {
        const TChoiceList split = SplitChoiceList(c.List);
        EXPECT_EQ(split.Values, c.Values) << c.List.toStdString();
        EXPECT_EQ(split.Labels, c.Labels) << c.List.toStdString();
    }
}

}  // namespace
