#include "catalogue/Tproform.h"

#include "catalogue/ChooserPainting.h"
#include "catalogue/TCatalogue.h"
#include "catalogue/TOwnerDrawnList.h"
#include "diagnostics/ReportError.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <exception>

namespace {

constexpr int kDividerX = 147;

std::optional<TChooserKey> ChooserKey(int key)
{
    switch (key) {
    case Qt::Key_Up: return TChooserKey::Up;
    case Qt::Key_Down: return TChooserKey::Down;
    case Qt::Key_Left: return TChooserKey::Left;
    case Qt::Key_Right: return TChooserKey::Right;
    case Qt::Key_Return:
    case Qt::Key_Enter: return TChooserKey::Enter;
    case Qt::Key_Escape: return TChooserKey::Escape;
    default: return std::nullopt;
    }
}

// Above the field, moved onto the screen the field is on.
QRect Placement(const QRect& field, QSize size)
{
    QRect frame(QPoint(field.left(), field.top() - size.height()), size);
    const QScreen* screen = QGuiApplication::screenAt(field.topLeft());
    if (!screen)
        return frame;
    const QRect room = screen->availableGeometry();
    frame.moveLeft(std::clamp(frame.left(), room.left(), std::max(room.left(), room.right() + 1 - size.width())));
    if (frame.top() < room.top())
        frame.moveTop(field.bottom() + size.height() <= room.bottom() ? field.bottom() + 1 : room.top());
    return frame;
}

}  // namespace

Tproform::Tproform(QWidget* parent, const QString& programFolder)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint),
      sgProfiles(new TOwnerDrawnList(146, 27, this)),
      sgFormats(new TOwnerDrawnList(350, 57, this)),
      ProfileChangeDelayTimer(new QTimer(this)),
      FArrow(programFolder + "skin-black/imgarrow.png")
{
    setObjectName("Tproform");
    resize(DefaultWidth, DefaultHeight);
    ProfileChangeDelayTimer->setInterval(TProfileChooserModel::DelayMilliseconds);
    sgProfiles->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgProfiles->SetDrawRow([this](QPainter& p, int row, const QRect& cell) { DrawProfileCell(p, row, cell); });
    sgFormats->SetDrawRow([this](QPainter& p, int row, const QRect& cell) { DrawFormatCell(p, row, cell); });
    connect(sgProfiles, &TOwnerDrawnList::RowHovered, this, &Tproform::sgProfilesMouseMove);
    connect(sgFormats, &TOwnerDrawnList::RowHovered, this, &Tproform::sgFormatsMouseMove);
    connect(sgFormats, &TOwnerDrawnList::Clicked, this, &Tproform::sgFormatsClick);
    connect(ProfileChangeDelayTimer, &QTimer::timeout, this, &Tproform::ProfileChangeDelayTimerTimer);
    PlaceLists();
}

void Tproform::PlaceLists()
{
    sgProfiles->setGeometry(0, 0, kDividerX, height());
    sgFormats->setGeometry(kDividerX + 1, 0, width() - kDividerX - 1, height());
}

void Tproform::Popup(const TCatalogue& catalogue, const QRect& field)
{
    FCatalogue = &catalogue;
    FModel.emplace(catalogue.Profiles);
    FModel->Open(catalogue.SelectedProfileInd, catalogue.SelectedFormatInd);
    sgProfiles->SetRowCount(0);
    sgFormats->SetRowCount(0);
    sgProfiles->SetRowCount(FModel->ProfileRowCount());
    sgFormats->SetRowCount(FModel->FormatRowCount());
    // A catalogue without a height would open an invisible chooser.
    const int h = catalogue.ChooserHeight > 0 ? catalogue.ChooserHeight : DefaultHeight;
    setGeometry(Placement(field, QSize(DefaultWidth, h)));
    PlaceLists();
    sgFormats->ShowRow(FModel->HoverFormatInd);
    show();
    activateWindow();
    setFocus();
}

void Tproform::sgProfilesMouseMove(int row)
{
    if (FModel)
        ApplyTimer(FModel->ProfileMouseMove(row));
    Repaint();
}

void Tproform::ProfileChangeDelayTimerTimer()
{
    if (!FModel)
        return;
    FModel->DelayElapsed();
    sgFormats->SetRowCount(FModel->FormatRowCount());
    Repaint();
}

void Tproform::sgFormatsMouseMove(int row)
{
    if (FModel)
        ApplyTimer(FModel->FormatMouseMove(row));
    Repaint();
}

void Tproform::sgFormatsClick()
{
    if (FModel)
        Choose(FModel->Click());
}

void Tproform::Choose(const std::optional<TProfileChoice>& choice)
{
    if (!choice)
        return;  // nothing listed under the mouse: the chooser stays open
    emit FormatChosen(choice->ProfileInd, choice->FormatInd);
    hide();
}

void Tproform::keyPressEvent(QKeyEvent* event)
{
    const std::optional<TChooserKey> key = ChooserKey(event->key());
    if (!key || !FModel) {
        QWidget::keyPressEvent(event);
        return;
    }
    ProfileChangeDelayTimer->stop();
    bool close = false;
    const std::optional<TProfileChoice> choice = FModel->KeyPress(*key, close);
    sgFormats->SetRowCount(FModel->FormatRowCount());
    sgProfiles->ShowRow(FModel->ListedProfileInd);
    sgFormats->ShowRow(FModel->HoverFormatInd);
    Repaint();
    if (close)
        hide();
    else
        Choose(choice);
}

void Tproform::hideEvent(QHideEvent* event)
{
    ProfileChangeDelayTimer->stop();
    QWidget::hideEvent(event);
    emit Hidden();
}

void Tproform::ApplyTimer(TDelayTimer action)
{
    if (action == TDelayTimer::Restart)
        ProfileChangeDelayTimer->start();
    else if (action == TDelayTimer::Stop)
        ProfileChangeDelayTimer->stop();
}

void Tproform::Repaint()
{
    sgProfiles->viewport()->update();
    sgFormats->viewport()->update();
}

void Tproform::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ChooserColours::Background);
    painter.fillRect(QRect(kDividerX, 0, 1, height()), ChooserColours::ProfileOutline);
}

void Tproform::DrawProfileCell(QPainter& painter, int row, const QRect& cell)
{
    try {
        const TProfile& profile = FCatalogue->Profiles.at(row);
        DrawProfileRow(painter, cell, profile, row == FModel->HighlightedProfileInd, FCatalogue->ProfileIcons, FArrow);
    } catch (const std::exception&) {
        ReportDrawing(QStringLiteral("CLM_ProfileDrawCell"));
    }
}

void Tproform::DrawFormatCell(QPainter& painter, int row, const QRect& cell)
{
    try {
        DrawFormatRow(painter, cell, FModel->ListedFormat(row), row == FModel->HoverFormatInd,
                      sgFormats->ScrollBarVisible(), FCatalogue->ProfileIcons);
    } catch (const std::exception&) {
        ReportDrawing(QStringLiteral("CLM_FormatsDrawCell"));
    }
}

void Tproform::ReportDrawing(const QString& mark)
{
    ReportError(QStringLiteral("Error Drawing Cell: profile %1, format %2")
                    .arg(FCatalogue ? FCatalogue->SelectedProfileInd : -1)
                    .arg(FCatalogue ? FCatalogue->RecentFormatInd : -1),
                mark);
}
