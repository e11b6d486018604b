// The main window's start-up and shut-down: FormCreate in its fixed order,
// and the settings written back when the window closes.
#include "main/TMainForm.h"

#include "engine/encoder/TFFEncoder.h"
#include "main/TJobBuilder.h"
#include "editing/vf_eq.h"
#include "editing/vf_hue.h"

#include "catalogue/TCatalogue.h"
#include "diagnostics/ReportError.h"
#include "diagnostics/TEngineLogHistory.h"
#include "diagnostics/TEventsLog.h"
#include "diagnostics/TLogForm.h"
#include "dvd/DVDDrives.h"
#include "engine/loader/TFFLoader.h"
#include "engine/log/TFFLogger.h"
#include "engine/player/TCustomPlayer.h"
#include "main/TAboutForm.h"
#include "main/WebLinks.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

#include <exception>

TMainForm::~TMainForm()
{
    // The list outlives this part of the window; it must not call back into it.
    DisconnectTitleList();
    // A run still going is stopped and waited for; its last events are
    // dropped rather than shown on a window that is going.
    FClosing = true;
    FEncoder.reset();
}

void TMainForm::FormCreate()
{
    FProgramFolder = FServices.ProgramFolder;
    FTempFolder = QDir::tempPath() + "/";
    ApplySkin();
    SetUpCommandLineMenu();
    QApplication::setApplicationName("Vidrelo");
    setWindowTitle("Vidrelo");

    // The engine's log lines go into the history that error reports carry.
    FFLogger = std::make_unique<vidrelo::TFFLogger>(FServices.Engine.Dispatcher);
    FFLogger->SetOnLog(FServices.EngineLogHistory.LogHandler());

    std::vector<std::string> drives;
    vidrelo::GetDVDDrives(&drives);
    BuildDriveMenu(drives);

    FChanging = 0;
    LoadCatalogue();
    SetUpEncoder();
    SetUpTitleList();
    ReadSettings();
    if (FCatalogue->LinkFormats())
        ShowProfileChoice();
    LoadMediaLibraries();
    FCreated = true;
}

void TMainForm::BuildDriveMenu(const std::vector<std::string>& drives)
{
    DriveMenu->clear();
    if (drives.empty()) {
        DriveMenu->addAction("No DVD Device found")->setEnabled(false);
    } else {
        QMenu* select = DriveMenu->addMenu("Select DVD Device");
        for (const std::string& drive : drives) {
            QAction* item = select->addAction(QString::fromStdString(drive));
            connect(item, &QAction::triggered, this, [this, item] { DoMenuClick(item); });
        }
    }
    DriveMenu->addSeparator();
    QAction* open = DriveMenu->addAction("Open DVD Folder or Image...");
    connect(open, &QAction::triggered, this, [this, open] { DoMenuClick(open); });
}

namespace {

// Qt greys a disabled icon by lightening it, which on the dark skin makes
// an unusable button stand out more than a usable one. A disabled button
// shows its picture faded into the window instead.
QIcon SkinButtonIcon(const QImage& picture)
{
    QIcon icon(QPixmap::fromImage(picture));
    if (picture.isNull())
        return icon;
    QImage faded(picture.size(), QImage::Format_ARGB32_Premultiplied);
    faded.fill(Qt::transparent);
    {
        QPainter painter(&faded);
        painter.setOpacity(0.35);
        painter.drawImage(0, 0, picture);
    }
    icon.addPixmap(QPixmap::fromImage(faded), QIcon::Disabled);
    return icon;
}

}  // namespace

void TMainForm::ApplySkin()
{
    FSkin = LoadSkin(SkinFolder(FProgramFolder), [this](const QString& line) { FServices.EventsLog.AddEvent(line); });
    qApp->setStyleSheet(FSkin.StyleSheet);
    const TSkinPictures& p = FSkin.Pictures;
    QToolButton* const left[] = {AddButton, ClipButton, EditButton};
    for (int i = 0; i < 3; ++i)
        left[i]->setIcon(SkinButtonIcon(p.LeftButtonImages[i]));
    StartButton->setIcon(SkinButtonIcon(p.ConvertButtonImages[0]));
    QToolButton* const player[] = {PlayButton, PauseButton, StopButton, SnapshotButton};
    for (int i = 0; i < 4; ++i)
        player[i]->setIcon(SkinButtonIcon(p.PlayerImages[i]));
    LikeButton->setIcon(QPixmap::fromImage(p.ShareButtonImages[0]));
    TweetButton->setIcon(QPixmap::fromImage(p.ShareButtonImages[1]));
    imgProfileButton->setPixmap(QPixmap::fromImage(p.ProfileCombo));
    imgGettingStarted->setPixmap(QPixmap::fromImage(p.GettingStarted));
    imgPlayerArea->setPixmap(QPixmap::fromImage(p.Preview));
    imgVolume->setPixmap(QPixmap::fromImage(p.Volume));
    pnlGettingStarted->setVisible(FSkin.ShowGettingStartedPanel);
    pnlPreview->setVisible(FSkin.ShowPreviewAreaPanel);
}

void TMainForm::SetUpCommandLineMenu()
{
    if (FServices.CommandLineParameter.isEmpty()) {
        SuiteMenu->setTitle("Tools");
        EventsLogMenuItem->setText("Events Log");
        connect(EventsLogMenuItem, &QAction::triggered, this, [this] { FServices.LogForm.Execute(); });
        return;
    }
    // A sibling program started us with its own file name: switch back to it.
    if (!StartProgram)
        StartProgram = [](const QString& program) { return QProcess::startDetached(program, {}); };
    connect(EventsLogMenuItem, &QAction::triggered, this, [this] {
        const QString program = FProgramFolder + FServices.CommandLineParameter;
        // Closing when the other program did not start would leave the user with neither.
        if (!StartProgram(program)) {
            ShowWarning(QStringLiteral("Could not start \"%1\".").arg(QDir::toNativeSeparators(program)));
            return;
        }
        close();
    });
}

void TMainForm::LoadCatalogue()
{
    FCatalogue = std::make_unique<TCatalogue>(FProgramFolder + "dvd-ripper-profiles", ReportError);
    try {
        FCatalogue->LoadIcons();
    } catch (const std::exception& e) {
        // Unreadable icons cost pictures, not the catalogue.
        FServices.EventsLog.AddEvent(QString::fromUtf8(e.what()));
    }
    FJpegCounter = 1;
    FBmpCounter = 1;
    FCatalogue->LoadProfiles();
    try {
        FCatalogue->LoadFormats();
    } catch (const std::exception& e) {
        // Formats.dat missing or unreadable: report it and start with no formats.
        ReportError("Error loading formats: " + QString::fromUtf8(e.what()), "CLM_LoadFormats");
    }
}

void TMainForm::ReadSettings()
{
    FUserFolders = TUserFolders::Create();
    const auto log = [this](const QString& line) { FServices.EventsLog.AddEvent(line); };
    const TPersistedSettings settings = TSettingsStore(log, ReportError).ReadSettings(FUserFolders);
    edDestinationFolder->setText(settings.OutputPath);
    FSnapshotFolder = settings.ScreenShotsPath;
    FCatalogue->RecentProfileInd = settings.RecentProfileInd;
    FCatalogue->RecentFormatInd = settings.RecentFormatInd;
    FCatalogue->LastEditedProfileInd = settings.LastEditedProfileInd;
    FCatalogue->LastEditedFormatInd = settings.LastEditedFormatInd;
    FCatalogue->LastEdited = settings.LastEdited;
}

void TMainForm::ShowProfileChoice()
{
    ShowProfileDisplay(FCatalogue->ProfileDisplay());
}

void TMainForm::LoadMediaLibraries()
{
    LoadEncoderLibraries("CLM_FFAVLibLoad");
}

bool TMainForm::LoadEncoderLibraries(const QString& mark)
{
    vidrelo::TFFLoader& loader = FServices.Engine.Loader;
    if (!loader.Loaded(vidrelo::EncoderLibraries)) {
        loader.SetLibraryPath((FProgramFolder + "LibAV").toStdString());
        if (!loader.Load(vidrelo::EncoderLibraries)) {
            const QString error = QString::fromStdString(loader.LastErrMsg());
            ReportError(error, mark);
            FServices.EventsLog.AddEvent(error);
            return false;
        }
    }
    RegisterPictureFilters();
    return true;
}

void TMainForm::RegisterPictureFilters()
{
    // Once per process; the picture adjustments of a conversion need them.
    vidrelo::RegisterNativeEq();
    vidrelo::RegisterNativeHue();
}

void TMainForm::WriteSettings()
{
    TPersistedSettings settings;
    settings.OutputPath = edDestinationFolder->text();
    settings.ScreenShotsPath = FSnapshotFolder;
    settings.RecentFormatInd = FCatalogue->RecentFormatInd;
    settings.RecentProfileInd = FCatalogue->RecentProfileInd;
    settings.LastEditedFormatInd = FCatalogue->LastEditedFormatInd;
    settings.LastEditedProfileInd = FCatalogue->LastEditedProfileInd;
    settings.LastEdited = FCatalogue->LastEdited;
    if (const TFormat* f = FCatalogue->FormatAt(settings.LastEditedProfileInd, settings.LastEditedFormatInd))
        settings.LastEdited = {f->VideoCodecName, f->VideoBitRate, f->FrameRate,      f->Width,  f->Height,
                               f->AudioCodecName, f->AudioBitRate, f->SampleRate, f->Channel};
    TSettingsStore({}, ReportError).WriteSettings(settings);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    StopPreviewIfPlaying();
    if (FCreated)
        WriteSettings();
    event->accept();
}

void TMainForm::OpenWebPage(const QString& address)
{
    if (OpenUrl)
        OpenUrl(address);
    else
        QDesktopServices::openUrl(QUrl(address));
}

void TMainForm::ConnectCommands()
{
    const auto link = [this](QAction* action, QString address) {
        connect(action, &QAction::triggered, this, [this, address] { OpenWebPage(address); });
    };
    link(actOnlineGuide, WebLinks::GuidePage);
    link(actSupport, WebLinks::SupportPage);
    link(actMoreFreeware, WebLinks::HomePage);
    link(actOnFacebook, WebLinks::FacebookShare());
    link(actOnTwitter, WebLinks::TwitterShare());
    connect(LikeButton, &QToolButton::clicked, actOnFacebook, &QAction::trigger);
    connect(TweetButton, &QToolButton::clicked, actOnTwitter, &QAction::trigger);
    // The profile field shows its "over" picture while the mouse is on it.
    for (QWidget* part : std::initializer_list<QWidget*>{ProfileField, imgProfileButton, imgProfileIcon, lblProfile})
        part->installEventFilter(this);
    connect(btnAdvanced, &QPushButton::clicked, this, &TMainForm::btnAdvancedClick);
    connect(btnBrowseFolder, &QToolButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, "Output folder", edDestinationFolder->text());
        if (!folder.isEmpty())
            edDestinationFolder->setText(folder);
    });
    connect(actAbout, &QAction::triggered, this, [this] {
        if (!FAboutForm)
            return;
        FAboutForm->SetLinkColour(FSkin.Theme.AccentHover);
        FAboutForm->exec();
    });
    ConnectDiscCommands();
    ConnectPreview();
}
