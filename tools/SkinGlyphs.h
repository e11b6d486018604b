#pragma once
// Flat vector glyphs for the skin pictures. Each is drawn on a 24 x 24 grid
// scaled into the given box, in one colour (film and bubble also take the
// colour behind them, for the holes).
#include <QColor>
#include <QPainter>
#include <QRectF>

namespace SkinGlyphs {

void Disc(QPainter& p, const QRectF& box, const QColor& c);
void Scissors(QPainter& p, const QRectF& box, const QColor& c);
void Crop(QPainter& p, const QRectF& box, const QColor& c);
void ArrowRight(QPainter& p, const QRectF& box, const QColor& c);
void Play(QPainter& p, const QRectF& box, const QColor& c);
void Pause(QPainter& p, const QRectF& box, const QColor& c);
void Stop(QPainter& p, const QRectF& box, const QColor& c);
void Camera(QPainter& p, const QRectF& box, const QColor& c);
void SetStart(QPainter& p, const QRectF& box, const QColor& c);
void SetEnd(QPainter& p, const QRectF& box, const QColor& c);
void PlayPart(QPainter& p, const QRectF& box, const QColor& c);
void ChevronUp(QPainter& p, const QRectF& box, const QColor& c);
void ChevronRight(QPainter& p, const QRectF& box, const QColor& c);
void Film(QPainter& p, const QRectF& box, const QColor& c, const QColor& holes);
void ThumbUp(QPainter& p, const QRectF& box, const QColor& c);
void Bubble(QPainter& p, const QRectF& box, const QColor& c);
void DropIntoTray(QPainter& p, const QRectF& box, const QColor& c);
void Speaker(QPainter& p, const QRectF& box, const QColor& c);
void PlayCircle(QPainter& p, const QRectF& box, const QColor& c);

}  // namespace SkinGlyphs
