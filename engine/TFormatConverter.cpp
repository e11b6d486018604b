#include "engine/TFormatConverter.h"

#include "engine/EngineError.h"
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vidrelo {
namespace {

// Bicubic scaling; the sizes never change here, so it only decides how
// chroma is interpolated.
constexpr int ScaleFlags = SWS_BICUBIC;

struct TBitmapFormat {
    int Bits;                 // what BitsPixel is set to
    int BitsPixel;            // what it reads back
    TBMPPixelFormat BMPPixFmt;
    AVPixelFormat AVPixFmt;   // the libraries' name for the bitmap layout
};

constexpr TBitmapFormat BitmapFormats[] = {
    {8, 8, TBMPPixelFormat::pf8bit, AV_PIX_FMT_BGR8},
    {15, 16, TBMPPixelFormat::pf15bit, AV_PIX_FMT_BGR555LE},
    {16, 16, TBMPPixelFormat::pf16bit, AV_PIX_FMT_BGR565LE},
    {24, 24, TBMPPixelFormat::pf24bit, AV_PIX_FMT_BGR24},
    {32, 32, TBMPPixelFormat::pf32bit, AV_PIX_FMT_BGRA},
};

// The scaler aborts the process on a format it cannot read or write (or an
// invalid one) instead of failing, so formats are checked first.
SwsContext* CachedScaler(SwsContext* context, int width, int height, AVPixelFormat from, AVPixelFormat to)
{
    if (!ff::sws_isSupportedInput(from) || !ff::sws_isSupportedOutput(to)) {
        ff::sws_freeContext(context);
        return nullptr;
    }
    return ff::sws_getCachedContext(context, width, height, from, width, height, to, ScaleFlags, nullptr, nullptr,
                                    nullptr);
}

const char* const AssertionText = "Assertion failure";
const char* const AssertionSource = "FFUtils";

}  // namespace

TFormatConverter::TFormatConverter()
{
    FBitmap.SetPixelFormat(FBMPPixFmt);
}

TFormatConverter::~TFormatConverter()
{
    // Pictures never outlive the libraries that made them; these checks only
    // keep a converter destroyed after an unload from crashing.
    if (FRGBBuffer && ff::av_free)
        ff::av_free(FRGBBuffer);
    if (ff::sws_freeContext) {
        ff::sws_freeContext(FtoRGB_convert_ctx);
        ff::sws_freeContext(FfromRGB_convert_ctx);
    }
}

void TFormatConverter::SetBitsPixel(int value)
{
    const auto row = std::find_if(std::begin(BitmapFormats), std::end(BitmapFormats),
                                  [value](const TBitmapFormat& f) { return f.Bits == value; });
    if (row == std::end(BitmapFormats))
        throw EEngineError(Format("Invalid BitsPixel %d", value));
    if (row->BMPPixFmt == FBMPPixFmt)
        return;
    FDIB = TDIBDescriptor{};
    FRGBPictureRef.reset();
    FBitsPixel = row->BitsPixel;
    FAVPixFmt = row->AVPixFmt;
    FBMPPixFmt = row->BMPPixFmt;
    FBitmap.SetPixelFormat(FBMPPixFmt);
}

bool TFormatConverter::PictureToRGB(const TAVPicture& source, AVPixelFormat format, bool copyToBitmap, int height,
                                    int width)
{
    if (width <= 0 || height <= 0) {
        FRGBPictureRef.reset();
        FLastErrMsg = Format("Cannot convert a picture of %dx%d pixels", width, height);
        return false;
    }
    FBitmap.SetSize(width, height);
    if (NeedsNoConversion(source, format, height, width))
        FRGBPictureRef = source;
    else if (!ConvertToRGB(source, format, height, width))
        return false;
    DescribeRGBPicture(height, width);
    if (copyToBitmap)
        RGBToBitmap();
    return true;
}

bool TFormatConverter::NeedsNoConversion(const TAVPicture& source, AVPixelFormat format, int height, int width) const
{
    return format == FAVPixFmt && width % 2 == 0 && height % 2 == 0 && source.linesize[0] == FBitmap.RowSize();
}

bool TFormatConverter::ConvertToRGB(const TAVPicture& source, AVPixelFormat format, int height, int width)
{
    FRGBPictureRef.reset();
    if (!ReserveBuffer(height, width))
        return false;
    FtoRGB_convert_ctx = CachedScaler(FtoRGB_convert_ctx, width, height, format, FAVPixFmt);
    if (!FtoRGB_convert_ctx) {
        FLastErrMsg = "Cannot initialize the toRGB conversion context";
        return false;
    }
    ff::sws_scale(FtoRGB_convert_ctx, source.data, source.linesize, 0, height, FRGBPicture.data,
                  FRGBPicture.linesize);
    FRGBPictureRef = FRGBPicture;
    return true;
}

// Grows the buffer to hold a width x height picture of the bitmap layout
// (it never shrinks) and lays FRGBPicture over it.
bool TFormatConverter::ReserveBuffer(int height, int width)
{
    const int size = ff::av_image_get_buffer_size(FAVPixFmt, width, height, 1);
    if (size < 0) {
        FLastErrMsg = Format("Cannot convert a picture of %dx%d pixels", width, height);
        return false;
    }
    if (FRGBBuffer && FRGBBufSize < size) {
        ff::av_free(FRGBBuffer);
        FRGBBuffer = nullptr;
        FRGBBufSize = 0;
    }
    if (!FRGBBuffer) {
        FRGBBuffer = static_cast<uint8_t*>(ff::av_malloc(static_cast<size_t>(size)));
        if (!FRGBBuffer) {
            FLastErrMsg = Format("Cannot allocate %d bytes for the RGB picture", size);
            return false;
        }
        FRGBBufSize = size;
    }
    ff::av_image_fill_arrays(FRGBPicture.data, FRGBPicture.linesize, FRGBBuffer, FAVPixFmt, width, height, 1);
    return true;
}

void TFormatConverter::DescribeRGBPicture(int height, int width)
{
    FDIB.Type = 0;
    FDIB.Width = width;
    FDIB.Height = height;
    FDIB.WidthBytes = FRGBPictureRef->linesize[0];
    FDIB.Planes = 1;
    FDIB.BitsPixel = FBitsPixel;
    FDIB.Bits = FRGBPictureRef->data[0];
}

void TFormatConverter::AssertRGBPicture() const
{
    EngineAssert(FRGBPictureRef.has_value(), AssertionText, AssertionSource);
}

int TFormatConverter::CopyRows() const
{
    return std::min(FDIB.Height, FBitmap.Height());
}

// A row of the RGB picture never holds more pixels than a bitmap row, but a
// caller's picture may carry padding: copy no more than both rows hold.
int TFormatConverter::CopyBytes() const
{
    return std::min(std::abs(FRGBPictureRef->linesize[0]), FBitmap.RowSize());
}

void TFormatConverter::RGBToBitmap()
{
    AssertRGBPicture();
    const TAVPicture& rgb = *FRGBPictureRef;
    for (int y = 0; y < CopyRows(); ++y)
        std::memcpy(FBitmap.ScanLine(y), rgb.data[0] + static_cast<ptrdiff_t>(y) * rgb.linesize[0],
                    static_cast<size_t>(CopyBytes()));
}

void TFormatConverter::BitmapToRGB()
{
    AssertRGBPicture();
    const TAVPicture& rgb = *FRGBPictureRef;
    for (int y = 0; y < CopyRows(); ++y)
        std::memcpy(rgb.data[0] + static_cast<ptrdiff_t>(y) * rgb.linesize[0], FBitmap.ScanLine(y),
                    static_cast<size_t>(CopyBytes()));
}

bool TFormatConverter::RGBToPicture(TAVPicture& target, AVPixelFormat format, int height, int width)
{
    AssertRGBPicture();
    if (width != FDIB.Width || height != FDIB.Height) {
        // The scaler would read past the RGB picture.
        FLastErrMsg = Format("Cannot convert the %dx%d RGB picture into a picture of %dx%d pixels", FDIB.Width,
                             FDIB.Height, width, height);
        return false;
    }
    FfromRGB_convert_ctx = CachedScaler(FfromRGB_convert_ctx, width, height, FAVPixFmt, format);
    if (!FfromRGB_convert_ctx) {
        FLastErrMsg = "Cannot initialize the fromRGB conversion context";
        return false;
    }
    ff::sws_scale(FfromRGB_convert_ctx, FRGBPictureRef->data, FRGBPictureRef->linesize, 0, height, target.data,
                  target.linesize);
    return true;
}

}  // namespace vidrelo
