// Opening a job's inputs.
#include "engine/CLocale.h"
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/MediaURL.h"
#include "engine/loader/TOpenedInput.h"
#include "engine/loader/TSourceInput.h"

#include <algorithm>
#include <cerrno>
#include <new>

namespace vidrelo {
namespace {

// How far before a start time an input is sought: more than the longest
// group of pictures a DVD allows (36 fields).
constexpr int64_t kSeekMargin = 1000000;  // microseconds

double ToDouble(AVRational q)
{
    return q.den ? static_cast<double>(q.num) / q.den : 0.0;
}

bool SameRate(AVRational a, AVRational b)
{
    return static_cast<int64_t>(a.num) * b.den == static_cast<int64_t>(b.num) * a.den;
}

void FreeDecoders(TInputFileSetup& setup)
{
    for (TInputStreamSetup& stream : setup.Streams)
        ff::avcodec_free_context(&stream.Decoder);
    setup.Streams.clear();
}

}  // namespace

bool TCustomFFmpeg::OpenInput(const std::string& AFileName)
{
    const TCLocaleScope numbers;
    FLastErrMsg.clear();
    if (nb_input_files() >= FMaxFiles) {
        FLastErrMsg = Format("Too many input files (at most %d)", FMaxFiles);
        return false;
    }
    if (IsOneOfTheOutputs(AFileName)) {
        FLastErrMsg = Format("Cannot read '%s': it is one of the outputs", AFileName.c_str());
        return false;
    }
    const AVInputFormat* format = ForcedInputFormat();
    TInputFileSetup setup;
    setup.FileName = AFileName;
    if (!FindForcedDecoders(setup.ForcedDecoders))
        return false;
    TOpenedInput input;
    try {
        if (!OpenInputFile(input, AFileName, format, setup))
            return false;
        setup.LoopInput = FOpt.Floop_input;
        const int64_t startTime = SeekInput(input.Context(), AFileName);
        if (FInterrupted)
            return FailInput(input, AFileName + ": " + InterruptText());
        if (!PrepareInputStreams(input.Context(), setup)) {
            FreeDecoders(setup);
            return FailInput(input, "invalid codec_type");
        }
        AppendInput(input.Release(), std::move(setup), startTime);
        return true;
    } catch (...) {
        FreeDecoders(setup);
        throw;
    }
}

const AVInputFormat* TCustomFFmpeg::ForcedInputFormat()
{
    if (FOpt.Flast_asked_format.empty())
        return nullptr;
    const std::string name = std::move(FOpt.Flast_asked_format);
    FOpt.Flast_asked_format.clear();
    const AVInputFormat* format = ff::av_find_input_format(name.c_str());
    if (!format)
        throw FFmpegException(Format("Unknown input format: \"%s\"", name.c_str()));
    return format;
}

bool TCustomFFmpeg::FindForcedDecoders(std::array<const AVCodec*, 3>& ADecoders)
{
    const std::string* names[] = {&FOpt.Fvideo_codec_name, &FOpt.Faudio_codec_name, &FOpt.Fsubtitle_codec_name};
    const AVMediaType types[] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE};
    try {
        for (int i = 0; i < 3; ++i)
            ADecoders[i] = names[i]->empty() ? nullptr : FindCodec(*names[i], types[i], false);
    } catch (const FFmpegException& e) {
        FLastErrMsg = e.what();
        return false;
    }
    return true;
}

void TCustomFFmpeg::SetInputParameters(const AVInputFormat* AFormat, AVDictionary** AOptions) const
{
    // Sizes, rates and capture settings only mean something to a demuxer
    // that asks for them (raw audio and video, capture devices), and only
    // a forced demuxer is known before the file is opened.
    if (!AFormat || !AFormat->priv_class)
        return;
    const AVClass* cls = AFormat->priv_class;
    const auto set = [&](const char* key, const std::string& value) {
        if (!value.empty() && ff::av_opt_find(&cls, key, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ))
            ff::av_dict_set(AOptions, key, value.c_str(), 0);
    };
    set("sample_rate", FOpt.Faudio_sample_rate > 0 ? std::to_string(FOpt.Faudio_sample_rate) : "");
    set("channels", FOpt.Faudio_channels > 0 ? std::to_string(FOpt.Faudio_channels) : "");
    set("framerate", FOpt.Fframe_rate.num > 0 && FOpt.Fframe_rate.den > 0
                         ? Format("%d/%d", FOpt.Fframe_rate.num, FOpt.Fframe_rate.den)
                         : "");
    set("video_size", FOpt.Fframe_width > 0 && FOpt.Fframe_height > 0 ? Format("%dx%d", FOpt.Fframe_width, FOpt.Fframe_height) : "");
    set("pixel_format", FOpt.Fframe_pix_fmt != AV_PIX_FMT_NONE ? ff::av_get_pix_fmt_name(FOpt.Fframe_pix_fmt) : "");
    set("channel", FOpt.Fvideo_channel ? std::to_string(FOpt.Fvideo_channel) : "");
    set("standard", FOpt.Fvideo_standard);
}

bool TCustomFFmpeg::OpenInputFile(TOpenedInput& AInput, const std::string& AFileName, const AVInputFormat* AFormat,
                                  TInputFileSetup& ASetup)
{
    AVDictionary* options = Options().InputFormatOptions(AFormat);
    SetInputParameters(AFormat, &options);
    TOpenSteps steps;
    steps.Format = AFormat;
    steps.Interrupts = &FServices.Interrupts;
    steps.Options = &options;
    steps.BeforeOpen = [&](AVFormatContext* AContext) {
        Options().ApplyToFormat(AContext, false);
        const AVMediaType types[] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE};
        AVCodecID* ids[] = {&AContext->video_codec_id, &AContext->audio_codec_id, &AContext->subtitle_codec_id};
        for (int i = 0; i < 3; ++i)
            if (ASetup.ForcedDecoders[i] && ASetup.ForcedDecoders[i]->type == types[i])
                *ids[i] = ASetup.ForcedDecoders[i]->id;
    };
    steps.BeforeProbe = [&](AVFormatContext* AContext) -> std::string {
        if (FOpt.Fopt_programid != 0 && !KeepProgram(AContext))
            return "Specified program id not found";
        if (OnBeforeFindStreamInfo)
            OnBeforeFindStreamInfo(this, AContext);
        return {};
    };
    steps.Blocking = [this](bool AConnecting, const std::function<void()>& AStep) {
        TBlockingIO io(*this, AConnecting ? TIOPhase::Connecting : TIOPhase::Reading);
        AStep();
    };
    const std::string error = AInput.Open(AFileName, steps);
    ff::av_dict_free(&options);
    ASetup.FromSource = AInput.FromSource();
    ASetup.Hints = AInput.Hints();
    // The libraries count a read they gave up on as the end of the input,
    // so a timeout can come back as success.
    if (FInterrupted)
        return FailInput(AInput, AFileName + ": " + InterruptText());
    if (error.empty())
        return true;
    if (AInput.FailedAt() != TOpenedInput::TStep::Probe)
        return FailInput(AInput, error);
    if (FOpt.Fverbose < 0) {
        // Quiet: the streams the probe did find are used as they are.
        if (ASetup.FromSource)
            AddHintedStreams(AInput.Context(), ASetup.Hints);
        return true;
    }
    const std::string message = Format("%s: could not find codec parameters", AFileName.c_str());
    Log(llVerbose, message);
    return FailInput(AInput, message);
}

bool TCustomFFmpeg::KeepProgram(AVFormatContext* AContext)
{
    const int programId = FOpt.Fopt_programid;
    FOpt.Fopt_programid = 0;
    for (unsigned i = 0; i < AContext->nb_streams; ++i)
        AContext->streams[i]->discard = AVDISCARD_ALL;
    bool found = false;
    for (unsigned p = 0; p < AContext->nb_programs; ++p) {
        const AVProgram* program = AContext->programs[p];
        if (program->id != programId)
            continue;
        found = true;
        for (unsigned k = 0; k < program->nb_stream_indexes; ++k)
            AContext->streams[program->stream_index[k]]->discard = AVDISCARD_DEFAULT;
    }
    return found;
}

int64_t TCustomFFmpeg::SeekInput(AVFormatContext* AContext, const std::string& AFileName)
{
    int64_t timestamp = FOpt.Fstart_time;
    if (AContext->start_time != AV_NOPTS_VALUE)
        timestamp += AContext->start_time;
    if (FOpt.Fstart_time != 0) {
        // A program stream's seek lands on any packet before the time, often
        // inside a group of pictures whose key frame is earlier: decoding
        // would then begin at the next key frame, after the start. Landing
        // a margin earlier puts a key frame before the start; the pictures
        // and sound before it are dropped by their (negative) times.
        const int64_t lowest = AContext->start_time != AV_NOPTS_VALUE ? AContext->start_time : 0;
        const int64_t target = std::max(lowest, timestamp - kSeekMargin);
        int result;
        {
            TBlockingIO io(*this, TIOPhase::Reading);
            result = ff::av_seek_frame(AContext, -1, target, AVSEEK_FLAG_BACKWARD);
        }
        if (result < 0 && FOpt.Fverbose > 0)
            Log(llVerbose, Format("%s: could not seek to position %0.3f", AFileName.c_str(),
                                  static_cast<double>(timestamp) / AV_TIME_BASE));
    }
    FSkippedStart = std::max(FSkippedStart, FOpt.Fstart_time);
    FOpt.Fstart_time = 0;
    return timestamp;
}

bool TCustomFFmpeg::PrepareInputStreams(AVFormatContext* AContext, TInputFileSetup& ASetup)
{
    for (unsigned i = 0; i < AContext->nb_streams; ++i) {
        AVStream* stream = AContext->streams[i];
        const AVMediaType type = stream->codecpar->codec_type;
        if (type < 0 || type >= AVMEDIA_TYPE_NB)
            return false;
        ASetup.Streams.push_back(NewInputStreamSetup(stream, ASetup.ForcedDecoder(type)));
        if (type == AVMEDIA_TYPE_VIDEO) {
            TakeVideoParameters(stream, static_cast<int>(i));
            if (FOpt.Fvideo_disable)
                stream->discard = AVDISCARD_ALL;
            else if (FOpt.Fvideo_discard)
                stream->discard = static_cast<AVDiscard>(FOpt.Fvideo_discard);
        } else if (type == AVMEDIA_TYPE_AUDIO) {
            TakeAudioParameters(stream);
            if (FOpt.Faudio_disable)
                stream->discard = AVDISCARD_ALL;
        } else if (type == AVMEDIA_TYPE_SUBTITLE && FOpt.Fsubtitle_disable) {
            stream->discard = AVDISCARD_ALL;
        }
    }
    return true;
}

TInputStreamSetup TCustomFFmpeg::NewInputStreamSetup(AVStream* AStream, const AVCodec* AForced)
{
    TInputStreamSetup setup;
    setup.ForcedDecoder = AForced;
    const AVMediaType type = AStream->codecpar->codec_type;
    if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_SUBTITLE)
        return setup;
    const AVCodec* codec = AForced ? AForced : ff::avcodec_find_decoder(AStream->codecpar->codec_id);
    AVCodecContext* decoder = ff::avcodec_alloc_context3(codec);
    if (!decoder)
        throw std::bad_alloc();
    ff::avcodec_parameters_to_context(decoder, AStream->codecpar);
    decoder->pkt_timebase = AStream->time_base;
    decoder->thread_count = FOpt.Fthread_count;
    Options().ApplyToCodec(decoder, type, false);
    setup.Decoder = decoder;
    return setup;
}

void TCustomFFmpeg::TakeVideoParameters(const AVStream* AStream, int AIndex)
{
    const AVCodecParameters* par = AStream->codecpar;
    FOpt.Fframe_width = par->width;
    FOpt.Fframe_height = par->height;
    const AVRational sar = AStream->sample_aspect_ratio.num ? AStream->sample_aspect_ratio : par->sample_aspect_ratio;
    FOpt.Fframe_aspect_ratio = par->height ? ToDouble(sar) * par->width / par->height : 4.0 / 3.0;
    FOpt.Fframe_pix_fmt = static_cast<AVPixelFormat>(par->format);
    // The container's rate is what the stream runs at; the probed average
    // is what its codec claims.
    const AVRational container = AStream->r_frame_rate;
    const AVRational codec = AStream->avg_frame_rate;
    if (container.num > 0 && codec.num > 0 && codec.den > 0 && !SameRate(container, codec) && FOpt.Fverbose >= 0)
        Log(llInfo, Format("Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) -> "
                           "%2.2f (%d/%d)",
                           AIndex, ToDouble(codec), codec.num, codec.den, ToDouble(container), container.num,
                           container.den));
    if (container.num > 0 && container.den > 0)
        FOpt.Fframe_rate = container;
    else if (codec.num > 0 && codec.den > 0)
        FOpt.Fframe_rate = codec;
}

void TCustomFFmpeg::TakeAudioParameters(const AVStream* AStream)
{
    // A stream announced by a source but not met by the probe has no
    // parameters yet; it must not wipe out what the job holds.
    const AVCodecParameters* par = AStream->codecpar;
    if (par->ch_layout.nb_channels > 0) {
        FOpt.Faudio_channels = par->ch_layout.nb_channels;
        FOpt.Fchannel_layout = par->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? par->ch_layout.u.mask : 0;
    }
    if (par->sample_rate > 0)
        FOpt.Faudio_sample_rate = par->sample_rate;
    if (par->format >= 0)
        FOpt.Faudio_sample_fmt = static_cast<AVSampleFormat>(par->format);
}

void TCustomFFmpeg::AppendInput(AVFormatContext* AContext, TInputFileSetup ASetup, int64_t AStartTime)
{
    // A source that knows its exact length (a DVD title) is believed over
    // the demuxer's estimate.
    ASetup.Duration = ASetup.FromSource && ASetup.Hints.Duration != NoTime ? ASetup.Hints.Duration
                                                                          : AContext->duration;
    if (ASetup.Duration != AV_NOPTS_VALUE && ASetup.Duration > FTotalOutputDuration)
        FTotalOutputDuration = ASetup.Duration;
    if (FOpt.Fverbose >= 0)
        ff::av_dump_format(AContext, nb_input_files(), ASetup.FileName.c_str(), 0);
    FInputs.Add(AContext, std::move(ASetup), FOpt.Finput_ts_offset - (FOpt.Fcopy_ts ? 0 : AStartTime));
    FOpt.Fvideo_channel = 0;
    FOpt.Fvideo_codec_name.clear();
    FOpt.Faudio_codec_name.clear();
    FOpt.Fsubtitle_codec_name.clear();
}

bool TCustomFFmpeg::FailInput(TOpenedInput& AInput, const std::string& AMessage)
{
    // A damaged source's losses are often why nothing in it could be used.
    const std::string problems = SourceInputProblems(AInput.Context());
    FLastErrMsg = problems.empty() ? AMessage : AMessage + " (" + problems + ")";
    return false;
}

}  // namespace vidrelo
