#pragma once
// The decoder the players own and the crop editor reads: TCustomDecoder's
// description of an input, plus the stream a seek would be measured on.
// (Frame decoding, seeking and audio extraction are not part of this
// program: the players and the encoder decode for themselves.)
#include "engine/probe/TCustomDecoder.h"

#include <cstdint>

namespace vidrelo {

class TFFDecoder : public TCustomDecoder {
public:
    explicit TFFDecoder(TFFLoader& ALoader) : TCustomDecoder(ALoader) {}
    ~TFFDecoder() override;

    // The first video stream, else the first audio stream, else -1.
    int SeekStreamIndex() const { return FSeekIndex; }
    // That stream's start time in microseconds, or the input's when there is
    // no such stream; 0 when unknown.
    int64_t SeekStartTime() const { return FStartTime; }

protected:
    void SummaryRefreshed() override;

private:
    int FSeekIndex = -1;
    int64_t FStartTime = 0;
};

}  // namespace vidrelo
