#include "catalogue/ProfileIcons.h"
#include "catalogue/TCatalogue.h"
#include "tests/catalogue/CatalogueFolder.h"

#include <gtest/gtest.h>

using namespace vidrelo::test;

namespace {

QString Category(const QString& id, const QString& title, const QString& icon)
{
    return QStringLiteral("<category id=\"%1\" title=\"%2\" icon=\"%3\" />").arg(id, title, icon);
}

QString Format(const QString& id, const QString& name, const QString& icon = "fmt")
{
    return FormatLine({{"id", id}, {"name", name}, {"icon", icon}});
}

QStringList FormatTitles(const TProfile& profile)
{
    QStringList titles;
    for (const TFormat& f : profile.Formats)
        titles.append(f.Title);
    return titles;
}

// The nine fields the settings editor changes, and the sixteen others.
QStringList EditableFields(const TFormat& f)
{
    return {f.Width, f.Height, f.VideoBitRate, f.FrameRate, f.SampleRate,
            f.AudioBitRate, f.Channel, f.VideoCodecName, f.AudioCodecName};
}

QStringList OtherFields(const TFormat& f)
{
    return {f.FormatExt, f.IsAudioFormat, f.Icon, f.Category, f.Title, f.Description,
            f.Resolutions, f.FrameRates, f.VideoBitRates, f.AudioBitRates, f.SampleRates,
            f.Channels, f.VideoCodecs, f.AudioCodecs, f.KeepOriFrameRate, f.ExtraParam};
}

// Loads a catalogue folder through all four stages, with the persisted
// values Prepare sets before linking.
class CatalogueLinkTest : public ::testing::Test {
protected:
    CatalogueLinkTest() : Folder("link") {}

    TCatalogue& Load(const std::function<void(TCatalogue&)>& prepare = {})
    {
        Catalogue = std::make_unique<TCatalogue>(
            Folder.Path(), [this](const QString& m, const QString& mark) { Reports.append(m + "/" + mark); });
        Catalogue->LoadIcons();
        Catalogue->LoadProfiles();
        Catalogue->LoadFormats();
        if (prepare)
            prepare(*Catalogue);
        EXPECT_TRUE(Catalogue->LinkFormats());
        return *Catalogue;
    }

    TCatalogueFolder Folder;
    QStringList Reports;
    std::unique_ptr<TCatalogue> Catalogue;
};

TEST_F(CatalogueLinkTest, WithoutCategoriesAllProfilesHoldsEveryFormatInFileOrder)
{
    Folder.WriteProfiles({});
    Folder.WriteFormats({Format("a", "One"), Format("b", "Two"), Format("", "Three")});
    const TCatalogue& c = Load();
    ASSERT_EQ(c.Profiles.size(), 1);
    EXPECT_EQ(FormatTitles(c.Profiles[0]), QStringList({"One", "Two", "Three"}));
    EXPECT_EQ(c.FormatAssigned, QList<bool>({true, true, true}));
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(CatalogueLinkTest, FormatsJoinTheFirstProfileWithTheirCategoryOnly)
{
    Folder.WriteProfiles({Category("phones", "Phones", "phone"), Category("tv", "TV", "tv"),
                          Category("phones", "Phones again", "phone"), Category("Phones", "Capital", "phone")});
    Folder.WriteFormats({Format("phones", "P1"), Format("tv", "T1"), Format("nowhere", "Orphan"),
                         Format("phones", "P2")});
    const TCatalogue& c = Load();
    ASSERT_EQ(c.Profiles.size(), 5);
    EXPECT_EQ(FormatTitles(c.Profiles[0]), QStringList({"P1", "P2"}));
    EXPECT_EQ(FormatTitles(c.Profiles[1]), QStringList({"T1"}));
    EXPECT_TRUE(c.Profiles[2].Formats.isEmpty()) << "a duplicate ID gets nothing";
    EXPECT_TRUE(c.Profiles[3].Formats.isEmpty()) << "IDs compare with letter case";
    EXPECT_EQ(FormatTitles(c.Profiles[4]), QStringList({"P1", "T1", "Orphan", "P2"}));
}

TEST_F(CatalogueLinkTest, AProfileWithIdZeroTakesEveryFormatFromTheProfilesAfterIt)
{
    Folder.WriteProfiles({Category("a", "A", "a"), Category("0", "Zero", "z"), Category("b", "B", "b")});
    Folder.WriteFormats({Format("a", "A1"), Format("b", "B1")});
    const TCatalogue& c = Load();
    EXPECT_EQ(FormatTitles(c.Profiles[0]), QStringList({"A1"}));
    EXPECT_EQ(FormatTitles(c.Profiles[1]), QStringList({"A1", "B1"}));
    EXPECT_TRUE(c.Profiles[2].Formats.isEmpty());
    EXPECT_EQ(FormatTitles(c.Profiles[3]), QStringList({"A1", "B1"}));
}

TEST_F(CatalogueLinkTest, PersistedChoiceSelectsAndShowsTheProfilesIconIgnoringCase)
{
    Folder.WriteProfiles({Category("a", "A", "first"), Category("b", "B", "PhoNe")});
    Folder.WriteFormats({Format("a", "A1"), Format("b", "B1", "first"), Format("b", "B2", "first")});
    Folder.WriteIcon("first.png", Qt::red);
    Folder.WriteIcon("phone.png", Qt::green);
    const TCatalogue& c = Load([](TCatalogue& c) {
        c.RecentProfileInd = 1;
        c.RecentFormatInd = 1;
    });
    EXPECT_EQ(c.SelectedProfileInd, 1);
    EXPECT_EQ(c.SelectedFormatInd, 1);
    EXPECT_TRUE(c.ProfileDisplay().Restored);
    EXPECT_EQ(c.ProfileDisplay().Label, "B2");
    // The profile's icon "PhoNe" (not the format's "first") matches phone.png.
    EXPECT_EQ(c.ProfileDisplay().Picture.pixelColor(0, 0), QColor(Qt::green));

    // A choice inside "All Profiles" is found too; its icon "menuall" is
    // missing, so the first icon is shown.
    const TCatalogue& all = Load([](TCatalogue& c) {
        c.RecentProfileInd = 2;
        c.RecentFormatInd = 2;
    });
    EXPECT_EQ(all.SelectedProfileInd, 2);
    EXPECT_EQ(all.ProfileDisplay().Label, "B2");
    EXPECT_EQ(all.ProfileDisplay().Picture.pixelColor(0, 0), QColor(Qt::red));
}

TEST_F(CatalogueLinkTest, PersistedIndicesBeyondTheCatalogueLeaveTheSelectionAtZero)
{
    Folder.WriteProfiles({Category("a", "A", "a")});
    Folder.WriteFormats({Format("a", "A1")});
    for (const auto& [p, k] : {std::pair{0, 1}, std::pair{2, 0}, std::pair{-1, -1}, std::pair{7, 7}}) {
        const TCatalogue& c = Load([p = p, k = k](TCatalogue& c) {
            c.RecentProfileInd = p;
            c.RecentFormatInd = k;
        });
        EXPECT_EQ(c.SelectedProfileInd, 0);
        EXPECT_EQ(c.SelectedFormatInd, 0);
        EXPECT_FALSE(c.ProfileDisplay().Restored) << p << "," << k;
    }
}

TEST_F(CatalogueLinkTest, PersistedChoiceWithoutAnyIconsStillLinksEverything)
{
    Folder.WriteProfiles({Category("a", "A", "a")});
    Folder.WriteFormats({Format("a", "A1"), Format("a", "A2")});
    const TCatalogue& c = Load([](TCatalogue& c) { c.RecentProfileInd = 0; });
    EXPECT_TRUE(c.ProfileDisplay().Restored);
    EXPECT_TRUE(c.ProfileDisplay().Picture.isNull());
    EXPECT_EQ(c.Profiles[0].Formats.size(), 2);
    EXPECT_EQ(c.Profiles[1].Formats.size(), 2);
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(CatalogueLinkTest, LastEditedValuesReplaceNineFieldsOfThatOneCopy)
{
    Folder.WriteProfiles({Category("a", "A", "a")});
    Folder.WriteFormats({Format("a", "A1"), Format("a", "A2")});
    const TCatalogue& c = Load([](TCatalogue& c) {
        c.LastEditedProfileInd = 0;
        c.LastEditedFormatInd = 1;
        c.LastEdited = {"libx265", "900000", "23976", "1280", "720", "ac3", "448000", "44100", ""};
    });
    const TFormat& edited = c.Profiles[0].Formats[1];
    EXPECT_EQ(edited.VideoCodecName, "libx265");
    EXPECT_EQ(edited.VideoBitRate, "900000");
    EXPECT_EQ(edited.FrameRate, "23976");
    EXPECT_EQ(edited.Width, "1280");
    EXPECT_EQ(edited.Height, "720");
    EXPECT_EQ(edited.AudioCodecName, "ac3");
    EXPECT_EQ(edited.AudioBitRate, "448000");
    EXPECT_EQ(edited.SampleRate, "44100");
    EXPECT_EQ(edited.Channel, "") << "a value the settings lacked is empty";
    // The copy is judged by the values a conversion will read.
    EXPECT_EQ(edited.Fault, "channel is missing");
    EXPECT_EQ(c.AllFormats[1].Fault, "");
    // Every other field of that copy, and every other copy, keeps the catalogue's values.
    const TFormat& original = c.AllFormats[1];
    EXPECT_EQ(OtherFields(edited), OtherFields(original));
    EXPECT_EQ(EditableFields(c.Profiles[1].Formats[1]), EditableFields(original)) << "the All Profiles copy";
    EXPECT_EQ(EditableFields(c.Profiles[0].Formats[0]), EditableFields(c.AllFormats[0]));
}

TEST(ProfileIconsTest, LookupMatchesByCaseOrExactlyAndFallsBackToTheFirst)
{
    QList<TProfileIcon> icons = {{"video", {}}, {"Phone", {}}, {"phone", {}}};
    EXPECT_EQ(ProfileIconIndex(icons, "PHONE"), 1);
    EXPECT_EQ(ProfileIconIndex(icons, "phone", Qt::CaseSensitive), 2);
    EXPECT_EQ(ProfileIconIndex(icons, "PHONE", Qt::CaseSensitive), 0);
    EXPECT_EQ(ProfileIconIndex(icons, "tv"), 0);
    EXPECT_EQ(ProfileIconIndex({}, "tv"), -1);
    EXPECT_TRUE(ProfileIconPicture({}, "tv").isNull());
}

}  // namespace
