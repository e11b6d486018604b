// The picture of a source without video: its waveform (or, for the
// spectrum setting, the same bands drawn as bars of the samples' level),
// drawn into an RGB32 picture that is presented like a video picture.
#include "engine/player/PictureFit.h"
#include "engine/player/PlayerImpl.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vidrelo {
namespace {

constexpr uint32_t Black = 0xff000000u;
constexpr uint32_t White = 0xffffffffu;

struct TRGB32Picture {
    int Width, Height;
    std::vector<uint32_t> Pixels;
};

}  // namespace

void TCustomPlayer::TImpl::ShowAudioPicture(TVideoState& s)
{
    if (!Surface)
        return;
    int width = DisplayWidth, height = DisplayHeight;
    if (width <= 0 || height <= 0)
        Surface->SurfaceSize(width, height);
    if (width <= 0 || height <= 0) {
        width = 640;
        height = 480;
    }
    auto pixels = std::make_shared<TRGB32Picture>(TRGB32Picture{width, height, std::vector<uint32_t>(size_t(width) * height, Black)});
    const int channels = std::max(1, s.AudioChannels);
    const int band = height / channels;
    {
        std::lock_guard lock(s.SampleLock);
        const size_t n = s.sample_array.size();
        for (int ch = 0; ch < channels && n; ++ch) {
            const int mid = ch * band + band / 2;
            for (int x = 0; x < width; ++x) {
                // The last `width` samples of this channel, oldest on the left.
                const size_t back = size_t(width - x) * channels - ch;
                const int16_t v = s.sample_array[(s.sample_array_index + n - back % n) % n];
                const int h = v * (band / 2) / 32768;
                const int y0 = s.show_audio == 2 ? ch * band + band - std::abs(h) * 2 : std::min(mid, mid - h);
                const int y1 = s.show_audio == 2 ? ch * band + band : std::max(mid, mid - h);
                for (int y = std::max(0, y0); y <= std::min(height - 1, y1); ++y)
                    pixels->Pixels[size_t(y) * width + x] = White;
            }
        }
    }
    auto picture = std::make_shared<TSurfacePicture>();
    picture->Width = width;
    picture->Height = height;
    picture->Stride = width * 4;
    picture->Data = reinterpret_cast<const uint8_t*>(pixels->Pixels.data());
    picture->PTS = std::llround(AudioClock(s) * 1000000) - s.StartTime;
    picture->MasterPTS = picture->PTS;
    picture->Target = {0, 0, width, height};
    picture->Keep = pixels;
    Surface->Present(std::move(picture));
}

}  // namespace vidrelo
