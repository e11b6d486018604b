// Checks the catalogue that ships beside the program (built from
// data/catalogue) for what the conversion and the editors rely on.
#include "catalogue/Decryptor.h"
#include "catalogue/FormatCheck.h"
#include "catalogue/FormatLine.h"
#include "catalogue/QuotedAttribute.h"
#include "catalogue/TCatalogue.h"
#include "tests/catalogue/CatalogueFolder.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <gtest/gtest.h>

#include <sstream>

using namespace vidrelo::test;

namespace {

QString ShippedFolder() { return QString::fromStdString(BinDir()) + "/dvd-ripper-profiles"; }

class ShippedCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Catalogue = std::make_unique<TCatalogue>(
            ShippedFolder(), [this](const QString& m, const QString& mark) { Reports.append(m + "/" + mark); });
        Catalogue->LoadIcons();
        Catalogue->LoadProfiles();
        Catalogue->LoadFormats();
        Catalogue->LinkFormats();
    }

    QStringList Reports;
    std::unique_ptr<TCatalogue> Catalogue;
};

bool IsCount(const QString& text)
{
    bool ok = false;
    return text.toInt(&ok, 10) > 0 && ok && !text.startsWith('+') && text.trimmed() == text;
}

int AttributeCount(const QString& line, const QString& name)
{
    int count = 0;
    for (qsizetype at = FindAttributeValueStart(line, name); at >= 0; at = FindAttributeValueStart(line, name, at))
        ++count;
    return count;
}

TFormat ParsedFormat(const QString& line)
{
    TFormat format;
    EXPECT_TRUE(ParseFormatLine(line, format)) << line.toStdString();
    return format;
}

// The checks that hold for every format, video or audio; each failure names the format.
void ExpectCurrentValueInList(const TFormat& f, const QString& value, const QString& list, const char* what)
{
    const TChoiceList choices = SplitChoiceList(list);
    EXPECT_EQ(choices.Values.size(), choices.Labels.size()) << f.Title.toStdString() << ": " << what;
    EXPECT_TRUE(choices.Values.contains(value)) << f.Title.toStdString() << ": " << what << " " << value.toStdString();
}

void ExpectUsableResolutions(const TFormat& f)
{
    const QStringList labels = SplitChoiceList(f.Resolutions).Labels;
    EXPECT_TRUE(labels.contains(f.Width + "*" + f.Height)) << f.Title.toStdString();
    for (const QString& label : labels) {
        const int w = label.section('*', 0, 0).toInt();
        const int h = label.section('*', -1).toInt();
        EXPECT_TRUE(w >= 64 && w <= 1920 && h >= 64 && h <= 1280 && w % 2 == 0 && h % 2 == 0)
            << f.Title.toStdString() << ": " << label.toStdString();
    }
}

TEST_F(ShippedCatalogueTest, LoadsWithoutFailureIntoProfilesOfRealFormats)
{
    EXPECT_TRUE(Reports.isEmpty()) << Reports.join('\n').toStdString();
    const QList<TProfile>& profiles = Catalogue->Profiles;
    ASSERT_GE(profiles.size(), 9);
    EXPECT_EQ(profiles.last().Title, "All Profiles");
    EXPECT_GE(Catalogue->AllFormats.size(), 40);
    EXPECT_EQ(profiles.last().Formats.size(), Catalogue->AllFormats.size());
    EXPECT_GT(Catalogue->ChooserHeight, 0);
    qsizetype inProfiles = 0;
    for (qsizetype p = 0; p + 1 < profiles.size(); ++p) {
        EXPECT_FALSE(profiles[p].Formats.isEmpty()) << profiles[p].Title.toStdString();
        inProfiles += profiles[p].Formats.size();
    }
    EXPECT_EQ(inProfiles, Catalogue->AllFormats.size()) << "every format belongs to one profile";
}

TEST_F(ShippedCatalogueTest, FormatsDatIsTheScrambledSourceAndEveryLineCarriesAll25Keys)
{
    QFile source(QString::fromStdString(SourceDir()) + "/data/catalogue/Formats.xml");
    QFile shipped(ShippedFolder() + "/Formats.dat");
    ASSERT_TRUE(source.open(QIODevice::ReadOnly) && shipped.open(QIODevice::ReadOnly));
    EXPECT_EQ(shipped.readAll(), Scrambled(source.readAll()));

    const QStringList lines = LoadScrambledFile(ShippedFolder() + "/Formats.dat");
    ASSERT_GE(lines.size(), 6);
    for (qsizetype i : {qsizetype(0), qsizetype(1), qsizetype(2), lines.size() - 2, lines.size() - 1})
        EXPECT_FALSE(lines[i].contains("<format ")) << "a format on a skipped line: " << i;
    for (qsizetype i = 3; i <= lines.size() - 3; ++i) {
        EXPECT_TRUE(FormatFault(ParsedFormat(lines[i])).isEmpty()) << "line " << i;
        for (const QString& name : FormatAttributeNames())
            EXPECT_EQ(AttributeCount(lines[i], name), 1) << "line " << i << ": " << name.toStdString();
    }
}

TEST_F(ShippedCatalogueTest, EveryFormatHoldsValuesTheConversionAndEditorAccept)
{
    QSet<QString> titles;
    for (const TFormat& f : Catalogue->AllFormats) {
        const std::string name = f.Title.toStdString();
        EXPECT_FALSE(titles.contains(f.Title)) << "duplicate " << name;
        titles.insert(f.Title);
        EXPECT_FALSE(f.Description.isEmpty()) << name;
        EXPECT_TRUE(f.FormatExt.startsWith('.') && f.FormatExt.size() > 1) << name;
        EXPECT_TRUE(IsCount(f.SampleRate) && IsCount(f.AudioBitRate) && IsCount(f.Channel)) << name;
        ExpectCurrentValueInList(f, f.AudioCodecName, f.AudioCodecs, "audio codec");
        ExpectCurrentValueInList(f, f.SampleRate, f.SampleRates, "sample rate");
        ExpectCurrentValueInList(f, f.AudioBitRate, f.AudioBitRates, "audio bit rate");
        ExpectCurrentValueInList(f, f.Channel, f.Channels, "channels");
        if (f.IsAudioFormat == "1") {
            const QString video = f.Resolutions + f.FrameRates + f.VideoBitRates + f.VideoCodecs +
                                  f.VideoCodecName + f.Width + f.Height + f.FrameRate + f.VideoBitRate;
            EXPECT_TRUE(video.isEmpty()) << name << " is audio only";
            continue;
        }
        EXPECT_EQ(f.IsAudioFormat, "0") << name;
        EXPECT_TRUE(IsCount(f.Width) && IsCount(f.Height) && IsCount(f.FrameRate) && IsCount(f.VideoBitRate))
            << name;
        EXPECT_GE(f.FrameRate.toInt(), 10000) << name << ": frame rates are held in thousandths";
        ExpectCurrentValueInList(f, f.VideoCodecName, f.VideoCodecs, "video codec");
        ExpectCurrentValueInList(f, f.FrameRate, f.FrameRates, "frame rate");
        ExpectCurrentValueInList(f, f.VideoBitRate, f.VideoBitRates, "video bit rate");
        ExpectUsableResolutions(f);
    }
}

TEST_F(ShippedCatalogueTest, EveryEncoderNameIsOneFFmpegProvides)
{
    const TProgramResult listing = RunProgram(VIDRELO_FFMPEG, {"-hide_banner", "-encoders"});
    ASSERT_EQ(listing.ExitCode, 0);
    QSet<QString> available;
    std::istringstream lines(listing.Out);
    std::string flags, encoder;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        if (words >> flags >> encoder && flags.size() == 6 && flags != "------")
            available.insert(QString::fromStdString(encoder));
    }
    ASSERT_GT(available.size(), 20);

    QSet<QString> used;
    for (const TFormat& f : Catalogue->AllFormats) {
        for (const QString& codec : SplitChoiceList(f.VideoCodecs).Values + SplitChoiceList(f.AudioCodecs).Values)
            used.insert(codec);
    }
    // The current codecs as vidrelo-cli lists them (columns 6 and 7).
    const TProgramResult cli = RunProgram(BinDir() + "/vidrelo-cli", {"profiles"});
    ASSERT_EQ(cli.ExitCode, 0) << cli.Err;
    const QStringList rows = QString::fromStdString(cli.Out).split('\n', Qt::SkipEmptyParts).mid(1);
    ASSERT_FALSE(rows.isEmpty());
    for (const QString& row : rows) {
        const QStringList cells = row.split('\t');
        ASSERT_EQ(cells.size(), 9) << row.toStdString();
        used.insert(cells[6]);
        if (!cells[5].isEmpty())
            used.insert(cells[5]);
    }
    // "copy" is no encoder: the streams are copied as they are.
    for (const QString& codec : used)
        EXPECT_TRUE(codec == "copy" || available.contains(codec)) << codec.toStdString() << " is no FFmpeg encoder here";
}

TEST_F(ShippedCatalogueTest, EveryIconNamedIsShipped)
{
    const auto exists = [](const QString& id) {
        return QFileInfo(ShippedFolder() + "/Icons/" + id + ".png").isFile();
    };
    for (const TProfile& profile : Catalogue->Profiles)
        EXPECT_TRUE(exists(profile.Icon)) << profile.Title.toStdString() << ": " << profile.Icon.toStdString();
    for (const TFormat& f : Catalogue->AllFormats)
        EXPECT_TRUE(exists(f.Icon)) << f.Title.toStdString() << ": " << f.Icon.toStdString();
    for (const TProfileIcon& icon : Catalogue->ProfileIcons) {
        EXPECT_EQ(icon.Picture.size(), QSize(24, 24)) << icon.ID.toStdString();
        EXPECT_TRUE(icon.Picture.hasAlphaChannel()) << icon.ID.toStdString();
    }
}

}  // namespace
