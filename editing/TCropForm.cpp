#include "editing/TCropForm.h"

#include "diagnostics/ReportError.h"
#include "editing/TCropMarks.h"
#include "editing/vf_eq.h"
#include "editing/vf_hue.h"
#include "widgets/TPlayerSurfaceWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QShowEvent>
#include <QToolButton>

namespace {

constexpr int kPanelWidth = 319;
constexpr int kPanelHeight = 222;
constexpr int kLeftX = 16;
constexpr int kRightX = 365;
constexpr int kPreviewY = 30;

QLabel* Caption(QWidget* parent, const QString& text, QRect where)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(where);
    return label;
}

}  // namespace

const QColor TCropForm::kIdleColour(20, 27, 37);

TCropForm::TCropForm(const vidrelo::TEngineServices& engine, QWidget* parent)
    : QDialog(parent), FFPlayer1(engine), FFPlayer2(engine), FGeometry(kPanelWidth, kPanelHeight)
{
    setWindowTitle("Crop");
    setModal(true);
    setFixedSize(706, 500);
    BuildPreviews();
    BuildHandles();
    BuildPlayback();
    BuildEdits();
    BuildAdjustments();
    BuildButtons();
    ConnectPlayers();
}

TCropForm::~TCropForm()
{
    // The players draw on the panels: they stop before the panels go.
    FFPlayer1.Stop(true);
    FFPlayer2.Stop(true);
}

void TCropForm::SetServices(TEventsLog* eventsLog, const QString& libAVFolder)
{
    FEventsLog = eventsLog;
    FLibAVFolder = libAVFolder;
}

void TCropForm::SetPanelColour(QWidget* panel, const QColor& colour)
{
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
}

void TCropForm::BuildPreviews()
{
    Caption(this, "Original Preview", {kLeftX, 8, kPanelWidth, 18});
    Caption(this, "Output Preview", {kRightX, 8, kPanelWidth, 18});
    panPreview1 = new TPlayerSurfaceWidget(this);
    panPreview1->setGeometry(kLeftX, kPreviewY, kPanelWidth, kPanelHeight);
    Panel1 = new QWidget(this);
    Panel1->setGeometry(kRightX, kPreviewY, kPanelWidth, kPanelHeight);
    Panel2 = new QWidget(Panel1);  // the viewport: it clips the output screen
    Panel2->setGeometry(0, 0, kPanelWidth, kPanelHeight);
    panPreview2 = new TPlayerSurfaceWidget(Panel2);
    panPreview2->setGeometry(0, 0, kPanelWidth, kPanelHeight);
    for (QWidget* w : {static_cast<QWidget*>(panPreview1), static_cast<QWidget*>(panPreview2), Panel2, Panel1})
        SetPanelColour(w, kIdleColour);
    FScreenControl1 = panPreview1;
    FScreenControl2 = panPreview2;
}

void TCropForm::BuildHandles()
{
    for (int i = 0; i < vidrelo::kCropLineCount; ++i)
        Lines[i] = new TCropLineWidget(panPreview1);
    for (int i = 0; i < vidrelo::kCropHandleCount; ++i) {
        Handles[i] = new TCropHandleWidget(i, panPreview1);
        Handles[i]->OnMouseDown = [this](TCropHandleWidget& h, QPoint p) { HandleMouseDown(h, p); };
        Handles[i]->OnMouseMove = [this](TCropHandleWidget& h, QPoint p) { HandleMouseMove(h, p); };
        Handles[i]->OnMouseUp = [this](TCropHandleWidget&) { FHandleDragging = false; };
    }
}

void TCropForm::BuildPlayback()
{
    const int y = kPreviewY + kPanelHeight + 8;
    auto button = [this, y](const QString& text, const QString& hint, int x) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setToolTip(hint);
        b->setCheckable(true);
        b->setGeometry(x, y, 24, 24);
        return b;
    };
    PlayButton = button(QString::fromUtf8("\u25B6"), "Play full video", kLeftX);
    PauseButton = button(QString::fromUtf8("\u2016"), "Pause", kLeftX + 26);
    StopButton = button(QString::fromUtf8("\u25A0"), "Stop", kLeftX + 52);
    StopButton->setCheckable(false);
    videotrackbar = new QSlider(Qt::Horizontal, this);
    videotrackbar->setGeometry(kRightX + kPanelWidth - 595, y + 1, 595, 22);
    connect(PlayButton, &QToolButton::clicked, this, &TCropForm::PlayButtonClick);
    connect(PauseButton, &QToolButton::clicked, this, &TCropForm::PauseButtonClick);
    connect(StopButton, &QToolButton::clicked, this, &TCropForm::StopButtonClick);
    connect(videotrackbar, &QSlider::sliderPressed, this, [this] { FTrackBarDragging = true; });
    connect(videotrackbar, &QSlider::sliderReleased, this, &TCropForm::videotrackbarChange);
    connect(videotrackbar, &QSlider::valueChanged, this, [this] {
        if (!videotrackbar->isSliderDown())
            videotrackbarChange();
    });
}

void TCropForm::BuildEdits()
{
    const int y = kPreviewY + kPanelHeight + 44;
    QSpinBox** edits[] = {&edLeft, &edTop, &edWidth, &edHeight};
    const char* texts[] = {"Crop area left:", "Crop area top:", "Crop area width:", "Crop area height:"};
    for (int i = 0; i < 4; ++i) {
        Caption(this, texts[i], {kLeftX, y + i * 30, 130, 24});
        QSpinBox* edit = new QSpinBox(this);
        edit->setGeometry(kLeftX + 130, y + i * 30, 74, 24);
        edit->setRange(0, 5000);
        connect(edit, &QSpinBox::valueChanged, this, &TCropForm::EditChange);
        *edits[i] = edit;
    }
    Caption(this, "Aspect Ratio:", {kLeftX, y + 120, 130, 24});
    cmbAspectRatio = new QComboBox(this);
    cmbAspectRatio->setGeometry(kLeftX + 130, y + 120, 130, 24);
    cmbAspectRatio->addItems({"Keep Original", "Full Screen", "4:3", "16:9"});
    connect(cmbAspectRatio, &QComboBox::currentIndexChanged, this, &TCropForm::cmbAspectRatioChange);
    btnDetectBorders = new QPushButton("Detect borders", this);
    // Between the edits and the adjustments, as wide as its caption needs.
    const int room = kRightX - 10 - (kLeftX + 214);
    btnDetectBorders->setGeometry(kLeftX + 214, y, room, 26);
    connect(btnDetectBorders, &QPushButton::clicked, this, &TCropForm::btnDetectBordersClick);
}

void TCropForm::BuildAdjustments()
{
    const int y = kPreviewY + kPanelHeight + 44;
    QCheckBox** boxes[] = {&chBrightness, &chContrast, &chSaturation};
    QSlider** bars[] = {&tbBrightness, &tbContrast, &tbSaturation};
    vidrelo::TLiveFilterValue* live[] = {&FBrightness, &FContrast, &FSaturation};
    const char* texts[] = {"Brightness", "Contrast", "Saturation"};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QCheckBox(texts[i], this);
        box->setGeometry(kRightX, y + i * 34, 100, 24);
        auto* bar = new QSlider(Qt::Horizontal, this);
        bar->setGeometry(kRightX + 104, y + i * 34, kPanelWidth - 104, 24);
        bar->setRange(-100, 100);
        connect(box, &QCheckBox::toggled, this, [bar](bool on) {
            if (!on)
                bar->setValue(0);
        });
        connect(bar, &QSlider::sliderPressed, this, [this, box] { AdjustmentStart(box); });
        connect(bar, &QSlider::valueChanged, this, [value = live[i]](int v) { value->Store(v); });
        *boxes[i] = box;
        *bars[i] = bar;
    }
}

void TCropForm::BuildButtons()
{
    const int y = height() - 44;
    btnResetAll = new QPushButton("Reset All", this);
    btnResetAll->setGeometry(kLeftX, y, 90, 28);
    btnOK = new QPushButton("OK", this);
    btnCancel = new QPushButton("Cancel", this);
    btnApply = new QPushButton("Apply", this);
    QPushButton* right[] = {btnOK, btnCancel, btnApply};
    for (int i = 0; i < 3; ++i)
        right[i]->setGeometry(kRightX + kPanelWidth - 3 * 90 + i * 90 + 6, y, 84, 28);
    btnOK->setDefault(true);
    connect(btnResetAll, &QPushButton::clicked, this, &TCropForm::btnResetAllClick);
    connect(btnOK, &QPushButton::clicked, this, &TCropForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnApply, &QPushButton::clicked, this, &TCropForm::btnApplyClick);
}

void TCropForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TCropForm::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        FormClose();
    QDialog::hideEvent(event);
}

void TCropForm::FormShow()
{
    FFirstFileOpen = true;
    videotrackbar->setMaximum(videotrackbar->width());  // one step per pixel
    btnDetectBorders->setEnabled(static_cast<bool>(BorderDetector));
    vidrelo::RegisterNativeEq();
    vidrelo::RegisterNativeHue();
    UpdateVideoFilters();
    OpenVideo(FValues.Source, false);
}

void TCropForm::FormClose()
{
    StopButtonClick();
    Panel2->setGeometry(0, 0, panPreview1->width(), panPreview1->height());
    panPreview2->setGeometry(0, 0, panPreview1->width(), panPreview1->height());
}

void TCropForm::UpdateVideoFilters()
{
    FHue.Store(0);
    FFPlayer2.VideoFilters = QString::asprintf("nativeeq=%d:%d:%s:%s, nativehue=%d:%d:%s:%s", FBrightness.Load(),
                                               FContrast.Load(), FBrightness.AddressText().c_str(),
                                               FContrast.AddressText().c_str(), 0, FSaturation.Load(),
                                               FHue.AddressText().c_str(), FSaturation.AddressText().c_str())
                                 .toStdString();
}

void TCropForm::btnApplyClick()
{
    if (!FGeometry.HasFrame()) {
        ReportError("Error setting cropped area", "CLM_CropSet");
        return;
    }
    // Kept inside the frame: no margin comes out negative.
    FGeometry.SetEdits({edLeft->value(), edTop->value(), edWidth->value(), edHeight->value()});
    TCropValues v = FValues;
    FGeometry.Margins(v.CropLeft, v.CropTop, v.CropRight, v.CropBottom);
    v.AspectRatio = cmbAspectRatio->currentIndex();
    v.Brightness = tbBrightness->value();
    v.Saturation = tbSaturation->value();
    v.Contrast = tbContrast->value();
    v.SourceWidth = FGeometry.FW();
    v.SourceHeight = FGeometry.FH();
    if (!OnApply || !OnApply(v)) {
        ReportError("Error setting cropped area", "CLM_CropSet");
        return;
    }
    FValues = v;
}

void TCropForm::btnOKClick()
{
    btnApplyClick();
    accept();
}

void TCropForm::btnResetAllClick()
{
    CropAreaToEdits(true, false);
}
