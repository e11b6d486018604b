// The crop editor's two players: opening them together, the position bar,
// Play, Pause and Stop, and their events.
#include "diagnostics/ReportError.h"
#include "diagnostics/TEventsLog.h"
#include "editing/TCropForm.h"
#include "engine/probe/TFFDecoder.h"
#include "widgets/TPlayerSurfaceWidget.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSlider>
#include <QToolButton>

using vidrelo::TPlayState;

namespace {

// How long both players may take to show their first picture before they
// are started anyway.
constexpr int kStartTogetherLimitMs = 15000;

}  // namespace

void TCropForm::ConnectPlayers()
{
    FFPlayer1.OnFileOpen = [this](vidrelo::TCustomPlayer&, int64_t duration, int fw, int fh, int&, int&) {
        FFPlayer1FileOpen(duration, fw, fh);
    };
    FFPlayer1.OnPosition = [this](vidrelo::TCustomPlayer&, int64_t pts) { FFPlayer1Position(pts); };
    FFPlayer1.OnState = [this](vidrelo::TCustomPlayer&, TPlayState state) { FFPlayer1State(state); };
    FFPlayer2.OnState = [this](vidrelo::TCustomPlayer&, TPlayState state) { FFPlayer2State(state); };
    // The output preview is silent: the input player plays the sound.
    FFPlayer2.DisableAudio = true;
}

void TCropForm::ReportPlayerFailure(vidrelo::TFFPlayer& player, const QString& mark)
{
    const QString error = QString::fromStdString(player.LastErrMsg());
    if (FEventsLog)
        FEventsLog->AddEvent(error);
    ReportError(error, mark);
}

bool TCropForm::PrepareLibraries(vidrelo::TFFPlayer& player, int number)
{
    const std::string folder = FLibAVFolder.toStdString();
    if (!player.AVLibLoaded() && !player.LoadAVLib(folder, false)) {
        ReportPlayerFailure(player, QString("CLM_FFPlayer%1LoadAVLib").arg(number));
        return false;
    }
    // One SDL serves every player of the process; each player binds it.
    if (!player.SDLLibLoaded() && !player.LoadSDLLib(folder)) {
        if (FEventsLog)
            FEventsLog->Add(QString::fromStdString(player.LastErrMsg()));
        ReportError(QString("Error loading SDL library for player%1").arg(number), QString("CLM_SDlLibLoad%1").arg(number));
        return false;
    }
    return true;
}

void TCropForm::OpenVideo(const std::string& fileName, bool IsPaused)
{
    SetPanelColour(Panel1, Qt::black);
    vidrelo::TFFPlayer* players[] = {&FFPlayer1, &FFPlayer2};
    TPlayerSurfaceWidget* screens[] = {FScreenControl1, FScreenControl2};
    for (int i = 0; i < 2; ++i) {
        if (!PrepareLibraries(*players[i], i + 1))
            return;
        if (!players[i]->Open(fileName, screens[i], true))
            ReportPlayerFailure(*players[i], QString("CLM_FFPlayer%1Open").arg(i + 1));
    }
    if (IsPaused)
        return;
    // Both show their first picture paused, then start together.
    QElapsedTimer timer;
    timer.start();
    auto ready = [](vidrelo::TFFPlayer& p) { return p.PlayState() == TPlayState::psPause || p.FileName().empty(); };
    while (!(ready(FFPlayer1) && ready(FFPlayer2)) && timer.elapsed() < kStartTogetherLimitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    FFPlayer1.Resume();
    FFPlayer2.Resume();
    PlayButton->setChecked(true);
    PauseButton->setChecked(false);
}

double TCropForm::SourceAspectRatio()
{
    if (FValues.DisplayAspect.Known())
        return static_cast<double>(FValues.DisplayAspect.Width) / FValues.DisplayAspect.Height;
    vidrelo::TVideoStreamInfo info;
    if (!FFPlayer1.Decoder().GetFirstVideoStreamInfo(info))
        return 0;
    return info.AspectRatio > 0 ? info.AspectRatio : 0;
}

void TCropForm::FFPlayer1Position(int64_t APTS)
{
    if (APTS < 0 || FDuration <= 0 || FTrackBarDragging)
        return;
    if (QGuiApplication::mouseButtons() & Qt::LeftButton)
        return;
    FTrackChanging = true;
    videotrackbar->setValue(static_cast<int>(APTS * videotrackbar->maximum() / FDuration));
    FTrackChanging = false;
}

void TCropForm::videotrackbarChange()
{
    if (FTrackChanging || (QGuiApplication::mouseButtons() & Qt::LeftButton))
        return;
    FTrackBarDragging = false;
    if (videotrackbar->maximum() <= 0 || FDuration <= 0)
        return;
    const int64_t time = videotrackbar->value() * FDuration / videotrackbar->maximum();
    FFPlayer1.Seek(0, false, time);
    FFPlayer2.Seek(0, false, time);
}

void TCropForm::PlayButtonClick()
{
    PlayButton->setChecked(true);
    PauseButton->setChecked(false);
    if (FPlayer1State == TPlayState::psPause && !FFPlayer1.FileName().empty()) {
        FFPlayer1.Resume();
        FFPlayer2.Resume();
    } else {
        OpenVideo(FValues.Source, false);
    }
}

void TCropForm::PauseButtonClick()
{
    PlayButton->setChecked(false);
    PauseButton->setChecked(true);
    FFPlayer1.Pause();
    FFPlayer2.Pause();
}

void TCropForm::StopButtonClick()
{
    PlayButton->setChecked(false);
    PauseButton->setChecked(false);
    FFPlayer1.Stop(false);
    FFPlayer2.Stop(false);
    FTrackChanging = true;
    videotrackbar->setValue(videotrackbar->maximum());
    FTrackChanging = false;
    SetPanelColour(Panel1, kIdleColour);
}

void TCropForm::FFPlayer1State(TPlayState AState)
{
    FPlayer1State = AState;
    if (AState == TPlayState::psEnd)
        StopButtonClick();
    if (AState == TPlayState::psStop || AState == TPlayState::psEnd)
        panPreview1->update();
}

void TCropForm::FFPlayer2State(TPlayState APlayState)
{
    if (APlayState == TPlayState::psStop || APlayState == TPlayState::psEnd)
        panPreview2->update();
}
