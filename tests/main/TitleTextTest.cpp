#include "main/TitleText.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <cstring>

namespace {

constexpr int64_t kSecond = 1000000;

TEST(FormatTimeTest, TruncatesEachPartAndNeverWrapsHours)
{
    EXPECT_EQ(FormatTime(0), "00:00:00");
    EXPECT_EQ(FormatTime((3600 + 2 * 60 + 3) * kSecond + 999999), "01:02:03");
    EXPECT_EQ(FormatTime(24 * 3600 * kSecond), "24:00:00");
    EXPECT_EQ(FormatTime((100 * 3600 + 59 * 60 + 59) * kSecond), "100:59:59");
}

TEST(SizeTextTest, TwoDecimalsWithTheGivenSeparatorAndNoGrouping)
{
    EXPECT_EQ(SizeText(507600.0 / 1024, u"."), "495.70 MB");
    EXPECT_EQ(SizeText(507600.0 / 1024, u","), "495,70 MB");
    EXPECT_EQ(SizeText(0, u"."), "0.00 MB");
    EXPECT_EQ(SizeText(1234567.891, u","), "1234567,89 MB");
    EXPECT_EQ(SizeText(495.703125), "495" + QLocale::system().decimalPoint() + "70 MB");
}

TEST(SourceStringTest, CarriesPathTitleNumberAndSelectionAsStored)
{
    // TitleIndex is not used: the title number is the row + 1.
    const TTitleSelection s{7, 1, 12, 0, 0x21, 2, -1};
    EXPECT_EQ(SourceString("/dev/sr0", 2, s),
              "opendvd:/dev/sr0|Title=3,FromChapter=1,ToChapter=12,AudioID=0,SubtitleID=33,"
              "AudioChannels=2,Deinterlace=-1");
    const QString odd = QStringLiteral("/media/My Disc|x/Ünïcode,=");
    EXPECT_TRUE(SourceString(odd, 0, s).startsWith("opendvd:" + odd + "|Title=1,"));
    // Stream IDs in the column and chooser texts are lower-case hexadecimal.
    EXPECT_EQ(StreamColumnText(0xABC, "en"), "ID[0xabc], en");
    EXPECT_EQ(StreamItemText("English", 0x1ABC), "English[0x1abc]");
}

// A field filled to the brim has no terminating zero; the bytes after it
// belong to the next field and must not leak into the text.
TEST(DVDFieldTextTest, StopsAtZeroOrTheFieldEnd)
{
    TDVDTitleInfo t{};
    std::memcpy(t.Audio[0].LanguageCode, "deu1", 4);
    std::memset(t.Audio[0].LanguageName, 'N', sizeof t.Audio[0].LanguageName);
    t.Audio[1].StreamType = 0x41414141;  // "AAAA" right after the name
    std::memcpy(t.Subtitles[0].LanguageCode, "fr\0x", 4);

    EXPECT_EQ(LanguageCodeText(t.Audio[0]), "deu1");
    EXPECT_EQ(LanguageNameText(t.Audio[0]), QString(64, QLatin1Char('N')));
    EXPECT_EQ(LanguageCodeText(t.Subtitles[0]), "fr");
    EXPECT_EQ(LanguageNameText(t.Subtitles[0]), "");
}

}  // namespace
