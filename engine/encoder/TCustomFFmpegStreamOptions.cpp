// The video, audio and subtitle options of a job, and presets.
#include "engine/ProgramPaths.h"
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/encoder/TFFPresets.h"
#include "engine/encoder/TOptionVocabulary.h"
#include "engine/encoder/TextUtils.h"
#include "engine/loader/AVBindings.h"
#include "engine/log/TFFLogger.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace vidrelo {
namespace {

std::string TimeOfDay()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[8];
    std::strftime(text, sizeof text, "%H%M%S", &local);
    return text;
}

// "16:9" or "1.7777": the display aspect, 0 when it cannot be read.
double ParseAspect(const std::string& value)
{
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos)
        return std::strtod(value.c_str(), nullptr);
    char* end = nullptr;
    const long x = std::strtol(value.c_str(), &end, 10);
    if (end != value.c_str() + colon)
        return 0;
    const long y = std::strtol(end + 1, nullptr, 10);
    return x > 0 && y > 0 ? static_cast<double>(x) / static_cast<double>(y) : 0;
}

}  // namespace

// --- video -------------------------------------------------------------------

void TOptionVocabulary::BitRate(TCustomFFmpeg& job, const std::string& name, const std::string& value)
{
    job.SetGenericOption(name, value);
    const AVMediaType type = name == "ab" ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO;
    if (job.Options().CodecTemplateInt(type, "b") < 1000)
        job.Log(llWarning, "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

void TOptionVocabulary::FrameRate(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    AVRational rate{0, 0};
    if (ff::av_parse_video_rate(&rate, value.c_str()) < 0)
        throw FFmpegException("Incorrect frame rate");
    job.FOpt.Fframe_rate = rate;
}

void TOptionVocabulary::FrameSize(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    int width = 0, height = 0;
    if (ff::av_parse_video_size(&width, &height, value.c_str()) < 0)
        throw FFmpegException("Incorrect frame size");
    job.FOpt.Fframe_width = width;
    job.FOpt.Fframe_height = height;
}

void TOptionVocabulary::Aspect(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    const double aspect = ParseAspect(value);
    if (aspect == 0)
        throw FFmpegException("Incorrect aspect ratio specification.");
    job.FOpt.Fframe_aspect_ratio = aspect;
}

void TOptionVocabulary::PixelFormat(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    if (value == "list") {
        for (const AVPixFmtDescriptor* d = ff::av_pix_fmt_desc_next(nullptr); d; d = ff::av_pix_fmt_desc_next(d))
            job.Log(llInfo, d->name);
        return;
    }
    const AVPixelFormat format = ff::av_get_pix_fmt(value.c_str());
    if (format == AV_PIX_FMT_NONE)
        throw FFmpegException(Format("Unknown pixel format requested: %s", value.c_str()));
    job.FOpt.Fframe_pix_fmt = format;
}

void TOptionVocabulary::RemovedCrop(TCustomFFmpeg&, const std::string&, const std::string&)
{
    throw FFmpegException("Removed, use the crop filter instead");
}

void TOptionVocabulary::RemovedPad(TCustomFFmpeg&, const std::string&, const std::string&)
{
    throw FFmpegException("Removed, use the pad filter instead");
}

void TOptionVocabulary::QScale(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    const double qscale = OptionFloat(value);
    if (qscale <= 0 || qscale > 255)
        throw FFmpegException("qscale must be > 0.0 and <= 255");
    job.FOpt.Fvideo_qscale = qscale;
}

void TOptionVocabulary::Pass(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    const int pass = OptionInt(value);
    if (pass != 1 && pass != 2)
        throw FFmpegException("pass number can be only 1 or 2");
    job.FOpt.Fdo_pass = pass;
}

void TOptionVocabulary::VStats(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    job.FOpt.Fvstats_filename.clear();
    // Named by the time of day, in the user's own folder: an installed
    // program's folder is not the user's to write in.
    if (OptionBool(value))
        job.FOpt.Fvstats_filename = Format("%svstats_%s.log", UserStateFolder().c_str(), TimeOfDay().c_str());
}

void TOptionVocabulary::VHook(TCustomFFmpeg&, const std::string&, const std::string& value)
{
    // Frame hook modules are not supported by this engine: refusing the
    // option is better than a conversion that silently skips the hook.
    throw FFmpegException("Failed to add video hook function: " + value);
}

void TOptionVocabulary::IntraMatrix(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    job.FOpt.Fintra_matrix = OptionMatrix(value);
}

void TOptionVocabulary::InterMatrix(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    job.FOpt.Finter_matrix = OptionMatrix(value);
}

void TOptionVocabulary::ForceKeyFrames(TCustomFFmpeg& job, const std::string& name, const std::string& value)
{
    OptionDurationList(name, value);  // every time must read
    job.FOpt.Fforced_key_frames = value;
}

// --- per media type ----------------------------------------------------------

void TCustomFFmpeg::SetCodecName(AVMediaType AType, const std::string& AValue)
{
    std::string& name = AType == AVMEDIA_TYPE_VIDEO   ? FOpt.Fvideo_codec_name
                        : AType == AVMEDIA_TYPE_AUDIO ? FOpt.Faudio_codec_name
                                                      : FOpt.Fsubtitle_codec_name;
    int& copy = AType == AVMEDIA_TYPE_VIDEO   ? FOpt.Fvideo_stream_copy
                : AType == AVMEDIA_TYPE_AUDIO ? FOpt.Faudio_stream_copy
                                              : FOpt.Fsubtitle_stream_copy;
    name.clear();
    if (AValue == "copy")
        copy = 1;
    else
        name = AValue;
}

template <AVMediaType Type>
void TOptionVocabulary::Codec(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    job.SetCodecName(Type, value);
}

template <AVMediaType Type>
void TOptionVocabulary::Tag(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    const uint32_t tag = OptionCodecTag(value);
    (Type == AVMEDIA_TYPE_VIDEO ? job.FOpt.Fvideo_codec_tag
     : Type == AVMEDIA_TYPE_AUDIO ? job.FOpt.Faudio_codec_tag
                                  : job.FOpt.Fsubtitle_codec_tag) = tag;
}

template <AVMediaType Type>
void TOptionVocabulary::Language(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    (Type == AVMEDIA_TYPE_VIDEO ? job.FOpt.Fvideo_language
     : Type == AVMEDIA_TYPE_AUDIO ? job.FOpt.Faudio_language
                                  : job.FOpt.Fsubtitle_language) = value;
}

template <AVMediaType Type>
void TOptionVocabulary::NewStream(TCustomFFmpeg& job, const std::string&, const std::string&)
{
    job.NewStreamOnLastOutput(Type);
}

template <AVMediaType Type>
void TOptionVocabulary::BitstreamFilter(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    const std::string name = value.substr(0, value.find('='));
    if (name.empty())
        return;
    if (!ff::av_bsf_get_by_name(name.c_str()))
        throw FFmpegException(Format("Unknown bitstream filter %s", name.c_str()));
    (Type == AVMEDIA_TYPE_VIDEO ? job.FOpt.Fvideo_bitstream_filters
     : Type == AVMEDIA_TYPE_AUDIO ? job.FOpt.Faudio_bitstream_filters
                                  : job.FOpt.Fsubtitle_bitstream_filters)
        .push_back(name);
}

// --- audio and subtitles -------------------------------------------------------

void TOptionVocabulary::AudioQuality(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    job.FOpt.Faudio_qscale = OptionFloat(value);
}

void TOptionVocabulary::SampleRate(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    if (const int rate = OptionInt(value); rate > 0)
        job.FOpt.Faudio_sample_rate = rate;
}

void TOptionVocabulary::Channels(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    if (const int channels = OptionInt(value); channels > 0)
        job.FOpt.Faudio_channels = channels;
}

void TOptionVocabulary::SampleFormat(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    if (value == "list") {
        for (int f = 0; f < AV_SAMPLE_FMT_NB; ++f)
            job.Log(llInfo, ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(f)));
        return;
    }
    const AVSampleFormat format = ff::av_get_sample_fmt(value.c_str());
    if (format == AV_SAMPLE_FMT_NONE)
        throw FFmpegException(Format("Invalid sample format \"%s\"", value.c_str()));
    job.FOpt.Faudio_sample_fmt = format;
}

void TOptionVocabulary::Preset(TCustomFFmpeg& job, const std::string& name, const std::string& value)
{
    job.ApplyPreset(name, value);
}

// --- presets -------------------------------------------------------------------

void TCustomFFmpeg::ApplyPreset(const std::string& AName, const std::string& AValue)
{
    if (AValue.empty())
        return;
    const std::string& codecName = AName == "vpre"   ? FOpt.Fvideo_codec_name
                                   : AName == "apre" ? FOpt.Faudio_codec_name
                                   : AName == "spre" ? FOpt.Fsubtitle_codec_name
                                                     : std::string();
    const std::string text = TFFPresets::Text(AValue, codecName, AName == "fpre");
    for (const TPresetLine& line : TFFPresets::Parse(AValue, text))
        ApplyPresetLine(AValue, line);
}

void TCustomFFmpeg::ApplyPresetLine(const std::string& APresetName, const TPresetLine& ALine)
{
    const std::string key = LowerCase(ALine.Key);
    if (key == "vcodec" || key == "acodec" || key == "scodec") {
        const AVMediaType type = key[0] == 'v' ? AVMEDIA_TYPE_VIDEO : key[0] == 'a' ? AVMEDIA_TYPE_AUDIO
                                                                                      : AVMEDIA_TYPE_SUBTITLE;
        SetCodecName(type, ALine.Value);
        return;
    }
    const std::string refusal = TrySetGenericOption(ALine.Key, ALine.Value);
    if (!refusal.empty() && HaltOnInvalidOption)
        throw FFmpegException(Format("%s\r\n%s: Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"",
                                     refusal.c_str(), APresetName.c_str(), ALine.Line.c_str(), ALine.Key.c_str(),
                                     ALine.Value.c_str()));
}

// --- the table -----------------------------------------------------------------

void TOptionVocabulary::AddVideoOptions()
{
    Add("b", BitRate);
    Add("vb", BitRate);
    Add("r", FrameRate);
    Add("s", FrameSize);
    Add("aspect", Aspect);
    Add("pix_fmt", PixelFormat);
    for (const char* name : {"croptop", "cropbottom", "cropleft", "cropright"})
        Add(name, RemovedCrop);
    for (const char* name : {"padtop", "padbottom", "padleft", "padright", "padcolor"})
        Add(name, RemovedPad);
    Add("intra", Bool<&TJobOptionState::Fintra_only>);
    Add("vn", Bool<&TJobOptionState::Fvideo_disable>);
    Add("sameq", Bool<&TJobOptionState::Fsame_quality>);
    Add("deinterlace", Bool<&TJobOptionState::Fdo_deinterlace>);
    Add("psnr", Bool<&TJobOptionState::Fdo_psnr>);
    Add("qphist", Bool<&TJobOptionState::Fqp_hist>);
    Add("force_fps", Bool<&TJobOptionState::Fforce_fps>);
    Add("vdt", Int<&TJobOptionState::Fvideo_discard>);
    Add("me_threshold", Int<&TJobOptionState::Fme_threshold>);
    Add("top", Int<&TJobOptionState::Ftop_field_first>);
    Add("dc", Int<&TJobOptionState::Fintra_dc_precision>);
    Add("qscale", QScale);
    Add("rc_override", Text<&TJobOptionState::Fvideo_rc_override_string>);
    Add("vcodec", Codec<AVMEDIA_TYPE_VIDEO>);
    Add("pass", Pass);
    Add("passlogfile", Text<&TJobOptionState::Fpass_logfilename_prefix>);
    Add("vstats", VStats);
    Add("vstats_file", Text<&TJobOptionState::Fvstats_filename>);
    Add("vhook", VHook);
    Add("vfilters", Text<&TJobOptionState::Fvfilters>);
    Add("vf", Text<&TJobOptionState::Fvfilters>);
    Add("intra_matrix", IntraMatrix);
    Add("inter_matrix", InterMatrix);
    Add("vtag", Tag<AVMEDIA_TYPE_VIDEO>);
    Add("newvideo", NewStream<AVMEDIA_TYPE_VIDEO>);
    Add("vlang", Language<AVMEDIA_TYPE_VIDEO>);
    Add("force_key_frames", ForceKeyFrames);
    Add("vc", Int<&TJobOptionState::Fvideo_channel>);
    Add("tvstd", Text<&TJobOptionState::Fvideo_standard>);
    Add("vbsf", BitstreamFilter<AVMEDIA_TYPE_VIDEO>);
    Add("vpre", Preset);
}

void TOptionVocabulary::AddAudioAndSubtitleOptions()
{
    Add("ab", BitRate);
    Add("aq", AudioQuality);
    Add("ar", SampleRate);
    Add("ac", Channels);
    Add("an", Bool<&TJobOptionState::Faudio_disable>);
    Add("sn", Bool<&TJobOptionState::Fsubtitle_disable>);
    Add("acodec", Codec<AVMEDIA_TYPE_AUDIO>);
    Add("scodec", Codec<AVMEDIA_TYPE_SUBTITLE>);
    Add("atag", Tag<AVMEDIA_TYPE_AUDIO>);
    Add("stag", Tag<AVMEDIA_TYPE_SUBTITLE>);
    Add("vol", Int<&TJobOptionState::Faudio_volume>);
    Add("newaudio", NewStream<AVMEDIA_TYPE_AUDIO>);
    Add("newsubtitle", NewStream<AVMEDIA_TYPE_SUBTITLE>);
    Add("alang", Language<AVMEDIA_TYPE_AUDIO>);
    Add("slang", Language<AVMEDIA_TYPE_SUBTITLE>);
    Add("sample_fmt", SampleFormat);
    Add("absf", BitstreamFilter<AVMEDIA_TYPE_AUDIO>);
    Add("sbsf", BitstreamFilter<AVMEDIA_TYPE_SUBTITLE>);
    Add("apre", Preset);
    Add("spre", Preset);
    Add("fpre", Preset);
}

}  // namespace vidrelo
