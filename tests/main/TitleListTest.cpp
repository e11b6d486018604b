// The main window's title list over the title model: the rows it shows, the
// per-title controls a selection fills, the choices, renaming, check marks
// and the owner-drawn rows, driven headless through the window's widgets.
#include "catalogue/TCatalogue.h"
#include "diagnostics/TErrorReporter.h"
#include "engine/MediaEngine.h"
#include "main/TApplicationWindows.h"
#include "main/TMainForm.h"
#include "main/TTitleListView.h"
#include "main/TitleColumns.h"
#include "tests/support/TestPaths.h"

#include "TitleRecords.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

#include "tests/main/ProgramWindows.h"

namespace {

using titletest::MakeTitle;

class TitleListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { maintest::EnsureApplication(); }

    void SetUp() override
    {
        QSettings("Quarnix", "Vidrelo").clear();
        Windows = maintest::StartWindows(Reported);
        ASSERT_FALSE(Form().Catalogue().Profiles.isEmpty());
    }

    TMainForm& Form() { return Windows->MainForm(); }

    // Row 0: a one-hour title with two audio tracks and a subtitle track;
    // row 1: an invalid title, as the scan adds them.
    void LoadTwoTitles()
    {
        const TDVDTitleInfo feature = MakeTitle(3600, {{0x80, "en", "English"}, {0x81, "fr", "French"}},
                                                {{0x20, "de", "Deutsch"}}, 12);
        Form().Titles().AddTitle(&feature, 0, 0, 0);
        Form().Titles().AddTitle(nullptr, 1, 0, 0);
        Form().FillTitleList();
        Form().lvTitles->show();
    }

    void Select(int row) { Form().lvTitles->setCurrentItem(Form().lvTitles->topLevelItem(row)); }
    QString Cell(int row, int column) { return Form().lvTitles->topLevelItem(row)->text(column); }

    void PressEnter(QWidget* widget)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QApplication::sendEvent(widget, &press);
    }

    vidrelo::TMediaEngineScope Engine;
    QStringList Reported;
    std::unique_ptr<TApplicationWindows> Windows;
};

TEST_F(TitleListTest, RowsShowTheModelsTextsAndStartUnchecked)
{
    LoadTwoTitles();
    TMainForm& form = Form();
    ASSERT_EQ(form.lvTitles->topLevelItemCount(), 2);
    for (int row = 0; row < 2; ++row) {
        QTreeWidgetItem* item = form.lvTitles->topLevelItem(row);
        EXPECT_TRUE(item->flags() & Qt::ItemIsUserCheckable);
        EXPECT_EQ(item->checkState(0), Qt::Unchecked);
        for (int c = 0; c < kTitleColumnCount; ++c)
            EXPECT_EQ(item->text(c), form.Titles().CellText(row, c)) << row << "/" << c;
    }
    EXPECT_EQ(Cell(0, tcSource), "Title #1");
    EXPECT_EQ(Cell(0, tcAudio), "ID[0x80], en");
    EXPECT_EQ(Cell(1, tcSource), "Title #2 is invalid");
    EXPECT_FALSE(form.StartButton->isEnabled());

    // A second scan replaces the rows rather than adding to them.
    form.Titles().ClearTitles();
    const TDVDTitleInfo bare = MakeTitle(60, {}, {}, 1);
    form.Titles().AddTitle(&bare, 0, 0, 0);
    form.FillTitleList();
    EXPECT_EQ(form.lvTitles->topLevelItemCount(), 1);
    EXPECT_EQ(Cell(0, tcAudio), "No audio tracks");
    EXPECT_TRUE(Reported.isEmpty()) << Reported.join("\n").toStdString();
}

TEST_F(TitleListTest, SelectingAValidRowFillsAndEnablesTheControlsAnInvalidOneDisablesThem)
{
    LoadTwoTitles();
    TMainForm& form = Form();
    Select(0);
    ASSERT_EQ(form.cboAudio->count(), 4);
    EXPECT_EQ(form.cboAudio->itemText(0), "English[0x80]");
    EXPECT_EQ(form.cboAudio->itemText(1), "French[0x81]");
    EXPECT_EQ(form.cboAudio->itemText(2), "All audio tracks");
    EXPECT_EQ(form.cboAudio->itemText(3), "Disable");
    EXPECT_EQ(form.cboAudio->currentIndex(), 0);
    EXPECT_EQ(form.cboSubtitle->itemText(0), "Deutsch[0x20]");
    EXPECT_FALSE(form.chkDeinterlace->isChecked());
    EXPECT_EQ(form.seToChapter->value(), 12);
    EXPECT_EQ(form.seFromChapter->value(), 1);
    for (QWidget* w : std::initializer_list<QWidget*>{form.cboAudio, form.cboSubtitle, form.chkDeinterlace,
                                                      form.lblProfile, form.btnAdvanced, form.seToChapter})
        EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
    EXPECT_EQ(form.lblProfile->text(), form.Catalogue().Profiles[0].Formats[0].Title);
    // Filling the choosers must not count as the user's choice.
    EXPECT_EQ(form.Titles().Data(0)->Selection.AudioID, 0x80);
    EXPECT_EQ(Cell(0, tcAudio), "ID[0x80], en");

    Select(1);
    EXPECT_EQ(form.cboAudio->count(), 0);
    for (QWidget* w : std::initializer_list<QWidget*>{form.cboAudio, form.cboSubtitle, form.chkDeinterlace,
                                                      form.lblProfile, form.btnAdvanced})
        EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
    form.btnRename->click();
    EXPECT_FALSE(form.edDestinationTitle->isVisible());
}

TEST_F(TitleListTest, ChoicesChangeTheSelectedRowsCellsAndSurviveReselectionAndRefill)
{
    LoadTwoTitles();
    TMainForm& form = Form();
    Select(0);
    form.cboAudio->setCurrentIndex(2);
    EXPECT_EQ(Cell(0, tcAudio), "All");
    EXPECT_EQ(form.Titles().Data(0)->Selection.AudioID, kDVDAllAudioID);
    form.cboAudio->setCurrentIndex(3);
    EXPECT_EQ(Cell(0, tcAudio), "Disable");
    EXPECT_EQ(form.Titles().Data(0)->Selection.AudioID, 0);
    form.cboAudio->setCurrentIndex(1);
    EXPECT_EQ(Cell(0, tcAudio), "ID[0x81], fr");
    form.cboSubtitle->setCurrentIndex(1);
    EXPECT_EQ(Cell(0, tcSubtitle), "Disable");
    form.chkDeinterlace->click();
    EXPECT_EQ(Cell(0, tcDeinterlace), "Yes");
    EXPECT_EQ(form.Titles().Data(0)->Selection.Deinterlace, -1);

    Select(1);
    Select(0);
    EXPECT_EQ(form.cboAudio->currentIndex(), 1);
    EXPECT_EQ(form.cboSubtitle->currentIndex(), 1);
    EXPECT_TRUE(form.chkDeinterlace->isChecked());

    // Refilling the list empties the choosers: that is no choice either.
    form.FillTitleList();
    EXPECT_EQ(form.Titles().Data(0)->Selection.AudioID, 0x81);
    EXPECT_EQ(Cell(0, tcAudio), "ID[0x81], fr");
    EXPECT_FALSE(form.cboAudio->isEnabled());
}

TEST_F(TitleListTest, CheckMarksDecideWhetherConversionCanStart)
{
    LoadTwoTitles();
    TMainForm& form = Form();
    form.btnCheckAll->click();
    EXPECT_TRUE(form.StartButton->isEnabled());
    EXPECT_TRUE(form.actStartConversion->isEnabled());
    EXPECT_EQ(form.lvTitles->topLevelItem(1)->checkState(0), Qt::Checked);
    EXPECT_TRUE(form.Titles().IsChecked(1));
    form.btnUncheckAll->click();
    EXPECT_FALSE(form.StartButton->isEnabled());
    EXPECT_FALSE(form.actStartConversion->isEnabled());
    EXPECT_FALSE(form.Titles().IsChecked(0));

    // A single check mark set in the list reaches the model.
    form.lvTitles->topLevelItem(0)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(form.Titles().IsChecked(0));
    EXPECT_TRUE(form.StartButton->isEnabled());
    form.lvTitles->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(form.StartButton->isEnabled());

    // A click on the drawn check glyph toggles the row; one beside it does not.
    QWidget* viewport = form.lvTitles->viewport();
    const int top = form.lvTitles->visualItemRect(form.lvTitles->topLevelItem(1)).top();
    const auto click = [&](QPoint at) {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, QPointF(at), viewport->mapToGlobal(QPointF(at)), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &event);
        }
    };
    click(QPoint(6, top + 9));
    EXPECT_TRUE(form.Titles().IsChecked(1));
    EXPECT_TRUE(form.StartButton->isEnabled());
    click(QPoint(60, top + 9));
    EXPECT_TRUE(form.Titles().IsChecked(1));
    click(QPoint(6, top + 9));
    EXPECT_FALSE(form.Titles().IsChecked(1));
    EXPECT_FALSE(form.StartButton->isEnabled());
}

TEST_F(TitleListTest, RenameOpensTheEditorOverTheDestinationCellAndStoresAPlainNameAsTyped)
{
    LoadTwoTitles();
    TMainForm& form = Form();
    Select(0);
    form.btnRename->click();
    QLineEdit* editor = form.edDestinationTitle;
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), "Title1");
    EXPECT_EQ(editor->selectedText(), "Title1");
    const QHeaderView& header = *form.lvTitles->header();
    EXPECT_EQ(editor->x(), header.sectionViewportPosition(tcDestination));
    EXPECT_EQ(editor->width(), header.sectionSize(tcDestination));
    EXPECT_EQ(editor->y(), form.lvTitles->visualItemRect(form.lvTitles->topLevelItem(0)).top());

    editor->setText(" My film: part 1 ");
    PressEnter(editor);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(form.Titles().VideoFiles()[0].DestinationTitle, " My film: part 1 ");
    EXPECT_EQ(Cell(0, tcDestination), " My film: part 1 ");

    // The menu command does the same; leaving the editor with a name that is
    // no plain file name keeps the old one and says why.
    QStringList told;
    form.ShowInformation = [&told](const QString& text) { told << text; };
    for (const QString& refused : {QStringLiteral("nosuchdir/Title1"), QString()}) {
        form.actRename->trigger();
        ASSERT_TRUE(editor->isVisible());
        editor->setText(refused);
        QFocusEvent leave(QEvent::FocusOut);
        QApplication::sendEvent(editor, &leave);
        EXPECT_FALSE(editor->isVisible());
        EXPECT_EQ(form.Titles().VideoFiles()[0].DestinationTitle, " My film: part 1 ");
    }
    ASSERT_EQ(told.size(), 2);
    EXPECT_EQ(told[0], "\"nosuchdir/Title1\" cannot be a file name: the name keeps to the output folder, without "
                       "\"/\". The title keeps its name.");
}

TEST_F(TitleListTest, APressInsideTheDestinationColumnOpensTheEditorForThatRow)
{
    LoadTwoTitles();
    TMainForm& form = Form();
    Select(1);
    QWidget* viewport = form.lvTitles->viewport();
    const int y = form.lvTitles->visualItemRect(form.lvTitles->topLevelItem(0)).center().y();
    const auto press = [&](int x) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(x, y), viewport->mapToGlobal(QPointF(x, y)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    };
    // The column is where the header has it now, after the user widened another.
    QHeaderView& header = *form.lvTitles->header();
    header.resizeSection(tcSource, header.sectionSize(tcSource) + 40);
    const int left = header.sectionViewportPosition(tcDestination);
    press(left);  // on the column's left edge: not inside
    EXPECT_FALSE(form.edDestinationTitle->isVisible());
    press(left + 10);
    EXPECT_TRUE(form.edDestinationTitle->isVisible());
    EXPECT_EQ(form.Titles().SelectedRow(), 0);
    EXPECT_EQ(form.edDestinationTitle->text(), "Title1");
}

TEST_F(TitleListTest, ApplyToAllGivesEveryTitleTheShownFormat)
{
    TMainForm& form = Form();
    const QList<TProfile>& profiles = form.Catalogue().Profiles;
    ASSERT_GE(profiles.size(), 2);
    ASSERT_FALSE(profiles[1].Formats.isEmpty());
    const TDVDTitleInfo t = MakeTitle(600, {{0x80, "en", "English"}});
    form.Titles().AddTitle(&t, 0, 0, 0);
    form.Titles().AddTitle(&t, 1, 1, 0);
    form.FillTitleList();
    form.Catalogue().SelectedProfileInd = 1;
    form.Catalogue().SelectedFormatInd = 0;
    form.chApplyToAll->click();  // unchecked: nothing applies
    EXPECT_EQ(form.Titles().VideoFiles()[0].ProfileInd, 0);
    form.chApplyToAll->click();
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(form.Titles().VideoFiles()[row].ProfileInd, 1);
        EXPECT_EQ(Cell(row, tcFormat), profiles[1].Formats[0].FormatExt);
    }
}

TEST_F(TitleListTest, TheSelectedRowIsDrawnOnTheSkinsRowPictureTheOthersOnTheListColour)
{
    LoadTwoTitles();
    TMainForm& form = Form();
    Select(0);
    form.show();
    const QImage picture(QString::fromStdString(vidrelo::test::BinDir()) + "/skin-black/tablerow.bmp");
    ASSERT_FALSE(picture.isNull());
    QSet<QRgb> pictureColours;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            pictureColours.insert(picture.pixel(x, y) | 0xff000000);

    const QImage shot = form.lvTitles->viewport()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QRect selected = form.lvTitles->visualItemRect(form.lvTitles->topLevelItem(0));
    const QRect other = form.lvTitles->visualItemRect(form.lvTitles->topLevelItem(1));
    // Left of the caption's text, right of the check glyph: only background.
    const QPoint inSelected(16, selected.top() + 1);
    const QPoint inOther(16, other.top() + 1);
    EXPECT_TRUE(pictureColours.contains(shot.pixel(inSelected) | 0xff000000))
        << QColor(shot.pixel(inSelected)).name().toStdString();
    EXPECT_EQ(QColor(shot.pixel(inOther)), TTitleListView::RowColour());
    // The check glyph's border stands at x = 0, 3 pixels below the row top.
    EXPECT_NE(QColor(shot.pixel(0, other.top() + 3)), TTitleListView::RowColour());
    EXPECT_EQ(QColor(shot.pixel(0, other.top() + 1)), TTitleListView::RowColour());
}

}  // namespace
