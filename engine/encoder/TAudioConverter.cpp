#include "engine/encoder/TAudioConverter.h"

#include "engine/StringFormat.h"
#include "engine/encoder/AudioVolume.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <algorithm>
#include <vector>

namespace vidrelo {
namespace {

constexpr AVRational Microseconds{1, 1000000};
// Silence is written to the FIFO in pieces of at most this many samples, so
// a large pad does not grow the work buffer.
constexpr int SilenceChunk = 4096;
// The resampler's filter: 16 taps, 1024 phases (2^10), cut-off at 0.8 of
// the lower Nyquist frequency.
constexpr int FilterTaps = 16;
constexpr int PhaseShift = 10;
constexpr const char* FilterCutoff = "0.8";
// Sync: drifts under 50 samples are left alone; beyond the drift threshold
// samples are padded or dropped instead of stretching the rate.
constexpr double MinCompensationSamples = 50;

// An owned copy of a channel layout; decoders may leave the channel order
// unspecified, which the resampler and the comparisons read as the default
// layout of that many channels.
int CopyLayout(AVChannelLayout& to, const AVChannelLayout& from, bool normalise)
{
    ff::av_channel_layout_uninit(&to);
    if (normalise && from.order == AV_CHANNEL_ORDER_UNSPEC) {
        ff::av_channel_layout_default(&to, from.nb_channels);
        return 0;
    }
    return ff::av_channel_layout_copy(&to, &from);
}

std::string CheckFormat(const char* side, int rate, AVSampleFormat format, const AVChannelLayout& layout)
{
    if (rate <= 0)
        return Format("Invalid %s sample rate %d", side, rate);
    if (format <= AV_SAMPLE_FMT_NONE || format >= AV_SAMPLE_FMT_NB)
        return Format("Invalid %s sample format %d", side, static_cast<int>(format));
    if (layout.nb_channels <= 0)
        return Format("Invalid %s channel layout (%d channels)", side, layout.nb_channels);
    return {};
}

std::string CheckSetup(const TAudioConverterSetup& setup)
{
    std::string error = CheckFormat("input", setup.InSampleRate, setup.InSampleFmt, setup.InLayout);
    if (error.empty())
        error = CheckFormat("output", setup.OutSampleRate, setup.OutSampleFmt, setup.OutLayout);
    if (error.empty() && setup.FrameSize < 0)
        error = Format("Invalid audio frame size %d", setup.FrameSize);
    if (error.empty() && setup.Volume < 0)
        error = Format("Invalid audio volume %d", setup.Volume);
    return error;
}

}  // namespace

struct TAudioConverter::TImpl {
    // The setup as configured, its layouts owned; the In* fields follow the
    // input as it changes.
    TAudioConverterSetup Setup;
    bool Configured = false;
    SwrContext* Resampler = nullptr;  // null: input and output formats are equal
    AVAudioFifo* Fifo = nullptr;
    AVFrame* Work = nullptr;          // resampler output and silence, grown only
    std::vector<void*> Planes;        // data pointers moved past dropped samples
    bool Started = false;             // a frame came since Configure or Reset
    bool Flushed = false;
    int64_t NextPts = 0;              // pts of the first sample in the FIFO
    int64_t Pending = 0;              // Compensate's silence (+) or drop (-)
    std::string Error;

    ~TImpl() { Release(); }
    void Release();
    int Fail(int code, std::string text);

    std::string Open(const TAudioConverterSetup& setup);
    bool NeedsResampler() const;
    std::string OpenResampler();
    void SetResamplerOptions();
    int ChangeInput(const AVFrame& frame);
    bool InputDiffers(const AVFrame& frame) const;

    int EnsureWork(int samples);
    int WriteFifo(void** data, int samples, int skip);
    int WriteSilence(int64_t samples);
    int Convert(const AVFrame& frame, int drop);
    int Drain();
    void Start(const AVFrame& frame, int64_t silence, int dropped);
    int TakeFrom(AVFrame* frame, int samples);
};

// The libraries may already be gone when a job is torn down after an
// unload; nothing they made can be alive then.
void TAudioConverter::TImpl::Release()
{
    if (!ff::av_frame_free)
        return;
    ff::swr_free(&Resampler);
    if (Fifo)
        ff::av_audio_fifo_free(Fifo);
    Fifo = nullptr;
    ff::av_frame_free(&Work);
    ff::av_channel_layout_uninit(&Setup.InLayout);
    ff::av_channel_layout_uninit(&Setup.OutLayout);
    Configured = false;
}

int TAudioConverter::TImpl::Fail(int code, std::string text)
{
    Error = std::move(text);
    return code;
}

std::string TAudioConverter::TImpl::Open(const TAudioConverterSetup& setup)
{
    Setup.InSampleRate = setup.InSampleRate;
    Setup.InSampleFmt = setup.InSampleFmt;
    Setup.OutSampleRate = setup.OutSampleRate;
    Setup.OutSampleFmt = setup.OutSampleFmt;
    Setup.FrameSize = setup.FrameSize;
    Setup.Volume = setup.Volume;
    Setup.SyncMethod = setup.SyncMethod;
    Setup.DriftThreshold = setup.DriftThreshold;
    if (CopyLayout(Setup.InLayout, setup.InLayout, false) < 0 || CopyLayout(Setup.OutLayout, setup.OutLayout, true) < 0)
        return "Out of memory for the audio channel layouts";
    Fifo = ff::av_audio_fifo_alloc(Setup.OutSampleFmt, Setup.OutLayout.nb_channels, std::max(Setup.FrameSize, 1024));
    Work = ff::av_frame_alloc();
    if (!Fifo || !Work)
        return "av_fifo_alloc fail";
    const bool planar = ff::av_get_packed_sample_fmt(Setup.OutSampleFmt) != Setup.OutSampleFmt;
    Planes.assign(planar ? Setup.OutLayout.nb_channels : 1, nullptr);
    return OpenResampler();
}

bool TAudioConverter::TImpl::NeedsResampler() const
{
    if (Setup.SyncMethod > 1 || Setup.InSampleRate != Setup.OutSampleRate || Setup.InSampleFmt != Setup.OutSampleFmt)
        return true;
    AVChannelLayout in{};
    if (CopyLayout(in, Setup.InLayout, true) < 0)
        return true;
    const bool differs = ff::av_channel_layout_compare(&in, &Setup.OutLayout) != 0;
    ff::av_channel_layout_uninit(&in);
    return differs;
}

std::string TAudioConverter::TImpl::OpenResampler()
{
    ff::swr_free(&Resampler);
    if (!NeedsResampler())
        return {};
    AVChannelLayout in{};
    int code = CopyLayout(in, Setup.InLayout, true);
    if (code >= 0)
        code = ff::swr_alloc_set_opts2(&Resampler, &Setup.OutLayout, Setup.OutSampleFmt, Setup.OutSampleRate, &in,
                                       Setup.InSampleFmt, Setup.InSampleRate, 0, nullptr);
    ff::av_channel_layout_uninit(&in);
    if (code >= 0) {
        SetResamplerOptions();
        code = ff::swr_init(Resampler);
    }
    if (code >= 0)
        return {};
    ff::swr_free(&Resampler);
    return Format("Can not resample %d channels @ %d Hz to %d channels @ %d Hz", Setup.InLayout.nb_channels,
                  Setup.InSampleRate, Setup.OutLayout.nb_channels, Setup.OutSampleRate);
}

void TAudioConverter::TImpl::SetResamplerOptions()
{
    ff::av_opt_set_int(Resampler, "filter_size", FilterTaps, 0);
    ff::av_opt_set_int(Resampler, "phase_shift", PhaseShift, 0);
    ff::av_opt_set(Resampler, "cutoff", FilterCutoff, 0);
    if (Setup.SyncMethod <= 1)
        return;
    ff::av_opt_set_int(Resampler, "async", Setup.SyncMethod, 0);
    ff::av_opt_set_double(Resampler, "min_comp", MinCompensationSamples / Setup.OutSampleRate, 0);
    ff::av_opt_set_double(Resampler, "min_hard_comp", Setup.DriftThreshold, 0);
}

bool TAudioConverter::TImpl::InputDiffers(const AVFrame& frame) const
{
    return frame.format != Setup.InSampleFmt || frame.sample_rate != Setup.InSampleRate ||
           ff::av_channel_layout_compare(&frame.ch_layout, &Setup.InLayout) != 0;
}

// The samples still in the old resampler belong before the new input's.
// When the new input cannot be converted, the input side is left unset, so
// every further frame fails the same way instead of passing unconverted.
int TAudioConverter::TImpl::ChangeInput(const AVFrame& frame)
{
    const int drained = Drain();
    if (drained < 0)
        return drained;
    Setup.InSampleFmt = static_cast<AVSampleFormat>(frame.format);
    Setup.InSampleRate = frame.sample_rate;
    std::string error;
    if (CopyLayout(Setup.InLayout, frame.ch_layout, false) < 0)
        error = "Out of memory for the audio channel layout";
    if (error.empty())
        error = OpenResampler();
    if (error.empty())
        return 0;
    Setup.InSampleFmt = AV_SAMPLE_FMT_NONE;
    return Fail(AVERROR(EINVAL), error);
}

int TAudioConverter::TImpl::EnsureWork(int samples)
{
    if (Work->nb_samples >= samples && Work->buf[0])
        return 0;
    ff::av_frame_unref(Work);
    Work->format = Setup.OutSampleFmt;
    Work->sample_rate = Setup.OutSampleRate;
    Work->nb_samples = samples;
    int code = ff::av_channel_layout_copy(&Work->ch_layout, &Setup.OutLayout);
    if (code >= 0)
        code = ff::av_frame_get_buffer(Work, 0);
    return code < 0 ? Fail(code, MediaErrorText("Cannot allocate the audio work buffer", code)) : 0;
}

// Writes data[skip..samples) of output-format samples to the FIFO.
int TAudioConverter::TImpl::WriteFifo(void** data, int samples, int skip)
{
    if (samples <= skip)
        return 0;
    const int interleaved = Planes.size() > 1 ? 1 : Setup.OutLayout.nb_channels;
    const int step = ff::av_get_bytes_per_sample(Setup.OutSampleFmt) * interleaved;
    for (size_t p = 0; p < Planes.size(); ++p)
        Planes[p] = static_cast<uint8_t*>(data[p]) + static_cast<ptrdiff_t>(skip) * step;
    const int written = ff::av_audio_fifo_write(Fifo, Planes.data(), samples - skip);
    return written < 0 ? Fail(written, MediaErrorText("av_fifo_realloc2() failed", written)) : 0;
}

int TAudioConverter::TImpl::WriteSilence(int64_t samples)
{
    while (samples > 0) {
        const int chunk = static_cast<int>(std::min<int64_t>(samples, SilenceChunk));
        int code = EnsureWork(chunk);
        if (code >= 0)
            code = ff::av_samples_set_silence(Work->extended_data, 0, chunk, Setup.OutLayout.nb_channels,
                                              Setup.OutSampleFmt);
        if (code >= 0)
            code = WriteFifo(reinterpret_cast<void**>(Work->extended_data), chunk, 0);
        if (code < 0)
            return code;
        samples -= chunk;
    }
    return 0;
}

// Converts one frame into the FIFO, less its first `drop` output samples;
// returns how many were dropped, or a negative code.
int TAudioConverter::TImpl::Convert(const AVFrame& frame, int drop)
{
    void** input = reinterpret_cast<void**>(frame.extended_data);
    if (!Resampler) {
        const int code = WriteFifo(input, frame.nb_samples, drop);
        return code < 0 ? code : std::min(drop, frame.nb_samples);
    }
    if (Setup.SyncMethod > 1 && frame.pts != AV_NOPTS_VALUE)
        ff::swr_next_pts(Resampler, ff::av_rescale(frame.pts, int64_t(Setup.InSampleRate) * Setup.OutSampleRate,
                                                   Microseconds.den));
    const int bound = ff::swr_get_out_samples(Resampler, frame.nb_samples);
    int code = bound < 0 ? Fail(bound, MediaErrorText("av_audio_convert() failed", bound)) : EnsureWork(bound);
    if (code < 0)
        return code;
    const int made = ff::swr_convert(Resampler, Work->extended_data, Work->nb_samples,
                                     const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    if (made < 0)
        return Fail(made, MediaErrorText("av_audio_convert() failed", made));
    code = WriteFifo(reinterpret_cast<void**>(Work->extended_data), made, drop);
    return code < 0 ? code : std::min(drop, made);
}

// Moves what the resampler still holds (its filter delay) into the FIFO.
int TAudioConverter::TImpl::Drain()
{
    while (Resampler) {
        const int bound = ff::swr_get_out_samples(Resampler, 0);
        if (bound <= 0)
            return bound < 0 ? Fail(bound, MediaErrorText("av_audio_convert() failed", bound)) : 0;
        int code = EnsureWork(bound);
        if (code < 0)
            return code;
        const int made = ff::swr_convert(Resampler, Work->extended_data, Work->nb_samples, nullptr, 0);
        if (made < 0)
            return Fail(made, MediaErrorText("av_audio_convert() failed", made));
        if (made == 0)
            return 0;
        if ((code = WriteFifo(reinterpret_cast<void**>(Work->extended_data), made, 0)) < 0)
            return code;
    }
    return 0;
}

// The first frame's first kept sample has the time its pts says; silence
// inserted before it comes earlier, dropped samples move it later.
void TAudioConverter::TImpl::Start(const AVFrame& frame, int64_t silence, int dropped)
{
    const int64_t base =
        frame.pts == AV_NOPTS_VALUE ? 0 : ff::av_rescale_q(frame.pts, Microseconds, AVRational{1, Setup.OutSampleRate});
    NextPts = base - silence + dropped;
    Started = true;
}

int TAudioConverter::TImpl::TakeFrom(AVFrame* frame, int samples)
{
    frame->format = Setup.OutSampleFmt;
    frame->sample_rate = Setup.OutSampleRate;
    frame->nb_samples = samples;
    int code = ff::av_channel_layout_copy(&frame->ch_layout, &Setup.OutLayout);
    if (code >= 0)
        code = ff::av_frame_get_buffer(frame, 0);
    if (code >= 0)
        code = ff::av_audio_fifo_read(Fifo, reinterpret_cast<void**>(frame->extended_data), samples);
    if (code < 0) {
        ff::av_frame_unref(frame);
        return Fail(code, MediaErrorText("Cannot make the audio frame", code));
    }
    ApplyAudioVolume(frame, Setup.Volume);
    frame->pts = NextPts;
    frame->time_base = AVRational{1, Setup.OutSampleRate};
    NextPts += samples;
    return 0;
}

TAudioConverter::TAudioConverter() : FImpl(std::make_unique<TImpl>()) {}

TAudioConverter::~TAudioConverter() = default;

bool TAudioConverter::Configure(const TAudioConverterSetup& setup, std::string& error)
{
    FImpl->Release();
    FImpl->Started = FImpl->Flushed = false;
    FImpl->Pending = 0;
    error = CheckSetup(setup);
    if (error.empty())
        error = FImpl->Open(setup);
    if (!error.empty()) {
        FImpl->Release();
        return false;
    }
    FImpl->Configured = true;
    return true;
}

int TAudioConverter::Push(const AVFrame* frame)
{
    TImpl& d = *FImpl;
    if (!d.Configured)
        return d.Fail(AVERROR(EINVAL), "The audio converter is not configured");
    if (d.Flushed)
        return d.Fail(AVERROR_EOF, "Audio pushed after the end of the stream");
    if (!frame) {
        d.Flushed = true;
        return d.Drain();
    }
    const auto format = static_cast<AVSampleFormat>(frame->format);
    std::string error = CheckFormat("decoded audio", frame->sample_rate, format, frame->ch_layout);
    if (error.empty() && frame->nb_samples < 0)
        error = Format("Invalid decoded audio frame of %d samples", frame->nb_samples);
    if (!error.empty())
        return d.Fail(AVERROR(EINVAL), error);
    int code = d.InputDiffers(*frame) ? d.ChangeInput(*frame) : 0;
    const int64_t silence = std::max<int64_t>(d.Pending, 0);
    const int drop = static_cast<int>(std::clamp<int64_t>(-d.Pending, 0, INT32_MAX));
    d.Pending = 0;
    if (code >= 0)
        code = d.WriteSilence(silence);
    const int dropped = code >= 0 ? d.Convert(*frame, drop) : code;
    if (dropped < 0)
        return dropped;
    if (!d.Started)
        d.Start(*frame, silence, dropped);
    return 0;
}

void TAudioConverter::Compensate(int samples)
{
    FImpl->Pending += samples;
}

int TAudioConverter::Pull(AVFrame* frame)
{
    TImpl& d = *FImpl;
    if (!frame)
        return d.Fail(AVERROR(EINVAL), "No frame to fill");
    ff::av_frame_unref(frame);
    if (!d.Configured)
        return d.Fail(AVERROR(EINVAL), "The audio converter is not configured");
    const int available = ff::av_audio_fifo_size(d.Fifo);
    int samples = d.Setup.FrameSize > 0 && available >= d.Setup.FrameSize ? d.Setup.FrameSize : 0;
    if (samples == 0 && (d.Flushed || d.Setup.FrameSize == 0))
        samples = available;
    if (samples == 0)
        return d.Flushed ? AVERROR_EOF : AVERROR(EAGAIN);
    return d.TakeFrom(frame, samples);
}

void TAudioConverter::Reset()
{
    TImpl& d = *FImpl;
    d.Started = d.Flushed = false;
    d.Pending = 0;
    if (!d.Configured)
        return;
    ff::av_audio_fifo_reset(d.Fifo);
    ff::swr_free(&d.Resampler);
    if (d.Setup.InSampleFmt == AV_SAMPLE_FMT_NONE)
        return;  // an input that could not be converted: the next frame tries again
    const std::string error = d.OpenResampler();
    if (!error.empty()) {
        d.Error = error;
        d.Configured = false;
    }
}

int64_t TAudioConverter::NextInputPts() const
{
    const TImpl& d = *FImpl;
    if (!d.Configured || !d.Started)
        return AV_NOPTS_VALUE;
    const int64_t delayed = d.Resampler ? ff::swr_get_delay(d.Resampler, d.Setup.OutSampleRate) : 0;
    return d.NextPts + ff::av_audio_fifo_size(d.Fifo) + delayed;
}

const std::string& TAudioConverter::LastError() const
{
    return FImpl->Error;
}

}  // namespace vidrelo
