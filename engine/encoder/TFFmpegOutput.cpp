// A task's output record turned into job options: the target, the stream
// defaults, the ExtOptions, then the record's fields so that they override
// what the target or the ExtOptions set, then the first streams' size and
// filters; after the output is open, the further streams its lines ask for.
#include "engine/StringFormat.h"
#include "engine/encoder/TCustomEncoder.h"
#include "engine/encoder/TExtOptions.h"
#include "engine/encoder/TFFmpeg.h"
#include "engine/encoder/TextUtils.h"

#include <cmath>
#include <ctime>
#include <type_traits>

namespace vidrelo {

std::string MicrosecondsText(int64_t AValue);

namespace {

const char* TargetName(TOptionTargetType AType)
{
    switch (AType) {
    case ttVCD: return "vcd";
    case ttSVCD: return "svcd";
    case ttDVD: return "dvd";
    default: return "";
    }
}

TTargetNorm TargetNorm(TOptionNormType ANorm)
{
    switch (ANorm) {
    case ntPAL: return TTargetNorm::PAL;
    case ntNTSC: return TTargetNorm::NTSC;
    default: return TTargetNorm::Auto;
    }
}

std::string FlagText(bool AValue)
{
    return AValue ? "1" : "0";
}

// A day count since 1899-12-30 in local time, as the date text the
// "timestamp" option reads (local time, as it is written without a zone).
std::string LocalDateText(double ADays)
{
    constexpr double UnixEpochDays = 25569.0;  // 1970-01-01 in that count
    const double seconds = std::floor((ADays - UnixEpochDays) * 86400.0 + 0.5);
    const std::time_t asUtc = static_cast<std::time_t>(seconds);
    std::tm parts{};
    gmtime_r(&asUtc, &parts);  // the fields of the local time the count names
    return Format("%04d-%02d-%02d %02d:%02d:%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                  parts.tm_hour, parts.tm_min, parts.tm_sec);
}

}  // namespace

void TFFmpeg::SetIfGiven(const std::string& AName, const std::string& AValue)
{
    if (!AValue.empty())
        SetExtOption(AName, AValue);
}

void TFFmpeg::ApplyOutputSettings(const TOutputOptions& AOptions, TStreamOptionList& AList)
{
    if (AOptions.TargetType != ttIgnore) {
        const TTargetNorm fallback = AOptions.NormDefault == ntPAL ? TTargetNorm::PAL : TTargetNorm::NTSC;
        SetTarget(TargetName(AOptions.TargetType), TargetNorm(AOptions.NormType), fallback);
    }
    for (const char* name : {"acodec", "vcodec", "scodec", "apre", "vpre", "spre"})
        SetIfGiven(name, AList.Default(name));
    for (const TExtOption& line : ParseExtOptions(AOptions.ExtOptions))
        if (!IgnoredOutputOption(line.Name))
            SetExtOption(line.Name, line.Value);
    ApplyOutputFields(AOptions);
    SetIfGiven("s", AList.Default("s"));
    SetIfGiven("vf", AList.Default("vf"));
    FOwner->AttachOutputHooks(*this, AOptions);
    VideoHookBitsPixel = AOptions.VideoHookBitsPixel;
}

void TFFmpeg::ApplyOutputFields(const TOutputOptions& o)
{
    // Whole numbers as they are ("%g" would round 1234567 to 1.23457e+06).
    auto positive = [this](const char* AName, auto AValue) {
        if (AValue > 0)
            SetExtOption(AName, std::is_integral_v<decltype(AValue)> ? std::to_string(AValue)
                                                                     : Format("%.9g", static_cast<double>(AValue)));
    };
    const bool noTarget = o.TargetType == ttIgnore;
    SetIfGiven("f", o.ForceFormat);
    positive("packetsize", o.PacketSize);
    positive("muxrate", o.MuxRate);
    positive("muxdelay", o.MuxDelay);
    positive("muxpreload", o.MuxPreload);
    if (o.DisableAudio)
        SetExtOption("an", "1");
    if (o.AudioVolume >= 0)
        SetExtOption("vol", std::to_string(o.AudioVolume));
    positive("ac", o.AudioChannels);
    positive("ar", o.AudioSampleRate);
    if (noTarget)
        positive("ab", o.AudioBitrate);
    positive("abt", o.AudioBitRateTolerance);
    SetExtOption("alang", o.AudioLanguage);
    SetExtOption("async", std::to_string(o.AudioSyncMethod));
    SetIfGiven("atag", o.AudioTag);
    if (o.DisableVideo)
        SetExtOption("vn", "1");
    SetIfGiven("r", o.FrameRate);
    SetIfGiven("aspect", o.FrameAspectRatio);
    positive("g", o.GroupPictureSize);
    if (noTarget)
        positive("vb", o.VideoBitrate);
    positive("maxrate", o.VideoMaxRate);
    positive("minrate", o.VideoMinRate);
    positive("bt", o.VideoBitRateTolerance);
    positive("bufsize", o.VideoBufSize);
    SetExtOption("vsync", std::to_string(o.VideoSyncMethod));
    SetIfGiven("vtag", o.VideoTag);
    SetExtOption("vlang", o.VideoLanguage);
    if (o.DisableSubtitle)
        SetExtOption("sn", "1");
    SetExtOption("slang", o.SubtitleLanguage);
    SetExtOption("isync", FlagText(o.InputSync));
    if (o.CopyTimestamp)
        SetExtOption("copyts", "1");
    if (o.TimeStart != NoTimeValue)
        SetExtOption("ss", MicrosecondsText(o.TimeStart));
    if (o.TimeLength != NoTimeValue)
        SetExtOption("t", MicrosecondsText(o.TimeLength));
    ApplyStreamInfo(o.Info);
}

void TFFmpeg::ApplyStreamInfo(const TStreamInfo& AInfo)
{
    if (AInfo.TimeStamp == 0)
        SetExtOption("timestamp", "now");
    else if (AInfo.TimeStamp > 0)
        SetExtOption("timestamp", LocalDateText(AInfo.TimeStamp));
    if (AInfo.Year > 0)
        SetExtOption("metadata", "year=" + std::to_string(AInfo.Year));
    if (AInfo.Track > 0)
        SetExtOption("metadata", "track=" + std::to_string(AInfo.Track));
    const std::pair<const char*, const std::string*> texts[] = {
        {"title", &AInfo.Title},   {"author", &AInfo.Author}, {"copyright", &AInfo.Copyright},
        {"comment", &AInfo.Comment}, {"album", &AInfo.Album},   {"genre", &AInfo.Genre},
    };
    for (const auto& [name, value] : texts)
        if (!value->empty())
            SetExtOption("metadata", std::string(name) + "=" + *value);
}

void TFFmpeg::CreateFurtherStreams(const TOutputOptions& AOptions, TStreamOptionList& AList)
{
    static const std::pair<const char*, std::vector<const char*>> Settings[] = {
        {"newaudio", {"acodec", "apre"}},
        {"newvideo", {"vcodec", "vpre", "s", "vf"}},
        {"newsubtitle", {"scodec", "spre"}},
    };
    for (const TExtOption& line : ParseExtOptions(AOptions.ExtOptions)) {
        const std::string name = LowerCase(line.Name);
        for (const auto& [creator, settings] : Settings) {
            if (name != creator)
                continue;
            for (const char* setting : settings)
                SetIfGiven(setting, AList.Take(setting));
            SetExtOption(name, line.Value);
        }
    }
}

}  // namespace vidrelo
