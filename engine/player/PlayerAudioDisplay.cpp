// The picture of a source without video: its waveform, or its spectrum
// scrolling by one column per refresh, drawn into an RGB32 picture that is
// presented like a video picture.
#include "engine/player/PictureFit.h"
#include "engine/player/PlayerImpl.h"
#include "engine/player/PlayerSpectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vidrelo {
namespace {

constexpr uint32_t Black = 0xff000000u;
constexpr uint32_t White = 0xffffffffu;

}  // namespace

void TCustomPlayer::TImpl::DrawWaveform(TVideoState& s, int width, int height, std::vector<uint32_t>& pixels)
{
    const int channels = std::max(1, s.AudioChannels);
    const int band = height / channels;
    std::lock_guard lock(s.SampleLock);
    const size_t n = s.sample_array.size();
    for (int ch = 0; ch < channels && n; ++ch) {
        const int mid = ch * band + band / 2;
        for (int x = 0; x < width; ++x) {
            // The last `width` samples of this channel, oldest on the left.
            const size_t back = size_t(width - x) * channels - ch;
            const int16_t v = s.sample_array[(s.sample_array_index + n - back % n) % n];
            const int h = v * (band / 2) / 32768;
            for (int y = std::max(0, std::min(mid, mid - h)); y <= std::min(height - 1, std::max(mid, mid - h)); ++y)
                pixels[size_t(y) * width + x] = White;
        }
    }
}

void TCustomPlayer::TImpl::DrawSpectrum(TVideoState& s, int width, int height, std::vector<uint32_t>& pixels)
{
    if (!s.Spectrum)
        s.Spectrum = std::make_unique<TSpectrum>();
    if (s.LastShowAudio != 2 || s.Spectrum->Width() != width || s.Spectrum->Height() != height)
        s.Spectrum->Resize(width, height);
    {
        std::lock_guard lock(s.SampleLock);
        s.Spectrum->AddColumn(s.sample_array, s.sample_array_index, std::max(1, s.AudioChannels));
    }
    pixels = s.Spectrum->Pixels();
}

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
    auto pixels = std::make_shared<std::vector<uint32_t>>(size_t(width) * height, Black);
    const int shown = s.show_audio;
    if (shown == 2)
        DrawSpectrum(s, width, height, *pixels);
    else
        DrawWaveform(s, width, height, *pixels);
    s.LastShowAudio = shown;
    auto picture = std::make_shared<TSurfacePicture>();
    picture->Width = width;
    picture->Height = height;
    picture->Stride = width * 4;
    picture->Data = reinterpret_cast<const uint8_t*>(pixels->data());
    picture->PTS = std::llround(AudioClock(s) * 1000000) - s.StartTime;
    picture->MasterPTS = picture->PTS;
    picture->Target = {0, 0, width, height};
    picture->Keep = pixels;
    Surface->Present(std::move(picture));
}

}  // namespace vidrelo
