#include "engine/encoder/TFFTargets.h"

#include "engine/encoder/FFmpegException.h"

#include <cmath>

namespace vidrelo {
namespace {

// PAL, NTSC or Auto for a frame rate.
TTargetNorm NormOfRate(AVRational rate)
{
    if (rate.num <= 0 || rate.den <= 0)
        return TTargetNorm::Auto;
    const long fr = std::lround(rate.num * 1000.0 / rate.den);
    if (fr == 25000)
        return TTargetNorm::PAL;
    if (fr == 29970 || fr == 23976)
        return TTargetNorm::NTSC;
    return TTargetNorm::Auto;
}

// The rate an input video stream runs at, as far as probing found out.
AVRational StreamRate(const AVStream* stream)
{
    if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0)
        return stream->avg_frame_rate;
    return stream->r_frame_rate;
}

const char* FrameRate(TTargetNorm norm)
{
    switch (norm) {
    case TTargetNorm::PAL: return "25";
    case TTargetNorm::Film: return "24000/1001";
    default: return "30000/1001";
    }
}

const char* Size(TTargetNorm norm, const char* pal, const char* other)
{
    return norm == TTargetNorm::PAL ? pal : other;
}

void AddPictureAndGop(TTargetSettings& s, TTargetNorm norm, const char* palSize, const char* otherSize)
{
    s.Options.push_back({"s", Size(norm, palSize, otherSize)});
    s.Options.push_back({"r", FrameRate(norm)});
    s.Options.push_back({"g", norm == TTargetNorm::PAL ? "15" : "18"});
}

TTargetSettings VCD(TTargetNorm norm)
{
    TTargetSettings s;
    s.Options = {{"vcodec", "mpeg1video"}, {"acodec", "mp2"}, {"f", "vcd"}};
    AddPictureAndGop(s, norm, "352x288", "352x240");
    s.Options.insert(s.Options.end(), {{"b", "1150000"},
                                       {"maxrate", "1150000"},
                                       {"minrate", "1150000"},
                                       {"bufsize", "327680"},
                                       {"ab", "224000"},
                                       {"ar", "44100"},
                                       {"ac", "2"},
                                       {"packetsize", "2324"},
                                       {"muxrate", "1411200"}});
    // The first pack's clock reference must come before the first decode time.
    s.MuxPreload = 0.44;
    s.DefaultAspect = "4:3";
    return s;
}

TTargetSettings SVCD(TTargetNorm norm)
{
    TTargetSettings s;
    s.Options = {{"vcodec", "mpeg2video"}, {"acodec", "mp2"}, {"f", "svcd"}};
    AddPictureAndGop(s, norm, "480x576", "480x480");
    // The room for the scan offsets an SVCD carries was a codec flag once;
    // today it is the MPEG-2 encoder's own "scan_offset" switch.
    s.Options.insert(s.Options.end(), {{"b", "2040000"},
                                       {"maxrate", "2516000"},
                                       {"minrate", "0"},
                                       {"bufsize", "1835008"},
                                       {"scan_offset", "1"},
                                       {"ab", "224000"},
                                       {"ar", "44100"},
                                       {"packetsize", "2324"}});
    s.MonoToStereo = true;
    s.DefaultAspect = "4:3";
    return s;
}

TTargetSettings DVD(TTargetNorm norm)
{
    TTargetSettings s;
    s.Options = {{"vcodec", "mpeg2video"}, {"acodec", "ac3"}, {"f", "dvd"}};
    AddPictureAndGop(s, norm, "720x576", "720x480");
    s.Options.insert(s.Options.end(), {{"b", "6000000"},
                                       {"maxrate", "9000000"},
                                       {"minrate", "0"},
                                       {"bufsize", "1835008"},
                                       {"packetsize", "2048"},  // one DVD sector per pack
                                       {"muxrate", "10080000"},
                                       {"ab", "448000"},
                                       {"ar", "48000"}});
    s.MonoToStereo = true;
    s.DefaultAspect = "16:9";
    return s;
}

TTargetSettings DV(TTargetNorm norm, bool dv50)
{
    TTargetSettings s;
    s.Options = {{"f", "dv"}, {"s", Size(norm, "720x576", "720x480")}};
    s.Options.push_back({"pix_fmt", dv50 ? "yuv422p" : norm == TTargetNorm::PAL ? "yuv420p" : "yuv411p"});
    s.Options.insert(s.Options.end(), {{"r", FrameRate(norm)}, {"ar", "48000"}, {"ac", "2"}});
    return s;
}

}  // namespace

TTargetText TFFTargets::Split(const std::string& text)
{
    static const std::pair<const char*, TTargetNorm> prefixes[] = {
        {"pal-", TTargetNorm::PAL}, {"ntsc-", TTargetNorm::NTSC}, {"film-", TTargetNorm::Film}};
    for (const auto& [prefix, norm] : prefixes)
        if (text.rfind(prefix, 0) == 0)
            return {norm, text.substr(std::string(prefix).size())};
    return {TTargetNorm::Auto, text};
}

TTargetNorm TFFTargets::Guess(AVRational frameRate, const std::vector<AVFormatContext*>& inputs,
                              TTargetNorm defaultNorm)
{
    if (frameRate.den == 0)
        throw FFmpegException("frame_rate is invalid.");
    TTargetNorm norm = NormOfRate(frameRate);
    for (const AVFormatContext* input : inputs)
        for (unsigned i = 0; i < input->nb_streams && norm == TTargetNorm::Auto; ++i)
            if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
                norm = NormOfRate(StreamRate(input->streams[i]));
    if (norm != TTargetNorm::Auto)
        return norm;
    return defaultNorm == TTargetNorm::Film || defaultNorm == TTargetNorm::NTSC ? defaultNorm : TTargetNorm::PAL;
}

TTargetSettings TFFTargets::Settings(const std::string& type, TTargetNorm norm)
{
    if (type == "vcd")
        return VCD(norm);
    if (type == "svcd")
        return SVCD(norm);
    if (type == "dvd")
        return DVD(norm);
    if (type == "dv" || type == "dv50")
        return DV(norm, type == "dv50");
    throw FFmpegException("Unknown target type");
}

}  // namespace vidrelo
