// The pieces of the information text: sizes, durations, rates, local time
// stamps, metadata blocks and the generic metadata key names.
#include "engine/MediaEngine.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"
#include "engine/probe/FileInfoText.h"
#include "engine/probe/MetadataKeys.h"
#include "tests/support/CommaLocale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

using namespace vidrelo;

namespace {

TEST(FileInfoTextTest, SizeTextSwitchesUnitJustAboveEachPowerOf1024)
{
    EXPECT_EQ(FileSizeText(0), "0 Byte");
    EXPECT_EQ(FileSizeText(1024), "1024 Byte");
    EXPECT_EQ(FileSizeText(1025), "1.00 KB");
    EXPECT_EQ(FileSizeText(1048576), "1024.00 KB");
    EXPECT_EQ(FileSizeText(1048577), "1.00 MB");
    EXPECT_EQ(FileSizeText(1073741824), "1024.00 MB");
    EXPECT_EQ(FileSizeText(5LL * 1073741824 + 1073741824 / 2), "5.50 GB");
}

TEST(FileInfoTextTest, DurationTextTruncatesToMilliseconds)
{
    EXPECT_EQ(DurationText(5025500000LL), "01:23:45.500");
    EXPECT_EQ(DurationText(10015334), "00:00:10.015");
    EXPECT_EQ(DurationText(0), "00:00:00.000");
    EXPECT_EQ(DurationText(360000LL * 1000000), "100:00:00.000");
    EXPECT_EQ(DurationText(AV_NOPTS_VALUE), "N/A");
}

TEST(FileInfoTextTest, StartTimeTextKeepsSixDigitsAndTheSign)
{
    EXPECT_EQ(StartTimeText(28033), "0.028033");
    EXPECT_EQ(StartTimeText(1433367), "1.433367");
    EXPECT_EQ(StartTimeText(-21333), "-0.021333");
}

TEST(FileInfoTextTest, RatesPrintDecimalsOnlyWhenTheyHaveThem)
{
    EXPECT_EQ(RateText(30000.0 / 1001, "fps"), ", 29.97 fps");
    EXPECT_EQ(RateText(25, "fps"), ", 25 fps");
    EXPECT_EQ(RateText(90000, "tbn"), ", 90k tbn");
    EXPECT_EQ(RateText(12800, "tbn"), ", 12800 tbn");
    EXPECT_EQ(RateText(24000.0 / 1001, "tbr"), ", 23.98 tbr");
    EXPECT_EQ(RateText(1000, "tbn"), ", 1k tbn");
}

TEST(FileInfoTextTest, NumbersAreWrittenWithAPointWhateverTheLocale)
{
    const test::TCommaLocale comma;
    ASSERT_TRUE(comma.Active());
    EXPECT_EQ(FileSizeText(1025), "1.00 KB");
    EXPECT_EQ(DurationText(10015334), "00:00:10.015");
    EXPECT_EQ(StartTimeText(-21333), "-0.021333");
    EXPECT_EQ(RateText(30000.0 / 1001, "fps"), ", 29.97 fps");
}

// Runs a test body under another time zone and puts the old one back.
class TTimeZone {
public:
    explicit TTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            FOld = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TTimeZone()
    {
        if (FOld)
            setenv("TZ", FOld->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> FOld;
};

TEST(FileInfoTextTest, TimeStampsUseTheStandardOffsetAllYearRound)
{
    TTimeZone zone("EST5EDT");
    EXPECT_EQ(TimeStampText(1577934245), "2020-01-01 22:04:05");  // 2020-01-02 03:04:05 UTC
    EXPECT_EQ(TimeStampText(1593659045), "2020-07-01 22:04:05");  // summer: still UTC-5
}

TEST(FileInfoTextTest, GenericKeysAreMatchedExactly)
{
    EXPECT_EQ(GenericMetadataKey("TIT2"), "title");
    EXPECT_EQ(GenericMetadataKey("Author"), "artist");
    EXPECT_EQ(GenericMetadataKey("WM/MediaStationCallSign"), "service_provider");
    EXPECT_EQ(GenericMetadataKey("TDEN"), "creation_time");
    EXPECT_EQ(GenericMetadataKey("TRK"), "track");
    EXPECT_EQ(GenericMetadataKey("tit2"), "tit2");
    EXPECT_EQ(GenericMetadataKey("WM/Track "), "WM/Track ");
    EXPECT_EQ(GenericMetadataKey("encoder"), "encoder");
}

class MetadataBlockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TMediaEngine::Loader().Load(DecoderLibraries)) << TMediaEngine::Loader().LastErrMsg();
    }
    void TearDown() override { ff::av_dict_free(&Metadata); }

    TMediaEngineScope Engine;
    AVDictionary* Metadata = nullptr;
};

TEST_F(MetadataBlockTest, NothingOrOnlyALanguageGivesNoBlock)
{
    EXPECT_EQ(MetadataBlock(nullptr, ""), "");
    ff::av_dict_set(&Metadata, "language", "eng", 0);
    EXPECT_EQ(MetadataBlock(Metadata, "  "), "");
}

TEST_F(MetadataBlockTest, EntriesInStoredOrderWithGenericNamesAndNoLanguage)
{
    ff::av_dict_set(&Metadata, "TIT2", "A song", 0);
    ff::av_dict_set(&Metadata, "language", "eng", 0);
    ff::av_dict_set(&Metadata, "compatible_brands", "isom", 0);
    EXPECT_EQ(MetadataBlock(Metadata, "  "),
              "  Metadata:\r\n"
              "    title           : A song\r\n"
              "    compatible_brands: isom\r\n");
    EXPECT_EQ(MetadataBlock(Metadata, "").rfind("Metadata:\r\n  title           : A song\r\n", 0), 0u);
}

}  // namespace
