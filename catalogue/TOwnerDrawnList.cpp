#include "catalogue/TOwnerDrawnList.h"

#include "catalogue/ChooserPainting.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

TOwnerDrawnList::TOwnerDrawnList(int columnWidth, int rowHeight, QWidget* parent)
    : QAbstractScrollArea(parent), FColumnWidth(columnWidth), FRowHeight(rowHeight)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);  // the chooser answers the keys
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(rowHeight);
}

void TOwnerDrawnList::SetRowCount(int count)
{
    FRowCount = std::max(0, count);
    UpdateScrollRange();
    viewport()->update();
}

void TOwnerDrawnList::UpdateScrollRange()
{
    const int contentHeight = FRowCount * FRowHeight;
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, std::max(0, contentHeight - viewport()->height()));
}

int TOwnerDrawnList::RowAt(const QPoint& pos) const
{
    if (pos.y() < 0 || pos.x() < 0 || pos.x() >= FColumnWidth)
        return -1;
    const int row = (pos.y() + verticalScrollBar()->value()) / FRowHeight;
    return row < FRowCount ? row : -1;
}

QRect TOwnerDrawnList::CellRect(int row) const
{
    return QRect(0, row * FRowHeight - verticalScrollBar()->value(), FColumnWidth, FRowHeight);
}

bool TOwnerDrawnList::ScrollBarVisible() const
{
    return verticalScrollBar()->isVisible();
}

void TOwnerDrawnList::ShowRow(int row)
{
    if (row < 0 || row >= FRowCount)
        return;
    const QRect cell = CellRect(row);
    QScrollBar* bar = verticalScrollBar();
    if (cell.top() < 0)
        bar->setValue(row * FRowHeight);
    else if (cell.bottom() >= viewport()->height())
        bar->setValue((row + 1) * FRowHeight - viewport()->height());
}

void TOwnerDrawnList::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), ChooserColours::Background);
    if (!FDrawRow)
        return;
    const int first = verticalScrollBar()->value() / FRowHeight;
    for (int row = first; row < FRowCount; ++row) {
        const QRect cell = CellRect(row);
        if (cell.top() >= viewport()->height())
            break;
        FDrawRow(painter, row, cell);
    }
}

void TOwnerDrawnList::mouseMoveEvent(QMouseEvent* event)
{
    emit RowHovered(RowAt(event->position().toPoint()));
}

void TOwnerDrawnList::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit Clicked();
}

void TOwnerDrawnList::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}
