// MakeIcons SOURCE.icon OUT.png [SIZE]: draws one icon (a catalogue icon, or
// the application's icon at one of its sizes) from its source, a small text
// of drawing commands, one a line (a line starting with '#' is a comment):
//   size W H                       canvas size (24 24 unless given)
//   fill #RRGGBB[AA] | none | clear  brush of the shapes that follow
//                                  ("clear" cuts the shape out)
//   stroke #RRGGBB[AA] WIDTH | none  pen of the shapes that follow
//   rect X Y W H [RADIUS]
//   ellipse CX CY RX RY
//   polygon X,Y X,Y ...            closed, filled and outlined
//   polyline X,Y X,Y ...           open, outlined only
//   line X1 Y1 X2 Y2
//   arc CX CY R START SPAN         outline, degrees anticlockwise from 3 o'clock
//   pie CX CY R START SPAN
// Coordinates are in pixels of the canvas and may be fractional. With SIZE
// the canvas is scaled to SIZE pixels wide, so one source gives every size
// of an icon theme. The output is a transparent, antialiased PNG, the same
// for the same source every time.
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

struct TCanvas {
    QImage Image;
    int Width = 0;  // SIZE, or 0 for the canvas's own size
    double Scale = 1.0;
    QBrush Brush = Qt::NoBrush;
    QPen Pen = Qt::NoPen;
    bool Cut = false;
};

double Number(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok)
        throw std::runtime_error("not a number: " + text.toStdString());
    return value;
}

QColor Colour(const QString& text)
{
    bool ok = text.startsWith(u'#') && (text.size() == 7 || text.size() == 9);
    const uint rgb = ok ? text.mid(1, 6).toUInt(&ok, 16) : 0;
    uint alpha = 255;
    if (ok && text.size() == 9)
        alpha = text.mid(7, 2).toUInt(&ok, 16);
    if (!ok)
        throw std::runtime_error("not a colour #RRGGBB[AA]: " + text.toStdString());
    return QColor::fromRgba((alpha << 24) | rgb);
}

QPolygonF Points(const QStringList& words)
{
    QPolygonF points;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QStringList xy = words[i].split(u',');
        if (xy.size() != 2)
            throw std::runtime_error("not a point X,Y: " + words[i].toStdString());
        points.append(QPointF(Number(xy[0]), Number(xy[1])));
    }
    if (points.size() < 2)
        throw std::runtime_error("at least two points are needed");
    return points;
}

void Need(const QStringList& words, qsizetype min, qsizetype max)
{
    if (words.size() - 1 < min || words.size() - 1 > max)
        throw std::runtime_error("wrong number of values for " + words[0].toStdString());
}

void SetStyle(TCanvas& canvas, const QStringList& words)
{
    if (words[0] == u"fill") {
        Need(words, 1, 1);
        canvas.Cut = words[1] == u"clear";
        canvas.Brush = canvas.Cut ? QBrush(Qt::black) : words[1] == u"none" ? QBrush(Qt::NoBrush) : QBrush(Colour(words[1]));
    } else if (words[1] == u"none") {
        canvas.Pen = Qt::NoPen;
    } else {
        Need(words, 2, 2);
        canvas.Pen = QPen(Colour(words[1]), Number(words[2]), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    }
}

void DrawShape(TCanvas& canvas, const QStringList& words)
{
    QPainter painter(&canvas.Image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(canvas.Scale, canvas.Scale);
    if (canvas.Cut)
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setBrush(canvas.Brush);
    painter.setPen(canvas.Pen);
    const QString& shape = words[0];
    auto n = [&](int i) { return Number(words[i]); };
    if (shape == u"rect") {
        Need(words, 4, 5);
        const double radius = words.size() > 5 ? n(5) : 0.0;
        painter.drawRoundedRect(QRectF(n(1), n(2), n(3), n(4)), radius, radius);
    } else if (shape == u"ellipse") {
        Need(words, 4, 4);
        painter.drawEllipse(QPointF(n(1), n(2)), n(3), n(4));
    } else if (shape == u"polygon") {
        painter.drawPolygon(Points(words));
    } else if (shape == u"polyline") {
        painter.drawPolyline(Points(words));
    } else if (shape == u"line") {
        Need(words, 4, 4);
        painter.drawLine(QPointF(n(1), n(2)), QPointF(n(3), n(4)));
    } else if (shape == u"arc" || shape == u"pie") {
        Need(words, 5, 5);
        const QRectF box(n(1) - n(3), n(2) - n(3), 2 * n(3), 2 * n(3));
        const int start = qRound(n(4) * 16);
        const int span = qRound(n(5) * 16);
        if (shape == u"arc")
            painter.drawArc(box, start, span);
        else
            painter.drawPie(box, start, span);
    } else {
        throw std::runtime_error("unknown command " + shape.toStdString());
    }
}

void StartCanvas(TCanvas& canvas, double w, double h)
{
    if (w <= 0 || h <= 0)
        throw std::runtime_error("the canvas needs a size above 0");
    canvas.Scale = canvas.Width > 0 ? canvas.Width / w : 1.0;
    canvas.Image = QImage(qRound(w * canvas.Scale), qRound(h * canvas.Scale), QImage::Format_ARGB32);
    canvas.Image.fill(Qt::transparent);
}

void RunCommand(TCanvas& canvas, const QStringList& words)
{
    if (words[0] == u"size") {
        Need(words, 2, 2);
        StartCanvas(canvas, Number(words[1]), Number(words[2]));
    } else if (words[0] == u"fill" || words[0] == u"stroke") {
        Need(words, 1, 2);
        SetStyle(canvas, words);
    } else {
        DrawShape(canvas, words);
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    const int width = argc == 4 ? std::atoi(argv[3]) : 0;
    if ((argc != 3 && argc != 4) || (argc == 4 && (width < 1 || width > 4096))) {
        std::fputs("usage: MakeIcons SOURCE.icon OUT.png [SIZE]\n", stderr);
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "MakeIcons: cannot open \"%s\"\n", argv[1]);
        return 1;
    }
    TCanvas canvas;
    canvas.Width = width;
    StartCanvas(canvas, 24, 24);
    QTextStream in(&source);
    for (int lineNo = 1; !in.atEnd(); ++lineNo) {
        const QString line = in.readLine().simplified();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        try {
            RunCommand(canvas, line.split(u' '));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s:%d: %s\n", argv[1], lineNo, e.what());
            return 1;
        }
    }
    if (!canvas.Image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "MakeIcons: cannot write \"%s\"\n", argv[2]);
        return 1;
    }
    return 0;
}
