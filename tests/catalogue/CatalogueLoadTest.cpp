#include "catalogue/EInOutError.h"
#include "catalogue/ProfileIcons.h"
#include "catalogue/TCatalogue.h"
#include "tests/catalogue/CatalogueFolder.h"

#include <QFile>


#include <gtest/gtest.h>

using namespace vidrelo::test;

namespace {

using TReport = QPair<QString, QString>;

struct TLoaded {
    explicit TLoaded(const TCatalogueFolder& folder)
        : Catalogue(folder.Path(), [this](const QString& m, const QString& mark) { Reports.append({m, mark}); })
    {
    }
    QList<TReport> Reports;
    TCatalogue Catalogue;
};

QStringList Titles(const QList<TProfile>& profiles)
{
    QStringList titles;
    for (const TProfile& p : profiles)
        titles.append(p.Title);
    return titles;
}

QString Category(const char* id, const char* title, const char* icon)
{
    return QStringLiteral("<category id=\"%1\" title=\"%2\" icon=\"%3\" />").arg(id, title, icon);
}

TEST(CatalogueLoadTest, ProfilesAreReadLineByLineUntilTheEndOfTheList)
{
    TCatalogueFolder folder("profiles");
    folder.WriteProfiles({Category("general", "General", "video"),
                          "   <!-- a line in between -->",
                          "\t<category id=\"hd\" extra=\"x\" title=\"HD\" other=\"y\" icon=\"hd\"/>  ",
                          "<category id=\"\" title=\"\" icon=\"\" />",
                          Category("late", "Late", "late") + "</profile>",
                          Category("after", "After", "after")},
                         "<profile height=\"512\">");
    TLoaded loaded(folder);
    EXPECT_TRUE(loaded.Catalogue.LoadProfiles());
    EXPECT_TRUE(loaded.Reports.isEmpty());
    EXPECT_EQ(loaded.Catalogue.ChooserHeight, 512);
    const QList<TProfile>& p = loaded.Catalogue.Profiles;
    ASSERT_EQ(Titles(p), QStringList({"General", "HD", "", "All Profiles"}));
    EXPECT_EQ(p[1].ID, "hd");
    EXPECT_EQ(p[1].Icon, "hd");
    EXPECT_EQ(p[3].ID, "0");
    EXPECT_EQ(p[3].Icon, "menuall");
}

TEST(CatalogueLoadTest, EndOfFileEndsTheListAndLine3IsNeverAProfile)
{
    TCatalogueFolder folder("eof");
    folder.WriteProfilesText(("<?xml?>\r<profile height=\"300\">\r" + Category("skipped", "S", "s") + "\r" +
                              Category("a", "A", "a"))
                                 .toUtf8());
    TLoaded loaded(folder);
    EXPECT_TRUE(loaded.Catalogue.LoadProfiles());
    EXPECT_EQ(Titles(loaded.Catalogue.Profiles), QStringList({"A", "All Profiles"}));
}

TEST(CatalogueLoadTest, ProfileFailuresAreReportedAndAllProfilesIsStillAdded)
{
    const QList<TReport> expected = {{"Error loading profiles", "CLM_LoadProfiles"}};
    for (const QString heightLine : {"<profile height=\"tall\">", "<profile>", "<profile height=\"480>"}) {
        TCatalogueFolder folder("height");
        folder.WriteProfiles({Category("general", "General", "video")}, heightLine);
        TLoaded loaded(folder);
        EXPECT_FALSE(loaded.Catalogue.LoadProfiles());
        EXPECT_EQ(loaded.Reports, expected) << heightLine.toStdString();
        EXPECT_EQ(Titles(loaded.Catalogue.Profiles), QStringList({"All Profiles"}));
        EXPECT_EQ(loaded.Catalogue.ChooserHeight, 0);
    }
    // A profile line without its icon: the profiles before it stay.
    TCatalogueFolder folder("badline");
    folder.WriteProfiles({Category("a", "A", "a"), "<category id=\"b\" title=\"B\" />", Category("c", "C", "c")});
    TLoaded loaded(folder);
    EXPECT_FALSE(loaded.Catalogue.LoadProfiles());
    EXPECT_EQ(loaded.Reports, expected);
    EXPECT_EQ(Titles(loaded.Catalogue.Profiles), QStringList({"A", "All Profiles"}));
    // No Profiles.dat at all.
    TCatalogueFolder empty("noprofiles");
    TLoaded missing(empty);
    EXPECT_FALSE(missing.Catalogue.LoadProfiles());
    EXPECT_EQ(missing.Reports, expected);
    EXPECT_EQ(Titles(missing.Catalogue.Profiles), QStringList({"All Profiles"}));
}

TEST(CatalogueLoadTest, FormatsDatNeedsSixLinesForOneFormat)
{
    const QString line = FormatLine({{"name", "Only"}});
    struct TCase {
        QStringList Lines;
        int Formats;
    } cases[] = {
        {{"h1", "h2", "h3", line, "f1"}, 0},
        {{"h1", "h2", "h3", line, "f1", "f2"}, 1},
        {{"h1", "h2", "h3", line, line, "f1", "f2"}, 2},
        {{"h1", "h2", "h3", line, "", "  ", line, "f1", "f2"}, 2},  // blank lines are no formats
        {{}, 0},
    };
    for (const TCase& c : cases) {
        TCatalogueFolder folder("lines");
        folder.WriteFormatsLines(c.Lines);
        TLoaded loaded(folder);
        // A file without a single format leaves nothing to convert with.
        EXPECT_EQ(loaded.Catalogue.LoadFormats(), c.Formats > 0) << c.Lines.size() << " lines";
        EXPECT_EQ(loaded.Catalogue.AllFormats.size(), c.Formats) << c.Lines.size() << " lines";
        EXPECT_EQ(loaded.Catalogue.FormatAssigned, QList<bool>(c.Formats, false));
        EXPECT_EQ(loaded.Reports.size(), c.Formats > 0 ? 0 : 1);
    }
}

TEST(CatalogueLoadTest, FaultyFormatLineKeepsTheFormatsBeforeIt)
{
    TCatalogueFolder folder("faulty");
    folder.WriteFormats({FormatLine({{"name", "First"}}), FormatLine({{"name", "Second"}}),
                         R"(<format name="Broken format_ext=".mp4 />)", FormatLine({{"name", "Later"}})});
    TLoaded loaded(folder);
    EXPECT_FALSE(loaded.Catalogue.LoadFormats());
    ASSERT_EQ(loaded.Reports.size(), 1);
    EXPECT_EQ(loaded.Reports[0].first,
              "Error loading formats: line 6 of Formats.dat has a value without its closing quote");
    EXPECT_EQ(loaded.Reports[0].second, "CLM_LoadFormats");
    ASSERT_EQ(loaded.Catalogue.AllFormats.size(), 2);
    EXPECT_EQ(loaded.Catalogue.AllFormats[1].Title, "Second");
    // Linking still works on what was read.
    loaded.Catalogue.LoadProfiles();
    EXPECT_TRUE(loaded.Catalogue.LinkFormats());
    EXPECT_EQ(loaded.Catalogue.Profiles.last().Formats.size(), 2);
}

TEST(CatalogueLoadTest, FormatsDatWithoutAnyFormatIsReported)
{
    const QStringList text = {"<?xml?>", "<!-- -->", "<formats>", FormatLine({{"name", "Plain"}}), "</formats>",
                              "<!-- end -->"};
    const struct {
        const char* What;
        QByteArray Bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"all zero", QByteArray(4096, '\0')},
        {"not scrambled", text.join("\r\n").toUtf8()},
        {"random bytes", RandomBytes(65536)},
        {"random lines", Scrambled(RandomBytes(65536).replace('"', '\n'))},
    };
    for (const auto& c : cases) {
        TCatalogueFolder folder("damaged");
        WriteBytes(folder.Path() + "/Formats.dat", c.Bytes);
        TLoaded loaded(folder);
        EXPECT_FALSE(loaded.Catalogue.LoadFormats()) << c.What;
        ASSERT_EQ(loaded.Reports.size(), 1) << c.What;
        EXPECT_TRUE(loaded.Reports[0].first.startsWith("Error loading formats: Formats.dat holds no usable format"))
            << c.What << ": " << loaded.Reports[0].first.toStdString();
        EXPECT_EQ(loaded.Reports[0].second, "CLM_LoadFormats");
        EXPECT_TRUE(loaded.Catalogue.AllFormats.isEmpty()) << c.What;
    }
}

TEST(CatalogueLoadTest, LinesThatAreNoFormatsAreLeftOutAndReported)
{
    TCatalogueFolder folder("junk");
    folder.WriteFormats({FormatLine({{"name", "One"}}), "<!-- a comment -->", "#$%^ damaged",
                         FormatLine({{"name", "Two"}})});
    TLoaded loaded(folder);
    EXPECT_FALSE(loaded.Catalogue.LoadFormats());
    EXPECT_EQ(loaded.Reports, QList<TReport>({{"Error loading formats: 2 lines are not format lines, the first is line 5",
                                              "CLM_LoadFormats"}}));
    ASSERT_EQ(loaded.Catalogue.AllFormats.size(), 2);
    EXPECT_EQ(loaded.Catalogue.AllFormats[1].Title, "Two");
}

TEST(CatalogueLoadTest, ValuesTheConversionCannotUseAreReportedNamingTheFormat)
{
    const QMap<QString, QString> audioOnly = {{"audio_format", "1"}, {"width", ""}, {"height", ""},
                                              {"frame_rate", ""}, {"video_bitrate", ""}, {"video_codec_name", ""}};
    QMap<QString, QString> audioWithoutChannels = audioOnly;
    audioWithoutChannels["channel"] = "0";
    struct TCase {
        QMap<QString, QString> Values;
        QString Fault;  // empty: the format is usable
    } cases[] = {
        {{{"width", "0"}}, R"(width "0" is outside 16 to 8192)"},
        {{{"width", "2000000000"}}, R"(width "2000000000" is outside 16 to 8192)"},
        {{{"width", "2e9"}}, R"(width "2e9" is not a whole number)"},
        {{{"height", "9000"}}, R"(height "9000" is outside 16 to 8192)"},
        {{{"width", "15"}, {"height", "8193"}},
         R"(width "15" is outside 16 to 8192, height "8193" is outside 16 to 8192)"},
        {{{"width", "16"}, {"height", "8192"}}, ""},
        {{{"frame_rate", "0"}}, R"(frame_rate "0" is outside 1000 to 2147483647)"},
        {{{"frame_rate", "25"}}, R"(frame_rate "25" is outside 1000 to 2147483647)"},
        {{{"video_bitrate", "-1"}}, R"(video_bitrate "-1" is outside 1 to 2147483647)"},
        {{{"video_bitrate", "3000000000"}}, R"(video_bitrate "3000000000" is outside 1 to 2147483647)"},
        {{{"audio_bitrate", "fast"}}, R"(audio_bitrate "fast" is not a whole number)"},
        {{{"sample_rate", "0"}}, R"(sample_rate "0" is outside 1 to 2147483647)"},
        {{{"channel", ""}}, "channel is missing"},
        {{{"audio_format", "audio"}}, R"(audio_format "audio" is not a whole number)"},
        {audioOnly, ""},  // an audio format needs no video values
        {audioWithoutChannels, R"(channel "0" is outside 1 to 2147483647)"},
    };
    for (const TCase& c : cases) {
        QMap<QString, QString> bad = c.Values;
        bad["name"] = "Bad";
        TCatalogueFolder folder("values");
        folder.WriteFormats({FormatLine({{"name", "Good"}}), FormatLine(bad), FormatLine({{"name", "After"}})});
        TLoaded loaded(folder);
        const std::string what = c.Values.keys().join(',').toStdString();
        EXPECT_EQ(loaded.Catalogue.LoadFormats(), c.Fault.isEmpty()) << what;
        const QList<TFormat>& formats = loaded.Catalogue.AllFormats;
        // The faulty format keeps its place: the indices after it stay valid.
        ASSERT_EQ(formats.size(), 3) << what;
        EXPECT_EQ(formats[2].Title, "After");
        EXPECT_EQ(formats[1].Fault, c.Fault) << what;
        EXPECT_TRUE(formats[0].Fault.isEmpty() && formats[2].Fault.isEmpty());
        const QList<TReport> expected = {{"Error loading formats: line 5 (\"Bad\"): " + c.Fault, "CLM_LoadFormats"}};
        EXPECT_EQ(loaded.Reports, c.Fault.isEmpty() ? QList<TReport>() : expected) << what;
    }
}

TEST(CatalogueLoadTest, AnUnnamedFaultyFormatIsNamedByItsLineAndAFileOfFaultsHasNoUsableFormat)
{
    TCatalogueFolder folder("unnamed");
    folder.WriteFormats({FormatLine({{"name", ""}, {"width", "0"}}), FormatLine({{"name", "B"}, {"height", "0"}}),
                         FormatLine({{"name", "C"}, {"channel", "0"}}), FormatLine({{"name", "D"}, {"channel", "-2"}}),
                         FormatLine({{"name", "E"}, {"channel", "x"}})});
    TLoaded loaded(folder);
    EXPECT_FALSE(loaded.Catalogue.LoadFormats());
    ASSERT_EQ(loaded.Reports.size(), 1);
    EXPECT_EQ(loaded.Reports[0].first.toStdString(),
              "Error loading formats: Formats.dat holds no usable format; "
              "line 4: width \"0\" is outside 16 to 8192; "
              "line 5 (\"B\"): height \"0\" is outside 16 to 8192; "
              "line 6 (\"C\"): channel \"0\" is outside 1 to 2147483647; and 2 more");
    EXPECT_EQ(loaded.Catalogue.LastErrMsg(), loaded.Reports[0].first.mid(QString("Error loading formats: ").size()));
    EXPECT_EQ(loaded.Catalogue.AllFormats.size(), 5);
}

TEST(CatalogueLoadTest, MissingFormatsDatReachesTheCaller)
{
    TCatalogueFolder folder("noformats");
    TLoaded loaded(folder);
    EXPECT_THROW(loaded.Catalogue.LoadFormats(), EInOutError);
    EXPECT_TRUE(loaded.Reports.isEmpty());
}

TEST(CatalogueLoadTest, IconsArePngFilesInNameOrder)
{
    TCatalogueFolder folder("icons");
    folder.WriteIcon("video.png", Qt::red);
    folder.WriteIcon("Audio.PNG", Qt::green);
    folder.WriteIcon("menuall.png", Qt::blue);
    WriteBytes(folder.Path() + "/Icons/readme.txt", "not an icon");
    TLoaded loaded(folder);
    loaded.Catalogue.LoadIcons();
    const QList<TProfileIcon>& icons = loaded.Catalogue.ProfileIcons;
    ASSERT_EQ(icons.size(), 3);
    EXPECT_EQ(icons[0].ID, "Audio");
    EXPECT_EQ(icons[0].Picture.pixelColor(0, 0), QColor(Qt::green));
    EXPECT_EQ(icons[1].ID, "menuall");
    EXPECT_EQ(icons[2].ID, "video");

    TCatalogueFolder none("noicons");
    TLoaded empty(none);
    empty.Catalogue.LoadIcons();
    EXPECT_TRUE(empty.Catalogue.ProfileIcons.isEmpty());
}

TEST(CatalogueLoadTest, UnreadableIconReachesTheCaller)
{
    TCatalogueFolder folder("badicon");
    folder.WriteIcon("good.png", Qt::red);
    WriteBytes(folder.Path() + "/Icons/broken.png", "\x89PNG but not really");
    TLoaded loaded(folder);
    EXPECT_THROW(loaded.Catalogue.LoadIcons(), EInOutError);
}

}  // namespace
