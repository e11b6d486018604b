// The main window's preview: the selected title plays in the panel on the
// right, with Play, Pause, Stop, the position and volume bars, the time
// label, and snapshots of the current picture as JPEG or BMP files.
#include "main/TMainForm.h"

#include "diagnostics/ReportError.h"
#include "diagnostics/TEventsLog.h"
#include "engine/TEngineBitmap.h"
#include "engine/player/TCustomPlayer.h"
#include "engine/probe/TFFDecoder.h"
#include "main/TTitleModel.h"
#include "main/TitleText.h"
#include "widgets/TPlayerSurfaceWidget.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSaveFile>
#include <QSlider>
#include <QToolButton>
#include <QUrl>

#include <cstring>

using vidrelo::TPlayState;

namespace {

constexpr int kPositionMaximum = 1000;
const QString kSnapshotFailed = QStringLiteral("Cannot take snapshot.\r\nMake sure Snapshot Folder is available.");

// The player's current frame as a picture a file can take.
QImage FrameImage(const vidrelo::TEngineBitmap& bitmap)
{
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0 || bitmap.BitsPerPixel() != 32)
        return {};
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memcpy(image.scanLine(y), bitmap.ScanLine(y), static_cast<size_t>(bitmap.Width()) * 4);
    return image;
}

bool PrimaryButtonDown()
{
    // Qt reports the logical button: swapped buttons are already honoured.
    return QApplication::mouseButtons() & Qt::LeftButton;
}

}  // namespace

void TMainForm::BuildPreviewPlayer()
{
    FFPlayer = std::make_unique<vidrelo::TFFPlayer>(FServices.Engine);
    panPlayerArea = new TPlayerSurfaceWidget(pnlPreview);
    panPlayerArea->setGeometry(imgPlayerArea->geometry());
    panPlayerArea->lower();  // the idle picture lies over it while nothing plays
    PauseButton->hide();
    // Play and Pause share one place; the others close up behind them.
    PauseButton->move(PlayButton->pos());
    StopButton->move(PlayButton->x() + 32, PlayButton->y());
    SnapshotButton->move(PlayButton->x() + 64, PlayButton->y());
    lblPlayTime->setGeometry(PlayButton->x() + 104, PlayButton->y(), pnlPreview->width() - 104, PlayButton->height());
    VideoTrackBar->setRange(0, kPositionMaximum);
    VolumeTrackBar->setRange(0, 128);
    VolumeTrackBar->setValue(128);
    lblPlayTime->setText("00:00:00 / 00:00:00");

    SnapshotMenu = new QMenu(SnapshotButton);
    actSnapshot = SnapshotMenu->addAction("Snapshot");
    actSnapshot->setEnabled(false);
    actOpenSnapshotFolder = SnapshotMenu->addAction("Open Snapshot Folder");
    actChangeSnapshotFolder = SnapshotMenu->addAction("Change Snapshot Folder");
    QMenu* format = SnapshotMenu->addMenu("Change Snapshot Format");
    auto* group = new QActionGroup(format);
    actJPEG = format->addAction("JPEG");
    actBMP = format->addAction("BMP");
    for (QAction* a : {actJPEG, actBMP}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    actJPEG->setChecked(true);
    SnapshotButton->setMenu(SnapshotMenu);
    SnapshotButton->setEnabled(true);  // its folder items work without a disc
}

void TMainForm::ConnectPreview()
{
    using vidrelo::TCustomPlayer;
    FFPlayer->OnFileOpen = [this](TCustomPlayer&, int64_t duration, int, int, int& screenWidth, int& screenHeight) {
        FFPlayerFileOpen(duration, screenWidth, screenHeight);
    };
    FFPlayer->OnPosition = [this](TCustomPlayer&, int64_t pts) { FFPlayerPosition(pts); };
    FFPlayer->OnState = [this](TCustomPlayer&, TPlayState state) { FFPlayerState(state); };
    connect(PlayButton, &QToolButton::clicked, this, &TMainForm::PlayButtonClick);
    connect(PauseButton, &QToolButton::clicked, this, &TMainForm::PauseButtonClick);
    connect(StopButton, &QToolButton::clicked, this, &TMainForm::StopButtonClick);
    connect(VideoTrackBar, &QSlider::sliderPressed, this, [this] { FPositionDragging = true; });
    connect(VideoTrackBar, &QSlider::sliderReleased, this, &TMainForm::VideoTrackBarLastChange);
    connect(VideoTrackBar, &QSlider::actionTriggered, this, [this](int action) {
        // A click on the bar or a key moves it in steps: seek where it settles.
        if (action != QAbstractSlider::SliderMove)
            QMetaObject::invokeMethod(this, &TMainForm::VideoTrackBarLastChange, Qt::QueuedConnection);
    });
    connect(VolumeTrackBar, &QSlider::valueChanged, this, &TMainForm::VolumeTrackBarChange);
    connect(actSnapshot, &QAction::triggered, this, &TMainForm::spSkinMenuButton1Click);
    connect(actOpenSnapshotFolder, &QAction::triggered, this, &TMainForm::Item22Click);
    connect(actChangeSnapshotFolder, &QAction::triggered, this, &TMainForm::Item32Click);
    connect(actJPEG, &QAction::triggered, this, &TMainForm::JPEG1Click);
    connect(actBMP, &QAction::triggered, this, &TMainForm::BMP1Click);
    if (!ChooseSnapshotFolder)
        ChooseSnapshotFolder = [this](const QString& start) {
            return QFileDialog::getExistingDirectory(this, "Change Snapshot Folder", start);
        };
    if (!ShowError)
        ShowError = [this](const QString& text) { QMessageBox::critical(this, windowTitle(), text); };
}

bool TMainForm::PreparePreviewLibraries()
{
    if (FFPlayer->SDLLibLoaded())
        return true;
    if (FFPlayer->LoadSDLLib((FProgramFolder + "LibAV").toStdString()))
        return true;
    FServices.EventsLog.Add(QString::fromStdString(FFPlayer->LastErrMsg()));
    ReportError("Error loading SDL library", "CLM_SDlLibLoad");
    return false;
}

void TMainForm::OpenVideo(const QString& source)
{
    const auto fail = [this](const char* mark) {
        const QString text = QString::fromStdString(FFPlayer->LastErrMsg());
        FServices.EventsLog.AddEvent(text);
        ReportError(text, mark);
    };
    if (!FFPlayer->AVLibLoaded() && !FFPlayer->LoadAVLib((FProgramFolder + "LibAV").toStdString(), true)) {
        fail("CLM_LoadAVLib");
        return;
    }
    if (!FFPlayer->Open(source.toStdString(), panPlayerArea, false))
        fail("CLM_FFPlayerOpen");
}

void TMainForm::PlayButtonClick()
{
    if (FTitles->SelectedRow() < 0)
        return;
    PauseButton->show();
    PlayButton->hide();
    imgPlayerArea->hide();
    // The player's own state, not the last event: its state events come
    // through the event queue and may still be on their way.
    if (FFPlayer->PlayState() == TPlayState::psPause)
        FFPlayer->Resume();
    else
        OpenVideo(FTitles->SelectedSourceString());
}

void TMainForm::PauseButtonClick()
{
    PauseButton->hide();
    PlayButton->show();
    FFPlayer->TogglePause();
}

void TMainForm::StopButtonClick()
{
    PauseButton->hide();
    PlayButton->show();
    FFPlayer->Stop(true);
    FTrackChanging = true;
    VideoTrackBar->setValue(0);
    FTrackChanging = false;
    imgPlayerArea->show();
    panPlayerArea->Clear();
    actSnapshot->setEnabled(false);
    lblPlayTime->setText("00:00:00 / " + FormatTime(FDuration));
}

bool TMainForm::PreviewPlaying() const
{
    const TPlayState state = FFPlayer->PlayState();
    return state == TPlayState::psPlay || state == TPlayState::psPause;
}

void TMainForm::StopPreviewIfPlaying()
{
    if (FFPlayer && PreviewPlaying())
        StopButtonClick();
}

void TMainForm::FFPlayerFileOpen(int64_t duration, int& screenWidth, int& screenHeight)
{
    FServices.EventsLog.AddEvent("Added Video\r\n" + QString::fromStdString(FFPlayer->Decoder().GetFileInfoText()));
    screenWidth = panPlayerArea->width();
    screenHeight = panPlayerArea->height();
    FDuration = duration;
}

void TMainForm::FFPlayerPosition(int64_t pts)
{
    if (pts >= 0 && FDuration > 0 && !PrimaryButtonDown() && !FPositionDragging) {
        FTrackChanging = true;
        VideoTrackBar->setValue(static_cast<int>(pts * kPositionMaximum / FDuration));
        FTrackChanging = false;
    }
    if (pts > 0)
        lblPlayTime->setText(FormatTime(pts) + " / " + FormatTime(FDuration));
}

void TMainForm::FFPlayerState(TPlayState state)
{
    // A snapshot needs a picture: only while a title is open in the preview.
    actSnapshot->setEnabled(state != TPlayState::psStop && state != TPlayState::psEnd);
    if (state == TPlayState::psEnd)
        StopButtonClick();
}

void TMainForm::VideoTrackBarLastChange()
{
    if (FTrackChanging || PrimaryButtonDown())
        return;
    FFPlayer->Seek(vidrelo::TSeekFlags{}, false, FDuration * VideoTrackBar->value() / kPositionMaximum);
    FPositionDragging = false;
}

void TMainForm::VolumeTrackBarChange(int value)
{
    FFPlayer->SetAudioVolume(value);
}

void TMainForm::spSkinMenuButton1Click()
{
    const QImage picture = FrameImage(FFPlayer->CurrentFrame());
    if (picture.isNull())
        return;
    const int row = FTitles->SelectedRow();
    const bool jpeg = FSnapshotFormat == 0;
    int& counter = jpeg ? FJpegCounter : FBmpCounter;
    if (row < 0) {
        ShowError(kSnapshotFailed);
        return;
    }
    const QString file = FSnapshotFolder + "/" + FTitles->VideoFiles()[row].DestinationTitle + "_" +
                         QString::number(counter) + (jpeg ? ".jpg" : ".bmp");
    QSaveFile saved(file);
    if (!saved.open(QIODevice::WriteOnly) || !picture.save(&saved, jpeg ? "JPG" : "BMP") || !saved.commit()) {
        ShowError(kSnapshotFailed);
        return;
    }
    ++counter;
}

void TMainForm::Item22Click()
{
    ShowFolder(FSnapshotFolder);
}

void TMainForm::Item32Click()
{
    const QString folder = ChooseSnapshotFolder(FSnapshotFolder);
    if (!folder.isEmpty())
        FSnapshotFolder = folder;
}

void TMainForm::JPEG1Click()
{
    FSnapshotFormat = 0;
    actJPEG->setChecked(true);
}

void TMainForm::BMP1Click()
{
    FSnapshotFormat = 1;
    actBMP->setChecked(true);
}
