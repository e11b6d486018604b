#pragma once
// What a converted file holds, asked of the ffprobe and ffmpeg programs:
// its container, duration and streams, a picture's grey levels, its decoded
// sound and the tone in it.
#include "tests/support/RunProgram.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace vidrelo::test {

// One "[STREAM]", "[PACKET]", "[CHAPTER]" or "[FORMAT]" block of ffprobe's default
// output (nested blocks such as side data belong to it).
using TProbeBlock = std::map<std::string, std::string>;

struct TProbeReport {
    std::vector<TProbeBlock> Blocks;
    std::vector<std::string> Names;  // each block's name ("STREAM", "PACKET", ...), in step with Blocks
    std::string Errors;  // what ffprobe reported as errors on its standard error
};

inline TProbeReport ProbeReport(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"-v", "error"};
    all.insert(all.end(), args.begin(), args.end());
    const TProgramResult r = RunProgram("/usr/bin/ffprobe", all);
    TProbeReport report;
    report.Errors = r.Err;
    std::vector<TProbeBlock>& blocks = report.Blocks;
    std::istringstream in(r.Out);
    std::string line;
    int depth = 0;
    while (std::getline(in, line)) {
        if (line.size() > 1 && line[0] == '[') {
            if (line[1] == '/') {
                --depth;
            } else if (depth++ == 0) {
                blocks.emplace_back();
                report.Names.push_back(line.substr(1, line.find(']') - 1));
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && depth == 1 && !blocks.empty())
            blocks.back()[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return report;
}

inline std::vector<TProbeBlock> ProbeBlocks(const std::vector<std::string>& args)
{
    return ProbeReport(args).Blocks;
}

// Only the blocks called `name` ("STREAM", "PACKET", "FRAME", ...).
inline std::vector<TProbeBlock> ProbeBlocks(const std::vector<std::string>& args, const std::string& name)
{
    TProbeReport report = ProbeReport(args);
    std::vector<TProbeBlock> named;
    for (std::size_t i = 0; i < report.Blocks.size(); ++i)
        if (report.Names[i] == name)
            named.push_back(std::move(report.Blocks[i]));
    return named;
}

struct TProbedFile {
    double Duration = -1;
    std::string FormatName;  // the demuxer's names, e.g. "mov,mp4,m4a,3gp,3g2,mj2"; empty: not a media file
    std::vector<TProbeBlock> Streams;
    // The first stream of a type ("video", "audio"), or an empty block.
    TProbeBlock Stream(const std::string& type) const
    {
        for (const TProbeBlock& s : Streams)
            if (s.count("codec_type") && s.at("codec_type") == type)
                return s;
        return {};
    }
    int Count(const std::string& type) const
    {
        int n = 0;
        for (const TProbeBlock& s : Streams)
            n += s.count("codec_type") && s.at("codec_type") == type;
        return n;
    }
};

inline TProbedFile Probe(const std::string& file)
{
    TProbedFile probed;
    for (const TProbeBlock& block :
         ProbeBlocks({"-show_entries",
                      "format=duration,format_name:stream=index,codec_type,codec_name,width,height,"
                      "sample_aspect_ratio,display_aspect_ratio,r_frame_rate,avg_frame_rate,sample_rate,channels,"
                      "bit_rate,duration",
                      file})) {
        if (block.count("codec_type")) {
            probed.Streams.push_back(block);
            continue;
        }
        if (block.count("duration") && block.at("duration") != "N/A")
            probed.Duration = std::stod(block.at("duration"));
        if (block.count("format_name"))
            probed.FormatName = block.at("format_name");
    }
    return probed;
}

// A value as a number; a rate such as "30000/1001" as its ratio, "0/0" as
// unknown.
inline double Number(const TProbeBlock& block, const std::string& key, double fallback = -1)
{
    const auto it = block.find(key);
    if (it == block.end() || it->second.empty() || it->second == "N/A")
        return fallback;
    const std::size_t slash = it->second.find('/');
    if (slash == std::string::npos)
        return std::stod(it->second);
    const double den = std::stod(it->second.substr(slash + 1));
    return den == 0 ? fallback : std::stod(it->second) / den;
}

inline std::string Text(const TProbeBlock& block, const std::string& key)
{
    const auto it = block.find(key);
    return it == block.end() ? std::string() : it->second;
}

// The first audio stream decoded to 48 kHz mono, as the players decode it
// (encoder delay and padding removed where the container says so).
inline std::vector<int16_t> MonoSamples(const std::string& file)
{
    const TProgramResult r = RunProgram("/usr/bin/ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-map", "0:a:0",
                                                            "-ac", "1", "-ar", "48000", "-f", "s16le", "-"});
    std::vector<int16_t> samples(r.Out.size() / 2);
    std::memcpy(samples.data(), r.Out.data(), samples.size() * 2);
    return samples;
}

// The frequency of the tone in the first audio stream, from zero crossings
// of its second half-second onwards (past any encoder start-up).
inline double ToneHz(const std::string& file)
{
    const std::vector<int16_t> samples = MonoSamples(file);
    const std::size_t count = samples.size();
    const std::size_t first = 24000;
    const std::size_t last = std::min<std::size_t>(count, first + 96000);
    if (last <= first + 1)
        return 0;
    int crossings = 0;
    for (std::size_t i = first + 1; i < last; ++i)
        crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    return crossings / 2.0 / ((last - first) / 48000.0);
}

// The frame shown at `seconds` as 8-bit grey levels, row by row.
inline std::string GreyPicture(const std::string& file, double seconds, int& width, int& height)
{
    const TProbeBlock video = Probe(file).Stream("video");
    width = static_cast<int>(Number(video, "width", 0));
    height = static_cast<int>(Number(video, "height", 0));
    const TProgramResult r = RunProgram(
        "/usr/bin/ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-ss", std::to_string(seconds), "-frames:v", "1",
                            "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    return r.Out;
}

// The mean grey level of a rectangle of such a picture.
inline double MeanGrey(const std::string& picture, int width, int x0, int y0, int x1, int y1)
{
    double sum = 0;
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++count)
            sum += static_cast<unsigned char>(picture.at(static_cast<std::size_t>(y) * width + x));
    return count ? sum / count : 0;
}

}  // namespace vidrelo::test
