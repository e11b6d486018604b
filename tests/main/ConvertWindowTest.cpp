// "Convert" in the main window, end to end and headless: a test disc opened
// by path, titles checked, the progress window shown while the encoder
// converts, and playable files in the output folder afterwards.
#include "catalogue/ChooserPainting.h"
#include "catalogue/TCatalogue.h"
#include "catalogue/TOwnerDrawnList.h"
#include "catalogue/Tproform.h"
#include "catalogue/Tsettingsform.h"
#include "diagnostics/TEventsLog.h"
#include "dvd/DVDPlugIn.h"
#include "editing/TClipForm.h"
#include "editing/TCropForm.h"
#include "editing/TCropMarks.h"
#include "engine/MediaEngine.h"
#include "engine/encoder/TFFEncoder.h"
#include "engine/player/TCustomPlayer.h"
#include "main/TApplicationWindows.h"
#include "main/TConvForm.h"
#include "main/TJobBuilder.h"
#include "main/TMainForm.h"
#include "main/TQtHandOffs.h"
#include "main/TitleColumns.h"
#include "tests/main/ProgramWindows.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WaitFor.h"
#include "widgets/TPlayerSurfaceWidget.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

#include <filesystem>

using namespace vidrelo;

namespace {

struct TProbe {
    std::string Codec;
    int Width = 0;
    double Duration = -1;
};

TProbe Probe(const std::string& file)
{
    const test::TProbedFile probed = test::Probe(file);
    const test::TProbeBlock video = probed.Stream("video");
    return {test::Text(video, "codec_name"), static_cast<int>(test::Number(video, "width", 0)), probed.Duration};
}

class ConvertWindowTest : public maintest::TWindowsTest {
protected:
    void SetUp() override
    {
        TWindowsTest::SetUp();
        Out = QString::fromStdString(test::MakeTempDir("convertwindow"));
        Form().ShowInformation = [this](const QString& text) { Messages << text; };
        Form().ShowWarning = [this](const QString& text) { Messages << text; };
        Form().ShowConvForm = [this](TConvForm& form) {
            form.open();  // window-modal without a nested loop: the test waits instead
            Shown = true;
        };
        Form().OpenFolder = [this](const QString& folder) {
            Opened << folder;
            return FileManagerWorks;
        };
        Form().ShutdownComputer = [this] { ++Shutdowns; };
        Form().edDestinationFolder->setText(Out);
    }
    TConvForm& Conv() { return Windows->ConvForm(); }
    QString Log() { return Windows->EventsLog().Lines().join('\n'); }

    // Disc A with only the given rows checked, all in the format whose title
    // begins with `format`.
    void LoadDiscA(const QList<int>& rows, const QString& format = "DivX AVI")
    {
        // "Load DVD" with the disc as the only drive scans it at once.
        Form().BuildDriveMenu({test::Disc("discA").path});
        Form().AddButtonClick();
        ASSERT_GE(Form().Titles().RowCount(), 4);
        const QList<TProfile>& profiles = Form().Catalogue().Profiles;
        for (int p = 0; p < profiles.size(); ++p)
            for (int f = 0; f < profiles[p].Formats.size(); ++f)
                if (profiles[p].Formats[f].Title.startsWith(format))
                    for (int row = 0; row < Form().Titles().RowCount(); ++row) {
                        Form().Titles().VideoFile(row).ProfileInd = p;
                        Form().Titles().VideoFile(row).FormatInd = f;
                    }
        Form().Titles().UncheckAll();
        for (int row : rows)
            Form().Titles().SetChecked(row, true);
    }
    // Presses Convert and serves the event loop until the run has ended
    // and its last event was handled.
    bool ConvertAndWait(const std::function<void()>& duringRun = {})
    {
        const int ended = Log().count("successfully done");
        Form().StartButtonClick();
        QElapsedTimer timer;
        timer.start();
        bool ranHook = false;
        while (timer.elapsed() < 60000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (Conv().isVisible())
                SeenVisible = true;
            if (duringRun && !ranHook && Conv().ProgressTotal->value() > 0) {
                ranHook = true;
                duringRun();
            }
            if (Form().Encoder().Terminated() && !Conv().isVisible() && Log().count("successfully done") > ended) {
                QCoreApplication::processEvents();
                return true;
            }
        }
        return false;
    }
    std::string OutFile(const QString& name) { return (Out + "/" + name).toStdString(); }

    QString Out;
    QStringList Messages, Opened;
    bool FileManagerWorks = true;
    int Shutdowns = 0;
    bool Shown = false;
    bool SeenVisible = false;
};

TEST_F(ConvertWindowTest, TwoCheckedTitlesBecomeTwoPlayableFiles)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({1, 2}));
    const QString name2 = Form().Titles().VideoFiles()[1].DestinationTitle;
    const QString name3 = Form().Titles().VideoFiles()[2].DestinationTitle;
    // The picture adjustments run as the chain's own filters.
    Form().Titles().VideoFile(1).Brightness = 20;
    Form().Titles().VideoFile(2).Saturation = -30;
    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    EXPECT_TRUE(Shown && SeenVisible);
    const TProbe a = Probe(OutFile(name2 + ".avi"));
    const TProbe b = Probe(OutFile(name3 + ".avi"));
    EXPECT_EQ(a.Codec, "mpeg4");
    EXPECT_EQ(a.Width, 640);
    EXPECT_NEAR(a.Duration, 5.0, 0.2);
    EXPECT_NEAR(b.Duration, 9.0, 0.2);
    EXPECT_EQ(Form().JobFiles().size(), 2);
    EXPECT_EQ(Form().JobFiles()[1].Source, "Title #3");
    EXPECT_EQ(Conv().lblConvertingTitle->text(), "Ripping \"Title #3\" to \"" + name3 + ".avi\"");
    EXPECT_TRUE(Log().contains("-> Conversion started"));
    EXPECT_EQ(Opened, QStringList{Out});
    EXPECT_TRUE(Reported.isEmpty()) << Reported.join('\n').toStdString();
    EXPECT_TRUE(Form().JobBuilder().JobOutputOptions.empty());  // emptied at the end
}

// "Original quality" copies the title: the picture controls are off while
// it is chosen (on again with another format), and a trimmed copy's real
// cut points reach the events log.
TEST_F(ConvertWindowTest, TheCopyFormatTurnsThePictureControlsOffAndLogsTheRealCut)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({2}, "Original quality"));
    Form().lvTitlesSelectItem(2, true);
    EXPECT_FALSE(Form().EditButton->isEnabled());
    EXPECT_FALSE(Form().chkDeinterlace->isEnabled());
    EXPECT_TRUE(Form().ClipButton->isEnabled()) << "trimming still applies";
    ASSERT_NE(Form().lblCopyNote, nullptr);
    EXPECT_TRUE(Form().lblCopyNote->isVisibleTo(&Form()));
    Form().Titles().RefreshTitleColumns();
    EXPECT_EQ(Form().Titles().CellText(2, tcSize), "2.04 MB") << "the title's own size";

    ASSERT_TRUE(Form().Titles().SetTrim(2, 2000000, 6000000));
    const QString name = Form().Titles().VideoFiles()[2].DestinationTitle;
    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    EXPECT_EQ(test::Text(test::Probe(OutFile(name + ".mkv")).Stream("video"), "codec_name"), "mpeg2video");
    EXPECT_TRUE(Log().contains("The copied video is cut at key frames: it runs from 00:00:02.")) << Log().toStdString();

    Form().Titles().VideoFile(0).ProfileInd = 0;
    Form().Titles().VideoFile(0).FormatInd = 0;
    Form().lvTitlesSelectItem(0, true);
    EXPECT_TRUE(Form().EditButton->isEnabled());
    EXPECT_TRUE(Form().chkDeinterlace->isEnabled());
    EXPECT_FALSE(Form().lblCopyNote->isVisibleTo(&Form()));
}

// The window takes the user's locale; under a comma-decimal one the x264
// preset's "0.71" must still be read as a number.
TEST_F(ConvertWindowTest, AnH264FormatConvertsUnderACommaLocale)
{
    const test::TCommaLocale comma;
    ASSERT_TRUE(comma.Active());
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({1}, "MP4 Video (H.264"));
    Form().Titles().VideoFile(1).Brightness = 10;  // a picture filter in the chain too
    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    EXPECT_TRUE(Reported.isEmpty()) << Reported.join('\n').toStdString();
    const TProbe file = Probe(OutFile(Form().Titles().VideoFiles()[1].DestinationTitle + ".mp4"));
    EXPECT_EQ(file.Codec, "h264");
    EXPECT_NEAR(file.Duration, 5.0, 0.2);
}

TEST_F(ConvertWindowTest, MergeModeJoinsTheTitlesIntoOneFile)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({1, 2}));
    Form().chMerge->setChecked(true);
    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    const TProbe joined = Probe(OutFile("Joined.avi"));
    EXPECT_EQ(joined.Codec, "mpeg4");
    EXPECT_NEAR(joined.Duration, 14.0, 0.3);
    EXPECT_EQ(QDir(Out).entryList(QDir::Files), QStringList{"Joined.avi"});
}

TEST_F(ConvertWindowTest, SplitByChaptersWritesOneFilePerChapterAndCountsThem)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({2}));
    // One file of everything or one per chapter: checking either box
    // unchecks the other.
    Form().chMerge->click();
    Form().chSplitChapters->click();
    EXPECT_FALSE(Form().chMerge->isChecked());
    Form().chMerge->click();
    EXPECT_FALSE(Form().chSplitChapters->isChecked());
    Form().chSplitChapters->click();
    ASSERT_TRUE(Form().chSplitChapters->isChecked());
    ASSERT_FALSE(Form().chMerge->isChecked());

    int tasksWhileRunning = 0;
    ASSERT_TRUE(ConvertAndWait([&] { tasksWhileRunning = Form().Encoder().TasksCount(); })) << Log().toStdString();
    EXPECT_TRUE(Reported.isEmpty()) << Reported.join('\n').toStdString();
    EXPECT_EQ(tasksWhileRunning, 3) << "the progress window's total counts every chapter's file";
    const test::TestTitle& title = test::Disc("discA").Title(3);
    QStringList names;
    for (int k = 1; k <= 3; ++k) {
        names << QStringLiteral("Title3 - Chapter 0%1.avi").arg(k);
        EXPECT_NEAR(Probe(OutFile(names.back())).Duration, title.chapterLengths[k - 1], 0.2) << k;
    }
    EXPECT_EQ(QDir(Out).entryList(QDir::Files), names);
    EXPECT_EQ(Conv().lblConvertingTitle->text(), "Ripping \"Title #3, Chapter 3\" to \"Title3 - Chapter 03.avi\"");
}

TEST_F(ConvertWindowTest, CancelStopsTheRunAndTheEndIsStillHandled)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({0, 1, 2, 3}));
    Conv().cbOpenOutput->setChecked(false);
    ASSERT_TRUE(ConvertAndWait([this] {
        Conv().PauseButton->click();
        EXPECT_TRUE(Form().Encoder().Paused());
        EXPECT_EQ(Conv().PauseButton->text(), "Resume");
        Conv().PauseButton->click();
        EXPECT_FALSE(Form().Encoder().Paused());
        Conv().PauseButton->click();  // pauses again
        EXPECT_TRUE(Form().Encoder().Paused());
        Conv().CancelButton->click();
    })) << Log().toStdString();
    EXPECT_TRUE(Log().contains("-> Conversion cancelled by user"));
    EXPECT_TRUE(Opened.isEmpty());
    for (const QFileInfo& file : QDir(Out).entryInfoList(QDir::Files))
        EXPECT_GT(file.size(), 0) << file.fileName().toStdString();
}

// Escape (like the frame's close button) cancels: the window never goes
// while the run goes on, and nothing else can start meanwhile.
TEST_F(ConvertWindowTest, EscapeOnTheProgressWindowCancelsTheRun)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({0, 1, 2, 3}));
    Conv().cbOpenOutput->setChecked(false);
    ASSERT_TRUE(ConvertAndWait([this] {
        Form().StartButtonClick();  // a second Convert while running does nothing
        EXPECT_TRUE(Reported.isEmpty()) << Reported.join('\n').toStdString();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&Conv(), &escape);
        EXPECT_FALSE(Conv().isVisible());
    })) << Log().toStdString();
    EXPECT_EQ(Log().count("-> Conversion cancelled by user"), 1);
}

TEST_F(ConvertWindowTest, AFailingSetupIsReportedAndNothingStarts)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({1}));
    Form().Catalogue().Profiles[Form().Titles().VideoFiles()[1].ProfileInd]
        .Formats[Form().Titles().VideoFiles()[1].FormatInd]
        .VideoCodecName = "nosuchcodec";
    Form().StartButtonClick();
    ASSERT_EQ(Reported.size(), 1);
    EXPECT_TRUE(Reported[0].contains("Cannot set output file: ")) << Reported[0].toStdString();
    EXPECT_FALSE(Shown);
    EXPECT_FALSE(Form().Encoder().Working());
}

TEST_F(ConvertWindowTest, ATaskThatFailsWhileRunningIsReportedAndTheRunStillEnds)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({1, 2}));
    // The second title's encoder cannot open: x264 wants an even width.
    TVideoFile& second = Form().Titles().VideoFile(2);
    TFormat odd = Form().Catalogue().Profiles[second.ProfileInd].Formats[second.FormatInd];
    odd.Width = "641";
    odd.VideoCodecName = "libx264";
    Form().Catalogue().Profiles[second.ProfileInd].Formats << odd;
    second.FormatInd = Form().Catalogue().Profiles[second.ProfileInd].Formats.size() - 1;
    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    ASSERT_EQ(Reported.size(), 1) << Reported.join('\n').toStdString();
    EXPECT_TRUE(Reported[0].contains("Conversion terminated with error: ")) << Reported[0].toStdString();
    EXPECT_TRUE(Log().contains("-> Conversion terminated with error: "));
    EXPECT_TRUE(Log().contains("-> Conversion successfully done."));  // the final event still comes
    EXPECT_EQ(Opened, QStringList{Out});
    EXPECT_NEAR(Probe(OutFile(Form().Titles().VideoFiles()[1].DestinationTitle + ".avi")).Duration, 5.0, 0.2);
    // The failed title left nothing, not even its temporary file.
    EXPECT_EQ(QDir(Out).entryList(QDir::Files), QStringList{Form().Titles().VideoFiles()[1].DestinationTitle + ".avi"});
}

TEST_F(ConvertWindowTest, ConvertingAgainKeepsTheFirstFileAndNamesTheNextFreeOne)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({1}));
    ASSERT_TRUE(Form().Titles().SetTrim(1, 0, 1000000));
    const QString name = Form().Titles().VideoFiles()[1].DestinationTitle;
    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    const qint64 firstSize = QFileInfo(Out + "/" + name + ".avi").size();
    ASSERT_GT(firstSize, 0);
    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    EXPECT_EQ(QDir(Out).entryList(QDir::Files, QDir::Name), QStringList({name + " (2).avi", name + ".avi"}));
    EXPECT_EQ(QFileInfo(Out + "/" + name + ".avi").size(), firstSize);
    EXPECT_NEAR(Probe(OutFile(name + " (2).avi")).Duration, 1.0, 0.2);
    // The progress window named the file really written.
    EXPECT_EQ(Conv().lblConvertingTitle->text().toStdString(),
              ("Ripping \"Title #2\" to \"" + name + " (2).avi\"").toStdString());
    EXPECT_EQ(Form().Titles().VideoFiles()[1].DestinationTitle, name);  // the row keeps its own name
}

TEST_F(ConvertWindowTest, AMissingOutputFolderFallsBackToTheHomeFolder)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({1}));
    Form().edDestinationFolder->setText(Out + "/gone");
    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    const QString fallback = QDir::homePath() + "/Quarnix_temp";
    EXPECT_EQ(Messages, QStringList{"Output folder does not exit. Converting to \"" + fallback + "\"."});
    EXPECT_EQ(Form().RunOutputFolder(), fallback);
    EXPECT_EQ(Form().edDestinationFolder->text(), Out + "/gone");  // the field keeps its text
    EXPECT_TRUE(QFileInfo::exists(fallback + "/" + Form().Titles().VideoFiles()[1].DestinationTitle + ".avi"));
}

// A mouse event at `pos` of `widget`, as the window system sends it.
void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// The output format picked in the pop-up above the profile field and edited
// in "Advanced...", converted, and both still there at the next start.
TEST_F(ConvertWindowTest, AFormatChosenAndEditedInTheWindowIsConvertedAndRemembered)
{
    Form().BuildDriveMenu({test::Disc("discA").path});
    Form().AddButtonClick();
    ASSERT_GE(Form().Titles().RowCount(), 4);
    Form().Titles().UncheckAll();
    Form().Titles().SetChecked(1, true);
    const QList<TFormat>& general = Form().Catalogue().Profiles[0].Formats;
    int avi = 0;
    while (avi < general.size() && general[avi].Title != "AVI Video (Xvid, MP3)")
        ++avi;
    ASSERT_LT(avi, general.size());

    Form().Catalogue().ChooserHeight = 300;  // room above the field on the test screen
    SendMouse(Form().lblProfile, QEvent::MouseButtonPress, {5, 5});
    auto* chooser = Form().findChild<Tproform*>();
    ASSERT_TRUE(chooser && chooser->isVisible());
    const QPoint field = Form().ProfileField->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(chooser->geometry().left(), field.x());
    EXPECT_EQ(chooser->geometry(), QRect(field.x(), field.y() - 300, 500, 300));
    // The mouse crosses the profile list on its way and stops on the AVI row.
    SendMouse(chooser->sgProfiles->viewport(), QEvent::MouseMove, {60, 27 * 3 + 10});
    SendMouse(chooser->sgFormats->viewport(), QEvent::MouseMove, {100, 57 * avi + 30});
    const QImage shown = chooser->grab().toImage();
    EXPECT_EQ(shown.pixelColor(148 + 8, 57 * avi + 3), ChooserColours::FormatHighlight);
    EXPECT_EQ(shown.pixelColor(148 + 8, 57 * avi - 3), ChooserColours::Background);
    EXPECT_EQ(shown.pixelColor(8, 3), ChooserColours::ProfileHighlight);  // back on the listed profile
    SendMouse(chooser->sgFormats->viewport(), QEvent::MouseButtonRelease, {100, 57 * avi + 30});
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(Form().lblProfile->text(), "AVI Video (Xvid, MP3)");
    for (int row = 0; row < Form().Titles().RowCount(); ++row)  // "Apply to all" is checked
        EXPECT_EQ(Form().lvTitles->topLevelItem(row)->text(tcFormat), ".avi") << row;

    const QString sizeBefore = Form().lvTitles->topLevelItem(1)->text(tcSize);
    QStringList warnings;
    Form().ShowSettingsForm = [&](Tsettingsform& form) {
        form.ShowWarning = [&](const QString& text) { warnings << text; };
        form.cmbVideoResolution->setEditText("721*576");
        form.spSkinButton1Click();  // refused: the dialog stays
        form.btnDefaultClick();
        EXPECT_EQ(form.cmbVideoResolution->currentText(), "640*480");
        form.cmbVideoResolution->setEditText("320*240");
        form.cmbVideoBitRate->setCurrentIndex(form.cmbVideoBitRate->findText("800 kbps"));
        form.cmbAudioEncoder->setCurrentIndex(form.cmbAudioEncoder->findText("MPEG Audio Layer 2"));
        form.spSkinButton1Click();
    };
    ASSERT_TRUE(Form().btnAdvanced->isEnabled());
    Form().btnAdvanced->click();
    EXPECT_EQ(warnings, QStringList{TFormatSettings::ResolutionWarning});
    EXPECT_NE(Form().lvTitles->topLevelItem(1)->text(tcSize), sizeBefore);

    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    const test::TProbedFile file = test::Probe(OutFile(Form().Titles().VideoFiles()[1].DestinationTitle + ".avi"));
    ASSERT_EQ(file.Streams.size(), 2u);
    EXPECT_EQ(file.Streams[0].at("codec_name"), "mpeg4");
    EXPECT_EQ(file.Streams[0].at("width") + "x" + file.Streams[0].at("height"), "320x240");
    EXPECT_EQ(file.Streams[1].at("codec_name"), "mp2");
    EXPECT_TRUE(Reported.isEmpty()) << Reported.join('\n').toStdString();

    Form().close();  // writes the settings
    Windows.reset();
    Windows = maintest::StartWindows(Reported);
    EXPECT_EQ(Form().lblProfile->text(), "AVI Video (Xvid, MP3)");
    const TFormat& kept = Form().Catalogue().Profiles[0].Formats[avi];
    EXPECT_EQ(QStringList({kept.Width, kept.Height, kept.VideoBitRate, kept.AudioCodecName}),
              QStringList({"320", "240", "800000", "mp2"}));

    // The keys: Escape closes without a choice, Down and Enter choose the next format.
    Form().BuildDriveMenu({test::Disc("discA").path});
    Form().AddButtonClick();
    const auto key = [&](Qt::Key k) {
        QKeyEvent event(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(Form().findChild<Tproform*>(), &event);
    };
    SendMouse(Form().imgProfileButton, QEvent::MouseButtonPress, {5, 5});
    key(Qt::Key_Escape);
    EXPECT_FALSE(Form().findChild<Tproform*>()->isVisible());
    SendMouse(Form().imgProfileButton, QEvent::MouseButtonPress, {5, 5});
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_FALSE(Form().findChild<Tproform*>()->isVisible());
    EXPECT_EQ(Form().lblProfile->text(), Form().Catalogue().Profiles[0].Formats[avi + 1].Title);
}

TEST_F(ConvertWindowTest, ConvertWithNothingConvertibleSaysWhy)
{
    Form().BuildDriveMenu({test::Disc("discC").path});
    Form().AddButtonClick();
    ASSERT_EQ(Form().Titles().RowCount(), 4);  // titles 3 and 4 cannot be read
    Form().Titles().UncheckAll();
    Form().Titles().SetChecked(2, true);
    Form().StartButtonClick();
    EXPECT_TRUE(Log().contains("Title #3 is not a valid title and is not converted.")) << Log().toStdString();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].startsWith("None of the checked titles can be converted")) << Messages[0].toStdString();

    Form().Titles().UncheckAll();
    Form().StartButtonClick();
    ASSERT_EQ(Messages.size(), 2);
    EXPECT_EQ(Messages[1], "No title is checked. Check the titles to convert.");
    EXPECT_FALSE(Shown);
    EXPECT_FALSE(Form().Encoder().Working());
}

TEST_F(ConvertWindowTest, WithoutAFileManagerTheLogSaysWhereTheFilesAre)
{
    FileManagerWorks = false;
    Form().spSkinButton2Click();
    EXPECT_EQ(Opened, QStringList{Out});
    EXPECT_TRUE(Log().contains("No file manager could open the folder; the files are in \"" +
                               QDir::toNativeSeparators(Out) + "\"."))
        << Log().toStdString();
}

}  // namespace

// The crop editor opened with "Edit": a handle dragged with the mouse and
// the brightness raised, OK, and the conversion cuts and brightens the picture.
TEST_F(ConvertWindowTest, ACropMadeInTheEditorReachesTheConvertedPicture)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({1}));
    Form().lvTitles->setCurrentItem(Form().lvTitles->topLevelItem(1));
    Form().ShowCropForm = [](TCropForm& form) { form.open(); };
    Form().EditButton->click();
    auto* crop = Form().findChild<TCropForm*>();
    ASSERT_TRUE(crop && crop->isVisible());
    ASSERT_TRUE(test::WaitFor(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            return crop->panPreview1->ShownPicture() && crop->FFPlayer1.PlayState() != TPlayState::psStop;
        },
        std::chrono::seconds(15)));
    QCoreApplication::processEvents();

    // The top-left handle, 40 pixels right and down.
    TCropHandleWidget* handle = crop->Handles[szLeftTop];
    SendMouse(handle, QEvent::MouseButtonPress, {4, 4});
    QMouseEvent move(QEvent::MouseMove, QPointF(44, 44), handle->mapToGlobal(QPointF(44, 44)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(handle, &move);
    SendMouse(handle, QEvent::MouseButtonRelease, {44, 44});
    EXPECT_EQ(crop->edLeft->value(), 90);    // 40 preview pixels at 319/720
    EXPECT_EQ(crop->edTop->value(), 107);    // 90 shown rows at 405/480
    EXPECT_EQ(crop->edWidth->value(), 630);
    EXPECT_EQ(crop->edHeight->value(), 373);
    crop->chBrightness->setChecked(true);
    crop->tbBrightness->setValue(40);
    crop->btnOK->click();
    EXPECT_FALSE(crop->isVisible());
    const TVideoFile& v = Form().Titles().VideoFiles()[1];
    EXPECT_EQ((std::array{v.CropLeft, v.CropTop, v.CropRight, v.CropBottom}), (std::array{90, 107, 0, 0}));
    EXPECT_EQ(v.Brightness, 40);

    std::string filters;
    ASSERT_TRUE(ConvertAndWait([&] { filters = Form().JobBuilder().JobOutputOptions.at(0).VideoFilters; }))
        << Log().toStdString();
    EXPECT_NE(filters.find("nativeeq=40:"), std::string::npos) << filters;
    EXPECT_NE(filters.find("crop=630:373:90:107"), std::string::npos) << filters;
    // 630 x 373 shown at 630 x 315 (16:9 frame) in 640 x 480: 80 black rows above and below.
    int width = 0, height = 0;
    const std::string grey = test::GreyPicture(OutFile(v.DestinationTitle + ".avi"), 2.0, width, height);
    ASSERT_EQ(std::make_pair(width, height), std::make_pair(640, 480));
    EXPECT_LT(test::MeanGrey(grey, width, 0, 2, width, 76), 20);
    EXPECT_GT(test::MeanGrey(grey, width, 0, 86, width, 150), 60);
    EXPECT_LT(test::MeanGrey(grey, width, 0, 404, width, 478), 20);
    EXPECT_TRUE(Reported.isEmpty()) << Reported.join('\n').toStdString();
}

namespace {

// The test discs' clips show their own time and frame number in the top
// left corner (100 x 36 of the disc's 720 x 480): the mean absolute
// difference of that corner in two pictures of a 16:9 title, converted to
// one size with bars above and below.
double ClockDifference(const std::string& a, const std::string& b, int width, int height)
{
    if (a.empty() || a.size() != b.size())
        return 255;
    const int shown = width * 9 / 16, top = (height - shown) / 2;
    const int right = 100 * width / 720, bottom = top + 36 * shown / 480;
    double sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < right; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            sum += std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
        }
    return sum / (right * (bottom - top));
}

void Key(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

bool ServeUntil(const std::function<bool()>& done)
{
    return test::WaitFor(
        [&] {
            QCoreApplication::processEvents();
            return done();
        },
        std::chrono::seconds(20));
}

}  // namespace

// Which picture of `whole` (a whole title converted at 30 pictures a
// second), between `from` and `from` + 1 s, shows the clock `file` starts
// with: its time in seconds.
double ClockTimeOfFirstPicture(const std::string& file, const std::string& whole, double from)
{
    int w = 0, h = 0;
    const std::string first = test::GreyPicture(file, 0, w, h);
    const test::TProgramResult r =
        test::RunProgram("/usr/bin/ffmpeg", {"-nostdin", "-v", "error", "-i", whole, "-ss", std::to_string(from), "-t",
                                             "1", "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    const std::size_t size = static_cast<std::size_t>(w) * h;
    double best = 255, bestTime = -1;
    for (std::size_t k = 0; size > 0 && (k + 1) * size <= r.Out.size(); ++k) {
        const double difference = ClockDifference(first, r.Out.substr(k * size, size), w, h);
        if (difference < best) {
            best = difference;
            bestTime = from + k / 30.0;
        }
    }
    return bestTime;
}

// "Trim" on the selected title, times typed in the editor, OK: the title's
// row shows the trimmed length and the converted file holds exactly that
// part, starting with the picture at the start; also a start between two
// key frames, as the markers give.
TEST_F(ConvertWindowTest, ATrimmedTitleConvertsFromItsStartForItsLength)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({0}));
    Form().lvTitlesSelectItem(0, true);
    const QString name = Form().Titles().VideoFiles()[0].DestinationTitle;
    const int64_t length = Form().Titles().VideoFiles()[0].TimeEnd;
    bool placed = false;
    Form().ShowClipForm = [&](TClipForm& clip) {
        clip.show();
        placed = clip.Model().MarkersEnabled() && clip.imgTrimLeft->x() == 10 && clip.imgTrimRight->x() >= 460;
        clip.TimeStart->setText("00:00:03");
        clip.spSkinSpeedButton1->click();
        clip.TimeEnd->setText("00:00:07");
        clip.spSkinSpeedButton2->click();
        clip.spSkinButton4->click();  // OK
    };
    Form().ClipButton->click();
    EXPECT_TRUE(placed) << "the whole title between the bar's ends";
    EXPECT_EQ(Form().Titles().VideoFiles()[0].TimeStart, 3000000);
    EXPECT_EQ(Form().Titles().VideoFiles()[0].TrimmedLength, 4000000);
    EXPECT_EQ(Form().lvTitles->topLevelItem(0)->text(tcLength), "00:00:04");
    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    const std::string typed = OutFile(name + ".avi");
    EXPECT_NEAR(Probe(typed).Duration, 4.0, 0.2);

    ASSERT_TRUE(Form().Titles().SetTrim(0, 3100000, 5600000));
    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    const std::string between = OutFile(name + " (2).avi");
    EXPECT_NEAR(Probe(between).Duration, 2.5, 0.2);

    ASSERT_TRUE(Form().Titles().SetTrim(0, 0, length));
    ASSERT_TRUE(ConvertAndWait()) << Log().toStdString();
    const std::string whole = OutFile(name + " (3).avi");
    EXPECT_TRUE(Reported.isEmpty()) << Reported.join('\n').toStdString();
    // The files run at 30 pictures a second from a 29.97 disc: one picture
    // either way is the same time.
    EXPECT_NEAR(ClockTimeOfFirstPicture(typed, whole, 2.5), 3.0, 1.5 / 30);
    EXPECT_NEAR(ClockTimeOfFirstPicture(between, whole, 2.6), 3.1, 1.5 / 30);
}

// The editor driven from the keyboard, then on a title that does not open:
// the failure is reported and logged, and the markers are off rather than
// placed on a zero length, even after a title that did open.
TEST_F(ConvertWindowTest, TheTrimEditorFromTheKeyboardThenOnATitleThatDoesNotOpen)
{
    ASSERT_NO_FATAL_FAILURE(LoadDiscA({0}));
    auto* clip = Form().findChild<TClipForm*>();
    ASSERT_TRUE(clip);
    clip->SetTitle({Form().Titles().RowSourceString(0), 0, 10010000});
    clip->show();
    EXPECT_TRUE(clip->imgTrimRight->isVisible());
    // Keyboard on the timeline: Space pauses, Right goes a second on, I sets the start there.
    ASSERT_TRUE(ServeUntil([&] { return clip->Player().PlayState() == TPlayState::psPlay; }));
    clip->videotrackbar2->setFocus();
    Key(clip->videotrackbar2, Qt::Key_Space);
    ASSERT_TRUE(ServeUntil([&] { return clip->Player().PlayState() == TPlayState::psPause; }));
    const int64_t paused = clip->Player().CurrentPTS();
    Key(clip->videotrackbar2, Qt::Key_Right);
    Key(clip->videotrackbar2, Qt::Key_Right);
    Key(clip->videotrackbar2, Qt::Key_I);
    EXPECT_NEAR(clip->Model().TrimStart(), paused + 2000000, 300000);
    clip->reject();

    clip->SetTitle({"opendvd:/no/such/disc|Title=1,FromChapter=1,ToChapter=1,AudioID=128,SubtitleID=0,"
                    "AudioChannels=2,Deinterlace=0",
                    1000000, 5000000});
    clip->show();
    EXPECT_FALSE(clip->Model().MarkersEnabled());
    EXPECT_FALSE(clip->imgTrimLeft->isVisible());
    EXPECT_FALSE(clip->spSkinButton6->isEnabled());  // Reset would end the title at 0
    ASSERT_EQ(Reported.size(), 1);
    EXPECT_TRUE(Reported[0].startsWith("Error open file: ")) << Reported[0].toStdString();
    EXPECT_TRUE(Log().contains("-> " + Reported[0].mid(17))) << Log().toStdString();
    clip->spSkinButton4->click();
    EXPECT_EQ(clip->Title().TimeStart, 1000000);
    EXPECT_EQ(clip->Title().TimeEnd, 5000000);
    EXPECT_FALSE(clip->Title().DurationKnown);
}
