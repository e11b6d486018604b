#pragma once
// Shared pieces of the conversion run tests: running a job and recording its
// events, and looking at what it wrote with the ffprobe and ffmpeg programs
// (streams, packet times, a picture's pixels, an audio tone).
#include "engine/encoder/TCustomFFmpeg.h"

#include "tests/engine/EncoderJobSupport.h"

#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace vidrelo::test {

// What a job told its owner while it ran.
struct TJobEvents {
    std::atomic<int> Terminates{0};
    std::mutex Lock;
    std::vector<int64_t> ProgressTimes;   // steady clock, microseconds
    std::vector<int64_t> CurrentDurations;
    std::vector<int64_t> TotalDurations;

    void Attach(TCustomFFmpeg& job)
    {
        job.OnTerminate = [this](TCustomFFmpeg*) { ++Terminates; };
        job.OnProgress = [this](TCustomFFmpeg*, int, int, int, float, float, int64_t, int64_t current, int64_t total) {
            using namespace std::chrono;
            std::lock_guard lock(Lock);
            ProgressTimes.push_back(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
            CurrentDurations.push_back(current);
            TotalDurations.push_back(total);
        };
    }
};

// One "[STREAM]", "[PACKET]" or "[FORMAT]" block of ffprobe's default
// output (nested blocks such as side data belong to it).
using TProbeBlock = std::map<std::string, std::string>;

inline std::vector<TProbeBlock> ProbeBlocks(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"-v", "error"};
    all.insert(all.end(), args.begin(), args.end());
    const TProgramResult r = RunProgram("/usr/bin/ffprobe", all);
    std::vector<TProbeBlock> blocks;
    std::istringstream in(r.Out);
    std::string line;
    int depth = 0;
    while (std::getline(in, line)) {
        if (line.size() > 1 && line[0] == '[') {
            if (line[1] == '/') {
                --depth;
            } else if (depth++ == 0) {
                blocks.emplace_back();
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && depth == 1 && !blocks.empty())
            blocks.back()[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return blocks;
}

struct TProbedFile {
    double Duration = -1;
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
                      "format=duration:stream=index,codec_type,codec_name,width,height,sample_rate,channels,duration",
                      file})) {
        if (block.count("codec_type"))
            probed.Streams.push_back(block);
        else if (block.count("duration") && block.at("duration") != "N/A")
            probed.Duration = std::stod(block.at("duration"));
    }
    return probed;
}

inline double Number(const TProbeBlock& block, const std::string& key, double fallback = -1)
{
    const auto it = block.find(key);
    if (it == block.end() || it->second.empty() || it->second == "N/A")
        return fallback;
    return std::stod(it->second);
}

struct TPacketTimes {
    double Pts = NAN;  // seconds; NAN when the container leaves it out
    double Dts = NAN;
    double Duration = NAN;
    double Time() const { return std::isnan(Pts) ? Dts : Pts; }
};

// The times of one stream's packets ("v:0", "a:0"), in file order.
inline std::vector<TPacketTimes> Packets(const std::string& file, const std::string& stream)
{
    std::vector<TPacketTimes> packets;
    for (const TProbeBlock& b :
         ProbeBlocks({"-select_streams", stream, "-show_entries", "packet=pts_time,dts_time,duration_time", file}))
        packets.push_back({Number(b, "pts_time", NAN), Number(b, "dts_time", NAN), Number(b, "duration_time", NAN)});
    return packets;
}

// The earliest presentation time among a stream's packets.
inline double FirstTime(const std::vector<TPacketTimes>& packets)
{
    double first = INFINITY;
    for (const TPacketTimes& p : packets)
        if (!std::isnan(p.Time()))
            first = std::min(first, p.Time());
    return first;
}

// Seconds of audio in the first audio stream, decoded as the players do
// (encoder delay and padding removed where the container says so).
inline double DecodedAudioSeconds(const std::string& file)
{
    const TProgramResult r = RunProgram("/usr/bin/ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-map", "0:a:0",
                                                            "-ac", "1", "-ar", "48000", "-f", "s16le", "-"});
    return r.Out.size() / 2 / 48000.0;
}

// Seconds of audio an "opendvd:" source carries, read through the
// program's own dump of its MPEG stream. (The generated titles' audio stops
// a few AC-3 frames before their pictures do.)
inline double SourceAudioSeconds(const std::string& source, const std::string& folder)
{
    const std::string dump = folder + "/source-dump.mpg";
    const TProgramResult r = RunProgram(BinDir() + "/vidrelo-cli", {"dump", source, dump});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    return DecodedAudioSeconds(dump);
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

// The mean difference of two such pictures of the same size over a rectangle.
inline double MeanDifference(const std::string& a, const std::string& b, int width, int x0, int y0, int x1, int y1)
{
    double sum = 0;
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++count) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            sum += std::abs(int(static_cast<unsigned char>(a.at(i))) - int(static_cast<unsigned char>(b.at(i))));
        }
    return count ? sum / count : 0;
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

// The frequency of the tone in the first audio stream, from zero crossings
// of its second half-second onwards (past any encoder start-up).
inline double ToneHz(const std::string& file)
{
    const TProgramResult r = RunProgram("/usr/bin/ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-map", "0:a:0",
                                                            "-ac", "1", "-ar", "48000", "-f", "s16le", "-"});
    const auto* samples = reinterpret_cast<const int16_t*>(r.Out.data());
    const std::size_t count = r.Out.size() / 2;
    const std::size_t first = 24000;
    const std::size_t last = std::min<std::size_t>(count, first + 96000);
    if (last <= first + 1)
        return 0;
    int crossings = 0;
    for (std::size_t i = first + 1; i < last; ++i)
        crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    return crossings / 2.0 / ((last - first) / 48000.0);
}

}  // namespace vidrelo::test
