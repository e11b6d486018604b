// MakeSkin: draws the pictures of the "skin-black" folder. The build runs it
// (QT_QPA_PLATFORM=offscreen) whenever this tool changes:
//
//   MakeSkin <skin.ini> <output folder>
//
// Colours and the font family come from skin.ini, so the pictures and the
// style sheet always agree. Text is drawn with the DejaVu Sans files at fixed
// pixel sizes, which makes the output the same on every machine.
//
// The pictures, for a main window of 855 x 513:
//
// | file                       | size     | what it is                                             |
// |----------------------------|----------|--------------------------------------------------------|
// | open/trim/edit.png         | 90 x 90  | left column buttons "Load DVD", "Trim", "Edit"         |
// | open/trim/edit_over.png    | 90 x 90  | the same, mouse over (brighter)                        |
// | convert(_over).png         | 140 x 46 | the convert button, accent filled                      |
// | play/pause/stop/photo.png  | 32 x 32  | preview player buttons (photo: snapshot)               |
// | setstart/setend/playpart   | 32 x 32  | trim buttons "[", "]", play the part between           |
// | profilescombo(_over).bmp   | 260 x 36 | profile field background; icon at x 6, title at x 40   |
// | tablerow.bmp               | 32 x 24  | selected title row, stretched to the row               |
// | tablecolumncaptionbar.bmp  | 32 x 24  | column caption bar, stretched                          |
// | filmicon.bmp               | 16 x 16  | film icon                                              |
// | gettingstarted.bmp         | 440 x 260| getting-started panel over the empty title list        |
// | preview.bmp                | 320 x 240| preview area while nothing plays                       |
// | like/tweet(_over).png      | 78 x 26  | share buttons above the preview                        |
// | dragdrop.png               | 48 x 48  | on the panel at (36, 186), left in its drop zone       |
// | open_for_gs.png            | 110 x 30 | on the panel at (306, 63), after the first step        |
// | volume.png                 | 20 x 20  | beside the volume bar                                  |
// | imgarrow.png               | 12 x 16  | at the right of each profile row in the profile chooser |
// | checkmark.png              | 16 x 16  | the tick in a checked box (the style sheet's indicator) |
// | trim_left/trim_right.bmp   | 12 x 12  | the trim editor's markers, upright edge facing the other |
#include "main/TSkinIni.h"
#include "main/TSkinTheme.h"
#include "tools/SkinGlyphs.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

using TGlyph = void (*)(QPainter&, const QRectF&, const QColor&);
using TPaint = std::function<void(QPainter&, const QSize&, const TSkinTheme&)>;

QString Family;  // the font family every picture uses

QFont Font(int pixelSize, bool bold)
{
    QFont font(Family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void Text(QPainter& p, const QRectF& box, const QString& text, int pixelSize, bool bold, const QColor& c,
          Qt::Alignment align = Qt::AlignCenter)
{
    p.setFont(Font(pixelSize, bold));
    p.setPen(c);
    p.drawText(box, align | Qt::TextSingleLine, text);
}

void RoundBox(QPainter& p, const QRectF& box, qreal radius, const QColor& fill, const QColor& border)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(border.isValid() ? QPen(border, 1.0) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

// "Load DVD", "Trim", "Edit": glyph above, label below.
TPaint LeftButton(TGlyph glyph, const QString& label, bool hover)
{
    return [=](QPainter& p, const QSize& s, const TSkinTheme& t) {
        RoundBox(p, QRectF(QPointF(0, 0), s), 8, hover ? t.ButtonHover : t.Panel, hover ? t.AccentHover : t.Border);
        glyph(p, QRectF(s.width() / 2.0 - 19, 13, 38, 38), hover ? t.AccentHover.lighter(115) : t.Accent.lighter(110));
        Text(p, QRectF(0, 58, s.width(), 22), label, 13, true, hover ? QColor(Qt::white) : t.Text.darker(112));
    };
}

TPaint ConvertButton(bool hover)
{
    return [=](QPainter& p, const QSize& s, const TSkinTheme& t) {
        RoundBox(p, QRectF(QPointF(0, 0), s), 6, hover ? t.AccentHover : t.Accent, QColor());
        SkinGlyphs::ArrowRight(p, QRectF(18, s.height() / 2.0 - 11, 22, 22), t.AccentText);
        Text(p, QRectF(44, 0, s.width() - 56, s.height()), QStringLiteral("Convert"), 16, true, t.AccentText);
    };
}

TPaint PlayerButton(TGlyph glyph, bool accent)
{
    return [=](QPainter& p, const QSize& s, const TSkinTheme& t) {
        RoundBox(p, QRectF(QPointF(0, 0), s), 6, t.Button, t.Border);
        glyph(p, QRectF(7, 7, s.width() - 14, s.height() - 14), accent ? t.AccentHover : t.Text);
    };
}

TPaint ShareButton(TGlyph glyph, const QString& label, bool hover)
{
    return [=](QPainter& p, const QSize& s, const TSkinTheme& t) {
        RoundBox(p, QRectF(QPointF(0, 0), s), 5, hover ? t.ButtonHover : t.Button, hover ? t.AccentHover : t.Border);
        glyph(p, QRectF(8, 5, 16, 16), hover ? t.AccentHover.lighter(115) : t.Accent.lighter(110));
        Text(p, QRectF(28, 0, s.width() - 34, s.height()), label, 12, true, hover ? QColor(Qt::white) : t.Text);
    };
}

void ProfileComboBody(QPainter& p, const QSize& s, const TSkinTheme& t, bool hover)
{
    p.fillRect(QRect(QPoint(0, 0), s), t.Window);
    RoundBox(p, QRectF(QPointF(0, 0), s), 5, hover ? t.ButtonHover : t.Base, hover ? t.AccentHover : t.Border);
    p.setPen(hover ? t.AccentHover : t.Border);
    p.drawLine(QPointF(s.width() - 32.5, 6), QPointF(s.width() - 32.5, s.height() - 6));
    SkinGlyphs::ChevronUp(p, QRectF(s.width() - 26, s.height() / 2.0 - 10, 20, 20), hover ? t.AccentHover : t.DimText);
}

TPaint ProfileCombo(bool hover)
{
    return [=](QPainter& p, const QSize& s, const TSkinTheme& t) { ProfileComboBody(p, s, t, hover); };
}

void TableRow(QPainter& p, const QSize& s, const TSkinTheme& t)
{
    p.fillRect(QRect(QPoint(0, 0), s), t.Selection);
    p.fillRect(QRect(0, 0, s.width(), 1), t.Accent);
    p.fillRect(QRect(0, s.height() - 1, s.width(), 1), t.Selection.darker(130));
}

void CaptionBar(QPainter& p, const QSize& s, const TSkinTheme& t)
{
    p.fillRect(QRect(QPoint(0, 0), s), t.Header);
    p.fillRect(QRect(0, 0, s.width(), 1), t.Header.lighter(125));
    p.fillRect(QRect(0, s.height() - 2, s.width(), 2), t.Border);
}

void FilmIcon(QPainter& p, const QSize& s, const TSkinTheme& t)
{
    p.fillRect(QRect(QPoint(0, 0), s), t.Window);
    SkinGlyphs::Film(p, QRectF(QPointF(0, 0), s), t.AccentHover, t.Window);
}

}  // namespace

namespace {

void GettingStartedStep(QPainter& p, int y, int number, const QString& text, const TSkinTheme& t)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(t.Accent);
    p.drawEllipse(QPointF(38, y), 11, 11);
    Text(p, QRectF(27, y - 11, 22, 22), QString::number(number), 12, true, t.AccentText);
    Text(p, QRectF(60, y - 12, 356, 24), text, 13, false, t.Text, Qt::AlignLeft | Qt::AlignVCenter);
}

void DragDrop(QPainter& p, const QSize& s, const TSkinTheme& t)
{
    SkinGlyphs::DropIntoTray(p, QRectF(4, 4, s.width() - 8, s.height() - 8), t.AccentHover);
}

// Leaves room for open_for_gs.png at (306, 22); dragdrop.png belongs at
// (36, 186), where the panel already shows the same glyph, so the panel reads
// well with or without it.
void GettingStarted(QPainter& p, const QSize& s, const TSkinTheme& t)
{
    p.fillRect(QRect(QPoint(0, 0), s), t.Window);
    SkinGlyphs::Disc(p, QRectF(24, 22, 30, 30), t.AccentHover);
    Text(p, QRectF(64, 18, 236, 24), QStringLiteral("Getting started"), t.HeadingSize * 4 / 3 + 1, true, t.Text,
         Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRectF(64, 40, 236, 16), QStringLiteral("From disc to video file in three steps"), 11, false,
         t.DimText, Qt::AlignLeft | Qt::AlignVCenter);
    GettingStartedStep(p, 88, 1, QStringLiteral("Insert a DVD and press Load DVD"), t);
    GettingStartedStep(p, 120, 2, QStringLiteral("Tick the titles and choose a profile"), t);
    GettingStartedStep(p, 152, 3, QStringLiteral("Press Convert"), t);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(t.Border.lighter(140), 1.5, Qt::DashLine));
    p.setBrush(t.Base);
    p.drawRoundedRect(QRectF(24.5, 176.5, 391, 68), 8, 8);
    p.save();
    p.translate(36, 186);
    DragDrop(p, QSize(48, 48), t);
    p.restore();
    Text(p, QRectF(96, 186, 310, 24), QStringLiteral("Drag a DVD folder or ISO image here"), 13, true, t.Text,
         Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRectF(96, 210, 310, 20), QStringLiteral("and drop it anywhere on this window"), 11, false, t.DimText,
         Qt::AlignLeft | Qt::AlignVCenter);
}

void Preview(QPainter& p, const QSize& s, const TSkinTheme& t)
{
    p.fillRect(QRect(QPoint(0, 0), s), t.Base);
    SkinGlyphs::PlayCircle(p, QRectF(s.width() / 2.0 - 32, 64, 64, 64), t.Border.lighter(160));
    Text(p, QRectF(0, 140, s.width(), 24), QStringLiteral("Preview"), 16, true, t.DimText);
    Text(p, QRectF(0, 164, s.width(), 20), QStringLiteral("Select a title and press Play"), 12, false,
         t.Disabled.lighter(125));
}

void OpenForGettingStarted(QPainter& p, const QSize& s, const TSkinTheme& t)
{
    RoundBox(p, QRectF(QPointF(0, 0), s), 5, t.Accent, QColor());
    SkinGlyphs::Disc(p, QRectF(11, s.height() / 2.0 - 8, 16, 16), t.AccentText);
    Text(p, QRectF(32, 0, s.width() - 40, s.height()), QStringLiteral("Load DVD"), 13, true, t.AccentText);
}

void Volume(QPainter& p, const QSize& s, const TSkinTheme& t)
{
    SkinGlyphs::Speaker(p, QRectF(QPointF(0, 0), s), t.Text);
}

void ChooserArrow(QPainter& p, const QSize& s, const TSkinTheme& t)
{
    SkinGlyphs::ChevronRight(p, QRectF(-2, 0, s.height(), s.height()), t.DimText);
}

void CheckMark(QPainter& p, const QSize& s, const TSkinTheme& t)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(t.SelectionText, s.width() / 7.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const double w = s.width();
    p.drawPolyline(QPolygonF({QPointF(w * 0.22, w * 0.52), QPointF(w * 0.42, w * 0.72), QPointF(w * 0.78, w * 0.3)}));
}

// A wedge on the window colour whose upright edge faces the other marker, so
// the part between the two reads as the kept one.
TPaint TrimMarker(bool left)
{
    return [left](QPainter& p, const QSize& s, const TSkinTheme& t) {
        p.fillRect(QRect(QPoint(0, 0), s), t.Window);
        p.setPen(Qt::NoPen);
        p.setBrush(t.AccentHover);
        const qreal e = s.width();
        const QPointF wedge[] = {{left ? e : 0, 0}, {left ? e : 0, e}, {left ? 0 : e, e}};
        p.drawPolygon(wedge, 3);
    };
}

struct TSkinPicture {
    const char* File;
    QSize Size;
    TPaint Paint;
};

// The table above, in code.
std::vector<TSkinPicture> SkinPictures()
{
    using namespace SkinGlyphs;
    const QSize big(90, 90), player(32, 32), share(78, 26), bar(32, 24);
    return {
        {"open.png", big, LeftButton(Disc, "Load DVD", false)},
        {"trim.png", big, LeftButton(Scissors, "Trim", false)},
        {"edit.png", big, LeftButton(Crop, "Edit", false)},
        {"open_over.png", big, LeftButton(Disc, "Load DVD", true)},
        {"trim_over.png", big, LeftButton(Scissors, "Trim", true)},
        {"edit_over.png", big, LeftButton(Crop, "Edit", true)},
        {"convert.png", {140, 46}, ConvertButton(false)},
        {"convert_over.png", {140, 46}, ConvertButton(true)},
        {"play.png", player, PlayerButton(Play, true)},
        {"pause.png", player, PlayerButton(Pause, false)},
        {"stop.png", player, PlayerButton(Stop, false)},
        {"photo.png", player, PlayerButton(Camera, false)},
        {"setstart.png", player, PlayerButton(SetStart, false)},
        {"setend.png", player, PlayerButton(SetEnd, false)},
        {"playpart.png", player, PlayerButton(PlayPart, true)},
        {"profilescombo_over.bmp", {260, 36}, ProfileCombo(true)},
        {"profilescombo.bmp", {260, 36}, ProfileCombo(false)},
        {"tablerow.bmp", bar, TableRow},
        {"tablecolumncaptionbar.bmp", bar, CaptionBar},
        {"filmicon.bmp", {16, 16}, FilmIcon},
        {"gettingstarted.bmp", {440, 260}, GettingStarted},
        {"preview.bmp", {320, 240}, Preview},
        {"like.png", share, ShareButton(ThumbUp, "Like", false)},
        {"tweet.png", share, ShareButton(Bubble, "Tweet", false)},
        {"like_over.png", share, ShareButton(ThumbUp, "Like", true)},
        {"tweet_over.png", share, ShareButton(Bubble, "Tweet", true)},
        {"dragdrop.png", {48, 48}, DragDrop},
        {"open_for_gs.png", {110, 30}, OpenForGettingStarted},
        {"volume.png", {20, 20}, Volume},
        {"imgarrow.png", {12, 16}, ChooserArrow},
        {"checkmark.png", {16, 16}, CheckMark},
        {"trim_left.bmp", {12, 12}, TrimMarker(true)},
        {"trim_right.bmp", {12, 12}, TrimMarker(false)},
    };
}

// BMP pictures are opaque (the format has no alpha here); PNG ones keep a
// transparent surround.
bool Save(const TSkinPicture& APicture, const QString& AFolder, const TSkinTheme& ATheme)
{
    const QString name = QString::fromLatin1(APicture.File);
    const bool bmp = name.endsWith(QStringLiteral(".bmp"));
    QImage image(APicture.Size, bmp ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.fill(bmp ? ATheme.Window : QColor(Qt::transparent));
    {
        QPainter painter(&image);
        APicture.Paint(painter, APicture.Size, ATheme);
    }
    if (bmp)
        return image.convertToFormat(QImage::Format_RGB888).save(AFolder + '/' + name, "BMP");
    return image.convertToFormat(QImage::Format_ARGB32).save(AFolder + '/' + name, "PNG");
}

bool LoadFonts(const QString& AFamily)
{
    for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"})
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/") + file);
    return QFontDatabase::families().contains(AFamily, Qt::CaseInsensitive);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc != 3) {
        std::fprintf(stderr, "usage: MakeSkin <skin.ini> <output folder>\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    TSkinIni ini;
    if (!ini.LoadFromFile(QString::fromLocal8Bit(argv[1])))
        std::fprintf(stderr, "MakeSkin: cannot read %s; built-in colours used\n", argv[1]);
    const TSkinTheme theme = TSkinTheme::FromIni(ini, [](const QString& line) {
        std::fprintf(stderr, "MakeSkin: %s\n", qPrintable(line));
    });
    Family = theme.FontFamily;
    if (!LoadFonts(Family)) {
        std::fprintf(stderr, "MakeSkin: font family \"%s\" not found (install fonts-dejavu-core)\n", qPrintable(Family));
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "MakeSkin: cannot create %s\n", argv[2]);
        return 1;
    }
    for (const TSkinPicture& picture : SkinPictures())
        if (!Save(picture, folder, theme)) {
            std::fprintf(stderr, "MakeSkin: cannot write %s/%s\n", argv[2], picture.File);
            return 1;
        }
    return 0;
}
