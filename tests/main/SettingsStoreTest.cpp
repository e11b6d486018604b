#include "main/TSettingsStore.h"
#include "main/TUserFolders.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace {

using vidrelo::test::MakeTempDir;
using vidrelo::test::TestHome;

const QStringList LastEditedNames = {"lasteditedformatind", "lasteditedprofileind", "videocodecname",
                                     "videobitrate",        "framerate",            "videowidth",
                                     "videoheight",         "audiocodecname",       "audiobitrate",
                                     "samplerate",          "channels"};

QString TempDir(const char* hint)
{
    return QString::fromStdString(MakeTempDir(hint));
}

// Each test keeps its settings in a folder of its own.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { UseConfigFolder(TempDir("config")); }
    void TearDown() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, qEnvironmentVariable("XDG_CONFIG_HOME"));
    }

    void UseConfigFolder(const QString& AFolder)
    {
        FConfigFolder = AFolder;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, AFolder);
    }
    QString ConfFile() const { return FConfigFolder + "/Quarnix/Vidrelo.conf"; }
    void WriteConf(const QString& AText) const
    {
        QDir().mkpath(FConfigFolder + "/Quarnix");
        QFile file(ConfFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(AText.toUtf8());
    }
    // The value names with their raw text, as the file holds them.
    QMap<QString, QString> ConfLines() const
    {
        QFile file(ConfFile());
        QMap<QString, QString> lines;
        if (!file.open(QIODevice::ReadOnly))
            return lines;
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
            if (const qsizetype eq = line.indexOf('='); eq > 0)
                lines.insert(line.left(eq), line.mid(eq + 1));
        return lines;
    }
    TSettingsStore Store()
    {
        return TSettingsStore([this](const QString& t) { FLog << t; },
                              [this](const QString& m, const QString& mark) { FReports << m + " | " + mark; });
    }

    QString FConfigFolder;
    QStringList FLog;
    QStringList FReports;
};

TPersistedSettings EveryValueSet()
{
    TPersistedSettings s;
    s.OutputPath = "/media/videos, old/Out put";
    s.ScreenShotsPath = "@home/Vidéos/\"shots\"";
    s.RecentFormatInd = 3;
    s.RecentProfileInd = 7;
    s.LastEditedFormatInd = 2;
    s.LastEditedProfileInd = 5;
    s.LastEdited = {"libx264", "1500000", "29.97", "720", "480", "aac", "128000", "48000", "2"};
    return s;
}

void ExpectSame(const TPersistedSettings& a, const TPersistedSettings& b)
{
    EXPECT_EQ(a.OutputPath, b.OutputPath);
    EXPECT_EQ(a.ScreenShotsPath, b.ScreenShotsPath);
    EXPECT_EQ(a.RecentFormatInd, b.RecentFormatInd);
    EXPECT_EQ(a.RecentProfileInd, b.RecentProfileInd);
    EXPECT_EQ(a.LastEditedFormatInd, b.LastEditedFormatInd);
    EXPECT_EQ(a.LastEditedProfileInd, b.LastEditedProfileInd);
    const TLastEditedValues &x = a.LastEdited, &y = b.LastEdited;
    EXPECT_EQ(QStringList({x.VideoCodecName, x.VideoBitRate, x.FrameRate, x.VideoWidth, x.VideoHeight, x.AudioCodecName,
                           x.AudioBitRate, x.SampleRate, x.Channels}),
              QStringList({y.VideoCodecName, y.VideoBitRate, y.FrameRate, y.VideoWidth, y.VideoHeight, y.AudioCodecName,
                           y.AudioBitRate, y.SampleRate, y.Channels}));
}

TEST_F(SettingsStoreTest, FirstRunGivesDefaultsAndWritesNothingAboutLastEditedValues)
{
    const QString documents = TestHome().c_str() + QString("/Documents");
    QDir(documents).removeRecursively();
    const TUserFolders folders = TUserFolders::Create();
    EXPECT_EQ(folders.DocumentsFolder, documents);
    EXPECT_EQ(folders.OutputFolder, documents + "/Quarnix/Vidrelo/Output");
    EXPECT_EQ(folders.SnapshotsFolder, documents + "/Quarnix/Vidrelo/Snapshots");
    EXPECT_TRUE(QFileInfo(folders.OutputFolder).isDir());
    EXPECT_TRUE(QFileInfo(folders.SnapshotsFolder).isDir());

    TSettingsStore store = Store();
    const TPersistedSettings read = store.ReadSettings(folders);
    TPersistedSettings expected;
    expected.OutputPath = folders.OutputFolder;
    expected.ScreenShotsPath = folders.SnapshotsFolder;
    ExpectSame(read, expected);
    EXPECT_FALSE(QFile::exists(ConfFile())) << "reading must not create the settings";

    EXPECT_TRUE(store.WriteSettings(read));
    const auto lines = ConfLines();
    EXPECT_EQ(lines.value("OutputPath"), folders.OutputFolder);
    EXPECT_EQ(lines.value("recentformatind"), "0");
    EXPECT_EQ(lines.value("recentprofileind"), "0");
    for (const QString& name : LastEditedNames)
        EXPECT_FALSE(lines.contains(name)) << name.toStdString();
    EXPECT_TRUE(FLog.isEmpty());
    EXPECT_TRUE(FReports.isEmpty());
}

TEST_F(SettingsStoreTest, UserFoldersThatCannotBeMadeAreNotDefaults)
{
    EXPECT_EQ(TUserFolders::Create(QString()).OutputFolder, QString()) << "never folders at the root";

    const QString blocked = TempDir("docs") + "/file";
    QFile(blocked).open(QIODevice::WriteOnly);
    const TUserFolders none = TUserFolders::Create(blocked);
    EXPECT_FALSE(QFileInfo::exists(none.UserFolder));
    TPersistedSettings read = Store().ReadSettings(none);
    EXPECT_EQ(read.OutputPath, QString());
    EXPECT_EQ(read.ScreenShotsPath, QString());

    const TUserFolders some = TUserFolders::Create(TempDir("docs"));
    ASSERT_TRUE(QDir(some.SnapshotsFolder).removeRecursively());
    read = Store().ReadSettings(some);
    EXPECT_EQ(read.OutputPath, some.OutputFolder);
    EXPECT_EQ(read.ScreenShotsPath, QString());
}

TEST_F(SettingsStoreTest, EveryValueSurvivesARoundTripThroughTheFile)
{
    const TPersistedSettings written = EveryValueSet();
    ASSERT_TRUE(Store().WriteSettings(written));
    const auto lines = ConfLines();
    EXPECT_EQ(lines.value("recentformatind"), "3") << "indices are plain integers";
    EXPECT_EQ(lines.value("lasteditedprofileind"), "5");
    EXPECT_EQ(lines.value("videowidth"), "720");

    // A copy under a new name is parsed afresh, not served from memory.
    const QString copy = TempDir("config");
    QDir().mkpath(copy + "/Quarnix");
    ASSERT_TRUE(QFile::copy(ConfFile(), copy + "/Quarnix/Vidrelo.conf"));
    UseConfigFolder(copy);
    ExpectSame(Store().ReadSettings(TUserFolders()), written);
    EXPECT_TRUE(FLog.isEmpty()) << FLog.join('\n').toStdString();
}

TEST_F(SettingsStoreTest, StoredValuesOverrideTheFolderDefaultsEvenWhenStale)
{
    WriteConf("[General]\nOutputPath=/no/such/folder/any/more\nScreenShotsPath=\n");
    const TUserFolders folders = TUserFolders::Create(TempDir("docs"));
    const TPersistedSettings read = Store().ReadSettings(folders);
    EXPECT_EQ(read.OutputPath, "/no/such/folder/any/more");
    EXPECT_EQ(read.ScreenShotsPath, QString()) << "an empty stored text is still a stored text";
}

TEST_F(SettingsStoreTest, LastEditedValuesAreWrittenOnlyWithBothIndicesSet)
{
    TPersistedSettings s;
    s.LastEditedFormatInd = 0;
    s.LastEditedProfileInd = 0;
    s.LastEdited.FrameRate = "25";
    ASSERT_TRUE(Store().WriteSettings(s));
    auto lines = ConfLines();
    for (const QString& name : LastEditedNames)
        EXPECT_TRUE(lines.contains(name)) << name.toStdString();
    EXPECT_EQ(lines.value("framerate"), "25");
    EXPECT_EQ(lines.value("videocodecname", "absent"), QString()) << "empty texts are written too";

    for (const auto& [format, profile] : {std::pair{4, -1}, std::pair{-1, 4}}) {
        UseConfigFolder(TempDir("config"));
        s.LastEditedFormatInd = format;
        s.LastEditedProfileInd = profile;
        ASSERT_TRUE(Store().WriteSettings(s));
        lines = ConfLines();
        EXPECT_TRUE(lines.contains("recentformatind"));
        for (const QString& name : LastEditedNames)
            EXPECT_FALSE(lines.contains(name)) << name.toStdString() << " with " << format << "/" << profile;
    }
}

TEST_F(SettingsStoreTest, ValuesOfTheWrongTypeAreAbsentAndLogged)
{
    WriteConf("[General]\n"
              "OutputPath=/videos/out\n"
              "ScreenShotsPath=@ByteArray(/shots)\n"
              "recentformatind=abc\n"
              "recentprofileind=4\n"
              "lasteditedformatind=99999999999\n"
              "lasteditedprofileind=@Rect(1 2 3 4)\n"
              "videocodecname=libx264, libx265\n"
              "framerate=25\n"
              "channels=-2\n");
    const TPersistedSettings read = Store().ReadSettings(TUserFolders());
    EXPECT_EQ(read.OutputPath, "/videos/out");
    EXPECT_EQ(read.ScreenShotsPath, QString());
    EXPECT_EQ(read.RecentFormatInd, 0);
    EXPECT_EQ(read.RecentProfileInd, 4);
    EXPECT_EQ(read.LastEditedFormatInd, -1);
    EXPECT_EQ(read.LastEditedProfileInd, -1);
    EXPECT_EQ(read.LastEdited.VideoCodecName, QString());
    EXPECT_EQ(read.LastEdited.FrameRate, "25");
    EXPECT_EQ(read.LastEdited.Channels, "-2");
    ASSERT_EQ(FLog.size(), 5) << FLog.join('\n').toStdString();
    for (const char* name :
         {"ScreenShotsPath", "recentformatind", "lasteditedformatind", "lasteditedprofileind", "videocodecname"})
        EXPECT_EQ(FLog.filter(QString("\"%1\"").arg(name)).size(), 1) << name;
}

TEST_F(SettingsStoreTest, AWriteFailureIsReported)
{
    const QString file = TempDir("blocked") + "/not-a-folder";
    QFile(file).open(QIODevice::WriteOnly);
    UseConfigFolder(file + "/config");
    EXPECT_FALSE(Store().WriteSettings(EveryValueSet()));
    EXPECT_EQ(FReports, QStringList{"Error writing data to Registry | CLM_RegDataWrite"});
}

TEST(SettingsStoreLocation, IsTheQuarnixVidreloFileOfTheUserConfigFolder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, qEnvironmentVariable("XDG_CONFIG_HOME"));
    EXPECT_EQ(TSettingsStore::FileName(), qEnvironmentVariable("XDG_CONFIG_HOME") + "/Quarnix/Vidrelo.conf");
}

}  // namespace
