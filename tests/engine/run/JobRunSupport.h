#pragma once
// Shared pieces of the conversion run tests: running a job and recording its
// events, and looking at what it wrote with the ffprobe and ffmpeg programs
// (packet times, decoded audio, pictures compared; streams, pictures and
// tones through MediaProbe.h).
#include "engine/encoder/TCustomFFmpeg.h"

#include "tests/engine/EncoderJobSupport.h"
#include "tests/support/MediaProbe.h"

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

// Seconds of audio in the first audio stream, decoded as the players do.
inline double DecodedAudioSeconds(const std::string& file)
{
    return MonoSamples(file).size() / 48000.0;
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

}  // namespace vidrelo::test
