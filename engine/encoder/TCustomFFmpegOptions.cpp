// Setting a job's options: the dispatch, the generic options, targets and
// the general and input options of the vocabulary.
#include "engine/CLocale.h"
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/encoder/TOptionVocabulary.h"
#include "engine/encoder/TextUtils.h"
#include "engine/log/TFFLogger.h"

#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace vidrelo {
namespace {

constexpr int kMaxStreams = 20;  // the most streams "itsscale" and "streamid" can address

std::unordered_map<std::string, TOptionVocabulary::THandler>& Handlers()
{
    static std::unordered_map<std::string, TOptionVocabulary::THandler> handlers;
    return handlers;
}

// "a.b" the way the classic parsers read it: numbers up to the first
// character that is not part of one, one separator skipped.
int LeadingNumber(const char*& p)
{
    char* end = nullptr;
    const long number = std::strtol(p, &end, 0);
    p = end;
    return static_cast<int>(number);
}

void SkipSeparator(const char*& p)
{
    if (*p)
        ++p;
}

// ",g" / ",s1" / ",c0" / ",p2" after a file index; none means global.
void ParseMetaType(const char*& p, TAVMetaDataMap& map)
{
    if (*p != ',') {
        map.type_ = 'g';
        return;
    }
    ++p;
    map.type_ = *p;
    switch (*p) {
    case 'g': ++p; break;
    case 's':
    case 'c':
    case 'p': ++p; map.index = LeadingNumber(p); break;
    default: throw FFmpegException(Format("Invalid metadata type %s.", std::string(1, *p).c_str()));
    }
}

}  // namespace

// --- dispatch ----------------------------------------------------------------

void TOptionVocabulary::Add(const char* name, THandler handler)
{
    Handlers().emplace(name, handler);
}

TOptionVocabulary::THandler TOptionVocabulary::Find(const std::string& name)
{
    static std::once_flag filled;
    std::call_once(filled, [] {
        AddGeneralOptions();
        AddVideoOptions();
        AddAudioAndSubtitleOptions();
    });
    const auto it = Handlers().find(name);
    return it == Handlers().end() ? nullptr : it->second;
}

void TCustomFFmpeg::SetExtOption(const std::string& AName, const std::string& AValue)
{
    const TCLocaleScope numbers;
    Options();  // the libraries must be there
    if (const TOptionVocabulary::THandler handler = TOptionVocabulary::Find(AName))
        handler(*this, AName, AValue);
    else
        SetGenericOption(AName, AValue);
}

void TCustomFFmpeg::SetGenericOption(const std::string& AName, const std::string& AValue)
{
    const std::string refusal = TrySetGenericOption(AName, AValue);
    if (!refusal.empty() && HaltOnInvalidOption)
        throw FFmpegException(refusal);
}

std::string TCustomFFmpeg::TrySetGenericOption(const std::string& AName, const std::string& AValue)
{
    if (Trim(AName).empty())
        return Format("Unrecognized option \"%s\"", AName.c_str());
    const std::string refusal = Options().Set(AName, AValue);
    if (refusal.empty()) {
        FOpt.Fsws_flags = FOptions->ScalerFlags();
        if (FOptions->DebugRequested())
            FFLogger().SetLogLevel(llDebug);
    }
    return refusal;
}

// --- targets -----------------------------------------------------------------

void TCustomFFmpeg::SetTarget(const std::string& AType, TTargetNorm ANorm, TTargetNorm ADefaultNorm)
{
    const TCLocaleScope numbers;
    TFFTargets::Settings(AType, TTargetNorm::PAL);  // an unknown type fails before anything changes
    TTargetNorm norm = ANorm;
    if (norm == TTargetNorm::Auto) {
        norm = TFFTargets::Guess(FOpt.Fframe_rate, FInputs.Contexts(), ADefaultNorm);
        if (FOpt.Fverbose > 0)
            Log(llVerbose, Format("Assuming %s for target.", norm == TTargetNorm::PAL ? "PAL" : "NTSC"));
    }
    const TTargetSettings settings = TFFTargets::Settings(AType, norm);
    for (const auto& [name, value] : settings.Options)
        SetExtOption(name, value);
    if (settings.MuxPreload >= 0)
        FOpt.Fmux_preload = settings.MuxPreload;
    if (settings.MonoToStereo && FOpt.Faudio_channels == 1)
        FOpt.Faudio_channels = 2;
    if (!settings.DefaultAspect.empty() && FOpt.Fframe_aspect_ratio == 0) {
        SetExtOption("aspect", settings.DefaultAspect);
        Log(llInfo, "Assuming " + settings.DefaultAspect + " for aspect ratio");
    }
}

void TOptionVocabulary::Target(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    const TTargetText target = TFFTargets::Split(value);
    job.SetTarget(target.Type, target.Norm, TTargetNorm::NTSC);
}

// --- general and input options ---------------------------------------------

void TOptionVocabulary::DoNothing(TCustomFFmpeg& job, const std::string& name, const std::string&)
{
    job.Log(llInfo, "Do nothing: option - " + name);
}

void TOptionVocabulary::LogLevel(TCustomFFmpeg&, const std::string&, const std::string& value)
{
    try {
        FFLogger().OptLogLevel(value);
    } catch (const FFmpegException&) {
        throw;
    } catch (const EEngineError& e) {
        throw FFmpegException(e.what());
    }
}

void TOptionVocabulary::Map(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    TAVStreamMap map;
    const char* p = value.c_str();
    map.file_index = LeadingNumber(p);
    SkipSeparator(p);
    if (p[0] == 'i' && p[1] == ':') {
        p += 2;
        map.stream_id = LeadingNumber(p);
        map.sync_file_index = map.file_index;
        job.Fstream_maps.push_back(map);
        return;
    }
    map.stream_index = LeadingNumber(p);
    if (*p) {
        SkipSeparator(p);
        map.sync_file_index = LeadingNumber(p);
        SkipSeparator(p);
        map.sync_stream_index = LeadingNumber(p);
    } else {
        map.sync_file_index = map.file_index;
        map.sync_stream_index = map.stream_index;
    }
    job.Fstream_maps.push_back(map);
}

void TOptionVocabulary::MapMetaData(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    std::array<TAVMetaDataMap, 2> maps;
    const char* p = value.c_str();
    maps[0].file_idx = LeadingNumber(p);
    ParseMetaType(p, maps[0]);
    SkipSeparator(p);
    maps[1].file_idx = LeadingNumber(p);
    ParseMetaType(p, maps[1]);
    job.Fmeta_data_maps.push_back(maps);
    const auto touches = [&](char type) { return maps[0].type_ == type || maps[1].type_ == type; };
    if (touches('g'))
        job.Fmetadata_global_autocopy = 0;
    if (touches('s'))
        job.Fmetadata_streams_autocopy = 0;
    if (touches('c'))
        job.Fmetadata_chapters_autocopy = 0;
}

void TOptionVocabulary::MapChapters(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    TAVChapterMap map;
    const char* p = value.c_str();
    map.out_file = LeadingNumber(p);
    SkipSeparator(p);
    map.in_file = LeadingNumber(p);
    job.Fchapter_maps.push_back(map);
}

void TOptionVocabulary::RecordingTime(TCustomFFmpeg& job, const std::string& name, const std::string& value)
{
    job.FOpt.Frecording_time = OptionDuration(name, value);
    job.FTotalOutputDuration = job.FOpt.Frecording_time;
}

void TOptionVocabulary::FileSizeLimit(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    job.FOpt.Flimit_filesize = OptionInt64(value);
}

void TOptionVocabulary::InputTsScale(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    const std::size_t colon = value.find(':');
    const int stream = OptionInt(value.substr(0, colon));
    const double scale = colon == std::string::npos ? 0 : OptionFloat(value.substr(colon + 1));
    if (stream < 0 || stream >= kMaxStreams)
        throw FFmpegException(Format("stream index over MAX_STREAMS(%d)", kMaxStreams));
    // The input opened next takes it.
    std::vector<double>& row = job.FInputs.NextTimestampScales();
    row.resize(std::max(row.size(), static_cast<std::size_t>(stream) + 1), 0.0);
    row[stream] = scale;
}

void TOptionVocabulary::Timestamp(TCustomFFmpeg& job, const std::string& name, const std::string& value)
{
    job.FOpt.Frecording_timestamp = OptionDate(name, value) / 1000000;
}

void TOptionVocabulary::Metadata(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    const std::size_t eq = value.find('=');
    if (eq == std::string::npos)
        throw FFmpegException("Missing =");
    if (eq == 0)
        throw FFmpegException("wrong parameter of metadata");
    job.FOpt.Fmetadata.Set(value.substr(0, eq).c_str(), value.substr(eq + 1).c_str());
}

template <AVMediaType Type>
void TOptionVocabulary::MaxFrames(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    job.FOpt.Fmax_frames[Type] = OptionInt(value);
}

void TOptionVocabulary::TimeLimit(TCustomFFmpeg& job, const std::string&, const std::string&)
{
    job.Log(llWarning, "Warning: -timelimit not implemented on Windows");
}

void TOptionVocabulary::Threads(TCustomFFmpeg& job, const std::string&, const std::string& value)
{
    job.FOpt.Fthread_count = OptionInt(value);
    if (job.FOpt.Fverbose >= 0)
        job.Log(llVerbose,
                "Warning: if the ffmpeg libraries were not compiled with thread support, it would be using thread "
                "emulation.");
}

void TOptionVocabulary::StreamId(TCustomFFmpeg& job, const std::string& name, const std::string& value)
{
    const std::size_t colon = value.find(':');
    const auto fail = [&] {
        throw FFmpegException(Format("Invalid value \"%s\" for option \"%s\", required syntax is \"index:value\"",
                                     value.c_str(), name.c_str()));
    };
    if (colon == std::string::npos)
        fail();
    const int index = OptionInt(value.substr(0, colon));
    const int id = OptionInt(value.substr(colon + 1));
    if (index < 0 || index >= kMaxStreams || id < 0)
        fail();
    job.Fstreamid_map[index] = id;
}

void TOptionVocabulary::AddGeneralOptions()
{
    for (const char* name : {"L", "h", "version", "formats", "codecs", "bsfs", "protocols", "filters", "i", "y",
                             "benchmark"})
        Add(name, DoNothing);
    Add("loglevel", LogLevel);
    Add("f", Text<&TJobOptionState::Flast_asked_format>);
    Add("map", Map);
    Add("map_meta_data", MapMetaData);
    Add("map_chapters", MapChapters);
    Add("t", RecordingTime);
    Add("fs", FileSizeLimit);
    Add("ss", Duration<&TJobOptionState::Fstart_time>);
    Add("itsoffset", Duration<&TJobOptionState::Finput_ts_offset>);
    Add("itsscale", InputTsScale);
    Add("timestamp", Timestamp);
    Add("metadata", Metadata);
    Add("dframes", MaxFrames<AVMEDIA_TYPE_DATA>);
    Add("vframes", MaxFrames<AVMEDIA_TYPE_VIDEO>);
    Add("aframes", MaxFrames<AVMEDIA_TYPE_AUDIO>);
    Add("timelimit", TimeLimit);
    Add("dump", Bool<&TJobOptionState::Fdo_pkt_dump>);
    Add("hex", Bool<&TJobOptionState::Fdo_hex_dump>);
    Add("re", Bool<&TJobOptionState::Frate_emu>);
    Add("loop_input", Bool<&TJobOptionState::Floop_input>);
    Add("loop_output", Int<&TJobOptionState::Floop_output>);
    Add("v", Int<&TJobOptionState::Fverbose>);
    Add("target", Target);
    Add("threads", Threads);
    Add("vsync", Int<&TJobOptionState::Fvideo_sync_method>);
    Add("async", Int<&TJobOptionState::Faudio_sync_method>);
    Add("vglobal", Int<&TJobOptionState::Fvideo_global_header>);
    Add("programid", Int<&TJobOptionState::Fopt_programid>);
    Add("copyinkf", Int<&TJobOptionState::Fcopy_initial_nonkeyframes>);
    Add("adrift_threshold", Float<&TJobOptionState::Faudio_drift_threshold>);
    Add("dts_delta_threshold", Float<&TJobOptionState::Fdts_delta_threshold>);
    Add("copyts", Bool<&TJobOptionState::Fcopy_ts>);
    Add("copytb", Bool<&TJobOptionState::Fcopy_tb>);
    Add("shortest", Bool<&TJobOptionState::Fopt_shortest>);
    Add("xerror", Bool<&TJobOptionState::Fexit_on_error>);
    Add("isync", Bool<&TJobOptionState::Finput_sync>);
    Add("pipeline", Bool<&TJobOptionState::Fpipeline>);
    Add("muxdelay", Float<&TJobOptionState::Fmux_max_delay>);
    Add("muxpreload", Float<&TJobOptionState::Fmux_preload>);
    Add("streamid", StreamId);
}

}  // namespace vidrelo
