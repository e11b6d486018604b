#include "widgets/TPlayerSurfaceWidget.h"

#include <QImage>
#include <QMetaObject>
#include <QPainter>
#include <QResizeEvent>

TPlayerSurfaceWidget::TPlayerSurfaceWidget(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted: picture or black
    setFocusPolicy(Qt::ClickFocus);
    FWidth = width();
    FHeight = height();
}

void TPlayerSurfaceWidget::SurfaceSize(int& width, int& height) const
{
    width = FWidth;
    height = FHeight;
}

void TPlayerSurfaceWidget::Present(std::shared_ptr<const vidrelo::TSurfacePicture> picture)
{
    {
        const std::lock_guard<std::mutex> lock(FLock);
        FPicture = std::move(picture);
    }
    ScheduleRepaint();
}

void TPlayerSurfaceWidget::Clear()
{
    Present(nullptr);
}

std::shared_ptr<const vidrelo::TSurfacePicture> TPlayerSurfaceWidget::ShownPicture() const
{
    const std::lock_guard<std::mutex> lock(FLock);
    return FPicture;
}

void TPlayerSurfaceWidget::ScheduleRepaint()
{
    // A queued call is the one thing Qt lets another thread do to a widget.
    if (!FRepaintQueued.exchange(true))
        QMetaObject::invokeMethod(this, "RepaintNow", Qt::QueuedConnection);
}

void TPlayerSurfaceWidget::RepaintNow()
{
    FRepaintQueued = false;
    update();
}

void TPlayerSurfaceWidget::paintEvent(QPaintEvent*)
{
    const std::shared_ptr<const vidrelo::TSurfacePicture> picture = ShownPicture();
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!picture || !picture->Data || picture->Width <= 0 || picture->Height <= 0)
        return;
    // A view of the engine's buffer, not a copy; `picture` keeps it alive while painting.
    const QImage image(picture->Data, picture->Width, picture->Height, picture->Stride, QImage::Format_RGB32);
    const vidrelo::TFitRect& t = picture->Target;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(t.Left, t.Top, t.Width, t.Height), image);
}

void TPlayerSurfaceWidget::resizeEvent(QResizeEvent* event)
{
    FWidth = event->size().width();
    FHeight = event->size().height();
    QWidget::resizeEvent(event);
}

void TPlayerSurfaceWidget::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}
