// The disc scan on discs described by hand: rows and entries stay aligned
// with invalid titles among them, the longest title is pre-selected, the
// information text has its fixed wording, and a disc without titles changes
// nothing.
#include "main/DVDInfoText.h"
#include "main/TDiscScan.h"
#include "main/TTitleModel.h"
#include "tests/main/TitleRecords.h"

#include <gtest/gtest.h>

#include <map>

using namespace titletest;

namespace {

// A disc of the given titles; a missing record is an unreadable title.
struct FakeDisc {
    std::map<int, TDVDTitleInfo> Titles;
    int Count = 0;
    std::string LastPath;

    TDVDTitleReader Reader()
    {
        return {[this](const std::string& path) {
                    LastPath = path;
                    return Count;
                },
                [this](int index, TDVDTitleInfo& info) {
                    const auto it = Titles.find(index);
                    if (it == Titles.end())
                        return false;
                    info = it->second;
                    return true;
                },
                [] { return std::string("/media/x is not a DVD-Video disc."); }};
    }
};

class DiscScanTest : public ::testing::Test {
protected:
    QList<TProfile> Profiles = MakeProfiles();
    QList<TProfileIcon> Icons = MakeIcons();
    TTitleModel Model{Profiles, Icons};
};

TEST_F(DiscScanTest, AnUnreadableTitleKeepsItsRowAndTheOthersTheirOwnEntries)
{
    FakeDisc disc;
    disc.Count = 3;
    disc.Titles[0] = MakeTitle(60, {{0x80, "en", "English"}});
    disc.Titles[2] = MakeTitle(120, {}, {{0x21, "fr", "French"}});
    Model.SetSelectedFormat(0, 0);

    const TDiscScanResult result = ScanDisc(Model, "/dev/sr0", disc.Reader());
    EXPECT_EQ(result.Count, 3);
    ASSERT_EQ(Model.RowCount(), 3);
    ASSERT_EQ(Model.VideoFiles().size(), 3);
    EXPECT_EQ(Model.CellText(1, 0), "Title #2 is invalid");
    EXPECT_EQ(Model.Data(1), nullptr);
    EXPECT_EQ(Model.VideoFiles()[1].TrimmedLength, 0);
    EXPECT_EQ(Model.VideoFiles()[0].TrimmedLength, 60000000);
    EXPECT_EQ(Model.VideoFiles()[2].TrimmedLength, 120000000);
    EXPECT_GT(Model.VideoFiles()[2].EstimatedSize, Model.VideoFiles()[0].EstimatedSize);
    EXPECT_EQ(Model.Data(2)->Selection.SubtitleID, 0x21);
    EXPECT_EQ(Model.Data(2)->Selection.TitleIndex, 2);
    EXPECT_EQ(result.FailureLines, QStringList{"Calling DVDGetTitle(#1) failed."});
    EXPECT_EQ(result.FailureReasons, QStringList{"/media/x is not a DVD-Video disc."}) << "the reader's reason";
    EXPECT_EQ(Model.DVDPath(), "/dev/sr0");
    // The longest title is pre-selected and checked, and only it.
    EXPECT_EQ(result.PreselectedRow, 2);
    EXPECT_TRUE(Model.IsChecked(2));
    EXPECT_FALSE(Model.IsChecked(0));
    // Only the valid titles are described.
    EXPECT_EQ(result.InfoLines.first(), "There are 3 title(s) in /dev/sr0");
    EXPECT_FALSE(result.InfoLines.join('\n').contains("Title #2 "));
    EXPECT_TRUE(result.InfoLines.contains("Title #3 Length: 120.00"));
}

TEST_F(DiscScanTest, PreselectionPrefersTheFirstOfEqualLengthsAndRowOneWhenAllAreInvalid)
{
    FakeDisc disc;
    disc.Count = 3;
    disc.Titles[0] = MakeTitle(30);
    disc.Titles[1] = MakeTitle(90);
    disc.Titles[2] = MakeTitle(90);
    EXPECT_EQ(ScanDisc(Model, "/a", disc.Reader()).PreselectedRow, 1);

    FakeDisc broken;
    broken.Count = 2;
    const TDiscScanResult result = ScanDisc(Model, "/b", broken.Reader());
    EXPECT_EQ(result.PreselectedRow, 0);
    EXPECT_TRUE(Model.IsChecked(0));
    EXPECT_EQ(result.FailureLines.size(), 2);
    EXPECT_EQ(result.InfoLines, QStringList{"There are 2 title(s) in /b"});
}

TEST_F(DiscScanTest, ADiscWithoutTitlesChangesNothing)
{
    FakeDisc disc;
    disc.Count = 1;
    disc.Titles[0] = MakeTitle(45);
    ScanDisc(Model, "/dev/sr0", disc.Reader());
    const QList<TVideoFile> before = Model.VideoFiles();

    FakeDisc empty;
    for (int count : {0, -1}) {
        empty.Count = count;
        const TDiscScanResult result = ScanDisc(Model, "/media/x", empty.Reader());
        EXPECT_EQ(result.Count, count);
        EXPECT_EQ(result.DiscError, "/media/x is not a DVD-Video disc.");
        EXPECT_EQ(Model.RowCount(), 1);
        EXPECT_EQ(Model.DVDPath(), "/dev/sr0");
        EXPECT_EQ(Model.VideoFiles()[0].TrimmedLength, before[0].TrimmedLength);
    }
}

TEST_F(DiscScanTest, ARescanDiscardsEveryPerTitleChoice)
{
    FakeDisc disc;
    disc.Count = 2;
    disc.Titles[0] = MakeTitle(10, {{0x80, "en", "English"}, {0x81, "de", "German"}});
    disc.Titles[1] = MakeTitle(20);
    ScanDisc(Model, "/dev/sr0", disc.Reader());
    Model.SelectItem(0, true);
    ASSERT_TRUE(Model.AudioChange(1));
    ASSERT_TRUE(Model.StoreDestination("Renamed"));
    Model.VideoFile(0).CropLeft = 8;

    ScanDisc(Model, "/dev/sr0", disc.Reader());
    EXPECT_EQ(Model.SelectedRow(), -1);
    EXPECT_EQ(Model.Data(0)->Selection.AudioID, 0x80);
    EXPECT_EQ(Model.VideoFiles()[0].DestinationTitle, "Title1");
    EXPECT_EQ(Model.VideoFiles()[0].CropLeft, 0);
    EXPECT_FALSE(Model.IsChecked(0));
    EXPECT_TRUE(Model.IsChecked(1));
}

TEST_F(DiscScanTest, LengthsRoundToTheNearestMicrosecond)
{
    FakeDisc disc;
    disc.Count = 1;
    disc.Titles[0] = MakeTitle(1.0000006);
    ScanDisc(Model, "/dev/sr0", disc.Reader());
    EXPECT_EQ(Model.VideoFiles()[0].TrimmedLength, 1000001);
}

TEST(DVDInfoTextTest, TitleLinesInTheirFixedWording)
{
    TDVDTitleInfo t = MakeTitle(5.005, {{0x80, "en", "English"}, {0xC1, "", ""}}, {{0x20, "fr", "French"}}, 2);
    t.VideoType = 2;
    t.VideoID = 0xE0;
    t.Width = 720;
    t.Height = 480;
    t.Norm = 1;
    t.Aspect = 1;
    t.Audio[0].StreamType = 4;
    t.Audio[0].SampleRate = 48000;
    t.Audio[0].Channels = 6;
    t.Audio[1].StreamType = 3;
    t.Subtitles[0].StreamType = 7;
    t.Chapters[0] = 2.5;
    t.Chapters[1] = 2.505;
    EXPECT_EQ(DVDTitleInfoLines(0, t), (QStringList{
                                           "Title #1 Length: 5.00",
                                           "  Video Type[MPEG-2], ID[0xe0], Frame Size[720x480], Norm[NTSC], "
                                           "Aspect[HDTV(16:9)]",
                                           "  AudioCount: 2",
                                           "    Audio #0 Type[AC3], ID[0x80], SampleRate[48000], Channels[6], "
                                           "Language[en, English]",
                                           "    Audio #1 Type[MPA], ID[0xc1], SampleRate[0], Channels[0], "
                                           "Language[, ]",
                                           "  SubtitleCount: 1",
                                           "    Subtitle #0 Type[SUB], ID[0x20], Language[fr, French]",
                                           "  ChapterCount: 2",
                                           "    Chapter #1 Length: 2.50",
                                           "    Chapter #2 Length: 2.50",
                                           "  IsValid: True",
                                       }));
    t.IsValid = 0;
    EXPECT_EQ(DVDTitleInfoLines(0, t).last(), "  IsValid: False");
}

TEST(DVDInfoTextTest, ChapterLinesOnlyBelowAHundredChapters)
{
    TDVDTitleInfo t = MakeTitle(100, {}, {}, 99);
    QStringList lines = DVDTitleInfoLines(4, t);
    EXPECT_EQ(lines.first(), "Title #5 Length: 100.00");
    EXPECT_TRUE(lines.contains("  ChapterCount: 99"));
    EXPECT_EQ(lines.filter("    Chapter #").size(), 99);
    t.ChapterCount = 100;
    lines = DVDTitleInfoLines(4, t);
    EXPECT_TRUE(lines.contains("  ChapterCount: 100"));
    EXPECT_TRUE(lines.filter("    Chapter #").isEmpty());
    // Counts beyond what the record holds never read past it.
    t.AudioCount = 500;
    t.SubtitleCount = 500;
    lines = DVDTitleInfoLines(4, t);
    EXPECT_EQ(lines.filter("    Audio #").size(), 8);
    EXPECT_EQ(lines.filter("    Subtitle #").size(), 32);
}

}  // namespace
