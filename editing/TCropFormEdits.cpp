// The crop editor's edits: the title's values into the controls, the crop
// rectangle's handles and the four edits kept in step through the geometry,
// the output aspect, the adjustments and border detection.
#include "diagnostics/ReportError.h"
#include "editing/TCropForm.h"
#include "editing/TCropMarks.h"
#include "widgets/TPlayerSurfaceWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

using vidrelo::TCropEdits;
using vidrelo::TCropHandle;

namespace {

// Raises the window's programmatic-change counter for a scope.
class TChanging {
public:
    explicit TChanging(int& counter) : FCounter(counter) { ++FCounter; }
    ~TChanging() { --FCounter; }
    TChanging(const TChanging&) = delete;
    TChanging& operator=(const TChanging&) = delete;
private:
    int& FCounter;
};

}  // namespace

void TCropForm::SetValues(const TCropValues& values)
{
    FValues = values;
    // Until the player reports the frame, the title's own size stands for it.
    if (FGeometry.SetFrame(values.SourceWidth, values.SourceHeight, values.DisplayAspect, 0)) {
        FGeometry.SetEdits({values.CropLeft, values.CropTop, values.SourceWidth - values.CropRight - values.CropLeft,
                            values.SourceHeight - values.CropBottom - values.CropTop});
        ShowEdits();
    }
}

QString TCropForm::FrameText() const
{
    return QString("BitmapWidth=%1; BitmapHeight=%2; AspectRatio=").arg(FGeometry.FW()).arg(FGeometry.FH());
}

void TCropForm::FFPlayer1FileOpen(int64_t ADuration, int AFrameWidth, int AFrameHeight)
{
    FDuration = ADuration;
    if (!FFirstFileOpen)
        return;
    FFirstFileOpen = false;
    FGeometry.SetFrame(AFrameWidth, AFrameHeight, FValues.DisplayAspect, SourceAspectRatio());
    const int fw = FGeometry.FW(), fh = FGeometry.FH();
    edLeft->setMaximum(fw);
    edWidth->setMaximum(fw);
    edTop->setMaximum(fh);
    edHeight->setMaximum(fh);
    const std::pair<QCheckBox*, QSlider*> adjustments[] = {
        {chBrightness, tbBrightness}, {chContrast, tbContrast}, {chSaturation, tbSaturation}};
    const int values[] = {FValues.Brightness, FValues.Contrast, FValues.Saturation};
    for (int i = 0; i < 3; ++i) {
        adjustments[i].first->setChecked(values[i] != 0);
        adjustments[i].second->setValue(values[i]);
    }
    const TCropValues& v = FValues;
    if (v.CropLeft == 0 && v.CropTop == 0 && v.CropRight == 0 && v.CropBottom == 0) {
        FGeometry.ResetEdits();
        SetAspectItem(0);
    } else {
        FGeometry.SetEdits({v.CropLeft, v.CropTop, fw - v.CropRight - v.CropLeft, fh - v.CropBottom - v.CropTop});
    }
    ShowEdits();
    SetAspectItem(v.AspectRatio);
    ValuesToCropArea();
    ValuesToPreviewArea();
}

void TCropForm::ShowEdits()
{
    const TChanging changing(FChanging);
    const TCropEdits& e = FGeometry.Edits();
    edLeft->setValue(e.Left);
    edTop->setValue(e.Top);
    edWidth->setValue(e.Width);
    edHeight->setValue(e.Height);
}

void TCropForm::SetAspectItem(int index)
{
    const TChanging changing(FChanging);
    cmbAspectRatio->setCurrentIndex(index);
    cmbAspectRatioChange();  // the output player follows even a programmatic change
}

void TCropForm::ShowCropArea()
{
    for (int i = 0; i < vidrelo::kCropHandleCount; ++i) {
        const vidrelo::TCropPoint& p = FGeometry.Handle(static_cast<TCropHandle>(i));
        Handles[i]->move(p.X, p.Y);
        Handles[i]->raise();
    }
    for (int i = 0; i < vidrelo::kCropLineCount; ++i) {
        const vidrelo::TCropRect& r = FGeometry.Line(static_cast<vidrelo::TCropLine>(i));
        Lines[i]->setGeometry(r.Left, r.Top, std::max(r.Width, 1), std::max(r.Height, 1));
    }
}

void TCropForm::ValuesToCropArea()
{
    if (!FGeometry.HasFrame())
        return;
    if (!FGeometry.ValuesToCropArea()) {
        ReportError("Error painting Selection Area with edited values. " + FrameText() +
                        QString::number(FFPlayer1.AspectRatio()),
                    "CLM_ValuesToCropArea");
        return;
    }
    ShowCropArea();
}

void TCropForm::ValuesToPreviewArea()
{
    if (!FGeometry.HasFrame())
        return;
    if (!FGeometry.ValuesToPreviewArea(FFPlayer2.AspectRatio())) {
        ReportError("Error painting Preview Area with edited values. " + FrameText() +
                        QString::number(FFPlayer2.AspectRatio()) +
                        QString("; panPreview2.Width=%1; panPreview2.Height=%2")
                            .arg(panPreview2->width())
                            .arg(panPreview2->height()),
                    "CLM_ValuesToPreviewArea");
        return;
    }
    const vidrelo::TCropRect& v = FGeometry.Viewport();
    const vidrelo::TCropRect& s = FGeometry.OutputScreen();
    Panel2->setGeometry(v.Left, v.Top, v.Width, v.Height);
    const QSize before = panPreview2->size();
    panPreview2->setGeometry(s.Left, s.Top, s.Width, s.Height);
    // A paused output preview would keep its picture at the old size until
    // the next one: fit the shown picture to the new screen now.
    if (panPreview2->size() != before)
        FFPlayer2.UpdateScreenPosition();
}

void TCropForm::CropAreaToEdits(bool isReset, bool)
{
    if (FGeometry.HasFrame() && !FGeometry.CropAreaToEdits()) {
        ReportError("Error painting Selection Area. " + FrameText() + QString::number(FFPlayer1.AspectRatio()),
                    "CLM_PaintCropArea");
        return;
    }
    ShowEdits();
    if (!isReset)
        return;
    FGeometry.ResetEdits();
    ShowEdits();
    for (QSlider* bar : {tbBrightness, tbContrast, tbSaturation})
        bar->setValue(0);
    ValuesToCropArea();
    SetAspectItem(0);
    ValuesToPreviewArea();
}

void TCropForm::EditChange()
{
    if (FChanging > 0)
        return;
    const TCropEdits typed{edLeft->value(), edTop->value(), edWidth->value(), edHeight->value()};
    // Kept inside the frame, so that no stored margin can come out negative.
    if (FGeometry.SetEdits(typed) != typed)
        ShowEdits();
    ValuesToCropArea();
    ValuesToPreviewArea();
}

void TCropForm::cmbAspectRatioChange()
{
    FFPlayer2.SetAspectRatio(vidrelo::OutputAspectRatio(cmbAspectRatio->currentIndex(), SourceAspectRatio()));
    if (FChanging > 0)
        return;
    ValuesToCropArea();
    ValuesToPreviewArea();
}

void TCropForm::HandleMouseDown(TCropHandleWidget&, QPoint pos)
{
    if (FPlayer1State == vidrelo::TPlayState::psStop)
        return;
    FX0 = pos.x();
    FY0 = pos.y();
    FHandleDragging = true;
}

void TCropForm::HandleMouseMove(TCropHandleWidget& handle, QPoint pos)
{
    if (!FHandleDragging)
        return;
    const TCropHandle h = static_cast<TCropHandle>(handle.Index());
    const vidrelo::TCropPoint now = FGeometry.Handle(h);
    if (!FGeometry.MoveHandle(h, {now.X + pos.x() - FX0, now.Y + pos.y() - FY0}))
        return;
    ShowCropArea();
    ShowEdits();
    ValuesToPreviewArea();
    panPreview1->update();
    panPreview2->update();
}

void TCropForm::AdjustmentStart(QCheckBox* box)
{
    box->setChecked(true);
    if (FPlayer1State == vidrelo::TPlayState::psPause)
        PlayButtonClick();
}

void TCropForm::btnDetectBordersClick()
{
    if (!BorderDetector || !FGeometry.HasFrame())
        return;
    vidrelo::TBorderDetection found;
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool detected = BorderDetector(FValues.Source, found, error);
    QApplication::restoreOverrideCursor();
    if (!detected) {
        ReportError(QString::fromStdString(error), "CLM_DetectBorders");
        return;
    }
    const vidrelo::TBorderMargins& m = found.Margins;
    FGeometry.SetEdits({m.Left, m.Top, FGeometry.FW() - m.Left - m.Right, FGeometry.FH() - m.Top - m.Bottom});
    ShowEdits();
    ValuesToCropArea();
    ValuesToPreviewArea();
}
