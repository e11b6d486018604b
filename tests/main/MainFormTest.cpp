// The program's start: every window exists, the main window comes up with the
// skin, the remembered format and the output folder, and what it writes at
// close it reads back at the next start.
#include "catalogue/TCatalogue.h"
#include "catalogue/Tproform.h"
#include "diagnostics/TErrorReporter.h"
#include "diagnostics/TEventsLog.h"
#include "diagnostics/TReportSettings.h"
#include "engine/MediaEngine.h"
#include "engine/loader/TFFLoader.h"
#include "main/ApplicationIcon.h"
#include "main/TAboutForm.h"
#include "main/TApplicationWindows.h"
#include "main/TMainForm.h"
#include "main/TPathField.h"
#include "tests/main/ProgramWindows.h"
#include "tests/support/EngineServices.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSettings>
#include <QToolButton>

namespace {

struct TReported {
    QStringList Messages;
};

class MainFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { maintest::EnsureApplication(); }

    void SetUp() override { QSettings("Quarnix", "Vidrelo").clear(); }

    // Starts the program's windows as main() does, answering any error
    // report with "Cancel" and noting its message.
    std::unique_ptr<TApplicationWindows> Start(const QStringList& args = {})
    {
        return maintest::StartWindows(Reported.Messages, args);
    }

    vidrelo::TMediaEngineScope Engine;
    TReported Reported;
};

TEST_F(MainFormTest, FirstStartShowsTheSkinnedWindowWithDefaults)
{
    auto windows = Start();
    TMainForm& form = windows->MainForm();
    EXPECT_TRUE(Reported.Messages.isEmpty()) << Reported.Messages.join("\n").toStdString();
    EXPECT_EQ(form.windowTitle(), "Vidrelo");
    EXPECT_EQ(form.centralWidget()->size(), QSize(855, 513));
    EXPECT_EQ(form.SuiteMenu->title(), "Tools");
    EXPECT_EQ(form.EventsLogMenuItem->text(), "Events Log");
    EXPECT_TRUE(form.pnlGettingStarted->isVisibleTo(&form));
    EXPECT_FALSE(form.imgGettingStarted->pixmap().isNull());
    // The first format of the first profile is the remembered choice of a first run.
    const TCatalogue& catalogue = form.Catalogue();
    ASSERT_FALSE(catalogue.Profiles.isEmpty());
    ASSERT_FALSE(catalogue.Profiles[0].Formats.isEmpty());
    EXPECT_EQ(form.lblProfile->text(), catalogue.Profiles[0].Formats[0].Title);
    EXPECT_TRUE(form.edDestinationFolder->text().endsWith("Quarnix/Vidrelo/Output"));
    EXPECT_TRUE(form.SnapshotFolder().endsWith("Quarnix/Vidrelo/Snapshots"));
}

TEST_F(MainFormTest, ACommandLineParameterKeepsTheSuiteMenu)
{
    auto windows = Start({"other-converter"});
    TMainForm& form = windows->MainForm();
    EXPECT_EQ(form.SuiteMenu->title(), "Suite");
    EXPECT_EQ(form.EventsLogMenuItem->text(), "Switch Converter");

    // The window stays open when the other program cannot start.
    QStringList started, warnings;
    bool starts = false;
    form.StartProgram = [&](const QString& program) {
        started << program;
        return starts;
    };
    form.ShowWarning = [&warnings](const QString& text) { warnings << text; };
    form.show();
    form.EventsLogMenuItem->trigger();
    ASSERT_EQ(started.size(), 1);
    EXPECT_TRUE(started[0].endsWith("/other-converter")) << started[0].toStdString();
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0], "Could not start \"" + started[0] + "\".");
    EXPECT_TRUE(form.isVisible());
    starts = true;
    form.EventsLogMenuItem->trigger();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainFormTest, ClosingWritesTheSettingsAndTheNextStartReadsThemBack)
{
    const QString output = QString::fromStdString(vidrelo::test::MakeTempDir("out"));
    {
        auto windows = Start();
        TMainForm& form = windows->MainForm();
        ASSERT_GE(form.Catalogue().Profiles.size(), 2);
        form.edDestinationFolder->setText(output);
        form.Catalogue().RecentProfileInd = 1;
        form.Catalogue().RecentFormatInd = 0;
        form.close();
    }
    QSettings stored("Quarnix", "Vidrelo");
    EXPECT_EQ(stored.value("OutputPath").toString(), output);
    EXPECT_EQ(stored.value("recentprofileind").toInt(), 1);
    EXPECT_FALSE(stored.contains("videocodecname"));  // no last-edited format

    auto windows = Start();
    TMainForm& form = windows->MainForm();
    EXPECT_EQ(form.edDestinationFolder->text(), output);
    EXPECT_EQ(form.lblProfile->text(), form.Catalogue().Profiles[1].Formats[0].Title);
}

TEST_F(MainFormTest, AWrongTypedSettingIsLoggedAndStartUpGoesOn)
{
    QSettings("Quarnix", "Vidrelo").setValue("recentprofileind", "not a number");
    auto windows = Start();
    EXPECT_EQ(windows->MainForm().Catalogue().SelectedProfileInd, 0);
    EXPECT_TRUE(windows->EventsLog().Lines().join("\n").contains("recentprofileind"));
    EXPECT_FALSE(windows->MainForm().lblProfile->text().isEmpty());
}

TEST_F(MainFormTest, MissingMediaLibrariesAreReportedAndLogged)
{
    // A private library folder that holds a broken avutil: the encoder's set fails.
    const std::string bin = vidrelo::test::MakeTempDir("prog") + "/";
    auto windows = std::make_unique<TApplicationWindows>(vidrelo::test::EngineServices(), QStringList{},
                                                         QString::fromStdString(bin));
    QDir().mkpath(QString::fromStdString(bin + "LibAV"));
    QFile broken(QString::fromStdString(bin + "LibAV/" + vidrelo::TFFLoader::LibraryFileName(vidrelo::TLibrary::avUtil)));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("no library");
    broken.close();
    QStringList reported;
    windows->Reporter().SetAskSend([&](const QString& message) {
        reported << message;
        return false;
    });
    windows->Start();
    const QString all = reported.join("\n");
    EXPECT_TRUE(all.contains("Load library ")) << all.toStdString();
    EXPECT_TRUE(windows->EventsLog().Lines().join("\n").contains("-> Load library ")) << all.toStdString();
}

}  // namespace

namespace {

TEST_F(MainFormTest, TheProfileFieldLightsUpWhileTheMouseIsOverIt)
{
    auto windows = Start();
    TMainForm& form = windows->MainForm();
    const QString skin = QString::fromStdString(vidrelo::test::BinDir()) + "/skin-black/";
    const QImage normal = QImage(skin + "profilescombo.bmp").convertToFormat(QImage::Format_RGB32);
    const QImage over = QImage(skin + "profilescombo_over.bmp").convertToFormat(QImage::Format_RGB32);
    ASSERT_NE(normal, over);
    const auto shown = [&] { return form.imgProfileButton->pixmap().toImage().convertToFormat(QImage::Format_RGB32); };
    EXPECT_EQ(shown(), normal);
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(form.lblProfile, &enter);
    EXPECT_EQ(shown(), over);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(form.imgProfileButton, &leave);
    EXPECT_EQ(shown(), normal);
    // Before a disc is loaded a press on the field opens nothing.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), form.lblProfile->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.lblProfile, &press);
    EXPECT_FALSE(form.findChild<Tproform*>()->isVisible());
}

}  // namespace

namespace {

TEST_F(MainFormTest, TheDriveMenuOffersEachDriveOrSaysThereIsNone)
{
    auto windows = Start();
    TMainForm& form = windows->MainForm();
    form.BuildDriveMenu({"/dev/sr0", "/dev/sr1"});
    QList<QAction*> top = form.DriveMenu->actions();
    ASSERT_EQ(top.size(), 3);  // the drives, a separator, the folder/image item
    EXPECT_EQ(top[0]->text(), "Select DVD Device");
    ASSERT_NE(top[0]->menu(), nullptr);
    ASSERT_EQ(top[0]->menu()->actions().size(), 2);
    EXPECT_EQ(top[0]->menu()->actions()[1]->text(), "/dev/sr1");
    EXPECT_EQ(top[2]->text(), "Open DVD Folder or Image...");

    form.BuildDriveMenu({});
    top = form.DriveMenu->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->text(), "No DVD Device found");
    EXPECT_FALSE(top[0]->isEnabled());
    EXPECT_EQ(top[0]->menu(), nullptr);
}

double MeanGrey(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y)) * qAlpha(image.pixel(x, y)) / 255.0;
    return sum / std::max(1, image.width() * image.height());
}

// What a new user sees first: buttons that cannot be used yet recede, the
// output folder shows its start and end, the About window gives the address
// error reports go to.
TEST_F(MainFormTest, UnusableButtonsRecedeAndTheOutputFolderAndAboutReadWhole)
{
    auto windows = Start();
    TMainForm& form = windows->MainForm();
    ASSERT_FALSE(form.ClipButton->isEnabled());
    const QSize size = form.ClipButton->iconSize();
    const QImage disabled = form.ClipButton->icon().pixmap(size, QIcon::Disabled).toImage();
    const QImage usable = form.ClipButton->icon().pixmap(size, QIcon::Normal).toImage();
    EXPECT_LT(MeanGrey(disabled), MeanGrey(usable) * 0.6);

    const QString folder = "/home/someone/with a rather long folder name/Videos/Converted/From DVD";
    form.edDestinationFolder->setText(folder);
    EXPECT_EQ(form.edDestinationFolder->toolTip(), folder);
    const QString shown = static_cast<TPathField*>(form.edDestinationFolder)->ShownText(150);
    EXPECT_NE(shown, folder);
    EXPECT_TRUE(shown.startsWith("/home/")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("DVD")) << shown.toStdString();

    auto* about = form.findChild<TAboutForm*>();
    ASSERT_NE(about, nullptr);
    about->ensurePolished();
    EXPECT_TRUE(about->lblMail->text().contains(BuiltInReportSettings().SupportMailbox));
    EXPECT_GT(about->lblName->fontInfo().pointSizeF(), about->lblHome->fontInfo().pointSizeF() * 1.5);
}

}  // namespace

// The windows' icon comes from the pictures the build drew beside the
// program folder (the icon theme has none while Vidrelo is not installed);
// a folder with no pictures near it gives no icon rather than a broken one.
TEST(ApplicationIconTest, ComesFromTheDrawnPicturesBesideTheProgramFolder)
{
    maintest::EnsureApplication();
    const QIcon icon = ApplicationIcon(QString::fromStdString(vidrelo::test::BinDir()) + "/");
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(256, 256)));
    EXPECT_EQ(icon.pixmap(48, 48).size(), QSize(48, 48));

    EXPECT_TRUE(ApplicationIcon(QString::fromStdString(vidrelo::test::MakeTempDir("no icons")) + "/").isNull());
}
