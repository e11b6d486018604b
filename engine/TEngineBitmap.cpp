#include "engine/TEngineBitmap.h"

#include "engine/EngineError.h"

namespace vidrelo {

int BMPPixelBits(TBMPPixelFormat format)
{
    switch (format) {
    case TBMPPixelFormat::pf1bit: return 1;
    case TBMPPixelFormat::pf4bit: return 4;
    case TBMPPixelFormat::pf8bit: return 8;
    case TBMPPixelFormat::pf15bit:
    case TBMPPixelFormat::pf16bit: return 16;
    case TBMPPixelFormat::pf24bit: return 24;
    case TBMPPixelFormat::pfDevice:
    case TBMPPixelFormat::pf32bit: return 32;
    case TBMPPixelFormat::pfCustom: return 0;
    }
    return 0;
}

int TEngineBitmap::RowSize() const
{
    return static_cast<int>((static_cast<int64_t>(FWidth) * BitsPerPixel() + 31) / 32 * 4);
}

void TEngineBitmap::SetSize(int width, int height)
{
    width = width < 0 ? 0 : width;
    height = height < 0 ? 0 : height;
    if (width == FWidth && height == FHeight)
        return;
    FWidth = width;
    FHeight = height;
    Allocate();
}

void TEngineBitmap::SetPixelFormat(TBMPPixelFormat format)
{
    if (format == FPixelFormat)
        return;
    FPixelFormat = format;
    Allocate();
}

uint8_t* TEngineBitmap::ScanLine(int y)
{
    EngineAssert(y >= 0 && y < FHeight, "Scan line index out of range", "TEngineBitmap");
    return FBits.data() + static_cast<size_t>(FHeight - 1 - y) * static_cast<size_t>(RowSize());
}

const uint8_t* TEngineBitmap::ScanLine(int y) const
{
    return const_cast<TEngineBitmap*>(this)->ScanLine(y);
}

void TEngineBitmap::Allocate()
{
    FBits.assign(static_cast<size_t>(RowSize()) * static_cast<size_t>(FHeight), 0);
}

}  // namespace vidrelo
