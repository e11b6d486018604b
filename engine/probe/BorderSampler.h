#pragma once
// Single pictures from anywhere in an opened input, as luma planes: what
// border detection looks at. Seeks by bytes where the demuxer's timestamps
// may jump (program and transport streams, DVD titles whose VOBs restart
// their clocks), by time elsewhere, and decodes the first whole picture
// after the landing point.
#include "engine/probe/BorderMeasure.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace vidrelo {

class TBorderSampler {
public:
    // The input stays the caller's and must outlive the sampler.
    explicit TBorderSampler(AVFormatContext* input) : FInput(input) {}
    ~TBorderSampler();
    TBorderSampler(const TBorderSampler&) = delete;
    TBorderSampler& operator=(const TBorderSampler&) = delete;

    // Opens the decoder of the first video stream; false with the reason.
    bool Open(std::string& error);
    // The first picture from `share` (0..1) of the source on; nothing when
    // none could be decoded there or its size differs from the first
    // picture's. The plane lives until the next call.
    std::optional<TLumaPicture> PictureAt(double share);

    // The first decoded picture's size; 0 before one.
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

private:
    bool Seek(double share);
    bool DecodePicture();
    bool ReceivePicture();
    std::optional<TLumaPicture> Luma();
    std::optional<TLumaPicture> ConvertedLuma();

    AVFormatContext* FInput;
    int FStream = -1;
    bool FByBytes = false;
    AVCodecContext* FCodec = nullptr;
    AVFrame* FFrame = nullptr;
    AVFrame* FConverted = nullptr;
    AVPacket* FPacket = nullptr;
    SwsContext* FScaler = nullptr;
    int FWidth = 0;
    int FHeight = 0;
};

}  // namespace vidrelo
