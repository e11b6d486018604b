#include "editing/TClipForm.h"

#include "engine/player/TCustomPlayer.h"
#include "widgets/TPlayerSurfaceWidget.h"

#include <algorithm>
#include <optional>

#include <QFrame>
#include <QShowEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSlider>

using vidrelo::TPlayState;

namespace {

constexpr int kClientWidth = 481;
constexpr int kClientHeight = 455;
constexpr int kBarTop = 288;
constexpr int kBarHeight = 20;
constexpr int kMarkerTop = kBarTop + kBarHeight;  // under the bar, at its bottom edge
constexpr int64_t kKeyStep = 1000000;              // Left/Right on the timeline: one second
const QColor kLineColour(60, 138, 191);

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// Stands in for a missing skin picture: a wedge whose upright edge faces
// the other marker.
QPixmap DrawnMarker(bool left)
{
    QPixmap picture(TTrimModel::kMarkerWidth, TTrimModel::kMarkerWidth);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setPen(Qt::NoPen);
    p.setBrush(kLineColour);
    const int e = TTrimModel::kMarkerWidth - 1;
    const QPoint wedge[] = {{left ? e : 0, 0}, {left ? e : 0, e}, {left ? 0 : e, e}};
    p.drawPolygon(wedge, 3);
    return picture;
}

}  // namespace

TClipForm::TClipForm(const vidrelo::TEngineServices& engine, QWidget* parent)
    : QDialog(parent), FFPlayer2(std::make_unique<vidrelo::TFFPlayer>(engine))
{
    FormCreate();
}

TClipForm::~TClipForm()
{
    // The player's threads may still deliver to the handlers: none after this.
    FFPlayer2->OnFileOpen = nullptr;
    FFPlayer2->OnPosition = nullptr;
    FFPlayer2->OnState = nullptr;
    FFPlayer2->Stop(true);
}

void TClipForm::FormCreate()
{
    setWindowTitle("Clip");
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    BuildPlayerArea();
    BuildTimeEdits();
    ConnectControls();
    FFPlayer2->OnFileOpen = [this](vidrelo::TCustomPlayer&, int64_t duration, int, int, int& w, int& h) {
        FFPlayer2FileOpen(duration, w, h);
    };
    FFPlayer2->OnPosition = [this](vidrelo::TCustomPlayer&, int64_t pts) { FFPlayer2Position(pts); };
    FFPlayer2->OnState = [this](vidrelo::TCustomPlayer&, TPlayState state) { FFPlayer2State(state); };
    imgTrimLeft->setPixmap(DrawnMarker(true));
    imgTrimRight->setPixmap(DrawnMarker(false));
}

void TClipForm::BuildPlayerArea()
{
    panPreview = new TPlayerSurfaceWidget(this);
    panPreview->setObjectName("panPreview");
    panPreview->setGeometry(10, 10, 461, 271);
    videotrackbar2 = new QSlider(Qt::Horizontal, this);
    videotrackbar2->setGeometry(TTrimModel::kOrigin + TTrimModel::kMarkerWidth / 2, kBarTop, TTrimModel::kBarWidth,
                                kBarHeight);
    videotrackbar2->setRange(0, TTrimModel::kBarMax);
    videotrackbar2->setFocusPolicy(Qt::StrongFocus);
    TrimmedTimeLine = new QFrame(this);
    TrimmedTimeLine->setStyleSheet(QString("background-color: %1; border: none;").arg(kLineColour.name()));
    for (QLabel** marker : {&imgTrimLeft, &imgTrimRight}) {
        *marker = new QLabel(this);
        (*marker)->resize(TTrimModel::kMarkerWidth, TTrimModel::kMarkerWidth);
        (*marker)->setCursor(Qt::SizeHorCursor);
        (*marker)->installEventFilter(this);
    }
    videotrackbar2->installEventFilter(this);
    PlayButton = new QPushButton("Play full video", this);
    PlayButton->setGeometry(10, 322, 110, 26);
    PauseButton = new QPushButton("Pause", this);
    PauseButton->setGeometry(124, 322, 70, 26);
    StopButton = new QPushButton("Stop", this);
    StopButton->setGeometry(198, 322, 70, 26);
    lblPlayTime = new QLabel("00:00:00 / 00:00:00", this);
    lblPlayTime->setGeometry(300, 322, 171, 26);
    lblPlayTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    spSkinButton1 = new QPushButton("Set start", this);
    spSkinButton1->setGeometry(10, 354, 90, 26);
    spSkinButton3 = new QPushButton("Set end", this);
    spSkinButton3->setGeometry(104, 354, 90, 26);
    spSkinButton2 = new QPushButton("Play trimmed video", this);
    spSkinButton2->setGeometry(198, 354, 150, 26);
}

void TClipForm::BuildTimeEdits()
{
    auto edit = [this](const QString& caption, int left, QLineEdit*& field, QPushButton*& ok) {
        auto* label = new QLabel(caption, this);
        label->setGeometry(left, 388, 92, 24);
        field = new QLineEdit(this);
        field->setInputMask("09:99:99; ");  // hh:mm:ss, the first hour digit may stay blank
        field->setGeometry(left + 94, 388, 74, 24);
        ok = new QPushButton("OK", this);
        ok->setGeometry(left + 172, 388, 44, 24);
        ok->setStyleSheet("padding: 2px 4px;");  // the skin's padding leaves no room for the text
    };
    edit("Set start time:", 10, TimeStart, spSkinSpeedButton1);
    edit("Set end time:", 251, TimeEnd, spSkinSpeedButton2);
    spSkinButton6 = new QPushButton("Reset", this);
    spSkinButton6->setGeometry(10, 421, 80, 26);
    spSkinButton4 = new QPushButton("OK", this);
    spSkinButton4->setGeometry(301, 421, 80, 26);
    spSkinButton5 = new QPushButton("Cancel", this);
    spSkinButton5->setGeometry(391, 421, 80, 26);
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
}

void TClipForm::ConnectControls()
{
    connect(PlayButton, &QPushButton::clicked, this, &TClipForm::PlayButtonClick);
    connect(PauseButton, &QPushButton::clicked, this, &TClipForm::PauseButtonClick);
    connect(StopButton, &QPushButton::clicked, this, &TClipForm::StopButtonClick);
    connect(spSkinButton1, &QPushButton::clicked, this, &TClipForm::SetStartClick);
    connect(spSkinButton3, &QPushButton::clicked, this, &TClipForm::SetEndClick);
    connect(spSkinButton2, &QPushButton::clicked, this, &TClipForm::PlayTrimmedClick);
    connect(spSkinSpeedButton1, &QPushButton::clicked, this, &TClipForm::TimeStartOkClick);
    connect(spSkinSpeedButton2, &QPushButton::clicked, this, &TClipForm::TimeEndOkClick);
    connect(TimeStart, &QLineEdit::returnPressed, this, &TClipForm::TimeStartOkClick);
    connect(TimeEnd, &QLineEdit::returnPressed, this, &TClipForm::TimeEndOkClick);
    connect(spSkinButton6, &QPushButton::clicked, this, &TClipForm::ResetClick);
    connect(spSkinButton4, &QPushButton::clicked, this, &TClipForm::OkClick);
    connect(spSkinButton5, &QPushButton::clicked, this, &QDialog::reject);
    connect(videotrackbar2, &QSlider::sliderPressed, this, &TClipForm::videotrackbar2StartDrag);
    connect(videotrackbar2, &QSlider::sliderReleased, this, &TClipForm::videotrackbar2Change);
    connect(videotrackbar2, &QSlider::valueChanged, this, [this] {
        if (!videotrackbar2->isSliderDown())
            videotrackbar2Change();
    });
}

void TClipForm::SetServices(TClipServices services)
{
    FServices = std::move(services);
    LoadMarkerPictures();
}

void TClipForm::LoadMarkerPictures()
{
    const QPixmap left(FServices.SkinFolder + "/trim_left.bmp");
    const QPixmap right(FServices.SkinFolder + "/trim_right.bmp");
    imgTrimLeft->setPixmap(left.isNull() ? DrawnMarker(true) : left);
    imgTrimRight->setPixmap(right.isNull() ? DrawnMarker(false) : right);
}

void TClipForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TClipForm::FormShow()
{
    spSkinButton4->setFocus();
    // A title that does not open must not inherit the last one's length.
    FModel.SetDuration(0);
    FLastPosition = 0;
    FModel.Load(FTitle.TimeStart, FTitle.TimeEnd);
    OpenVideo(FTitle.Source);
    FModel.PlaceMarkers();
    const bool known = FModel.MarkersEnabled();
    for (QWidget* w : std::initializer_list<QWidget*>{imgTrimLeft, imgTrimRight, spSkinButton1, spSkinButton3,
                                                      spSkinButton6, videotrackbar2, spSkinButton2})
        w->setEnabled(known);
    imgTrimLeft->setVisible(known);
    imgTrimRight->setVisible(known);
    TrimmedTimeLine->setVisible(known);
    ShowModel();
}

void TClipForm::ShowModel()
{
    imgTrimLeft->move(FModel.LeftX(), kMarkerTop);
    imgTrimRight->move(FModel.RightX(), kMarkerTop);
    TrimmedTimeLine->setGeometry(FModel.LineLeft(), kMarkerTop, FModel.LineWidth(), 1);
    TimeStart->setText(Text(FModel.StartText()));
    TimeEnd->setText(Text(FModel.EndText()));
}

void TClipForm::Fail(const QString& message, const QString& mark, const QString& logText)
{
    if (!logText.isNull() && FServices.LogEvent)
        FServices.LogEvent(logText);
    if (FServices.ReportError)
        FServices.ReportError(message, mark);
}

void TClipForm::OpenVideo(const QString& fileName)
{
    vidrelo::TFFPlayer& player = *FFPlayer2;
    const auto lastError = [&player] { return QString::fromStdString(player.LastErrMsg()); };
    const std::string folder = FServices.LibAVFolder.toStdString();
    if (!player.AVLibLoaded() && !player.LoadAVLib(folder, true))
        Fail("Error Loading AV Lib: " + lastError(), "CLM_FFPlayer2LoadAVLib", lastError());
    // One SDL library serves every player: LibAV's copy, else the system's.
    if (!player.SDLLibLoaded() && !player.LoadSDLLib(folder)) {
        if (FServices.LogLine)
            FServices.LogLine(lastError());
        Fail("Error loading SDL library", "CLM_SDlLibLoad", QString());
    }
    if (!player.Open(fileName.toStdString(), panPreview, false))
        Fail("Error open file: " + lastError(), "CLM_FFPlayer2Open", lastError());
}

void TClipForm::FFPlayer2FileOpen(int64_t duration, int& screenWidth, int& screenHeight)
{
    if (panPreview) {
        screenWidth = panPreview->width();
        screenHeight = panPreview->height();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        screenWidth = screen->size().width();
        screenHeight = screen->size().height();
    }
    FModel.SetDuration(duration);
}

void TClipForm::SetBarValue(int value)
{
    ++FTrackChanging;
    videotrackbar2->setValue(value);
    --FTrackChanging;
}

void TClipForm::FFPlayer2Position(int64_t pts)
{
    if (const std::optional<int> value = FModel.BarValue(pts); value && !FBarDragging)
        SetBarValue(*value);
    if (pts > 0) {
        lblPlayTime->setText(Text(TTrimModel::FormatTime(pts) + " / " + TTrimModel::FormatTime(FModel.Duration())));
        FLastPosition = pts;
    }
    if (FModel.LoopBack(pts))
        FFPlayer2->Seek(0, false, FModel.TrimStart());
}

void TClipForm::FFPlayer2State(TPlayState state)
{
    if (state == TPlayState::psEnd)
        StopButtonClick();
}

void TClipForm::PlayButtonClick()
{
    FModel.SetPlayingTrimmed(false);
    if (FFPlayer2->PlayState() == TPlayState::psPause)
        FFPlayer2->Resume();
    else
        OpenVideo(FTitle.Source);
}

void TClipForm::PauseButtonClick()
{
    FModel.SetPlayingTrimmed(false);
    FFPlayer2->TogglePause();
}

void TClipForm::StopButtonClick()
{
    FModel.SetPlayingTrimmed(false);
    FFPlayer2->Stop(true);
    SetBarValue(videotrackbar2->maximum());
    panPreview->update();
    const QString duration = Text(TTrimModel::FormatTime(FModel.Duration()));
    lblPlayTime->setText(duration + " / " + duration);
}

void TClipForm::PlayTrimmedClick()
{
    FModel.SetPlayingTrimmed(true);
    const TPlayState state = FFPlayer2->PlayState();
    if (state == TPlayState::psPause) {
        FFPlayer2->Resume();
    } else if (state == TPlayState::psStop || state == TPlayState::psEnd) {
        OpenVideo(FTitle.Source);
        FFPlayer2->Seek(0, false, FModel.TrimStart());
    } else {
        FFPlayer2->Seek(0, false, FModel.TrimStart());
    }
}

void TClipForm::SetStartClick()
{
    FModel.SetStartAt(FLastPosition, videotrackbar2->value());
    ShowModel();
}

void TClipForm::SetEndClick()
{
    FModel.SetEndAt(FLastPosition, videotrackbar2->value());
    ShowModel();
}

void TClipForm::TimeStartOkClick()
{
    if (FModel.TypeStart(TimeStart->text().toStdString()))
        ShowModel();
}

void TClipForm::TimeEndOkClick()
{
    if (FModel.TypeEnd(TimeEnd->text().toStdString()))
        ShowModel();
}

void TClipForm::ResetClick()
{
    FModel.Reset();
    SetBarValue(0);
    ShowModel();
}

void TClipForm::OkClick()
{
    FTitle.TimeStart = FModel.TrimStart();
    FTitle.TimeEnd = FModel.TrimEnd();
    FTitle.TrimmedLength = FModel.TrimmedLength();
    FTitle.DurationKnown = FModel.MarkersEnabled();
    accept();
}

void TClipForm::done(int result)
{
    // Every way of closing (OK, Cancel, Escape, the window's close box) ends
    // the playback; the libraries stay loaded for the next showing.
    FModel.SetPlayingTrimmed(false);
    StopButtonClick();
    QDialog::done(result);
}

void TClipForm::videotrackbar2StartDrag()
{
    FModel.SetPlayingTrimmed(false);
    FBarDragging = true;
}

void TClipForm::videotrackbar2Change()
{
    if (FTrackChanging > 0 || videotrackbar2->isSliderDown())
        return;
    FModel.SetPlayingTrimmed(false);
    FFPlayer2->Seek(0, false, int64_t{videotrackbar2->value()} * FModel.Duration() / TTrimModel::kBarMax);
    FBarDragging = false;
}

bool TClipForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == imgTrimLeft)
        return MarkerMouse(TTrimModel::tmLeft, event);
    if (watched == imgTrimRight)
        return MarkerMouse(TTrimModel::tmRight, event);
    if (watched == videotrackbar2 && event->type() == QEvent::KeyPress)
        return TimelineKey(static_cast<QKeyEvent*>(event)->key());
    return QDialog::eventFilter(watched, event);
}

bool TClipForm::MarkerMouse(TTrimModel::TMarker marker, QEvent* event)
{
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (!mouse || !FModel.MarkersEnabled())
        return false;
    const int x = static_cast<int>(mouse->position().x());
    if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        FModel.BeginDrag(marker, x);
        FFPlayer2->Pause();
        videotrackbar2->setFocus(Qt::MouseFocusReason);
        return true;
    }
    if (event->type() == QEvent::MouseMove && FModel.Dragging(marker)) {
        if (FModel.DragTo(marker, x))
            ShowModel();
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && FModel.Dragging(marker)) {
        const int64_t time = FModel.EndDrag(marker);
        ShowModel();
        FFPlayer2->Seek(0, false, time);  // the user sees the cut point
        if (FFPlayer2->PlayState() == TPlayState::psPause)
            FFPlayer2->Resume();
        return true;
    }
    return false;
}

bool TClipForm::TimelineKey(int key)
{
    switch (key) {
    case Qt::Key_Space: {
        const TPlayState state = FFPlayer2->PlayState();
        if (state == TPlayState::psPlay || state == TPlayState::psResume || state == TPlayState::psStep)
            PauseButtonClick();
        else
            PlayButtonClick();
        return true;
    }
    case Qt::Key_Left:
        SeekBy(-kKeyStep);
        return true;
    case Qt::Key_Right:
        SeekBy(kKeyStep);
        return true;
    case Qt::Key_I:
        SetStartClick();
        return true;
    case Qt::Key_O:
        SetEndClick();
        return true;
    default:
        return false;
    }
}

void TClipForm::SeekBy(int64_t delta)
{
    const TPlayState state = FFPlayer2->PlayState();
    if (state == TPlayState::psStop || !FModel.MarkersEnabled())
        return;
    FModel.SetPlayingTrimmed(false);
    const int64_t target = std::clamp<int64_t>(FLastPosition + delta, 0, FModel.Duration());
    FFPlayer2->Seek(0, false, target);
    FLastPosition = target;
    if (const std::optional<int> value = FModel.BarValue(target))
        SetBarValue(*value);
}
