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
        {{}, 0},
    };
    for (const TCase& c : cases) {
        TCatalogueFolder folder("lines");
        folder.WriteFormatsLines(c.Lines);
        TLoaded loaded(folder);
        EXPECT_TRUE(loaded.Catalogue.LoadFormats());
        EXPECT_EQ(loaded.Catalogue.AllFormats.size(), c.Formats) << c.Lines.size() << " lines";
        EXPECT_EQ(loaded.Catalogue.FormatAssigned, QList<bool>(c.Formats, false));
        EXPECT_TRUE(loaded.Reports.isEmpty());
    }
}

TEST(CatalogueLoadTest, FaultyFormatLineKeepsTheFormatsBeforeIt)
{
    TCatalogueFolder folder("faulty");
    folder.WriteFormats({FormatLine({{"name", "First"}}), FormatLine({{"name", "Second"}}),
                         R"(<format name="Broken format_ext=".mp4 />)", FormatLine({{"name", "Later"}})});
    TLoaded loaded(folder);
    EXPECT_FALSE(loaded.Catalogue.LoadFormats());
    EXPECT_EQ(loaded.Reports, QList<TReport>({{"Error loading formats", "CLM_LoadFormats"}}));
    ASSERT_EQ(loaded.Catalogue.AllFormats.size(), 2);
    EXPECT_EQ(loaded.Catalogue.AllFormats[1].Title, "Second");
    // Linking still works on what was read.
    loaded.Catalogue.LoadProfiles();
    EXPECT_TRUE(loaded.Catalogue.LinkFormats());
    EXPECT_EQ(loaded.Catalogue.Profiles.last().Formats.size(), 2);
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
