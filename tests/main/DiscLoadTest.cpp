// "Load DVD" in the main window on the generated test discs, with the real
// DVD plug-in: the library steps and their log lines, the drive choice, the
// scan into the list, invalid titles, discs without titles, and discs
// opened from the drive menu or dropped on the window.
#include "diagnostics/TEventsLog.h"
#include "dvd/DVDPlugIn.h"
#include "engine/MediaEngine.h"
#include "main/TApplicationWindows.h"
#include "main/TDiscFolderDialog.h"
#include "main/TMainForm.h"
#include "tests/main/ProgramWindows.h"
#include "tests/support/DamagedDiscs.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <tuple>

using vidrelo::test::Disc;

namespace {

QString PathOf(const std::string& disc)
{
    return QString::fromStdString(Disc(disc).path);
}

class DiscLoadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { maintest::EnsureApplication(); }

    void SetUp() override
    {
        QSettings("Quarnix", "Vidrelo").clear();
        Windows = maintest::StartWindows(Reported);
        Form().ShowInformation = [this](const QString& text) { Messages << text; };
    }
    void TearDown() override
    {
        Windows.reset();
        vidrelo::UnloadDVDPlugin();
    }

    TMainForm& Form() { return Windows->MainForm(); }
    QStringList Log() { return Windows->EventsLog().Lines(); }
    bool LogHas(const QString& text) { return Log().join('\n').contains(text); }

    vidrelo::TMediaEngineScope Engine;
    QStringList Reported;
    QStringList Messages;
    std::unique_ptr<TApplicationWindows> Windows;
};

TEST_F(DiscLoadTest, OneDriveIsScannedAtOnceIntoTheList)
{
    Form().BuildDriveMenu({Disc("discA").path});
    Form().AddButtonClick();
    EXPECT_TRUE(Reported.isEmpty()) << Reported.join('\n').toStdString();
    EXPECT_TRUE(LogHas("-> DVD plug-in v1.0.0.0 is loaded.")) << Log().join('\n').toStdString();

    const QTreeWidget& list = *Form().lvTitles;
    ASSERT_EQ(list.topLevelItemCount(), 4);
    EXPECT_EQ(list.topLevelItem(0)->text(0), "Title #1");
    EXPECT_EQ(list.topLevelItem(0)->text(3), "Title1");
    EXPECT_EQ(list.topLevelItem(0)->text(5), "2");  // chapters
    EXPECT_EQ(list.topLevelItem(0)->text(8), "ID[0x80], en");
    EXPECT_EQ(list.topLevelItem(0)->text(9), "ID[0x20], en");
    EXPECT_EQ(list.topLevelItem(1)->text(9), "No subtitles");
    // Titles 1 and 4 are equally long: the first is pre-selected and checked.
    EXPECT_EQ(list.currentItem(), list.topLevelItem(0));
    EXPECT_EQ(list.topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(list.topLevelItem(3)->checkState(0), Qt::Unchecked);
    EXPECT_TRUE(Form().cboAudio->isEnabled());
    EXPECT_EQ(Form().cboAudio->count(), 4);  // the two tracks, "All audio tracks" and "Disable"

    EXPECT_TRUE(list.isVisibleTo(&Form()));
    EXPECT_FALSE(Form().pnlGettingStarted->isVisibleTo(&Form()));
    EXPECT_TRUE(Form().EditButton->isEnabled());
    EXPECT_TRUE(Form().actTrim->isEnabled());
    EXPECT_TRUE(Form().StartButton->isEnabled());
    EXPECT_EQ(Form().Titles().DVDPath(), PathOf("discA"));
    EXPECT_EQ(Form().DVDInfoLines().first(), "There are 4 title(s) in " + PathOf("discA"));
    EXPECT_TRUE(Form().DVDInfoLines().contains("    Audio #1 Type[AC3], ID[0x81], SampleRate[48000], "
                                               "Channels[2], Language[fr, French]"))
        << Form().DVDInfoLines().join('\n').toStdString();
    EXPECT_EQ(Form().Titles().RowSourceString(0),
              "opendvd:" + PathOf("discA") +
                  "|Title=1,FromChapter=1,ToChapter=2,AudioID=128,SubtitleID=32,AudioChannels=2,Deinterlace=0");
}

TEST_F(DiscLoadTest, SeveralDrivesShowTheMenuAndAClickScansTheChosenOne)
{
    Form().BuildDriveMenu({Disc("discA").path, Disc("discB").path});
    Form().AddButtonClick();
    EXPECT_TRUE(Form().DriveMenu->isVisible());
    EXPECT_EQ(Form().lvTitles->topLevelItemCount(), 0);
    Form().DriveMenu->hide();

    QMenu* drives = Form().DriveMenu->actions().first()->menu();
    ASSERT_NE(drives, nullptr);
    drives->actions().at(1)->trigger();
    EXPECT_EQ(Form().lvTitles->topLevelItemCount(), 3);
    EXPECT_EQ(Form().Titles().DVDPath(), PathOf("discB"));

    // Anything but a drive item is ignored.
    QPushButton other;
    Form().DoMenuClick(&other);
    Form().DoMenuClick(nullptr);
    Form().DoMenuClick(drives->menuAction());
    EXPECT_EQ(Form().Titles().DVDPath(), PathOf("discB"));
}

TEST_F(DiscLoadTest, UnreadableTitlesGetInvalidRowsAndLogLines)
{
    Form().BuildDriveMenu({Disc("discC").path});
    Form().AddButtonClick();
    const QTreeWidget& list = *Form().lvTitles;
    ASSERT_EQ(list.topLevelItemCount(), 4);
    EXPECT_EQ(list.topLevelItem(0)->text(0), "Title #1");
    EXPECT_EQ(list.topLevelItem(2)->text(0), "Title #3 is invalid");
    EXPECT_EQ(list.topLevelItem(3)->text(0), "Title #4 is invalid");
    EXPECT_EQ(list.topLevelItem(2)->text(1), "");
    EXPECT_TRUE(LogHas("-> Calling DVDGetTitle(#2) failed."));
    EXPECT_TRUE(LogHas("-> Calling DVDGetTitle(#3) failed."));
    EXPECT_FALSE(LogHas("DVDGetTitle(#1)"));
    EXPECT_FALSE(Form().DVDInfoLines().join('\n').contains("Title #3 "));
}

TEST_F(DiscLoadTest, InformationFilesThatCrashedTheReaderGiveRowsOrTheMessage)
{
    for (const vidrelo::test::IfoDamage& damage : vidrelo::test::CrashingIfoDamage()) {
        SCOPED_TRACE(vidrelo::test::Describe(damage));
        Messages.clear();
        const QString disc = QString::fromStdString(vidrelo::test::DamagedDiscA(damage, true));
        Form().BuildDriveMenu({disc.toStdString()});
        Form().AddButtonClick();
        if (damage.titleset == 0) {
            EXPECT_EQ(Messages.value(0), "No DVD title(s) found. Common reason: invalid DVD.");
            EXPECT_TRUE(LogHas("VIDEO_TS.IFO")) << Log().join('\n').toStdString();
            continue;
        }
        const QTreeWidget& list = *Form().lvTitles;
        ASSERT_EQ(list.topLevelItemCount(), 4);
        const int first = damage.titleset == 1 ? 0 : 2;  // titles 1-2 are titleset 1's, 3-4 titleset 2's
        EXPECT_EQ(list.topLevelItem(first)->text(0), QString("Title #%1 is invalid").arg(first + 1));
        EXPECT_EQ(list.topLevelItem(2 - first)->text(0), QString("Title #%1").arg(3 - first));
        EXPECT_EQ(Form().Titles().DVDPath(), disc);
    }
}

TEST_F(DiscLoadTest, ADiscWithoutTitlesShowsTheMessageAndKeepsTheList)
{
    Form().BuildDriveMenu({Disc("discB").path});
    Form().AddButtonClick();
    ASSERT_EQ(Form().lvTitles->topLevelItemCount(), 3);
    const QStringList info = Form().DVDInfoLines();

    for (const char* path : {"notdvd", "empty"}) {
        Form().ScanDisc(PathOf(path));
        EXPECT_EQ(Messages.takeFirst(), "No DVD title(s) found. Common reason: invalid DVD.");
    }
    Form().ScanDisc("/no/such/disc");
    EXPECT_EQ(Messages.takeFirst(), "No DVD title(s) found. Common reason: invalid DVD.");
    EXPECT_TRUE(LogHas("/no/such/disc")) << "the plug-in's reason goes to the events log";
    EXPECT_EQ(Form().lvTitles->topLevelItemCount(), 3);
    EXPECT_EQ(Form().Titles().DVDPath(), PathOf("discB"));
    EXPECT_EQ(Form().DVDInfoLines(), info);
    // Not a drive: ejecting does nothing, and says nothing.
    Form().btnEject->click();
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(DiscLoadTest, APluginThatCannotLoadIsLoggedAndTriedAgainNextTime)
{
    // A program folder of our own whose LibAV holds a broken plug-in file;
    // the other tests keep using the build's.
    Windows.reset();
    const QString bin = QString::fromStdString(vidrelo::test::BinDir()) + "/";
    const QString folder = QString::fromStdString(vidrelo::test::MakeTempDir("program")) + "/";
    for (const char* name : {"skin-black", "dvd-ripper-profiles"})
        ASSERT_TRUE(QFile::link(bin + name, folder + name));
    ASSERT_TRUE(QDir(folder).mkdir("LibAV"));
    const QString plugin = folder + "LibAV/libdvddec.so";
    {
        QFile broken(plugin);
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("this is no library");
    }
    Windows = maintest::StartWindows(Reported, {}, folder);
    Form().BuildDriveMenu({Disc("discA").path});

    Form().AddButtonClick();
    EXPECT_TRUE(LogHas("-> Load library " + plugin + " error: ")) << Log().join('\n').toStdString();
    EXPECT_EQ(Form().lvTitles->topLevelItemCount(), 0);

    ASSERT_TRUE(QFile::remove(plugin));
    ASSERT_TRUE(QFile::link(bin + "LibAV/libdvddec.so", plugin));
    Form().AddButtonClick();
    EXPECT_EQ(Form().lvTitles->topLevelItemCount(), 4);
}

TEST_F(DiscLoadTest, ADroppedImageIsScanned)
{
    Form().BuildDriveMenu({Disc("discA").path});
    Form().AddButtonClick();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(PathOf("discB"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Form(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Form(), &drop);
    EXPECT_EQ(Form().Titles().DVDPath(), PathOf("discB"));
    EXPECT_EQ(Form().lvTitles->topLevelItemCount(), 3);

    // A plain file is refused at the door.
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(QString::fromStdString(vidrelo::test::TestDiscManifestPath()))});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Form(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(DiscLoadTest, OpenFolderOrImageTakesWhateverPartOfADiscIsChosen)
{
    const QString discA = PathOf("discA");
    QString chosen;
    Form().ChooseDiscPath = [&chosen] { return chosen; };
    QAction open("Open DVD Folder or Image...");
    const struct {
        QString choice;
        QString scanned;  // empty: refused with a message
    } cases[] = {
        {discA, discA},
        {discA + "/VIDEO_TS", discA + "/VIDEO_TS"},
        {discA + "/VIDEO_TS/VIDEO_TS.IFO", discA + "/VIDEO_TS"},
        {discA + "/VIDEO_TS/VTS_01_0.IFO", discA + "/VIDEO_TS"},
        {PathOf("discB"), PathOf("discB")},
        {discA + "/VIDEO_TS/VTS_01_1.VOB", ""},
        {QString::fromStdString(vidrelo::test::TestDiscManifestPath()), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.choice.toStdString());
        Form().ClearTitles();
        Messages.clear();
        chosen = c.choice;
        Form().DoMenuClick(&open);
        if (c.scanned.isEmpty()) {
            EXPECT_EQ(Form().lvTitles->topLevelItemCount(), 0);
            ASSERT_EQ(Messages.size(), 1);
            EXPECT_TRUE(Messages[0].startsWith("\"" + c.choice + "\" is not a DVD.")) << Messages[0].toStdString();
            continue;
        }
        EXPECT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();
        EXPECT_EQ(Form().Titles().DVDPath(), c.scanned);
        EXPECT_GT(Form().lvTitles->topLevelItemCount(), 0);
        // Folders and images have no tray.
        EXPECT_FALSE(Form().btnEject->isEnabled());
    }
    // Cancelling the picker does nothing.
    chosen.clear();
    Messages.clear();
    Form().DoMenuClick(&open);
    EXPECT_TRUE(Messages.isEmpty());
}

// The picker itself accepts folders and files alike.
TEST_F(DiscLoadTest, TheDiscPickerAcceptsAFolderAndAFile)
{
    const QString videoTs = PathOf("discA") + "/VIDEO_TS";
    for (const QString& pick : {videoTs + "/VIDEO_TS.IFO", videoTs}) {
        SCOPED_TRACE(pick.toStdString());
        TDiscFolderDialog dialog(&Form(), "Open DVD Folder or Image...", PathOf("discA"));
        dialog.selectFile(pick);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(QFileInfo(dialog.ChosenPath()).absoluteFilePath(), pick);
    }
}

// Every command a user can reach in the menus does something they can see:
// a window, a web page, a message, a log line, a list, the rename editor, or
// the window closing. Modal windows are closed as soon as they show.
TEST_F(DiscLoadTest, EveryEnabledMenuCommandDoesSomethingVisible)
{
    Form().BuildDriveMenu({Disc("discA").path});
    Form().AddButtonClick();
    Form().show();
    QStringList urls;
    Form().OpenUrl = [&urls](const QString& url) { urls << url; };
    Form().OpenFolder = [&urls](const QString& folder) {
        urls << folder;
        return true;
    };
    const QString snapshots = QString::fromStdString(vidrelo::test::MakeTempDir("snapshots"));
    Form().ChooseSnapshotFolder = [&snapshots](const QString&) { return snapshots; };
    QStringList modal;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&modal] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            modal << w->windowTitle();
            w->close();
        }
    });
    closer.start(20);

    QList<QAction*> actions;
    std::function<void(const QList<QAction*>&)> collect = [&](const QList<QAction*>& list) {
        for (QAction* a : list) {
            if (a->menu())
                collect(a->menu()->actions());
            else if (!a->isSeparator())
                actions << a;
        }
    };
    collect(Form().menuBar()->actions());
    collect(Form().SnapshotMenu->actions());
    // Exit last: it closes the window the others need.
    std::stable_partition(actions.begin(), actions.end(), [](QAction* a) { return a->text() != "Exit"; });
    ASSERT_GE(actions.size(), 19);

    for (QAction* action : actions) {
        // Converting has tests of its own (ConvertWindowTest); choosing the
        // chosen item again rightly changes nothing.
        if (!action->isEnabled() || action->text() == "Start Conversion" || (action->isCheckable() && action->isChecked()))
            continue;
        SCOPED_TRACE(action->text().toStdString());
        if (action->text() == "Load DVD")
            Form().ClearTitles();  // so that the scan shows
        const auto state = [&] {
            return std::tuple(modal.size(), urls.size(), Messages.size(), Log().size(),
                              Form().lvTitles->topLevelItemCount(), Form().edDestinationTitle->isVisible(),
                              Form().isVisible(), action->isChecked(), Form().SnapshotFolder());
        };
        const auto before = state();
        action->trigger();
        QCoreApplication::processEvents();
        if (Form().edDestinationTitle->isVisible() && std::get<5>(before) == false) {
            Form().edDestinationTitle->hide();
            continue;
        }
        EXPECT_NE(state(), before) << "nothing visible happened";
    }
    EXPECT_FALSE(Form().isVisible());
    EXPECT_TRUE(modal.contains("About"));
    EXPECT_TRUE(modal.contains("Crop"));
    EXPECT_TRUE(modal.contains("Clip"));
    EXPECT_TRUE(urls.contains(QStringLiteral("https://twitter.com/share?original_referer=https://www.quarnix.example/"
                                             "vidrelo.htm&text=Vidrelo")));
}

}  // namespace
