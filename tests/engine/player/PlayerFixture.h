#pragma once
// What the player tests share: small clips whose every picture shows its own
// frame number as a colour, a surface that records what it is given, and
// the events a playback reports.
#include "engine/MainThreadDispatcher.h"
#include "engine/player/TCustomPlayer.h"

#include "tests/engine/EncoderJobSupport.h"
#include "tests/support/EngineServices.h"
#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

namespace vidrelo::test {

using namespace std::chrono_literals;

// Frame n of the clips is painted red 20 + 20 * (n % 10), green 20 + 20 * (n / 10).
inline int FrameNumber(const TSurfacePicture& p)
{
    const uint8_t* px = p.Data + (p.Height / 2) * p.Stride + (p.Width / 2) * 4;  // B, G, R, A
    const int units = int(std::lround((px[2] - 20) / 20.0));
    const int tens = int(std::lround((px[1] - 20) / 20.0));
    return tens * 10 + units;
}

class TRecordingSurface : public TPlayerSurface {
public:
    void SurfaceSize(int& width, int& height) const override
    {
        width = Width;
        height = Height;
    }
    void Present(std::shared_ptr<const TSurfacePicture> picture) override
    {
        std::lock_guard lock(Lock);
        Pictures.push_back(std::move(picture));
    }
    void Clear() override
    {
        std::lock_guard lock(Lock);
        ++Clears;
    }
    size_t Count()
    {
        std::lock_guard lock(Lock);
        return Pictures.size();
    }
    std::shared_ptr<const TSurfacePicture> Last()
    {
        std::lock_guard lock(Lock);
        return Pictures.empty() ? nullptr : Pictures.back();
    }
    std::vector<std::shared_ptr<const TSurfacePicture>> All()
    {
        std::lock_guard lock(Lock);
        return Pictures;
    }
    // The median distance of the pictures after the first 0.2 s from the
    // clock they were shown by, in microseconds; -1 without such pictures.
    int64_t MedianClockOffset()
    {
        std::vector<int64_t> offsets;
        for (const auto& p : All())
            if (p->PTS > 200000)
                offsets.push_back(std::llabs(p->PTS - p->MasterPTS));
        if (offsets.empty())
            return -1;
        std::nth_element(offsets.begin(), offsets.begin() + offsets.size() / 2, offsets.end());
        return offsets[offsets.size() / 2];
    }
    std::mutex Lock;
    std::vector<std::shared_ptr<const TSurfacePicture>> Pictures;
    int Clears = 0;
    std::atomic<int> Width{320}, Height{240};
};

struct TPlayerEvents {
    std::mutex Lock;
    std::vector<TPlayState> States;
    std::vector<int64_t> Positions;
    void Attach(TCustomPlayer& player)
    {
        player.TriggerEventInMainThread = false;
        player.OnState = [this](TCustomPlayer&, TPlayState s) {
            std::lock_guard lock(Lock);
            States.push_back(s);
        };
        player.OnPosition = [this](TCustomPlayer&, int64_t pos) {
            std::lock_guard lock(Lock);
            Positions.push_back(pos);
        };
    }
    bool Saw(TPlayState state)
    {
        std::lock_guard lock(Lock);
        return std::find(States.begin(), States.end(), state) != States.end();
    }
    bool WaitFor(TPlayState state, std::chrono::milliseconds limit = 10s)
    {
        return test::WaitFor([&] { return Saw(state); }, limit);
    }
};

class PlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Clips = MakeTempDir("playerclips");
        const std::string colours =
            "nullsrc=s=64x48:r=25:d=3,format=rgb24,geq=r='20+20*mod(N,10)':g='20+20*floor(N/10)':b=128";
        ColourClip = Clips + "/colours.mkv";
        ASSERT_TRUE(MakeClip({"-f", "lavfi", "-i", colours, "-f", "lavfi", "-i", "sine=frequency=440:duration=3",
                              "-c:v", "mpeg4", "-g", "1", "-q:v", "2", "-c:a", "mp2", ColourClip}));
        SoundClip = Clips + "/sound.mka";
        ASSERT_TRUE(MakeClip({"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a", "mp2", SoundClip}));
        // Pictures, a low and a high tone, and words.
        const std::string words = Clips + "/words.srt";
        std::ofstream(words) << "1\n00:00:00,000 --> 00:00:03,000\nWords\n";
        MultiClip = Clips + "/multi.mkv";
        ASSERT_TRUE(MakeClip({"-f", "lavfi", "-i", colours, "-f", "lavfi", "-i", "sine=frequency=440:duration=3",
                              "-f", "lavfi", "-i", "sine=frequency=1760:duration=3", "-i", words, "-map", "0", "-map",
                              "1", "-map", "2", "-map", "3", "-c:v", "mpeg4", "-g", "1", "-q:v", "2", "-c:a", "mp2",
                              "-c:s", "srt", MultiClip}));
    }
    void SetUp() override
    {
        ASSERT_TRUE(Libraries.Loaded);
        ASSERT_TRUE(Player.LoadSDLLib("")) << Player.LastErrMsg();
        Events.Attach(Player);
    }
    void TearDown() override { Player.Stop(true); }

    static inline std::string Clips, ColourClip, SoundClip, MultiClip;
    test::TEncoderLibraries Libraries;
    test::TLogCapture Log;
    // Before the player: its event thread may deliver until the player goes.
    TRecordingSurface Surface;
    TPlayerEvents Events;
    // The player's own: what it hands to the main thread arrives here only.
    TMainThreadDispatcher Dispatcher;
    TFFPlayer Player{EngineServicesWith(Dispatcher)};
};

}  // namespace vidrelo::test
