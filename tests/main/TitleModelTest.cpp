#include "TitleModelFixture.h"

#include "main/ProfileChoice.h"
#include "main/TitleColumns.h"
#include "main/TitleText.h"

#include <cmath>
#include <limits>

namespace {

using namespace titletest;

TEST_F(TitleModelTest, ValidTitleRowStartsWithItsFirstStreamsAndEstimate)
{
    TDVDTitleInfo t = MakeTitle(3600, {{0x80, "en", "English"}, {0x81, "fr", "Français"}},
                                {{0x20, "de", "Deutsch"}}, 12);
    model.AddTitle(&t, 0, 0, 0);
    t.Audio[0].StreamID = 0x99;  // the row keeps a copy of its own

    ASSERT_NE(model.Data(0), nullptr);
    EXPECT_EQ(model.Data(0)->Info.Audio[0].StreamID, 0x80);
    const TTitleSelection& s = model.Data(0)->Selection;
    EXPECT_EQ(QList<int>({s.TitleIndex, s.FromChapter, s.ToChapter, s.AudioID, s.SubtitleID, s.AudioChannels,
                          s.Deinterlace}),
              QList<int>({0, 1, 12, 0x80, 0x20, 2, 0}));
    const TVideoFile& e = model.VideoFiles().at(0);
    EXPECT_EQ(e.TrimmedLength, kHour);
    EXPECT_EQ(e.TimeEnd, kHour);
    EXPECT_EQ(e.SourceWidth, 720);
    EXPECT_EQ(e.SourceHeight, 576);
    EXPECT_DOUBLE_EQ(e.EstimatedSize, 507600.0 / 1024);
    EXPECT_EQ(RowTexts(0), QStringList({"Title #1", "01:00:00", SizeText(507600.0 / 1024), "Title1", ".mp4", "12",
                                        "1", "12", "ID[0x80], en", "ID[0x20], de", "No"}));
    EXPECT_TRUE(reports.empty());
}

TEST_F(TitleModelTest, InvalidTitleRowHasOnlyItsCaptionAndAZeroEntry)
{
    AddFeature(0);
    model.AddTitle(nullptr, 1, 1, 1);
    AddBare(2);

    ASSERT_EQ(model.VideoFiles().size(), 3);
    EXPECT_EQ(model.Data(1), nullptr);
    EXPECT_EQ(RowTexts(1), QStringList({"Title #2 is invalid", "", "", "", "", "", "", "", "", "", ""}));
    const TVideoFile& e = model.VideoFiles().at(1);
    EXPECT_EQ(e.ProfileInd + e.FormatInd + e.TrimmedLength, 0);
    EXPECT_TRUE(e.DestinationTitle.isEmpty());
    EXPECT_EQ(model.VideoFiles().at(2).DestinationTitle, "Title3");
    EXPECT_EQ(model.RowSourceString(1), QString());
}

TEST_F(TitleModelTest, TitleWithoutStreamsShowsSoAndAsksForNoAudio)
{
    model.SetDVDPath(QStringLiteral("/media/disc/VIDEO_TS"));
    AddBare(0);
    EXPECT_EQ(model.CellText(0, tcAudio), "No audio tracks");
    EXPECT_EQ(model.CellText(0, tcSubtitle), "No subtitles");
    EXPECT_EQ(model.RowSourceString(0),
              "opendvd:/media/disc/VIDEO_TS|Title=1,FromChapter=1,ToChapter=1,AudioID=0,SubtitleID=0,"
              "AudioChannels=2,Deinterlace=0");
}

TEST_F(TitleModelTest, RecordCountsBeyondTheArraysAreNotFollowed)
{
    TDVDTitleInfo t = MakeTitle(60, {{0x80, "en", "English"}}, {}, 3);
    t.AudioCount = 1000;
    t.SubtitleCount = -5;
    model.AddTitle(&t, 0, 0, 0);
    EXPECT_EQ(model.CellText(0, tcSubtitle), "No subtitles");
    const TTitleControls c = *model.SelectItem(0, true)->Controls;
    EXPECT_EQ(c.AudioItems.size(), kDVDMaxAudio + 2) << "the tracks, \"All audio tracks\" and \"Disable\"";
    EXPECT_EQ(c.SubtitleItems, QStringList{"No subtitles"});
}

TEST_F(TitleModelTest, TheRowKeepsTheShapeTheDiscShowsTheTitleAt)
{
    // The record says 0 for 4:3 and 1 for 16:9; anything else is unknown.
    const QStringList shapes = {"4:3", "16:9", "0:0", "0:0"};
    for (const int32_t record : {0, 1, 2, -1}) {
        TDVDTitleInfo t = MakeTitle(60);
        t.Aspect = record;
        model.AddTitle(&t, model.RowCount(), 0, 0);
        const TVideoFile& e = model.VideoFiles().back();
        EXPECT_EQ(QStringLiteral("%1:%2").arg(e.DisplayAspect.Width).arg(e.DisplayAspect.Height),
                  shapes[model.RowCount() - 1]);
        EXPECT_EQ(e.SourceHeight, 576) << "the stored size stays as it is";
    }
}

TEST_F(TitleModelTest, LengthRoundsToTheNearestMicrosecond)
{
    EXPECT_EQ(TTitleModel::LengthToMicroseconds(1.0000006), 1000001);
    EXPECT_EQ(TTitleModel::LengthToMicroseconds(1.0000004), 1000000);
    EXPECT_EQ(TTitleModel::LengthToMicroseconds(std::nan("")), 0);
    EXPECT_EQ(TTitleModel::LengthToMicroseconds(1e300), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(TTitleModel::LengthToMicroseconds(-1e300), std::numeric_limits<int64_t>::min());
}

TEST_F(TitleModelTest, FailedEstimateIsReportedAndKeepsThePreviousSize)
{
    AddFeature(0);
    TVideoFile& e = model.VideoFile(0);
    const double before = e.EstimatedSize;
    e.ProfileInd = 1;
    e.FormatInd = 1;  // video bit rate "fast"
    EXPECT_FALSE(model.EstimateVideoSize(0));
    e.ProfileInd = e.FormatInd = 0;
    e.TrimmedLength = 24 * kHour;
    EXPECT_FALSE(model.EstimateVideoSize(0));
    e.TrimmedLength = kHour;
    e.ProfileInd = 7;  // no such profile
    EXPECT_FALSE(model.EstimateVideoSize(0));

    EXPECT_DOUBLE_EQ(e.EstimatedSize, before);
    const std::pair<QString, QString> report{"Error getting Estimated Video Size", "CLM_EstimVideoSize"};
    EXPECT_EQ(reports, decltype(reports)(3, report));
    e.ProfileInd = 1;
    e.FormatInd = 0;  // no rates at all
    EXPECT_TRUE(model.EstimateVideoSize(0));
    EXPECT_DOUBLE_EQ(e.EstimatedSize, 0.0);
}

TEST_F(TitleModelTest, RefreshRewritesLengthSizeDestinationAndFormatOnly)
{
    AddFeature(0);
    model.AddTitle(nullptr, 1, 0, 0);
    TVideoFile& e = model.VideoFile(0);
    e.TrimmedLength = kHour / 2;
    e.DestinationTitle = QStringLiteral("Feature");
    e.FormatInd = 1;
    model.SelectItem(0, true);
    ASSERT_TRUE(model.AudioChange(3));
    model.RefreshTitleColumns();

    EXPECT_EQ(RowTexts(0), QStringList({"Title #1", "00:30:00", SizeText(16.0 * 1800 / 1024), "Feature", ".m4a",
                                        "12", "1", "12", "Disable", "ID[0x20], de", "No"}));
    EXPECT_EQ(model.CellText(1, tcLength), "");
    EXPECT_TRUE(reports.empty());
}

TEST_F(TitleModelTest, TrimSetsThePartToConvertWithItsLengthAndEstimate)
{
    AddFeature(0);
    model.AddTitle(nullptr, 1, 0, 0);
    EXPECT_TRUE(model.SetTrim(0, kHour / 4, kHour / 2));
    const TVideoFile& e = model.VideoFiles().at(0);
    EXPECT_EQ(QList<int64_t>({e.TimeStart, e.TimeEnd, e.TrimmedLength}),
              QList<int64_t>({kHour / 4, kHour / 2, kHour / 4}));
    EXPECT_DOUBLE_EQ(e.EstimatedSize, 507600.0 / 1024 / 4);
    EXPECT_EQ(model.CellText(0, tcLength), "00:15:00");
    EXPECT_EQ(model.CellText(0, tcSize), SizeText(507600.0 / 1024 / 4));
    EXPECT_FALSE(model.SetTrim(1, 0, kHour)) << "an invalid title's row has nothing to trim";
    EXPECT_FALSE(model.SetTrim(5, 0, kHour));
    EXPECT_EQ(model.VideoFiles().at(1).TimeEnd, 0);
}

TEST_F(TitleModelTest, BuildSourceListListsCheckedRowsAndSkipsInvalidOnes)
{
    model.SetDVDPath(QStringLiteral("/dev/sr0"));
    AddFeature(0);
    model.AddTitle(nullptr, 1, 0, 0);
    AddBare(2);
    AddBare(3);
    model.VideoFile(3).Enabled = true;  // left over from an earlier run
    model.CheckAll();
    model.SetChecked(3, false);

    std::vector<std::pair<int, QString>> skipped;
    QStringList list{QStringLiteral("stale")};
    EXPECT_TRUE(model.BuildSourceList(list, [&](int row, const QString& caption) { skipped.emplace_back(row, caption); }));
    ASSERT_EQ(list.size(), 2);
    EXPECT_TRUE(list[0].startsWith("opendvd:/dev/sr0|Title=1,"));
    EXPECT_TRUE(list[1].startsWith("opendvd:/dev/sr0|Title=3,"));
    // Enabled marks exactly the listed rows, so job k meets source k.
    QList<bool> enabled;
    for (const TVideoFile& e : model.VideoFiles())
        enabled << e.Enabled;
    EXPECT_EQ(enabled, QList<bool>({true, false, true, false}));
    // The title's caption, not the invalid row's own text ("Title #2 is invalid").
    EXPECT_EQ(skipped, decltype(skipped)({{1, "Title #2"}}));

    model.UncheckAll();
    model.SetChecked(1, true);
    EXPECT_FALSE(model.BuildSourceList(list));
    EXPECT_TRUE(list.isEmpty());
    EXPECT_FALSE(model.VideoFiles().at(0).Enabled);
}

TEST_F(TitleModelTest, CheckMarksDecideTheStartButton)
{
    AddFeature(0);
    AddFeature(1);
    EXPECT_FALSE(model.StartEnabled());
    model.SetChecked(1, true);
    EXPECT_TRUE(model.StartEnabled());
    model.UncheckAll();
    EXPECT_FALSE(model.StartEnabled());
    model.SetChecked(5, true);  // no such row
    EXPECT_FALSE(model.StartEnabled());
}

TEST_F(TitleModelTest, ApplyToAllGivesEveryTitleTheShownFormat)
{
    AddFeature(0);
    AddFeature(1);
    model.VideoFile(1).ProfileInd = 1;
    model.SetSelectedFormat(0, 1);
    model.ApplyToAllClick(false);
    EXPECT_EQ(model.VideoFiles().at(1).ProfileInd, 1);

    model.ApplyToAllClick(true);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(model.VideoFiles().at(i).ProfileInd, 0);
        EXPECT_EQ(model.VideoFiles().at(i).FormatInd, 1);
        EXPECT_EQ(model.CellText(i, tcFormat), ".m4a");
        EXPECT_EQ(model.CellText(i, tcSize), SizeText(16.0 * 3600 / 1024));
    }
}

TEST_F(TitleModelTest, ClearTitlesEmptiesRowsEntriesAndSelection)
{
    AddFeature(0);
    model.SelectItem(0, true);
    model.ClearTitles();
    EXPECT_EQ(model.RowCount(), 0);
    EXPECT_TRUE(model.VideoFiles().isEmpty());
    EXPECT_EQ(model.SelectedRow(), -1);
    EXPECT_FALSE(model.AudioChange(0));
}

}  // namespace

namespace {

// The chooser's choice over a catalogue: one title or all of them take the
// format, the choice is remembered, and the field shows the format's title
// with its profile's icon.
TEST(ProfileChoiceTest, TheChoiceGoesToTheSelectedTitleOrToEveryTitle)
{
    const auto picture = [](Qt::GlobalColor c) {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(c);
        return image;
    };
    const struct {
        bool ApplyToAll;
        int SelectedRow;
        QList<int> FormatInds;  // of the three titles afterwards, all in profile 0 before
    } cases[] = {{false, 1, {0, 1, 0}}, {true, 1, {1, 1, 1}}, {false, -1, {0, 0, 0}}, {true, -1, {1, 1, 1}}};
    for (const auto& c : cases) {
        TCatalogue catalogue{""};
        catalogue.Profiles = titletest::MakeProfiles();
        catalogue.ProfileIcons = {TProfileIcon{"generic", picture(Qt::red)}, TProfileIcon{"IPOD", picture(Qt::blue)}};
        TTitleModel titles(catalogue.Profiles, catalogue.ProfileIcons);
        const TDVDTitleInfo t = titletest::MakeTitle(3600, {}, {}, 1);
        for (int i = 0; i < 3; ++i)
            titles.AddTitle(&t, i, 0, 0);
        titles.SelectItem(c.SelectedRow, true);
        const QString before = titles.CellText(0, tcSize);
        const TProfileDisplay shown = ApplyProfileChoice(catalogue, titles, {0, 1}, c.ApplyToAll, {});
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(titles.VideoFiles()[row].FormatInd, c.FormatInds[row]) << c.ApplyToAll << c.SelectedRow;
        // The audio format's estimate replaces the video one's.
        EXPECT_EQ(titles.CellText(0, tcSize) != before, c.FormatInds[0] == 1);
        EXPECT_EQ(titles.CellText(1, tcFormat), c.FormatInds[1] == 1 ? ".m4a" : ".mp4");
        EXPECT_EQ(QList<int>({catalogue.SelectedProfileInd, catalogue.SelectedFormatInd, catalogue.RecentProfileInd,
                              catalogue.RecentFormatInd}),
                  QList<int>({0, 1, 0, 1}));
        EXPECT_EQ(shown.Label, "iPod Audio");
        EXPECT_EQ(shown.Picture.pixelColor(0, 0), QColor(Qt::blue));  // "iPod" found as "IPOD"
    }
}

TEST(ProfileChoiceTest, AChoiceOutsideTheCatalogueIsReportedAndChangesNothing)
{
    TCatalogue catalogue{""};
    catalogue.Profiles = titletest::MakeProfiles();
    TTitleModel titles(catalogue.Profiles, catalogue.ProfileIcons);
    const TDVDTitleInfo t = titletest::MakeTitle(60, {}, {}, 1);
    titles.AddTitle(&t, 0, 1, 1);
    titles.SelectItem(0, true);
    QStringList reports;
    const TProfileDisplay shown = ApplyProfileChoice(catalogue, titles, {1, 2}, true,
                                                     [&](const QString& m, const QString& mark) { reports << m << mark; });
    EXPECT_EQ(reports, QStringList({"Error on profile 0, format 0 choosing", "CLM_ProfileChoosing"}));
    EXPECT_FALSE(shown.Restored);
    EXPECT_EQ(titles.VideoFiles()[0].FormatInd, 1);
    EXPECT_EQ(titles.CellText(0, tcFormat), ".mkv");
}

}  // namespace
