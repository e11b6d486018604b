#pragma once
// The engine's device-independent bitmap: what picture converters fill and
// the application turns into something it can draw or save.
//
// Rows are stored bottom-up: Bits() starts with the bottom row of the
// picture, and ScanLine(0), the top row, is the last row in memory. Every
// row is padded to a multiple of four bytes (RowSize).
#include <cstdint>
#include <vector>

namespace vidrelo {

// The bitmap's pixel layouts. The engine draws only 8-, 15-, 16-, 24- and
// 32-bit pictures (packed B,G,R from the lowest bit or byte up); pfDevice
// stands for the display's depth, which is 32 bits here.
enum class TBMPPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// Bits per pixel of a layout (pf15bit: 16; pfCustom: 0, no pixels).
int BMPPixelBits(TBMPPixelFormat format);

class TEngineBitmap {
public:
    TEngineBitmap() = default;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    TBMPPixelFormat PixelFormat() const { return FPixelFormat; }
    int BitsPerPixel() const { return BMPPixelBits(FPixelFormat); }
    // Bytes per row: width x bits rounded up to 32 bits.
    int RowSize() const;

    // Resizing or changing the layout keeps nothing of the old pixels; the
    // new ones are zero. Negative sizes count as 0.
    void SetSize(int width, int height);
    void SetPixelFormat(TBMPPixelFormat format);

    // All rows, bottom row first; null for an empty bitmap.
    uint8_t* Bits() { return FBits.empty() ? nullptr : FBits.data(); }
    const uint8_t* Bits() const { return FBits.empty() ? nullptr : FBits.data(); }
    // Row y counted from the top; y must be within 0..Height()-1.
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;

private:
    void Allocate();

    int FWidth = 0;
    int FHeight = 0;
    TBMPPixelFormat FPixelFormat = TBMPPixelFormat::pf24bit;
    std::vector<uint8_t> FBits;
};

}  // namespace vidrelo
