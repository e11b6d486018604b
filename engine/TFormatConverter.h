#pragma once
// Moves pictures between the media libraries' picture layouts and the
// engine's bitmap, for snapshots, preview pictures and the picture hooks
// that let an event handler see and change every frame.
//
// The RGB picture is the picture in the bitmap's layout (bgr24 for a 24-bit
// bitmap, ...). When a source picture already has that layout it is used as
// it is; otherwise it is converted into a buffer the converter keeps. The
// buffer and the two scaler contexts are kept between calls and reused while
// sizes and formats stay the same, so a stream of same-sized pictures
// allocates nothing after the first. A converter is used by one thread at a
// time. It must be destroyed while the media libraries are still loaded.
#include "engine/TEngineBitmap.h"
#include "engine/loader/MediaHeaders.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vidrelo {

// Four plane pointers and four line sizes, as the libraries lay out a
// picture (the first four of an AVFrame's).
struct TAVPicture {
    uint8_t* data[4] = {};
    int linesize[4] = {};
};

// What the current RGB picture looks like, in bitmap terms.
struct TDIBDescriptor {
    int Type = 0;
    int Width = 0;
    int Height = 0;
    int WidthBytes = 0;  // bytes per row of the RGB picture
    int Planes = 0;
    int BitsPixel = 0;
    uint8_t* Bits = nullptr;  // the RGB picture's first plane
};

class TFormatConverter {
public:
    TFormatConverter();  // 24-bit
    ~TFormatConverter();
    TFormatConverter(const TFormatConverter&) = delete;
    TFormatConverter& operator=(const TFormatConverter&) = delete;

    int BitsPixel() const { return FBitsPixel; }
    // 8, 15, 16, 24 or 32; raises EEngineError "Invalid BitsPixel %d" for
    // anything else. A change forgets the current RGB picture.
    void SetBitsPixel(int value);
    TBMPPixelFormat BMPPixFmt() const { return FBMPPixFmt; }
    AVPixelFormat AVPixFmt() const { return FAVPixFmt; }
    TEngineBitmap& Bitmap() { return FBitmap; }
    const TDIBDescriptor& DIB() const { return FDIB; }
    const TAVPicture& RGBPicture() const { return FRGBPicture; }
    // The RGB picture last produced (the converter's own, or the caller's
    // picture when it needed no conversion); null before the first.
    const TAVPicture* RGBPictureRef() const { return FRGBPictureRef ? &*FRGBPictureRef : nullptr; }
    const std::string& LastErrMsg() const { return FLastErrMsg; }

    // Makes `source` (of `format`, width x height) the RGB picture, sizes the
    // bitmap and, with `copyToBitmap`, copies it there. False with LastErrMsg
    // when no conversion is possible.
    bool PictureToRGB(const TAVPicture& source, AVPixelFormat format, bool copyToBitmap, int height, int width);
    // Copy the RGB picture into the bitmap and back. Both raise
    // EAssertionFailed when there is no RGB picture yet.
    void RGBToBitmap();
    void BitmapToRGB();
    // Converts the RGB picture into `target` (of `format`, width x height),
    // which the caller allocated. Raises EAssertionFailed without an RGB
    // picture; false with LastErrMsg when no conversion is possible.
    bool RGBToPicture(TAVPicture& target, AVPixelFormat format, int height, int width);

private:
    bool NeedsNoConversion(const TAVPicture& source, AVPixelFormat format, int height, int width) const;
    bool ConvertToRGB(const TAVPicture& source, AVPixelFormat format, int height, int width);
    bool ReserveBuffer(int height, int width);
    void DescribeRGBPicture(int height, int width);
    void AssertRGBPicture() const;
    // Rows shared by the RGB picture and the bitmap, and bytes per row.
    int CopyRows() const;
    int CopyBytes() const;

    int FBitsPixel = 24;
    AVPixelFormat FAVPixFmt = AV_PIX_FMT_BGR24;
    TBMPPixelFormat FBMPPixFmt = TBMPPixelFormat::pf24bit;
    TEngineBitmap FBitmap;
    TDIBDescriptor FDIB;
    uint8_t* FRGBBuffer = nullptr;  // av_malloc'd, never shrinks
    int FRGBBufSize = 0;
    TAVPicture FRGBPicture;
    std::optional<TAVPicture> FRGBPictureRef;
    SwsContext* FtoRGB_convert_ctx = nullptr;
    SwsContext* FfromRGB_convert_ctx = nullptr;
    std::string FLastErrMsg;
};

}  // namespace vidrelo
