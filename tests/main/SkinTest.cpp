#include "main/TSkin.h"
#include "main/TSkinIni.h"
#include "main/TSkinStyleSheet.h"
#include "main/TSkinTheme.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QSlider>
#include <QTreeView>

#include <functional>

namespace {

using vidrelo::test::BinDir;
using vidrelo::test::MakeTempDir;
using vidrelo::test::SourceDir;

const QStringList Pictures = {
    "open.png",          "trim.png",          "edit.png",
    "open_over.png",     "trim_over.png",     "edit_over.png",
    "convert.png",       "convert_over.png",  "play.png",
    "pause.png",         "stop.png",          "photo.png",
    "setstart.png",      "setend.png",        "playpart.png",
    "profilescombo_over.bmp", "profilescombo.bmp", "tablerow.bmp",
    "tablecolumncaptionbar.bmp", "filmicon.bmp", "gettingstarted.bmp",
    "preview.bmp",       "like.png",          "tweet.png",
    "like_over.png",     "tweet_over.png",    "dragdrop.png",
    "open_for_gs.png",   "volume.png"};

QString GeneratedSkin() { return QString::fromStdString(BinDir()) + "/skin-black"; }

QByteArray FileBytes(const QString& APath)
{
    QFile file(APath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Mean brightness (0-255) of what the picture shows, transparency counted as
// nothing shown.
double MeanLuminance(const QImage& AImage)
{
    const QImage image = AImage.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = image.pixel(x, y);
            sum += qGray(px) * qAlpha(px) / 255.0;
        }
    return sum / (image.width() * image.height());
}

struct TLog {
    QStringList Lines;
    TSkinLog Sink() { return [this](const QString& t) { Lines << t; }; }
};

TEST(GeneratedSkin, HoldsEveryPictureInItsNamedFormat)
{
    EXPECT_EQ(SkinPictureFiles(), Pictures) << "the loader's table and its order";
    for (const QString& name : Pictures) {
        SCOPED_TRACE(name.toStdString());
        const QString path = GeneratedSkin() + "/" + name;
        const QByteArray bytes = FileBytes(path);
        const bool png = name.endsWith(".png");
        EXPECT_TRUE(bytes.startsWith(png ? QByteArray("\x89PNG\r\n\x1a\n") : QByteArray("BM")));
        EXPECT_EQ(QImageReader(path).format(), png ? "png" : "bmp");
        const QImage image(path);
        ASSERT_FALSE(image.isNull());
        EXPECT_GE(image.width(), 16);
        EXPECT_GE(image.height(), 16);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                colours.insert(image.pixel(x, y));
        EXPECT_GE(colours.size(), 3) << "a picture of one flat colour was not drawn";
    }
    EXPECT_EQ(FileBytes(GeneratedSkin() + "/skin.ini"), FileBytes(QString::fromStdString(SourceDir()) +
                                                                    "/data/skin/skin.ini"));
}

TEST(GeneratedSkin, HoverPicturesAreTheSameSizeAndVisiblyBrighter)
{
    for (const char* base : {"open.png", "trim.png", "edit.png", "convert.png", "like.png", "tweet.png",
                             "profilescombo.bmp"}) {
        const QString normal = GeneratedSkin() + "/" + base;
        QString over = normal;
        over.insert(over.lastIndexOf('.'), "_over");
        const QImage a(normal), b(over);
        SCOPED_TRACE(base);
        ASSERT_FALSE(a.isNull() || b.isNull());
        EXPECT_EQ(a.size(), b.size());
        EXPECT_GT(MeanLuminance(b), MeanLuminance(a) + 12.0);
    }
}

TEST(GeneratedSkin, FitsTheWindowAndItsColours)
{
    TLog log;
    const TSkin skin = LoadSkin(GeneratedSkin(), log.Sink());
    EXPECT_TRUE(log.Lines.isEmpty()) << log.Lines.join('\n').toStdString();
    EXPECT_TRUE(skin.ShowGettingStartedPanel);
    EXPECT_TRUE(skin.ShowPreviewAreaPanel);
    for (const QImage& button : skin.Pictures.LeftButtonImages)
        EXPECT_EQ(button.size(), QSize(90, 90));
    for (const QImage& button : skin.Pictures.PlayerImages)
        EXPECT_EQ(button.size(), skin.Pictures.PlayerImages[0].size()) << "one image list, one size";
    EXPECT_EQ(skin.Theme.Window, QColor(20, 27, 37));
    // Opaque pictures sit on the window colour; the selected row stands out.
    EXPECT_EQ(skin.Pictures.GettingStarted.pixel(0, 0), QColor(20, 27, 37).rgb());
    const QImage& row = skin.Pictures.TableRow;
    EXPECT_NE(row.pixel(row.width() / 2, row.height() / 2), QColor(20, 27, 37).rgb());
    EXPECT_TRUE(skin.StyleSheet.contains("#141b25"));
    EXPECT_TRUE(skin.StyleSheet.contains("#2b86d6"));
}

TEST(GeneratedSkin, IsDrawnTheSameOnEveryRun)
{
    const std::string tool = VIDRELO_MAKESKIN;
    const std::string ini = SourceDir() + "/data/skin/skin.ini";
    const std::string first = MakeTempDir("skin"), second = MakeTempDir("skin");
    for (const std::string& folder : {first, second}) {
        const auto result = vidrelo::test::RunProgram(tool, {ini, folder});
        ASSERT_EQ(result.ExitCode, 0) << result.Err;
    }
    for (const QString& name : Pictures) {
        const QByteArray bytes = FileBytes(QString::fromStdString(first) + "/" + name);
        EXPECT_FALSE(bytes.isEmpty()) << name.toStdString();
        EXPECT_EQ(bytes, FileBytes(QString::fromStdString(second) + "/" + name)) << name.toStdString();
        EXPECT_EQ(bytes, FileBytes(GeneratedSkin() + "/" + name)) << name.toStdString();
    }
}

// A skin folder whose picture i is (i + 1) pixels wide, so every slot shows
// which file it came from.
class SkinLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FFolder = QString::fromStdString(MakeTempDir("skin"));
        for (qsizetype i = 0; i < Pictures.size(); ++i) {
            QImage image(int(i) + 1, 2, QImage::Format_RGB32);
            image.fill(Qt::gray);
            ASSERT_TRUE(image.save(FFolder + "/" + Pictures[i]));
        }
        QFile::copy(QString::fromStdString(SourceDir()) + "/data/skin/skin.ini", FFolder + "/skin.ini");
    }
    static int From(const char* AName) { return int(Pictures.indexOf(AName)) + 1; }
    TSkin Load() { return LoadSkin(FFolder, FLog.Sink()); }
    void Remove(const char* AName) { ASSERT_TRUE(QFile::remove(FFolder + "/" + AName)); }

    QString FFolder;
    TLog FLog;
};

TEST_F(SkinLoaderTest, PutsEveryPictureInItsSlot)
{
    const TSkin skin = Load();
    const TSkinPictures& p = skin.Pictures;
    const std::pair<const QImage*, const char*> targets[] = {
        {&p.LeftButtonImages[0], "open.png"},       {&p.LeftButtonImages[1], "trim.png"},
        {&p.LeftButtonImages[2], "edit.png"},       {&p.LeftButtonImages[3], "open_over.png"},
        {&p.LeftButtonImages[4], "trim_over.png"},  {&p.LeftButtonImages[5], "edit_over.png"},
        {&p.ConvertButtonImages[0], "convert.png"}, {&p.ConvertButtonImages[1], "convert_over.png"},
        {&p.PlayerImages[0], "play.png"},           {&p.PlayerImages[1], "pause.png"},
        {&p.PlayerImages[2], "stop.png"},           {&p.PlayerImages[3], "photo.png"},
        {&p.PlayerImages[4], "setstart.png"},       {&p.PlayerImages[5], "setend.png"},
        {&p.PlayerImages[6], "playpart.png"},       {&p.ProfileComboOver, "profilescombo_over.bmp"},
        {&p.ProfileCombo, "profilescombo.bmp"},     {&p.TableRow, "tablerow.bmp"},
        {&p.TableColumnCaptionBar, "tablecolumncaptionbar.bmp"}, {&p.FilmIcon, "filmicon.bmp"},
        {&p.GettingStarted, "gettingstarted.bmp"},  {&p.Preview, "preview.bmp"},
        {&p.ShareButtonImages[0], "like_over.png"}, {&p.ShareButtonImages[1], "tweet_over.png"},
        {&p.DragDrop, "dragdrop.png"},              {&p.OpenForGettingStarted, "open_for_gs.png"},
        {&p.Volume, "volume.png"},
    };
    for (const auto& [slot, file] : targets)
        EXPECT_EQ(slot->width(), From(file)) << file;
    EXPECT_TRUE(FLog.Lines.isEmpty()) << FLog.Lines.join('\n').toStdString();
}

TEST_F(SkinLoaderTest, AMissingPictureIsLoggedAndLeftEmpty)
{
    Remove("stop.png");
    Remove("filmicon.bmp");
    Remove("like_over.png");
    const TSkin skin = Load();
    EXPECT_TRUE(skin.Pictures.PlayerImages[2].isNull());
    EXPECT_TRUE(skin.Pictures.FilmIcon.isNull());
    EXPECT_EQ(skin.Pictures.PlayerImages[3].width(), From("photo.png")) << "loading went on";
    EXPECT_EQ(skin.Pictures.ShareButtonImages[0].width(), From("like.png")) << "the earlier picture stays";
    EXPECT_EQ(skin.Pictures.ShareButtonImages[1].width(), From("tweet_over.png"));
    ASSERT_EQ(FLog.Lines.size(), 3) << FLog.Lines.join('\n').toStdString();
    EXPECT_TRUE(FLog.Lines[0].contains(FFolder + "/stop.png"));
    EXPECT_TRUE(FLog.Lines[1].contains("filmicon.bmp"));
    EXPECT_TRUE(FLog.Lines[2].contains("like_over.png"));
    EXPECT_TRUE(skin.ShowGettingStartedPanel && skin.ShowPreviewAreaPanel);
}

TEST_F(SkinLoaderTest, AMissingPanelPictureHidesThePanelWithoutComplaint)
{
    Remove("gettingstarted.bmp");
    TSkin skin = Load();
    EXPECT_FALSE(skin.ShowGettingStartedPanel);
    EXPECT_TRUE(skin.ShowPreviewAreaPanel);
    Remove("preview.bmp");
    skin = Load();
    EXPECT_FALSE(skin.ShowGettingStartedPanel);
    EXPECT_FALSE(skin.ShowPreviewAreaPanel);
    EXPECT_TRUE(skin.Pictures.Preview.isNull());
    EXPECT_TRUE(FLog.Lines.isEmpty()) << FLog.Lines.join('\n').toStdString();
}

TEST_F(SkinLoaderTest, ADamagedPictureIsLoggedAndNotShown)
{
    for (const char* name : {"open.png", "preview.bmp"}) {
        QFile file(FFolder + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("not a picture");
    }
    const TSkin skin = Load();
    EXPECT_TRUE(skin.Pictures.LeftButtonImages[0].isNull());
    EXPECT_FALSE(skin.ShowPreviewAreaPanel);
    EXPECT_EQ(FLog.Lines.filter("cannot be read").size(), 2) << FLog.Lines.join('\n').toStdString();
}

TEST_F(SkinLoaderTest, WithoutAnySkinTheBuiltInColoursAreUsed)
{
    const TSkin skin = LoadSkin(FFolder + "/missing", FLog.Sink());
    // skin.ini and every picture but the two optional ones
    EXPECT_EQ(FLog.Lines.size(), 1 + Pictures.size() - 2);
    EXPECT_TRUE(FLog.Lines[0].contains("skin.ini"));
    EXPECT_EQ(skin.Theme.Window, QColor(20, 27, 37));
    EXPECT_TRUE(skin.StyleSheet.contains("#141b25"));
    EXPECT_EQ(SkinFolder("/opt/vidrelo/"), "/opt/vidrelo/skin-black");
}

TEST(SkinDefinition, ReadsValuesOverTheDefaults)
{
    TSkinIni ini;
    ini.Parse(QString(QChar(0xFEFF)) + "; comment\r\n[colors]\r\n  window = #102030 \r\n# other\r\n"
                                       "[Fonts]\r\nSize=11\r\nFamily=DejaVu Sans Mono\r\n[Sizes]\r\nRadius=0\r\n");
    TLog log;
    const TSkinTheme theme = TSkinTheme::FromIni(ini, log.Sink());
    EXPECT_TRUE(log.Lines.isEmpty()) << log.Lines.join('\n').toStdString();
    EXPECT_EQ(theme.Window, QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(theme.FontSize, 11);
    EXPECT_EQ(theme.FontFamily, "DejaVu Sans Mono");
    EXPECT_EQ(theme.Radius, 0);
    EXPECT_EQ(theme.Accent, TSkinTheme().Accent);
}

TEST(SkinDefinition, BadValuesKeepTheirDefaultsAndAreLogged)
{
    TSkinIni ini;
    ini.Parse("Orphan=1\n[Colors]\nAccent=#12345\nText=red\nnonsense line\n"
              "[Fonts]\nSize=100\nFamily=X\"; } QWidget { color: red\n[Sizes]\nRadius=abc\n");
    TLog log;
    const TSkinTheme theme = TSkinTheme::FromIni(ini, log.Sink());
    const TSkinTheme defaults;
    EXPECT_EQ(theme.Accent, defaults.Accent);
    EXPECT_EQ(theme.Text, defaults.Text);
    EXPECT_EQ(theme.FontSize, defaults.FontSize);
    EXPECT_EQ(theme.FontFamily, defaults.FontFamily);
    EXPECT_EQ(theme.Radius, defaults.Radius);
    EXPECT_EQ(log.Lines.size(), 7) << log.Lines.join('\n').toStdString();
    EXPECT_EQ(log.Lines.filter("not understood").size(), 2);
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "SkinTest";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);  // lives until the process ends
    return *app;
}

QStringList StyleWarnings;

TEST(SkinStyleSheet, CarriesTheSkinValuesAndAppliesCleanly)
{
    TSkinTheme theme;
    theme.Base = QColor(0x10, 0x20, 0x30);
    theme.Text = QColor(0xA0, 0xB0, 0xC0);
    theme.Button = QColor(0x40, 0x50, 0x60);
    const QString sheet = TSkinStyleSheet::Build(theme);
    for (const char* part : {"#102030", "#a0b0c0", "#405060", "font-family: \"DejaVu Sans\"", "font-size: 9pt",
                             "QHeaderView::section", "QToolTip", "QMessageBox", "QScrollBar", "QMenuBar"})
        EXPECT_TRUE(sheet.contains(part)) << part;
    EXPECT_FALSE(sheet.contains(QRegularExpression("\\{[A-Za-z]+\\}"))) << "a placeholder was not filled";

    App();
    StyleWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { StyleWarnings << text; });
    App().setStyleSheet(sheet);
    QLineEdit edit;
    QPushButton button("Convert");
    QTreeView tree;
    QComboBox combo;
    QCheckBox check("Deinterlace");
    QMenu menu;
    QSlider slider(Qt::Horizontal);
    QScrollBar bar(Qt::Vertical);
    for (QWidget* w : std::initializer_list<QWidget*>{&edit, &button, &tree, &combo, &check, &menu, &slider, &bar})
        w->ensurePolished();
    qInstallMessageHandler(previous);
    EXPECT_TRUE(StyleWarnings.isEmpty()) << StyleWarnings.join('\n').toStdString();
    EXPECT_EQ(edit.palette().color(QPalette::Base), theme.Base);
    EXPECT_EQ(edit.palette().color(QPalette::Text), theme.Text);
    EXPECT_EQ(button.palette().color(QPalette::Button), theme.Button);
    App().setStyleSheet(QString());
}

}  // namespace
