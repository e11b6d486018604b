#include "tools/SkinGlyphs.h"

#include <QPainterPath>

namespace SkinGlyphs {
namespace {

// Maps the 24 x 24 grid onto the box for the lifetime of the object.
class TGrid {
public:
    TGrid(QPainter& p, const QRectF& box) : FPainter(p)
    {
        FPainter.save();
        FPainter.setRenderHint(QPainter::Antialiasing);
        FPainter.translate(box.topLeft());
        FPainter.scale(box.width() / 24.0, box.height() / 24.0);
    }
    ~TGrid() { FPainter.restore(); }

private:
    QPainter& FPainter;
};

void Pen(QPainter& p, const QColor& c, qreal width)
{
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
}

void Fill(QPainter& p, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
}

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c)
{
    const QPointF points[] = {a, b, c};
    p.drawPolygon(points, 3);
}

}  // namespace

void Disc(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.0);
    p.drawEllipse(QPointF(12, 12), 10, 10);
    p.drawEllipse(QPointF(12, 12), 2.8, 2.8);
    Pen(p, c, 1.5);
    p.drawArc(QRectF(5.5, 5.5, 13, 13), 35 * 16, 70 * 16);
    p.drawArc(QRectF(5.5, 5.5, 13, 13), 215 * 16, 70 * 16);
}

void Scissors(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.0);
    p.drawEllipse(QPointF(6.5, 17.5), 3.2, 3.2);
    p.drawEllipse(QPointF(17.5, 17.5), 3.2, 3.2);
    p.drawLine(QPointF(8.6, 15.0), QPointF(18.0, 2.5));
    p.drawLine(QPointF(15.4, 15.0), QPointF(6.0, 2.5));
}

void Crop(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.2);
    QPainterPath path;
    path.moveTo(6.5, 2);
    path.lineTo(6.5, 17.5);
    path.lineTo(22, 17.5);
    path.moveTo(2, 6.5);
    path.lineTo(17.5, 6.5);
    path.lineTo(17.5, 22);
    p.drawPath(path);
}

void ArrowRight(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.6);
    p.drawLine(QPointF(3, 12), QPointF(20, 12));
    p.drawLine(QPointF(13.5, 5.5), QPointF(20, 12));
    p.drawLine(QPointF(13.5, 18.5), QPointF(20, 12));
}

void Play(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Fill(p, c);
    p.setPen(QPen(c, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    Triangle(p, {7, 4}, {20, 12}, {7, 20});
}

void Pause(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Fill(p, c);
    p.drawRoundedRect(QRectF(5.5, 4, 4.5, 16), 1.2, 1.2);
    p.drawRoundedRect(QRectF(14, 4, 4.5, 16), 1.2, 1.2);
}

void Stop(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Fill(p, c);
    p.drawRoundedRect(QRectF(5, 5, 14, 14), 2, 2);
}

void Camera(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.0);
    QPainterPath body;
    body.addRoundedRect(QRectF(2, 7, 20, 13.5), 2.5, 2.5);
    p.drawPath(body);
    QPainterPath bump;
    bump.moveTo(8, 7);
    bump.lineTo(9.5, 4);
    bump.lineTo(14.5, 4);
    bump.lineTo(16, 7);
    p.drawPath(bump);
    p.drawEllipse(QPointF(12, 13.7), 3.8, 3.8);
}

void SetStart(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.6);
    p.drawPolyline(QPolygonF({{10, 4}, {5, 4}, {5, 20}, {10, 20}}));
    Fill(p, c);
    Triangle(p, {12, 7.5}, {20, 12}, {12, 16.5});
}

void SetEnd(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.6);
    p.drawPolyline(QPolygonF({{14, 4}, {19, 4}, {19, 20}, {14, 20}}));
    Fill(p, c);
    Triangle(p, {4, 7.5}, {12, 12}, {4, 16.5});
}

void PlayPart(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.2);
    p.drawPolyline(QPolygonF({{6, 4}, {2.5, 4}, {2.5, 20}, {6, 20}}));
    p.drawPolyline(QPolygonF({{18, 4}, {21.5, 4}, {21.5, 20}, {18, 20}}));
    Fill(p, c);
    Triangle(p, {8.5, 7}, {16.5, 12}, {8.5, 17});
}

void ChevronUp(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.4);
    p.drawPolyline(QPolygonF({{6, 15}, {12, 9}, {18, 15}}));
}

void ChevronRight(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.4);
    p.drawPolyline(QPolygonF({{9, 6}, {15, 12}, {9, 18}}));
}

void Film(QPainter& p, const QRectF& box, const QColor& c, const QColor& holes)
{
    TGrid grid(p, box);
    Fill(p, c);
    p.drawRoundedRect(QRectF(2, 1.5, 20, 21), 2.5, 2.5);
    Fill(p, holes);
    p.drawRect(QRectF(7.5, 4, 9, 16));
    for (int row = 0; row < 4; ++row) {
        p.drawRect(QRectF(3.6, 3.5 + row * 4.6, 2.2, 2.4));
        p.drawRect(QRectF(18.2, 3.5 + row * 4.6, 2.2, 2.4));
    }
}

void ThumbUp(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Fill(p, c);
    p.drawRoundedRect(QRectF(2, 10, 4.5, 11), 1, 1);
    QPainterPath hand;
    hand.moveTo(8, 20.5);
    hand.lineTo(17.5, 20.5);
    hand.cubicTo(19, 20.5, 19.8, 19.6, 20.1, 18.3);
    hand.lineTo(21.4, 12.6);
    hand.cubicTo(21.7, 11.2, 20.8, 10, 19.3, 10);
    hand.lineTo(14.6, 10);
    hand.lineTo(15.4, 6);
    hand.cubicTo(15.7, 4.4, 14.7, 3, 13.2, 3);
    hand.lineTo(8, 10.5);
    hand.closeSubpath();
    p.drawPath(hand);
}

void Bubble(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.0);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(2.5, 3.5, 19, 13), 3.5, 3.5);
    QPainterPath tail;
    tail.moveTo(6.5, 16);
    tail.lineTo(6.5, 21.5);
    tail.lineTo(12, 16);
    p.drawPath(bubble.united(tail));
    Fill(p, c);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(7.5 + i * 4.5, 10), 1.4, 1.4);
}

void DropIntoTray(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 2.2);
    p.drawPolyline(QPolygonF({{3, 14}, {3, 21}, {21, 21}, {21, 14}}));
    p.drawLine(QPointF(12, 2.5), QPointF(12, 15));
    p.drawPolyline(QPolygonF({{7, 10.5}, {12, 15.5}, {17, 10.5}}));
}

void Speaker(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Fill(p, c);
    QPainterPath cone;
    cone.moveTo(2.5, 9);
    cone.lineTo(7, 9);
    cone.lineTo(12.5, 4.5);
    cone.lineTo(12.5, 19.5);
    cone.lineTo(7, 15);
    cone.lineTo(2.5, 15);
    cone.closeSubpath();
    p.drawPath(cone);
    Pen(p, c, 1.8);
    p.drawArc(QRectF(9, 8, 8, 8), -50 * 16, 100 * 16);
    p.drawArc(QRectF(7, 4, 16, 16), -50 * 16, 100 * 16);
}

void PlayCircle(QPainter& p, const QRectF& box, const QColor& c)
{
    TGrid grid(p, box);
    Pen(p, c, 1.3);
    p.drawEllipse(QPointF(12, 12), 11, 11);
    Fill(p, c);
    Triangle(p, {9.5, 7.5}, {17, 12}, {9.5, 16.5});
}

}  // namespace SkinGlyphs
