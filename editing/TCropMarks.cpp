#include "editing/TCropMarks.h"

#include <QMouseEvent>
#include <QPainter>

TCropHandleWidget::TCropHandleWidget(int index, QWidget* parent) : QWidget(parent), FIndex(index)
{
    setFixedSize(8, 9);
    setCursor(Qt::CrossCursor);
}

void TCropHandleWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(37, 27, 20));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TCropHandleWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && OnMouseDown)
        OnMouseDown(*this, event->position().toPoint());
}

void TCropHandleWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove)
        OnMouseMove(*this, event->position().toPoint());
}

void TCropHandleWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && OnMouseUp)
        OnMouseUp(*this);
}

TCropLineWidget::TCropLineWidget(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TCropLineWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool horizontal = width() >= height();
    const int length = horizontal ? width() : height();
    for (int i = 0; i < length; i += 2)
        painter.fillRect(horizontal ? QRect(i, 0, 1, 1) : QRect(0, i, 1, 1), Qt::white);
}
