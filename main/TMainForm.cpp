#include "main/TMainForm.h"

#include "engine/encoder/TFFEncoder.h"
#include "main/TJobBuilder.h"
#include "main/TPathField.h"

#include "catalogue/TCatalogue.h"
#include "engine/log/TFFLogger.h"
#include "engine/player/TCustomPlayer.h"
#include "main/TTitleListView.h"
#include "main/TitleColumns.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// The fixed client area and the blocks placed on it.
constexpr int ClientWidth = 855;
constexpr int ClientHeight = 513;
const QRect LeftColumn(10, 10, 90, 493);
const QRect TitleArea(110, 10, 480, 250);
const QRect ListButtons(110, 266, 480, 26);
const QRect BottomPanel(110, 300, 480, 203);
const QRect PreviewArea(600, 10, 245, 493);

QToolButton* ImageButton(QWidget* parent, const QString& text, QSize size)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setFixedSize(size);
    // The skin's pictures carry their own captions; the text serves when a
    // picture is missing and for accessibility.
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIconSize(size);
    return button;
}

}  // namespace

TMainForm::TMainForm(const TMainFormServices& services, QWidget* parent) : QMainWindow(parent), FServices(services)
{
    setWindowTitle("Vidrelo");
    auto* client = new QWidget(this);
    client->setObjectName("MainClient");
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);
    BuildMenus();
    BuildLeftColumn(client);
    BuildTitleArea(client);
    BuildBottomPanel(client);
    BuildPreviewArea(client);
    BuildPreviewPlayer();
    ConnectCommands();
    setFixedSize(sizeHint());
}

void TMainForm::BuildMenus()
{
    QMenu* dvd = menuBar()->addMenu("DVD");
    actLoadDVD = dvd->addAction("Load DVD");
    actDVDInfo = dvd->addAction("DVD Info");
    actStartConversion = dvd->addAction("Start Conversion");
    actStartConversion->setEnabled(false);
    dvd->addSeparator();
    actExit = dvd->addAction("Exit");
    connect(actExit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu("Edit");
    actRename = edit->addAction("Rename");
    actEdit = edit->addAction("Edit...");
    actTrim = edit->addAction("Trim...");

    SuiteMenu = menuBar()->addMenu("Suite");
    EventsLogMenuItem = SuiteMenu->addAction("Switch Converter");

    QMenu* help = menuBar()->addMenu("Help");
    actOnlineGuide = help->addAction("Online Guide");
    actSupport = help->addAction("Support");
    actMoreFreeware = help->addAction("More Freeware");
    QMenu* tell = help->addMenu("Tell a Friend");
    actOnFacebook = tell->addAction("On Facebook");
    actOnTwitter = tell->addAction("On Twitter");
    actAbout = help->addAction("About");

    DriveMenu = new QMenu(this);  // filled from the optical drives
}

void TMainForm::BuildLeftColumn(QWidget* client)
{
    const QSize size(90, 90);
    AddButton = ImageButton(client, "Load DVD", size);
    ClipButton = ImageButton(client, "Trim", size);
    EditButton = ImageButton(client, "Edit", size);
    StartButton = ImageButton(client, "Convert", size);
    StartButton->setToolTip("Convert checked items");
    StartButton->setIconSize(QSize(90, 30));
    AddButton->setMenu(DriveMenu);
    AddButton->setPopupMode(QToolButton::MenuButtonPopup);
    AddButton->move(LeftColumn.topLeft());
    ClipButton->move(LeftColumn.left(), LeftColumn.top() + 100);
    EditButton->move(LeftColumn.left(), LeftColumn.top() + 200);
    StartButton->move(LeftColumn.left(), LeftColumn.bottom() - size.height() + 1);
    for (QToolButton* b : {ClipButton, EditButton, StartButton})
        b->setEnabled(false);
}

void TMainForm::BuildTitleArea(QWidget* client)
{
    lvTitles = new QTreeWidget(client);
    lvTitles->setGeometry(TitleArea);
    lvTitles->setRootIsDecorated(false);
    lvTitles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvTitles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvTitles->setUniformRowHeights(true);
    lvTitles->setIndentation(0);
    FTitleListView = new TTitleListView(lvTitles);
    lvTitles->setItemDelegate(FTitleListView);
    QStringList captions;
    for (int i = 0; i < kTitleColumnCount; ++i)
        captions << TitleColumn(i).Caption;
    lvTitles->setHeaderLabels(captions);
    for (int i = 0; i < kTitleColumnCount; ++i) {
        lvTitles->setColumnWidth(i, TitleColumn(i).Width);  // fitted to the texts when a disc is loaded
        if (TitleColumn(i).Fixed)
            lvTitles->header()->setSectionResizeMode(i, QHeaderView::Fixed);
    }
    lvTitles->hide();  // until the first disc is loaded

    edDestinationTitle = new QLineEdit(lvTitles->viewport());
    edDestinationTitle->hide();

    pnlGettingStarted = new QWidget(client);
    pnlGettingStarted->setGeometry(TitleArea);
    imgGettingStarted = new QLabel(pnlGettingStarted);
    imgGettingStarted->setGeometry(0, 0, TitleArea.width(), TitleArea.height());
    imgGettingStarted->setAlignment(Qt::AlignCenter);

    auto* row = new QWidget(client);
    row->setGeometry(ListButtons);
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    btnCheckAll = new QPushButton("Check All", row);
    btnUncheckAll = new QPushButton("Uncheck All", row);
    btnEject = new QPushButton("Eject DVD", row);
    btnEject->setEnabled(false);  // until a drive's disc is loaded
    btnRename = new QPushButton("Rename", row);
    btnDVDInfo = new QPushButton("DVD Info", row);
    for (QPushButton* b : {btnCheckAll, btnUncheckAll, btnEject, btnRename, btnDVDInfo})
        buttons->addWidget(b);
}

void TMainForm::BuildBottomPanel(QWidget* client)
{
    auto* panel = new QWidget(client);
    panel->setObjectName("BottomPanel");
    panel->setGeometry(BottomPanel);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);

    cboAudio = new QComboBox(panel);
    cboSubtitle = new QComboBox(panel);
    chkDeinterlace = new QCheckBox("Deinterlace", panel);
    seFromChapter = new QSpinBox(panel);
    seToChapter = new QSpinBox(panel);
    seFromChapter->hide();  // the chapter range is not editable; kept for its values
    seToChapter->hide();
    grid->addWidget(new QLabel("Audio:", panel), 0, 0);
    grid->addWidget(cboAudio, 0, 1);
    grid->addWidget(new QLabel("Subtitle:", panel), 0, 2);
    grid->addWidget(cboSubtitle, 0, 3);
    grid->addWidget(chkDeinterlace, 1, 3);
    lblCopyNote = new QLabel(
        "Original quality copies the picture as it is: crop, picture adjustments and deinterlacing do not apply.",
        panel);
    lblCopyNote->setObjectName("CopyNote");
    lblCopyNote->setWordWrap(true);
    lblCopyNote->hide();
    grid->addWidget(lblCopyNote, 1, 0, 1, 3);

    auto* profileField = ProfileField = new QWidget(panel);
    profileField->setObjectName("ProfileField");
    profileField->setFixedHeight(40);
    imgProfileButton = new QLabel(profileField);
    imgProfileButton->setGeometry(0, 0, 260, 40);
    imgProfileButton->setScaledContents(true);
    imgProfileIcon = new QLabel(profileField);
    imgProfileIcon->setGeometry(6, 4, 32, 32);
    imgProfileIcon->setScaledContents(true);
    lblProfile = new QLabel("Some profile", profileField);
    lblProfile->setGeometry(44, 0, 210, 40);
    btnAdvanced = new QPushButton("Advanced...", panel);
    grid->addWidget(new QLabel("Profile:", panel), 2, 0);
    grid->addWidget(profileField, 2, 1, 1, 2);
    grid->addWidget(btnAdvanced, 2, 3);

    edDestinationFolder = new TPathField(panel);
    btnBrowseFolder = new QToolButton(panel);
    btnBrowseFolder->setText("...");
    btnFindTarget = new QPushButton("Find target", panel);
    auto* output = new QHBoxLayout;
    output->addWidget(edDestinationFolder);
    output->addWidget(btnBrowseFolder);
    grid->addWidget(new QLabel("Output:", panel), 3, 0);
    grid->addLayout(output, 3, 1, 1, 2);
    grid->addWidget(btnFindTarget, 3, 3);

    chApplyToAll = new QCheckBox("Apply to all", panel);
    chApplyToAll->setChecked(true);
    chMerge = new QCheckBox("Merge to one file", panel);
    chSplitChapters = new QCheckBox("Split by chapters", panel);
    // One row of their own: in the grid's columns the third box would widen
    // the choosers' column and cut the audio chooser's text short.
    auto* runChoices = new QHBoxLayout;
    for (QCheckBox* box : {chApplyToAll, chMerge, chSplitChapters})
        runChoices->addWidget(box);
    runChoices->addStretch();
    grid->addLayout(runChoices, 4, 1, 1, 3);
    // One file of everything and one file per chapter cannot both be had.
    connect(chMerge, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            chSplitChapters->setChecked(false);
    });
    connect(chSplitChapters, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            chMerge->setChecked(false);
    });

    for (QWidget* w : std::initializer_list<QWidget*>{cboAudio, cboSubtitle, chkDeinterlace, btnAdvanced, lblProfile})
        w->setEnabled(false);
}

void TMainForm::BuildPreviewArea(QWidget* client)
{
    LikeButton = ImageButton(client, "Like", QSize(70, 22));
    TweetButton = ImageButton(client, "Tweet", QSize(70, 22));
    LikeButton->move(PreviewArea.left(), PreviewArea.top());
    TweetButton->move(PreviewArea.left() + 76, PreviewArea.top());

    pnlPreview = new QWidget(client);
    pnlPreview->setObjectName("PreviewPanel");
    pnlPreview->setGeometry(PreviewArea.left(), PreviewArea.top() + 30, PreviewArea.width(), 260);
    imgPlayerArea = new QLabel(pnlPreview);
    imgPlayerArea->setGeometry(0, 0, PreviewArea.width(), 184);
    imgPlayerArea->setScaledContents(true);

    const QSize small(28, 28);
    PlayButton = ImageButton(pnlPreview, "Play", small);
    PauseButton = ImageButton(pnlPreview, "Pause", small);
    StopButton = ImageButton(pnlPreview, "Stop", small);
    SnapshotButton = ImageButton(pnlPreview, "Snapshot", small);
    SnapshotButton->setPopupMode(QToolButton::InstantPopup);
    int x = 0;
    for (QToolButton* b : {PlayButton, PauseButton, StopButton, SnapshotButton}) {
        b->move(x, 190);
        b->setEnabled(false);
        x += 32;
    }
    lblPlayTime = new QLabel("00:00:00", pnlPreview);
    lblPlayTime->setGeometry(140, 190, 105, 28);
    VideoTrackBar = new QSlider(Qt::Horizontal, pnlPreview);
    VideoTrackBar->setGeometry(0, 222, PreviewArea.width(), 16);
    VideoTrackBar->setEnabled(false);
    imgVolume = new QLabel(pnlPreview);
    imgVolume->setGeometry(0, 242, 16, 16);
    imgVolume->setScaledContents(true);
    VolumeTrackBar = new QSlider(Qt::Horizontal, pnlPreview);
    VolumeTrackBar->setGeometry(22, 242, 120, 16);
    VolumeTrackBar->setRange(0, 100);
}
