#include "TitleModelFixture.h"

#include "main/TitleColumns.h"

namespace {

using namespace titletest;

// The megabytes of a size column's text ("2.49 MB", with the locale's decimal point).
double SizeOf(QString text)
{
    return text.section(u' ', 0, 0).replace(u',', u'.').toDouble();
}

TEST_F(TitleModelTest, SelectingAValidRowFillsAndEnablesTheControls)
{
    AddFeature(0);
    model.SetSelectedFormat(1, 1);
    EXPECT_FALSE(model.SelectItem(-1, true).has_value());
    EXPECT_EQ(model.SelectedProfileInd(), 1) << "no row: nothing changes";

    const std::optional<TRowSelection> s = model.SelectItem(0, true);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(model.SelectedRow(), 0);
    EXPECT_EQ(model.SelectedProfileInd(), 0);
    EXPECT_EQ(model.SelectedFormatInd(), 0);
    EXPECT_EQ(s->ProfileLabel, "iPod Video");
    EXPECT_EQ(s->ProfileIconIndex, 1) << "icon IDs match without regard to case";
    EXPECT_TRUE(s->ControlsEnabled);
    const TTitleControls& c = s->Controls.value();
    EXPECT_EQ(QList<int>({c.ChapterMin, c.ChapterMax, c.FromChapter, c.ToChapter}), QList<int>({1, 12, 1, 12}));
    EXPECT_EQ(c.AudioItems, QStringList({"English[0x80]", "Français[0x81]", "All audio tracks", "Disable"}));
    EXPECT_EQ(c.AudioIndex, 0);
    EXPECT_EQ(c.SubtitleItems, QStringList({"Deutsch[0x20]", "Disable"}));
    EXPECT_EQ(c.SubtitleIndex, 0);
    EXPECT_FALSE(c.Deinterlace);
}

TEST_F(TitleModelTest, InvalidOrDeselectedRowsDisableTheControls)
{
    AddFeature(0);
    model.AddTitle(nullptr, 1, 0, 0);
    model.VideoFile(0).ProfileInd = 1;

    std::optional<TRowSelection> s = model.SelectItem(1, true);
    EXPECT_FALSE(s->ControlsEnabled);
    EXPECT_FALSE(s->Controls.has_value());

    s = model.SelectItem(0, false);  // deselecting a row other than the selected one
    EXPECT_FALSE(s->ControlsEnabled);
    EXPECT_EQ(s->ProfileLabel, "AVI");
    EXPECT_EQ(s->ProfileIconIndex, 0) << "no icon matches: the first one";
    EXPECT_EQ(model.SelectedRow(), 1);
    model.SelectItem(1, false);
    EXPECT_EQ(model.SelectedRow(), -1);
}

TEST_F(TitleModelTest, AudioChoiceSetsTheStreamOrSwitchesAudioOff)
{
    AddFeature(0);
    model.SelectItem(0, true);
    EXPECT_TRUE(model.AudioChange(1));
    EXPECT_EQ(model.Data(0)->Selection.AudioID, 0x81);
    EXPECT_EQ(model.CellText(0, tcAudio), "ID[0x81], fr");
    const QString oneTrack = model.CellText(0, tcSize);
    EXPECT_TRUE(model.AudioChange(2));
    EXPECT_EQ(model.Data(0)->Selection.AudioID, kDVDAllAudioID);
    EXPECT_EQ(model.CellText(0, tcAudio), "All");
    // Both tracks are encoded, so the estimate grows, and shrinks back.
    EXPECT_GT(SizeOf(model.CellText(0, tcSize)), SizeOf(oneTrack));
    EXPECT_TRUE(model.SelectedSourceString().contains(",AudioID=-1,")) << "the plug-in keeps every track";
    EXPECT_EQ(model.SelectItem(0, true)->Controls->AudioIndex, 2);
    EXPECT_TRUE(model.AudioChange(3));
    EXPECT_EQ(model.Data(0)->Selection.AudioID, 0);
    EXPECT_EQ(model.CellText(0, tcAudio), "Disable");
    EXPECT_TRUE(model.SelectedSourceString().contains(",AudioID=0,"));
    // With no entry carrying the chosen ID the chooser shows its last item.
    EXPECT_EQ(model.SelectItem(0, true)->Controls->AudioIndex, 3);
    EXPECT_TRUE(model.AudioChange(0));
    EXPECT_EQ(model.CellText(0, tcAudio), "ID[0x80], en");
    EXPECT_EQ(model.CellText(0, tcSize), oneTrack);
    EXPECT_TRUE(model.AudioChange(-1));
    EXPECT_EQ(model.Data(0)->Selection.AudioID, 0);
}

TEST_F(TitleModelTest, TitleWithoutStreamsOffersOnlyTheNoneItems)
{
    AddBare(0);
    const TTitleControls c = *model.SelectItem(0, true)->Controls;
    EXPECT_EQ(c.AudioItems, QStringList{"No audio tracks"});
    EXPECT_EQ(c.AudioIndex, 0);
    EXPECT_EQ(c.SubtitleItems, QStringList{"No subtitles"});
    EXPECT_TRUE(model.AudioChange(0));
    EXPECT_TRUE(model.SubtitleChange(0));
    EXPECT_EQ(model.CellText(0, tcAudio), "No audio tracks");
    EXPECT_EQ(model.CellText(0, tcSubtitle), "No subtitles");
}

TEST_F(TitleModelTest, SubtitleChoiceAndDeinterlace)
{
    AddFeature(0);
    model.SelectItem(0, true);
    EXPECT_TRUE(model.SubtitleChange(1));
    EXPECT_EQ(model.Data(0)->Selection.SubtitleID, 0);
    EXPECT_EQ(model.CellText(0, tcSubtitle), "Disable");
    EXPECT_TRUE(model.SubtitleChange(0));
    EXPECT_EQ(model.CellText(0, tcSubtitle), "ID[0x20], de");

    EXPECT_TRUE(model.DeinterlaceClick(true));
    EXPECT_EQ(model.CellText(0, tcDeinterlace), "Yes");
    EXPECT_TRUE(model.SelectedSourceString().endsWith(",Deinterlace=-1"));
    EXPECT_TRUE(model.SelectItem(0, true)->Controls->Deinterlace);
    EXPECT_TRUE(model.DeinterlaceClick(false));
    EXPECT_EQ(model.CellText(0, tcDeinterlace), "No");
    EXPECT_TRUE(model.SelectedSourceString().endsWith(",Deinterlace=0"));
}

TEST_F(TitleModelTest, StreamIDsLeadToTheirChooserItems)
{
    AddFeature(0);
    AddBare(1);
    const TTitleData& feature = *model.Data(0);
    EXPECT_EQ(AudioItemIndex(feature, 0x81), 1);
    EXPECT_EQ(AudioItemIndex(feature, 0), 3) << "no stream: the closing item";
    EXPECT_EQ(AudioItemIndex(feature, kDVDAllAudioID), 2);
    EXPECT_EQ(AudioItemIndex(feature, 0x82), -1);
    EXPECT_EQ(SubtitleItemIndex(feature, 0x20), 0);
    EXPECT_EQ(SubtitleItemIndex(feature, 0x80), -1) << "an audio ID is no subtitle";
    EXPECT_EQ(AudioItemIndex(*model.Data(1), 0), 0);
    EXPECT_EQ(AudioItemIndex(*model.Data(1), 0x80), -1);
    EXPECT_EQ(AudioItemIndex(*model.Data(1), kDVDAllAudioID), -1) << "no tracks: nothing to take all of";
}

TEST_F(TitleModelTest, HandlersIgnoreEventsWhileChangingOrWithoutABlock)
{
    AddFeature(0);
    model.AddTitle(nullptr, 1, 0, 0);
    EXPECT_FALSE(model.AudioChange(1)) << "no selected row";

    // Filling the controls fires their change events; they must not act.
    bool shown = false;
    model.SelectItem(0, true, [&](const TRowSelection&) {
        shown = true;
        EXPECT_FALSE(model.AudioChange(2));
        EXPECT_FALSE(model.SubtitleChange(-1));
        EXPECT_FALSE(model.DeinterlaceClick(true));
    });
    EXPECT_TRUE(shown);
    const TTitleSelection& s = model.Data(0)->Selection;
    EXPECT_EQ(QList<int>({s.AudioID, s.SubtitleID, s.Deinterlace}), QList<int>({0x80, 0x20, 0}));
    {
        TTitleModel::TChanging outer(model);
        TTitleModel::TChanging inner(model);
        EXPECT_FALSE(model.AudioChange(2));
    }
    EXPECT_EQ(model.Changing(), 0);
    EXPECT_ANY_THROW(model.SelectItem(0, true, [](const TRowSelection&) { throw 1; }));
    EXPECT_EQ(model.Changing(), 0) << "lowered again when filling fails";

    model.SelectItem(1, true);
    EXPECT_FALSE(model.AudioChange(0));
    EXPECT_FALSE(model.SubtitleChange(0));
    EXPECT_FALSE(model.DeinterlaceClick(true));
    EXPECT_EQ(model.SelectedSourceString(), QString());
}

TEST_F(TitleModelTest, RenameStoresAPlainFileNameAsTyped)
{
    AddFeature(0);
    AddFeature(1);
    model.AddTitle(nullptr, 2, 0, 0);
    EXPECT_FALSE(model.RenameText().has_value()) << "no selected row";
    EXPECT_FALSE(model.StoreDestination(QStringLiteral("x")));

    model.SelectItem(1, true);
    EXPECT_EQ(model.RenameText().value(), "Title2");
    const QString odd = QStringLiteral("  a:b*?\"<>|  ");
    EXPECT_TRUE(model.StoreDestination(odd));
    EXPECT_EQ(model.VideoFiles().at(1).DestinationTitle, odd);
    EXPECT_EQ(model.CellText(1, tcDestination), odd);
    EXPECT_EQ(model.VideoFiles().at(0).DestinationTitle, "Title1");
    // A name is one file in the output folder: no folders, no way out of it, not nothing.
    for (const QString& refused : {QStringLiteral("nosuchdir/Title1"), QStringLiteral("../x"), QStringLiteral(".."),
                                   QString()})
        EXPECT_FALSE(model.StoreDestination(refused)) << refused.toStdString();
    EXPECT_EQ(model.RenameText().value(), odd);

    model.SelectItem(2, true);
    EXPECT_FALSE(model.RenameText().has_value()) << "an invalid title is never converted";
    EXPECT_FALSE(model.StoreDestination(QStringLiteral("y")));
}

}  // namespace
