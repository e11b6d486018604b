#include "main/TSkin.h"

#include "main/TSkinStyleSheet.h"

#include <QFileInfo>
#include <QImageReader>

namespace {

enum class TNeed {
    Required,   // missing: logged, the slot stays empty
    Replacing,  // missing: logged, the slot keeps what an earlier file put there
    Optional,   // missing: the panel showing it is hidden, nothing logged
};

struct TPictureSlot {
    const char* FileName;
    QImage& (*Target)(TSkinPictures&);
    TNeed Need;
};

// Loading order: the later *_over share pictures take the slots of the two
// before them.
const TPictureSlot PictureSlots[] = {
    {"open.png", [](TSkinPictures& p) -> QImage& { return p.LeftButtonImages[0]; }, TNeed::Required},
    {"trim.png", [](TSkinPictures& p) -> QImage& { return p.LeftButtonImages[1]; }, TNeed::Required},
    {"edit.png", [](TSkinPictures& p) -> QImage& { return p.LeftButtonImages[2]; }, TNeed::Required},
    {"open_over.png", [](TSkinPictures& p) -> QImage& { return p.LeftButtonImages[3]; }, TNeed::Required},
    {"trim_over.png", [](TSkinPictures& p) -> QImage& { return p.LeftButtonImages[4]; }, TNeed::Required},
    {"edit_over.png", [](TSkinPictures& p) -> QImage& { return p.LeftButtonImages[5]; }, TNeed::Required},
    {"convert.png", [](TSkinPictures& p) -> QImage& { return p.ConvertButtonImages[0]; }, TNeed::Required},
    {"convert_over.png", [](TSkinPictures& p) -> QImage& { return p.ConvertButtonImages[1]; }, TNeed::Required},
    {"play.png", [](TSkinPictures& p) -> QImage& { return p.PlayerImages[0]; }, TNeed::Required},
    {"pause.png", [](TSkinPictures& p) -> QImage& { return p.PlayerImages[1]; }, TNeed::Required},
    {"stop.png", [](TSkinPictures& p) -> QImage& { return p.PlayerImages[2]; }, TNeed::Required},
    {"photo.png", [](TSkinPictures& p) -> QImage& { return p.PlayerImages[3]; }, TNeed::Required},
    {"setstart.png", [](TSkinPictures& p) -> QImage& { return p.PlayerImages[4]; }, TNeed::Required},
    {"setend.png", [](TSkinPictures& p) -> QImage& { return p.PlayerImages[5]; }, TNeed::Required},
    {"playpart.png", [](TSkinPictures& p) -> QImage& { return p.PlayerImages[6]; }, TNeed::Required},
    {"profilescombo_over.bmp", [](TSkinPictures& p) -> QImage& { return p.ProfileComboOver; }, TNeed::Required},
    {"profilescombo.bmp", [](TSkinPictures& p) -> QImage& { return p.ProfileCombo; }, TNeed::Required},
    {"tablerow.bmp", [](TSkinPictures& p) -> QImage& { return p.TableRow; }, TNeed::Required},
    {"tablecolumncaptionbar.bmp", [](TSkinPictures& p) -> QImage& { return p.TableColumnCaptionBar; },
     TNeed::Required},
    {"filmicon.bmp", [](TSkinPictures& p) -> QImage& { return p.FilmIcon; }, TNeed::Required},
    {"gettingstarted.bmp", [](TSkinPictures& p) -> QImage& { return p.GettingStarted; }, TNeed::Optional},
    {"preview.bmp", [](TSkinPictures& p) -> QImage& { return p.Preview; }, TNeed::Optional},
    {"like.png", [](TSkinPictures& p) -> QImage& { return p.ShareButtonImages[0]; }, TNeed::Required},
    {"tweet.png", [](TSkinPictures& p) -> QImage& { return p.ShareButtonImages[1]; }, TNeed::Required},
    {"like_over.png", [](TSkinPictures& p) -> QImage& { return p.ShareButtonImages[0]; }, TNeed::Replacing},
    {"tweet_over.png", [](TSkinPictures& p) -> QImage& { return p.ShareButtonImages[1]; }, TNeed::Replacing},
    {"dragdrop.png", [](TSkinPictures& p) -> QImage& { return p.DragDrop; }, TNeed::Required},
    {"open_for_gs.png", [](TSkinPictures& p) -> QImage& { return p.OpenForGettingStarted; }, TNeed::Required},
    {"volume.png", [](TSkinPictures& p) -> QImage& { return p.Volume; }, TNeed::Required},
};

void Log(const TSkinLog& OnLog, const QString& AText)
{
    if (OnLog)
        OnLog(AText);
}

// Loads one picture into its slot; false when it is not there afterwards.
bool LoadPicture(const QString& AFolder, const TPictureSlot& ASlot, TSkinPictures& APictures,
                 const TSkinLog& OnLog)
{
    const QString path = AFolder + QLatin1Char('/') + QString::fromLatin1(ASlot.FileName);
    QImage& target = ASlot.Target(APictures);
    if (ASlot.Need == TNeed::Required)
        target = QImage();
    if (!QFileInfo(path).isFile()) {
        if (ASlot.Need != TNeed::Optional)
            Log(OnLog, QStringLiteral("Skin picture not found: %1").arg(path));
        return false;
    }
    QImageReader reader(path);
    QImage picture = reader.read();
    if (picture.isNull()) {
        Log(OnLog, QStringLiteral("Skin picture cannot be read: %1 (%2)").arg(path, reader.errorString()));
        if (ASlot.Need == TNeed::Optional)
            target = QImage();
        return false;
    }
    target = std::move(picture);
    return true;
}

TSkinTheme LoadTheme(const QString& AFolder, const TSkinLog& OnLog)
{
    const QString path = AFolder + QStringLiteral("/skin.ini");
    TSkinIni ini;
    if (!ini.LoadFromFile(path))
        Log(OnLog, QStringLiteral("Skin definition cannot be read: %1; the built-in colours are used").arg(path));
    return TSkinTheme::FromIni(ini, OnLog);
}

}  // namespace

QString SkinFolder(const QString& AProgramFolder)
{
    return AProgramFolder + QStringLiteral("skin-black");
}

const QStringList& SkinPictureFiles()
{
    static const QStringList files = [] {
        QStringList names;
        for (const TPictureSlot& slot : PictureSlots)
            names << QString::fromLatin1(slot.FileName);
        return names;
    }();
    return files;
}

TSkin LoadSkin(const QString& ASkinFolder, const TSkinLog& OnLog)
{
    TSkin skin;
    skin.Folder = ASkinFolder;
    skin.Theme = LoadTheme(ASkinFolder, OnLog);
    skin.StyleSheet = TSkinStyleSheet::Build(skin.Theme, ASkinFolder);
    for (const TPictureSlot& slot : PictureSlots) {
        const bool loaded = LoadPicture(ASkinFolder, slot, skin.Pictures, OnLog);
        const QImage* target = &slot.Target(skin.Pictures);
        if (target == &skin.Pictures.GettingStarted)
            skin.ShowGettingStartedPanel = loaded;
        else if (target == &skin.Pictures.Preview)
            skin.ShowPreviewAreaPanel = loaded;
    }
    return skin;
}
