#pragma once
// The main window: the title list of the loaded disc and every command of
// the ripping workflow. The window only places and connects controls; what
// they show and do lives in the models it owns.
#include "catalogue/TCatalogue.h"
#include "engine/EngineServices.h"
#include "engine/player/TPlayerTypes.h"
#include "main/TSettingsStore.h"
#include "main/TSkin.h"
#include "main/TTitleModel.h"
#include "main/TUserFolders.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TAboutForm;
class TClipForm;
class TDVDInfoForm;
class TWaitForm;
class TCatalogue;
class Tproform;
class Tsettingsform;
class TConvForm;
class TCropForm;
struct TCropValues;
class TJobBuilder;
class TEngineLogHistory;
class TEventsLog;
class TLogForm;
class TTitleListView;
class TPlayerSurfaceWidget;
namespace vidrelo {
class TFFEncoder;
class TFFPlayer;
class TFFLogger;
struct TProgressInfo;
struct TTerminateInfo;
}

// What the application object hands the main window.
struct TMainFormServices {
    TEventsLog& EventsLog;
    TEngineLogHistory& EngineLogHistory;
    TLogForm& LogForm;
    QString CommandLineParameter;  // the first one, empty when none
    QString ProgramFolder;         // with a trailing "/": skin, catalogue and LibAV stand there
    vidrelo::TEngineServices Engine;  // the running engine's, for the encoder and the preview player
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(const TMainFormServices& services, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The start-up routine: skin, command line, engine history, title list,
    // catalogue, per-user folders, settings and media libraries, in order.
    void FormCreate();
    // Writes the persisted settings (run when the window closes).
    void WriteSettings();
    void SetAboutForm(TAboutForm* form) { FAboutForm = form; }
    // The windows a disc scan shows: the wait window and "DVD Info".
    void SetDiscForms(TWaitForm* wait, TDVDInfoForm* info)
    {
        FWaitForm = wait;
        FDVDInfoForm = info;
    }
    // Fills the drive menu: "Select DVD Device" with one item per drive, or
    // a disabled "No DVD Device found"; then "Open DVD Folder or Image...".
    void BuildDriveMenu(const std::vector<std::string>& drives);

    TCatalogue& Catalogue() { return *FCatalogue; }

    // --- the output format ---
    // The profile chooser and the settings editor (the application's).
    void SetProfileForms(Tproform* chooser, Tsettingsform* settings);
    // A press on the profile field: the chooser opens right above it. Before
    // a disc is loaded nothing happens.
    void imgProfileButtonMouseDown();
    // "Advanced...": the settings editor on the chosen format; after OK the
    // size estimates follow the new values.
    void btnAdvancedClick();
    // How the modal settings editor is shown (tests replace it).
    std::function<void(Tsettingsform&)> ShowSettingsForm;
    const QString& SnapshotFolder() const { return FSnapshotFolder; }
    const QString& TempFolder() const { return FTempFolder; }

    // The titles of the loaded disc. The scan adds them to the model and then
    // calls FillTitleList, which makes one list row per model row.
    TTitleModel& Titles() { return *FTitles; }
    void FillTitleList();
    // Widths that show the rows' texts whole, Source to Format without scrolling.
    void FitTitleColumns();
    // The profile field's parts fitted to the width the panel gives it.
    void LayOutProfileField();

    // --- the crop editor (TMainFormCrop.cpp) ---
    // The application's crop editor; "Edit" and "Edit..." open it.
    void SetCropForm(TCropForm* form);
    // Opens the editor modally on the selected title.
    void EditButtonClick();
    // How the modal editor is shown (tests replace it).
    std::function<void(TCropForm&)> ShowCropForm;

    // --- loading a disc ---
    // "Load DVD": the media libraries and the DVD plug-in, then the drive:
    // one drive is scanned at once, several pop the drive menu up, none
    // opens the folder-or-image dialog.
    void AddButtonClick();
    // A drive menu item: scans the drive it names, or opens the dialog.
    void DoMenuClick(QObject* sender);
    // Scans the disc at `path` (a drive, a DVD folder or an ISO image) into
    // the title list; a disc without titles changes nothing.
    void ScanDisc(const QString& path);
    void ClearTitles();
    // Shows the list after the first successful scan.
    void EnableControls();
    // "DVD Info": the information text of the disc last scanned.
    void FileInformation1Click();
    const QStringList& DVDInfoLines() const { return FDVDInfoLines; }
    // "Eject DVD": opens the tray of the drive last scanned.
    void spSkinButton4Click();
    // How an information message is shown (a message box; tests note it).
    std::function<void(const QString&)> ShowInformation;
    // The folder or file chosen for "Open DVD Folder or Image...", empty when cancelled.
    std::function<QString()> ChooseDiscPath;

    // --- preview (TMainFormPreview.cpp) ---
    void OpenVideo(const QString& source);
    void PlayButtonClick();
    void PauseButtonClick();
    void StopButtonClick();
    // Stops the preview when a title plays or is paused (before the editors
    // and a conversion take the disc).
    void StopPreviewIfPlaying();
    bool PreviewPlaying() const;
    void spSkinMenuButton1Click();  // "Snapshot"
    void Item22Click();             // "Open Snapshot Folder"
    void Item32Click();             // "Change Snapshot Folder"
    void JPEG1Click();
    void BMP1Click();
    vidrelo::TFFPlayer& Player() { return *FFPlayer; }
    int64_t Duration() const { return FDuration; }
    // How the snapshot folder is chosen (a folder dialog; tests answer it)
    // and how an error message is shown (a message box; tests note it).
    std::function<QString(const QString& start)> ChooseSnapshotFolder;
    std::function<void(const QString&)> ShowError;

    // --- trimming ---
    // The trim editor (the application's): "Trim" and "Trim..." open it.
    void SetClipForm(TClipForm* form);
    // The trim editor on the selected title, modally; OK stores the part.
    void ClipButtonClick();
    // How the modal trim editor is shown (tests replace it).
    std::function<void(TClipForm&)> ShowClipForm;

    // --- converting ---
    void SetConvForm(TConvForm* form) { FConvForm = form; }
    // "Convert": the checked titles become encoder tasks, the encoder starts
    // and the progress window shows until the run ends.
    void StartButtonClick();
    // The encoder's events (both on the main thread).
    void EncoderProgress(const vidrelo::TProgressInfo& P);
    void EncoderTerminate(const vidrelo::TTerminateInfo& T);
    // "Find target": opens the output folder.
    void spSkinButton2Click();
    // Opens `folder` in the file manager, or logs where it is when none can.
    void ShowFolder(const QString& folder);
    vidrelo::TFFEncoder& Encoder() { return *FEncoder; }
    const QList<TVideoFile>& JobFiles() const { return FJobFiles; }
    const QString& RunOutputFolder() const { return FRunOutputFolder; }
    TJobBuilder& JobBuilder() { return *FJobBuilder; }
    // How the pieces that reach outside the program are done (tests replace
    // them): a warning box, the modal progress window, opening a folder,
    // shutting the computer down.
    std::function<void(const QString&)> ShowWarning;
    std::function<void(TConvForm&)> ShowConvForm;
    // Shows a folder in the file manager; false when none could show it.
    std::function<bool(const QString&)> OpenFolder;
    // Starts the sibling program of "Switch Converter"; false when it could not start.
    std::function<bool(const QString&)> StartProgram;
    // Opens a web address (the desktop's browser when not set).
    std::function<void(const QString&)> OpenUrl;
    std::function<void()> ShutdownComputer;

    // Left column and convert button.
    QToolButton* AddButton;   // "Load DVD"
    QToolButton* ClipButton;  // "Trim"
    QToolButton* EditButton;  // "Edit"
    QToolButton* StartButton; // convert checked items

    // Title list, its in-place editor and the panel shown before any disc.
    QTreeWidget* lvTitles;
    QLineEdit* edDestinationTitle;
    QWidget* pnlGettingStarted;
    QLabel* imgGettingStarted;
    QPushButton* btnCheckAll;
    QPushButton* btnUncheckAll;
    QPushButton* btnEject;
    QPushButton* btnRename;
    QPushButton* btnDVDInfo;

    // Bottom panel.
    QComboBox* cboAudio;
    QComboBox* cboSubtitle;
    QCheckBox* chkDeinterlace;
    QLabel* lblCopyNote;  // why the picture controls are off with a copy format
    QSpinBox* seFromChapter;
    QSpinBox* seToChapter;
    QWidget* ProfileField;     // holds the three below
    QLabel* imgProfileButton;  // the profile field's picture
    QLabel* imgProfileIcon;
    QLabel* lblProfile;
    QPushButton* btnAdvanced;
    QLineEdit* edDestinationFolder;
    QToolButton* btnBrowseFolder;
    QPushButton* btnFindTarget;
    QCheckBox* chApplyToAll;
    QCheckBox* chMerge;
    QCheckBox* chSplitChapters;  // one file per chapter; excludes chMerge

    // Preview area.
    QWidget* pnlPreview;
    QLabel* imgPlayerArea;
    QToolButton* PlayButton;
    QToolButton* PauseButton;
    QToolButton* StopButton;
    QToolButton* SnapshotButton;
    QSlider* VideoTrackBar;
    QLabel* imgVolume;
    QSlider* VolumeTrackBar;
    QLabel* lblPlayTime;
    QToolButton* LikeButton;
    QToolButton* TweetButton;
    TPlayerSurfaceWidget* panPlayerArea;  // the preview player's screen, under imgPlayerArea
    QMenu* SnapshotMenu;
    QAction* actSnapshot;
    QAction* actOpenSnapshotFolder;
    QAction* actChangeSnapshotFolder;
    QAction* actJPEG;
    QAction* actBMP;

    // Menus.
    QMenu* DriveMenu;
    QMenu* SuiteMenu;  // "Suite", or "Tools" without a command-line parameter
    QAction* actLoadDVD;
    QAction* actDVDInfo;
    QAction* actStartConversion;
    QAction* actExit;
    QAction* actRename;
    QAction* actEdit;
    QAction* actTrim;
    QAction* EventsLogMenuItem;  // "Switch Converter", or "Events Log"
    QAction* actOnlineGuide;
    QAction* actSupport;
    QAction* actMoreFreeware;
    QAction* actOnFacebook;
    QAction* actOnTwitter;
    QAction* actAbout;

public slots:
    // The title list and the per-title controls.
    void lvTitlesSelectItem(int row, bool selected);
    void cboAudioChange();
    void cboSubtitleChange();
    void chkDeinterlaceClick();
    void Rename1Click();
    void edDestinationTitleExit();
    void btnCheckAllClick();
    void btnUncheckAllClick();
    void xlvTitlesChange();
    void chApplyToAllClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildLeftColumn(QWidget* client);
    void BuildTitleArea(QWidget* client);
    void BuildBottomPanel(QWidget* client);
    void BuildPreviewArea(QWidget* client);
    void ApplySkin();
    void SetUpCommandLineMenu();
    void LoadCatalogue();
    void ReadSettings();
    void ShowProfileChoice();
    void ShowProfileDisplay(const TProfileDisplay& display);
    void proformFormatChosen(int profileInd, int formatInd);
    void proformHidden();
    bool IsProfileField(QObject* watched) const;
    void LoadMediaLibraries();
    // The encoder's libraries (failures reported with `mark` and logged),
    // then the picture filters.
    bool LoadEncoderLibraries(const QString& mark);
    void RegisterPictureFilters();
    void OpenWebPage(const QString& address);
    void ConnectCommands();
    void ConnectDiscCommands();
    bool PrepareDiscLibraries();
    void OpenDiscFolder();
    void SetUpTitleList();
    void ConnectTitleList();
    void DisconnectTitleList();
    void ShowRowSelection(const TRowSelection& selection);
    void FillTitleControls(const TTitleControls& controls);
    void EnableTitleControls(bool enabled);
    // The selected row's format copies the disc's streams: the picture
    // controls (crop and adjustments, deinterlacing) are off, with a note
    // saying why (TMainFormOriginal.cpp).
    void ShowCopyFormatState();
    void ClearTitleChoosers();
    void UpdateTitleCell(int row, int column);
    void RefreshTitleRowTexts();
    void SetAllRowChecks(bool checked);
    void TitleItemChanged(QTreeWidgetItem* item, int column);
    void OpenDestinationEditor(int row);
    bool lvTitlesMouseDown(const QPoint& pos);

    TMainFormServices FServices;
    TAboutForm* FAboutForm = nullptr;
    TClipForm* FClipForm = nullptr;
    Tproform* Fproform = nullptr;
    Tsettingsform* Fsettingsform = nullptr;
    TWaitForm* FWaitForm = nullptr;      // the application's; created here when it gave none
    TDVDInfoForm* FDVDInfoForm = nullptr;
    QStringList FDVDInfoLines;
    std::unique_ptr<TCatalogue> FCatalogue;
    // After the catalogue: it holds references into the catalogue's lists.
    std::unique_ptr<TTitleModel> FTitles;
    TTitleListView* FTitleListView = nullptr;
    bool FEditingDestination = false;  // the in-place editor is open
    std::unique_ptr<vidrelo::TFFLogger> FFLogger;
    QString FProgramFolder;
    QString FTempFolder;
    QString FSnapshotFolder;
    TUserFolders FUserFolders;
    TSkin FSkin;
    int FChanging = 0;
    int FJpegCounter = 1;
    int FBmpCounter = 1;
    bool FCreated = false;  // FormCreate ran: only then are settings worth writing

    // Preview (TMainFormPreview.cpp).
    void BuildPreviewPlayer();
    void ConnectPreview();
    bool PreparePreviewLibraries();
    void FFPlayerFileOpen(int64_t duration, int& screenWidth, int& screenHeight);
    void FFPlayerPosition(int64_t pts);
    void FFPlayerState(vidrelo::TPlayState state);
    void VideoTrackBarLastChange();
    void VolumeTrackBarChange(int value);
    std::unique_ptr<vidrelo::TFFPlayer> FFPlayer;
    int64_t FDuration = 0;
    bool FTrackChanging = false;
    bool FPositionDragging = false;
    int FSnapshotFormat = 0;  // 0 JPEG, 1 BMP

    // The crop editor: its Apply stores into the row it was opened for.
    bool StoreCropValues(const TCropValues& values);
    TCropForm* FCropForm = nullptr;
    int FCropRow = -1;

    // Converting (TMainFormConvert.cpp).
    void SetUpEncoder();
    void ConnectConvForm();
    std::unique_ptr<vidrelo::TFFEncoder> FEncoder;
    std::unique_ptr<TJobBuilder> FJobBuilder;
    TConvForm* FConvForm = nullptr;  // the application's
    QList<TVideoFile> FJobFiles;
    QString FRunOutputFolder;
    bool FClosing = false;  // terminate events that arrive now are dropped
};
