// The audio component: an SDL2 device per playback, decoded and converted
// to signed 16-bit in its callback, corrected towards the master clock,
// then handed to the hook and mixed at the player's volume.
#include "engine/CLocale.h"
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"
#include "engine/player/PlayerImpl.h"
#include <limits>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vidrelo {
namespace {

constexpr int SamplesPerBuffer = 1024;
constexpr int AudioDiffAvgNb = 20;
constexpr double NoSyncThreshold = 10.0;
constexpr int SampleCorrectionPercentMax = 10;
constexpr size_t SampleArraySize = 131072;

}  // namespace

void ApplyPlayerVolume(uint8_t* dst, const uint8_t* src, int len, int volume, bool mute, TMixAudio mix)
{
    if (mute || volume <= 0) {
        std::memset(dst, 0, len);
        return;
    }
    if (volume >= SDL_MIX_MAXVOLUME) {
        std::memcpy(dst, src, len);
        return;
    }
    std::memset(dst, 0, len);
    mix(dst, src, AUDIO_S16SYS, static_cast<uint32_t>(len), volume);
}

bool TCustomPlayer::TImpl::OpenAudio(TVideoState& s, AVCodecContext* codec)
{
    s.AudioChannels = codec->ch_layout.nb_channels == 1 ? 1 : 2;
    s.AudioRate = codec->sample_rate;
    TAudioConverterSetup setup;
    setup.InSampleRate = codec->sample_rate;
    setup.InSampleFmt = codec->sample_fmt;
    setup.InLayout = codec->ch_layout;
    setup.OutSampleRate = codec->sample_rate;
    setup.OutSampleFmt = AV_SAMPLE_FMT_S16;
    ff::av_channel_layout_default(&setup.OutLayout, s.AudioChannels);
    std::string error;
    s.AudioConv = std::make_unique<TAudioConverter>();
    if (!s.AudioConv->Configure(setup, error)) {
        Log(llError, Format("Cannot convert %s sample format to %s sample format",
                            ff::av_get_sample_fmt_name(codec->sample_fmt), "s16"));
        s.AudioConv.reset();
        return false;
    }
    s.audio_diff_avg_coef = std::exp(std::log(0.01) / AudioDiffAvgNb);
    s.audio_diff_threshold = 2.0 * SamplesPerBuffer / s.AudioRate;
    s.AudioBuf.reserve(288000);
    SDL_AudioSpec wanted{}, got{};
    wanted.freq = s.AudioRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<uint8_t>(s.AudioChannels);
    wanted.silence = 0;
    wanted.samples = SamplesPerBuffer;
    wanted.callback = &TImpl::AudioCallback;
    wanted.userdata = &s;
    s.AudioImpl = this;
    s.AudioDevice = SDL.SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, 0);
    if (s.AudioDevice == 0) {
        Log(llError, std::string("SDL_OpenAudio() failed: ") + SDL.SDL_GetError());
        return false;
    }
    s.AudioHwBufSize = got.size;
    SDL.SDL_PauseAudioDevice(s.AudioDevice, 0);
    return true;
}

void TCustomPlayer::TImpl::CloseAudio(TVideoState& s)
{
    if (s.AudioDevice) {
        SDL.SDL_CloseAudioDevice(s.AudioDevice);
        s.AudioDevice = 0;
    }
    s.AudioConv.reset();
}

void TCustomPlayer::TImpl::AudioCallback(void* userdata, uint8_t* stream, int len)
{
    auto& s = *static_cast<TVideoState*>(userdata);
    static_cast<TImpl*>(s.AudioImpl)->FillAudio(s, stream, len);
}

void TCustomPlayer::TImpl::FillAudio(TVideoState& s, uint8_t* stream, int len)
{
    const TCLocaleScope numbers;
    while (len > 0) {
        if (s.AudioBufIndex >= s.AudioBuf.size()) {
            if (DecodeAudioChunk(s) < 0) {
                s.AudioBuf.assign(std::min(len, SamplesPerBuffer), 0);  // silence
            }
            s.AudioBufIndex = 0;
        }
        const int n = std::min<int>(len, int(s.AudioBuf.size() - s.AudioBufIndex));
        ApplyPlayerVolume(stream, s.AudioBuf.data() + s.AudioBufIndex, n, Volume, Muted, SDL.SDL_MixAudioFormat);
        len -= n;
        stream += n;
        s.AudioBufIndex += n;
    }
    s.audio_pending_bytes = int(s.AudioBuf.size() - s.AudioBufIndex);
    // The device plays what it was handed from the moment the callback
    // returns: decoding here (many chunks right after a seek) must not count
    // as played time.
    s.audio_callback_time = NowSeconds();
}

// How many of the chunk's samples come before where the start time or a seek
// asked to land (all of them: the chunk is not played).
int TCustomPlayer::TImpl::SamplesBeforeSeekTarget(TVideoState& s, const AVFrame& frame)
{
    const double target = s.AudioSeekTarget;
    if (std::isnan(target) || frame.pts == AV_NOPTS_VALUE || s.AudioRate <= 0)
        return 0;
    const int64_t before = std::llround(target * s.AudioRate) - frame.pts;
    if (before < frame.nb_samples)
        s.AudioSeekTarget = std::numeric_limits<double>::quiet_NaN();
    return static_cast<int>(std::clamp<int64_t>(before, 0, frame.nb_samples));
}

int TCustomPlayer::TImpl::DecodeAudioChunk(TVideoState& s)
{
    if (s.paused || !s.AudioConv)
        return -1;
    AVFrame* frame = ff::av_frame_alloc();
    int result = -1;
    for (int tries = 0; tries < 64 && result < 0 && !s.audioq.Aborted(); ++tries) {
        if (s.AudioConv->Pull(frame) >= 0) {
            const int skipped = SamplesBeforeSeekTarget(s, *frame);
            if (skipped >= frame->nb_samples) {
                ff::av_frame_unref(frame);
                continue;
            }
            const int bytes = (frame->nb_samples - skipped) * s.AudioChannels * 2;
            const uint8_t* data = frame->data[0] + skipped * s.AudioChannels * 2;
            if (skipped > 0) {
                frame->pts += skipped;
                frame->nb_samples -= skipped;
            }
            if (frame->pts != AV_NOPTS_VALUE)
                s.audio_clock = double(frame->pts) / s.AudioRate;
            s.audio_clock = s.audio_clock + double(frame->nb_samples) / s.AudioRate;
            if (Owner.OnAudioHook && s.Settings.AudioHook)
                Owner.OnAudioHook(Owner, int64_t(std::llround((s.audio_clock - double(frame->nb_samples) / s.AudioRate) * 1000000)) - s.StartTime,
                                  data, bytes, s.AudioRate, s.AudioChannels);
            UpdateSampleDisplay(s, data, bytes);
            const int keep = SynchronizeAudio(s, bytes);
            s.AudioBuf.assign(data, data + std::min(keep, bytes));
            if (keep > bytes) {
                const int frameBytes = 2 * s.AudioChannels;
                for (int extra = bytes; extra < keep; extra += frameBytes)
                    s.AudioBuf.insert(s.AudioBuf.end(), data + bytes - frameBytes, data + bytes);
            }
            result = static_cast<int>(s.AudioBuf.size());
            break;
        }
        AVPacket* packet = nullptr;
        if (!s.audioq.Get(packet, false))
            break;
        if (IsFlushPacket(packet)) {
            ff::avcodec_flush_buffers(s.AudioCodec);
            s.AudioConv->Reset();
            s.AudioSeekTarget = s.PendingAudioSeekTarget.exchange(std::numeric_limits<double>::quiet_NaN());
        } else if (ff::avcodec_send_packet(s.AudioCodec, packet) >= 0) {
            AVFrame* decoded = ff::av_frame_alloc();
            while (ff::avcodec_receive_frame(s.AudioCodec, decoded) >= 0) {
                if (decoded->pts != AV_NOPTS_VALUE)
                    decoded->pts = ff::av_rescale_q(decoded->pts, s.audio_st->time_base, {1, 1000000});
                if (s.AudioConv->Push(decoded) < 0)
                    Log(llError, "av_audio_convert() failed");
                ff::av_frame_unref(decoded);
            }
            ff::av_frame_free(&decoded);
        } else {
            Log(llInfo, "avcodec_decode_audio2() failed");
        }
        ff::av_packet_free(&packet);
    }
    ff::av_frame_free(&frame);
    return result;
}

int TCustomPlayer::TImpl::SynchronizeAudio(TVideoState& s, int bytes)
{
    if (s.Settings.SyncType == Tav_sync_type::AV_SYNC_AUDIO_MASTER || s.video_stream < 0)
        return bytes;
    const double diff = AudioClock(s) - MasterClock(s);
    if (std::fabs(diff) >= NoSyncThreshold) {
        s.audio_diff_avg_count = 0;
        s.audio_diff_cum = 0;
        return bytes;
    }
    s.audio_diff_cum = diff + s.audio_diff_avg_coef * s.audio_diff_cum;
    if (s.audio_diff_avg_count < AudioDiffAvgNb) {
        ++s.audio_diff_avg_count;
        return bytes;
    }
    const double avg = s.audio_diff_cum * (1.0 - s.audio_diff_avg_coef);
    if (std::fabs(avg) < s.audio_diff_threshold)
        return bytes;
    const int frameBytes = 2 * s.AudioChannels;
    int wanted = bytes + int(diff * s.AudioRate) * frameBytes;
    const int minSize = bytes * (100 - SampleCorrectionPercentMax) / 100;
    const int maxSize = bytes * (100 + SampleCorrectionPercentMax) / 100;
    wanted = std::clamp(wanted, minSize, maxSize);
    return wanted / frameBytes * frameBytes;
}

void TCustomPlayer::TImpl::UpdateSampleDisplay(TVideoState& s, const uint8_t* samples, int size)
{
    if (s.show_audio == 0)
        return;
    std::lock_guard lock(s.SampleLock);
    if (s.sample_array.size() != SampleArraySize)
        s.sample_array.assign(SampleArraySize, 0);
    const auto* in = reinterpret_cast<const int16_t*>(samples);
    for (int i = 0; i < size / 2; ++i) {
        s.sample_array[s.sample_array_index] = in[i];
        s.sample_array_index = (s.sample_array_index + 1) % SampleArraySize;
    }
}

}  // namespace vidrelo
