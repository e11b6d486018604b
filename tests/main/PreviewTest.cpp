// The main window's preview on a test disc: playing the selected title in
// the panel, pausing, seeking, stopping, the volume, and snapshots with
// their names and counters.
#include "diagnostics/TEventsLog.h"
#include "dvd/DVDPlugIn.h"
#include "editing/TClipForm.h"
#include "editing/TCropForm.h"
#include "engine/MediaEngine.h"
#include "engine/player/TCustomPlayer.h"
#include "main/TApplicationWindows.h"
#include "main/TMainForm.h"
#include "main/TQtHandOffs.h"
#include "tests/main/ProgramWindows.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WaitFor.h"
#include "widgets/TPlayerSurfaceWidget.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSettings>
#include <QSlider>
#include <QToolButton>

#include <chrono>

namespace {

using namespace std::chrono_literals;
using vidrelo::TPlayState;

class PreviewTest : public maintest::TWindowsTest {
protected:
    void SetUp() override
    {
        TWindowsTest::SetUp();
        Form().ShowError = [this](const QString& text) { Errors << text; };
        Form().BuildDriveMenu({vidrelo::test::Disc("discA").path});
        Form().AddButtonClick();
    }
    QString Log() { return Windows->EventsLog().Lines().join('\n'); }
    // Serves the window's events until `done` holds.
    bool Until(const std::function<bool()>& done)
    {
        return vidrelo::test::WaitFor(
            [&] {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                return done();
            },
            20s);
    }
    bool Showing() { return Form().panPlayerArea->ShownPicture() != nullptr; }

    QStringList Errors;
};

TEST_F(PreviewTest, PlayPauseResumeSeekAndStopFollowThePlayer)
{
    ASSERT_EQ(Form().Titles().SelectedRow(), 0);
    EXPECT_EQ(Form().lblPlayTime->text(), "00:00:00 / 00:00:00");
    EXPECT_EQ(Form().VolumeTrackBar->value(), 128);
    Form().PlayButton->click();
    ASSERT_TRUE(Until([&] { return Showing() && Form().Player().PlayState() == TPlayState::psPlay; }))
        << Reported.join('\n').toStdString();
    EXPECT_FALSE(Form().imgPlayerArea->isVisible());
    EXPECT_TRUE(Form().PauseButton->isVisible());
    EXPECT_FALSE(Form().PlayButton->isVisible());
    EXPECT_EQ(Log().count("-> Added Video"), 1);
    EXPECT_NEAR(Form().Duration() / 1e6, 10.0, 0.5);  // title 1 is ten seconds long

    Form().VolumeTrackBar->setValue(64);
    EXPECT_EQ(Form().Player().AudioVolume(), 64);

    Form().PauseButton->click();
    ASSERT_TRUE(Until([&] { return Form().Player().PlayState() == TPlayState::psPause; }));
    EXPECT_TRUE(Form().PlayButton->isVisible());
    // Play while paused resumes the same title instead of opening it again.
    Form().PlayButton->click();
    ASSERT_TRUE(Until([&] { return Form().Player().PlayState() == TPlayState::psResume ||
                                   Form().Player().PlayState() == TPlayState::psPlay; }));
    EXPECT_EQ(Log().count("-> Added Video"), 1);

    // Letting go of the bar at its middle seeks to the middle of the title.
    Form().VideoTrackBar->setValue(600);
    emit Form().VideoTrackBar->sliderReleased();
    ASSERT_TRUE(Until([&] { return Form().lblPlayTime->text().startsWith("00:00:06"); }))
        << Form().lblPlayTime->text().toStdString();
    EXPECT_TRUE(Form().lblPlayTime->text().endsWith(" / 00:00:10"));

    Form().StopButton->click();
    EXPECT_EQ(Form().Player().PlayState(), TPlayState::psStop);
    EXPECT_FALSE(Form().PreviewPlaying());
    EXPECT_EQ(Form().lblPlayTime->text(), "00:00:00 / 00:00:10");
    EXPECT_EQ(Form().VideoTrackBar->value(), 0);
    EXPECT_TRUE(Form().imgPlayerArea->isVisible());
    EXPECT_TRUE(Reported.isEmpty()) << Reported.join('\n').toStdString();
}

TEST_F(PreviewTest, SnapshotsAreNumberedPerKindAndAFailureKeepsTheCounter)
{
    const QString folder = QString::fromStdString(vidrelo::test::MakeTempDir("snapshots"));
    Form().ChooseSnapshotFolder = [&folder](const QString&) { return folder; };
    Form().actChangeSnapshotFolder->trigger();
    EXPECT_EQ(Form().SnapshotFolder(), folder);

    // Nothing plays: nothing to take.
    EXPECT_FALSE(Form().actSnapshot->isEnabled());

    Form().PlayButton->click();
    ASSERT_TRUE(Until([&] { return Showing() && Form().actSnapshot->isEnabled(); }));
    Form().PauseButton->click();
    ASSERT_TRUE(Until([&] { return Form().Player().PlayState() == TPlayState::psPause; }));
    Form().actSnapshot->trigger();
    Form().actSnapshot->trigger();
    Form().actBMP->trigger();
    Form().actSnapshot->trigger();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
              QStringList({"Title1_1.bmp", "Title1_1.jpg", "Title1_2.jpg"}));
    for (const char* name : {"Title1_1.bmp", "Title1_2.jpg"}) {
        const QImage picture(folder + "/" + name);
        EXPECT_EQ(picture.width(), 720) << name;
        EXPECT_GE(picture.height(), 480) << name;
    }

    // A folder that is gone: the message, and the next good snapshot takes the number.
    const QString gone = folder + "/gone";
    Form().ChooseSnapshotFolder = [&gone](const QString&) { return gone; };
    Form().actChangeSnapshotFolder->trigger();
    Form().actJPEG->trigger();
    Form().actSnapshot->trigger();
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_EQ(Errors[0], "Cannot take snapshot.\r\nMake sure Snapshot Folder is available.");
    ASSERT_TRUE(QDir().mkpath(gone));
    Form().actSnapshot->trigger();
    EXPECT_TRUE(QFile::exists(gone + "/Title1_3.jpg"));
}

// The editors play the title themselves: the preview stops before they open,
// and when the window closes.
TEST_F(PreviewTest, ThePreviewStopsBeforeAnEditorOpensAndWhenTheWindowCloses)
{
    QList<TPlayState> atShow;
    Form().ShowCropForm = [&](TCropForm&) { atShow << Form().Player().PlayState(); };
    Form().ShowClipForm = [&](TClipForm&) { atShow << Form().Player().PlayState(); };
    const auto play = [&] {
        Form().PlayButton->click();
        return Until([&] { return Showing() && Form().PreviewPlaying(); });
    };
    ASSERT_TRUE(play());
    Form().EditButton->click();
    ASSERT_TRUE(play());
    Form().PauseButton->click();
    ASSERT_TRUE(Until([&] { return Form().Player().PlayState() == TPlayState::psPause; }));
    Form().ClipButton->click();
    EXPECT_EQ(atShow, QList<TPlayState>({TPlayState::psStop, TPlayState::psStop}));
    EXPECT_TRUE(Form().imgPlayerArea->isVisible());

    ASSERT_TRUE(play());
    Form().close();
    EXPECT_EQ(Form().Player().PlayState(), TPlayState::psStop);
}

}  // namespace
