// The picture format converter: when it converts and when not, bottom-up
// bitmap rows, the cached buffer, a round trip through the bitmap layout,
// and its refusals.
#include "engine/EngineError.h"
#include "engine/MediaEngine.h"
#include "engine/TFormatConverter.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace vidrelo;

namespace {

// A picture in memory the test owns, tightly packed unless told otherwise.
struct TTestPicture {
    TTestPicture(AVPixelFormat format, int width, int height, int align = 1)
        : Width(width), Height(height)
    {
        Bytes.resize(static_cast<size_t>(ff::av_image_get_buffer_size(format, width, height, align)));
        ff::av_image_fill_arrays(Picture.data, Picture.linesize, Bytes.data(), format, width, height, align);
    }
    uint8_t& At(int plane, int x, int y) { return Picture.data[plane][y * Picture.linesize[plane] + x]; }

    int Width, Height;
    std::vector<uint8_t> Bytes;
    TAVPicture Picture;
};

// Rows of a bgr24 picture told apart by their first byte.
TTestPicture NumberedRows(int width, int height)
{
    TTestPicture p(AV_PIX_FMT_BGR24, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x)
            p.At(0, x, y) = static_cast<uint8_t>(y * 7 + x);
    return p;
}

// A smooth yuv420p test pattern whose colours all lie inside the RGB cube,
// so that a round trip through RGB loses nothing but rounding.
TTestPicture Gradient(int width, int height)
{
    TTestPicture p(AV_PIX_FMT_YUV420P, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.At(0, x, y) = static_cast<uint8_t>(60 + (x + y) * 140 / (width + height));
    for (int plane = 1; plane < 3; ++plane)
        for (int y = 0; y < height / 2; ++y)
            for (int x = 0; x < width / 2; ++x)
                p.At(plane, x, y) = static_cast<uint8_t>(plane == 1 ? 110 + x * 60 / width : 140 - y * 50 / height);
    return p;
}

class FormatConverterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TMediaEngine::Loader().Load(DecoderLibraries)) << TMediaEngine::Loader().LastErrMsg();
    }
    TMediaEngineScope Engine;
};

TEST_F(FormatConverterTest, APictureInTheBitmapLayoutIsUsedAsItIs)
{
    TFormatConverter converter;
    TTestPicture same(AV_PIX_FMT_BGR24, 720, 576);
    ASSERT_EQ(same.Picture.linesize[0], 2160);
    ASSERT_TRUE(converter.PictureToRGB(same.Picture, AV_PIX_FMT_BGR24, false, 576, 720));
    EXPECT_EQ(converter.RGBPictureRef()->data[0], same.Picture.data[0]);
    EXPECT_EQ(converter.DIB().Bits, same.Picture.data[0]);
    EXPECT_EQ(converter.DIB().WidthBytes, 2160);
    EXPECT_EQ(converter.DIB().BitsPixel, 24);

    // 721 pixels: odd, and 2163 bytes of pixels against 2164-byte bitmap rows.
    TTestPicture odd(AV_PIX_FMT_BGR24, 721, 576);
    ASSERT_TRUE(converter.PictureToRGB(odd.Picture, AV_PIX_FMT_BGR24, false, 576, 721));
    EXPECT_NE(converter.RGBPictureRef()->data[0], odd.Picture.data[0]);
    EXPECT_EQ(converter.RGBPictureRef()->data[0], converter.RGBPicture().data[0]);
    EXPECT_EQ(converter.Bitmap().RowSize(), 2164);
    EXPECT_EQ(converter.DIB().WidthBytes, 2163);
}

TEST_F(FormatConverterTest, BitmapRowsAreStoredBottomUp)
{
    TFormatConverter converter;
    TTestPicture picture = NumberedRows(6, 4);
    ASSERT_TRUE(converter.PictureToRGB(picture.Picture, AV_PIX_FMT_BGR24, true, 4, 6));
    const TEngineBitmap& bitmap = converter.Bitmap();
    ASSERT_EQ(bitmap.RowSize(), 20);  // 18 bytes padded to 4
    for (int y = 0; y < 4; ++y) {
        const uint8_t* stored = bitmap.Bits() + (3 - y) * bitmap.RowSize();
        EXPECT_EQ(stored, bitmap.ScanLine(y));
        EXPECT_EQ(std::vector<uint8_t>(stored, stored + 18),
                  std::vector<uint8_t>(&picture.At(0, 0, y), &picture.At(0, 0, y) + 18)) << "row " << y;
    }

    // And back: a change in the bitmap's top row reaches picture row 0.
    converter.Bitmap().ScanLine(0)[0] = 0xAB;
    converter.BitmapToRGB();
    EXPECT_EQ(converter.RGBPictureRef()->data[0][0], 0xAB);
}

TEST_F(FormatConverterTest, RoundTripThroughTheBitmapLayoutKeepsThePicture)
{
    TFormatConverter converter;
    TTestPicture source = Gradient(64, 48);
    ASSERT_TRUE(converter.PictureToRGB(source.Picture, AV_PIX_FMT_YUV420P, true, 48, 64));
    TTestPicture back(AV_PIX_FMT_YUV420P, 64, 48);
    ASSERT_TRUE(converter.RGBToPicture(back.Picture, AV_PIX_FMT_YUV420P, 48, 64));
    int worst = 0;
    for (size_t i = 0; i < source.Bytes.size(); ++i)
        worst = std::max(worst, std::abs(source.Bytes[i] - back.Bytes[i]));
    EXPECT_LE(worst, 3);
    // Not a copy of the source: the RGB picture is in between.
    EXPECT_EQ(converter.DIB().WidthBytes, 64 * 3);
}

TEST_F(FormatConverterTest, TheBufferGrowsButIsReusedForSmallerPictures)
{
    TFormatConverter converter;
    TTestPicture large = Gradient(64, 48);
    ASSERT_TRUE(converter.PictureToRGB(large.Picture, AV_PIX_FMT_YUV420P, false, 48, 64));
    const uint8_t* buffer = converter.RGBPicture().data[0];
    TTestPicture small = Gradient(32, 24);
    ASSERT_TRUE(converter.PictureToRGB(small.Picture, AV_PIX_FMT_YUV420P, false, 24, 32));
    EXPECT_EQ(converter.RGBPicture().data[0], buffer);
    EXPECT_EQ(converter.RGBPicture().linesize[0], 32 * 3);
    EXPECT_EQ(converter.Bitmap().Width(), 32);
}

TEST_F(FormatConverterTest, BitDepthsFollowTheTable)
{
    TFormatConverter converter;
    EXPECT_EQ(converter.BitsPixel(), 24);
    converter.SetBitsPixel(15);
    EXPECT_EQ(converter.BitsPixel(), 16);
    EXPECT_EQ(converter.AVPixFmt(), AV_PIX_FMT_BGR555LE);
    EXPECT_EQ(converter.Bitmap().PixelFormat(), TBMPPixelFormat::pf15bit);
    converter.SetBitsPixel(32);
    EXPECT_EQ(converter.AVPixFmt(), AV_PIX_FMT_BGRA);
    converter.SetBitsPixel(8);
    EXPECT_EQ(converter.AVPixFmt(), AV_PIX_FMT_BGR8);

    try {
        converter.SetBitsPixel(12);
        FAIL() << "12 bits accepted";
    } catch (const EEngineError& e) {
        EXPECT_STREQ(e.what(), "Invalid BitsPixel 12");
    }
    EXPECT_EQ(converter.BitsPixel(), 8);

    // A 32-bit bitmap gets the picture with an opaque alpha byte.
    converter.SetBitsPixel(32);
    TTestPicture picture = NumberedRows(4, 2);
    ASSERT_TRUE(converter.PictureToRGB(picture.Picture, AV_PIX_FMT_BGR24, true, 2, 4));
    const uint8_t* top = converter.Bitmap().ScanLine(0);
    EXPECT_EQ(top[4], picture.At(0, 3, 0));
    EXPECT_EQ(top[7], 0xFF);
}

TEST_F(FormatConverterTest, NoRGBPictureMeansAnAssertion)
{
    TFormatConverter converter;
    TTestPicture target(AV_PIX_FMT_YUV420P, 4, 4);
    for (auto call : {+[](TFormatConverter& c, TAVPicture&) { c.RGBToBitmap(); },
                      +[](TFormatConverter& c, TAVPicture&) { c.BitmapToRGB(); },
                      +[](TFormatConverter& c, TAVPicture& t) { c.RGBToPicture(t, AV_PIX_FMT_YUV420P, 4, 4); }}) {
        try {
            call(converter, target.Picture);
            FAIL() << "no assertion";
        } catch (const EAssertionFailed& e) {
            EXPECT_STREQ(e.what(), "Assertion failure");
            EXPECT_EQ(e.Source(), "FFUtils");
        }
    }

    // Changing the depth forgets the RGB picture.
    TTestPicture picture = NumberedRows(4, 4);
    ASSERT_TRUE(converter.PictureToRGB(picture.Picture, AV_PIX_FMT_BGR24, false, 4, 4));
    converter.SetBitsPixel(16);
    EXPECT_EQ(converter.RGBPictureRef(), nullptr);
    EXPECT_THROW(converter.RGBToBitmap(), EAssertionFailed);
}

TEST_F(FormatConverterTest, ImpossibleConversionsFailWithAText)
{
    TFormatConverter converter;
    TTestPicture picture = NumberedRows(4, 4);
    EXPECT_FALSE(converter.PictureToRGB(picture.Picture, AV_PIX_FMT_NONE, false, 4, 4));
    EXPECT_EQ(converter.LastErrMsg(), "Cannot initialize the toRGB conversion context");
    EXPECT_EQ(converter.RGBPictureRef(), nullptr);

    ASSERT_TRUE(converter.PictureToRGB(picture.Picture, AV_PIX_FMT_BGR24, false, 4, 4));
    TTestPicture target(AV_PIX_FMT_YUV420P, 4, 4);
    EXPECT_FALSE(converter.RGBToPicture(target.Picture, AV_PIX_FMT_NONE, 4, 4));
    EXPECT_EQ(converter.LastErrMsg(), "Cannot initialize the fromRGB conversion context");
    TTestPicture larger(AV_PIX_FMT_YUV420P, 8, 8);
    EXPECT_FALSE(converter.RGBToPicture(larger.Picture, AV_PIX_FMT_YUV420P, 8, 8));
    EXPECT_FALSE(converter.PictureToRGB(picture.Picture, AV_PIX_FMT_BGR24, false, 0, 4));
    EXPECT_EQ(converter.LastErrMsg(), "Cannot convert a picture of 4x0 pixels");
}

}  // namespace
