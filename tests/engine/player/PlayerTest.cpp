// The preview player on small clips whose every picture shows its own frame
// number as a colour, played onto a surface that records what it is given.
#include "engine/player/PlayerImpl.h"
#include "engine/player/TCustomPlayer.h"
#include "engine/player/TPlayEvent.h"

#include "engine/EngineError.h"
#include "tests/engine/player/PlayerFixture.h"
#include "tests/support/EngineServices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace vidrelo {
namespace {

using namespace std::chrono_literals;
using test::FrameNumber;
using test::PlayerTest;
using test::TRecordingSurface;

TEST_F(PlayerTest, PlaysToTheEndWithPicturesInOrderThenStops)
{
    int64_t duration = 0;
    Player.OnFileOpen = [&](TCustomPlayer&, int64_t d, int w, int h, int&, int&) {
        duration = d;
        EXPECT_EQ(w, 64);
        EXPECT_EQ(h, 48);
    };
    ASSERT_TRUE(Player.Open(ColourClip, &Surface)) << Player.LastErrMsg();
    EXPECT_EQ(Player.FileName(), ColourClip);
    EXPECT_NEAR(duration, 3000000, 20000);
    ASSERT_TRUE(Events.WaitFor(TPlayState::psEnd));
    EXPECT_TRUE(Log.Has("reach end of file: " + ColourClip, llInfo));
    const auto pictures = Surface.All();
    ASSERT_GT(pictures.size(), 50u);
    for (size_t i = 1; i < pictures.size(); ++i)
        EXPECT_GT(pictures[i]->PTS, pictures[i - 1]->PTS);
    // Each picture is the frame its timestamp says, fitted into the 320x240 surface.
    for (const auto& p : pictures) {
        EXPECT_EQ(FrameNumber(*p), int(std::lround(p->PTS / 40000.0)));
        EXPECT_EQ(p->Target, (TFitRect{0, 0, 320, 240}));
    }
    const TPlayerStatistics stats = Player.Statistics();
    EXPECT_EQ(stats.PicturesShown, int64_t(pictures.size()));
    EXPECT_GT(stats.OpenToFirstPicture, 0);
    // The position runs on to the duration, which is the last report.
    EXPECT_TRUE(test::WaitFor([&] { return Player.CurrentPTS() == duration; }, 2s));
    std::this_thread::sleep_for(100ms);
    {
        std::lock_guard lock(Events.Lock);
        EXPECT_EQ(Events.States.front(), TPlayState::psPlay);
        ASSERT_FALSE(Events.Positions.empty());
        EXPECT_EQ(Events.Positions.back(), duration);
        // Reports are more than 10 ms apart, but for the one that reaches the end.
        for (size_t i = 1; i + 1 < Events.Positions.size(); ++i)
            EXPECT_GT(std::llabs(Events.Positions[i] - Events.Positions[i - 1]), 10000);
    }
    Player.Stop(true);
    EXPECT_TRUE(Events.WaitFor(TPlayState::psStop));
    EXPECT_TRUE(Player.Paused());
    EXPECT_EQ(Player.CurrentPTS(), -1);
    EXPECT_GE(Surface.Clears, 1);
}

TEST_F(PlayerTest, PicturesFollowTheSoundAndPausingHoldsThem)
{
    ASSERT_TRUE(Player.Open(ColourClip, &Surface));
    ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() > 25; }, 10s));
    const int64_t offset = Surface.MedianClockOffset();
    EXPECT_GE(offset, 0);
    EXPECT_LT(offset, 60000) << "median picture/sound offset in microseconds";

    Player.Pause();
    EXPECT_TRUE(Player.Paused());
    std::this_thread::sleep_for(100ms);
    const size_t held = Surface.Count();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Surface.Count(), held);
    Player.Resume();
    EXPECT_TRUE(test::WaitFor([&] { return Surface.Count() > held + 3; }, 5s));
    EXPECT_TRUE(Events.Saw(TPlayState::psPause));
    EXPECT_TRUE(Events.Saw(TPlayState::psResume));
}

TEST_F(PlayerTest, SeekShowsThePictureAtTheNewPlaceAlsoWhilePaused)
{
    ASSERT_TRUE(Player.Open(ColourClip, &Surface, true));
    ASSERT_TRUE(Events.WaitFor(TPlayState::psPause));
    ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() >= 1; }, 5s));
    EXPECT_EQ(FrameNumber(*Surface.Last()), 0);
    EXPECT_TRUE(Player.Paused());

    struct TCase {
        int64_t Time;
        int Frame;
    };
    for (const TCase c : {TCase{2000000, 50}, TCase{800000, 20}, TCase{9000000, 74}}) {
        SCOPED_TRACE(c.Time);
        const size_t before = Surface.Count();
        Player.Seek(0, true, c.Time);
        ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() > before; }, 5s));
        EXPECT_NEAR(FrameNumber(*Surface.Last()), c.Frame, 1);
        EXPECT_TRUE(Player.Paused());
        EXPECT_FALSE(Player.Seeking());
    }
    // Playing on from a seek shows what follows it.
    Player.Seek(0, true, int64_t(1000000));
    Player.Resume();
    ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() > 0 && Surface.Last()->PTS > 1400000; }, 5s));
    EXPECT_EQ(FrameNumber(*Surface.Last()), int(std::lround(Surface.Last()->PTS / 40000.0)));
}

// The part to play from the start time: where it begins, that it stops or
// comes round again at its end.
TEST_F(PlayerTest, APlayTimeStopsOrLoopsAtItsEnd)
{
    Player.start_time = 1000000;
    Player.PlayTime = 500000;
    Player.RepeatType = TRepeatType::rtStop;
    ASSERT_TRUE(Player.Open(ColourClip, &Surface)) << Player.LastErrMsg();
    ASSERT_TRUE(Events.WaitFor(TPlayState::psStop));
    auto pictures = Surface.All();
    ASSERT_FALSE(pictures.empty());
    EXPECT_EQ(FrameNumber(*pictures.front()), 25);  // the start time's picture, not the key frame's
    EXPECT_LE(pictures.back()->PTS, 1500000 + 80000);

    Player.Stop(true);  // the stop inside Open would put back the defaults set below
    Player.start_time = 1000000;
    Player.PlayTime = 400000;
    Player.RepeatType = TRepeatType::rtLoop;
    Surface.Pictures.clear();
    ASSERT_TRUE(Player.Open(ColourClip, &Surface)) << Player.LastErrMsg();
    // Back at the start after the end of the part: a later picture is earlier in the clip.
    ASSERT_TRUE(test::WaitFor(
        [&] {
            pictures = Surface.All();
            for (size_t i = 1; i < pictures.size(); ++i)
                if (pictures[i]->PTS < pictures[i - 1]->PTS)
                    return true;
            return false;
        },
        5s));
    for (const auto& p : pictures)
        EXPECT_LE(p->PTS, 1400000 + 120000);
}

TEST_F(PlayerTest, AStepShowsOnePictureMoreAndPausesAgain)
{
    ASSERT_TRUE(Player.Open(ColourClip, &Surface, true));
    ASSERT_TRUE(Events.WaitFor(TPlayState::psPause));
    ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() >= 1; }, 5s));
    std::this_thread::sleep_for(200ms);
    const int before = FrameNumber(*Surface.Last());
    Player.StepToNextFrame();
    ASSERT_TRUE(test::WaitFor([&] { return FrameNumber(*Surface.Last()) > before; }, 5s));
    std::this_thread::sleep_for(300ms);
    EXPECT_LE(FrameNumber(*Surface.Last()), before + 2);
    EXPECT_TRUE(Player.Paused());
    EXPECT_TRUE(Events.Saw(TPlayState::psStep));
}

// Positions posted faster than they are taken collapse into the newest; a
// full ring loses its oldest item.
TEST(PlayEventRingTest, ItemsOfOneKindCollapseAndAFullRingLosesTheOldest)
{
    TPlayEvent ring;
    for (int64_t p : {10, 20, 30})
        ring.Post({TPlayEventKind::Position, TPlayState::psPlay, p});
    ring.Post({TPlayEventKind::State, TPlayState::psPause, 0});
    ring.Post({TPlayEventKind::Position, TPlayState::psPlay, 40});
    const auto next = [&] { return ring.Take(0); };
    auto a = next();
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Position, 30);
    EXPECT_EQ(next()->State, TPlayState::psPause);
    EXPECT_EQ(next()->Position, 40);
    EXPECT_FALSE(next());

    for (int i = 0; i < 12; ++i)  // alternating kinds never collapse
        ring.Post({i % 2 ? TPlayEventKind::State : TPlayEventKind::Position, TPlayState::psPlay, i});
    std::vector<int64_t> taken;
    while (auto item = next())
        taken.push_back(item->Position);
    ASSERT_EQ(taken.size(), size_t(TPlayEvent::Capacity));
    EXPECT_EQ(taken.front(), 2);
    EXPECT_EQ(taken.back(), 11);
}

TEST_F(PlayerTest, VolumeSilencesOrLeavesTheSamples)
{
    const int16_t samples[4] = {1000, -2000, 30000, -32768};
    const auto* src = reinterpret_cast<const uint8_t*>(samples);
    auto mix = [](uint8_t* dst, const uint8_t* in, uint16_t, uint32_t len, int volume) {
        auto* d = reinterpret_cast<int16_t*>(dst);
        const auto* s = reinterpret_cast<const int16_t*>(in);
        for (uint32_t i = 0; i < len / 2; ++i)
            d[i] = int16_t(d[i] + s[i] * volume / 128);
    };
    struct TCase {
        int Volume;
        bool Mute;
        std::vector<int16_t> Out;
    };
    for (const TCase& c : {TCase{0, false, {0, 0, 0, 0}}, TCase{128, true, {0, 0, 0, 0}},
                           TCase{128, false, {1000, -2000, 30000, -32768}}, TCase{64, false, {500, -1000, 15000, -16384}}}) {
        int16_t out[4] = {7, 7, 7, 7};
        ApplyPlayerVolume(reinterpret_cast<uint8_t*>(out), src, sizeof out, c.Volume, c.Mute, mix);
        EXPECT_EQ(std::vector<int16_t>(out, out + 4), c.Out) << c.Volume << (c.Mute ? " muted" : "");
    }
    // The player keeps the volume in its range.
    Player.SetAudioVolume(300);
    EXPECT_EQ(Player.AudioVolume(), 128);
}

TEST_F(PlayerTest, ASourceWithoutVideoShowsItsWaveform)
{
    ASSERT_TRUE(Player.Open(SoundClip, &Surface));
    EXPECT_EQ(Player.VideoStreamIndex(), -1);
    EXPECT_EQ(Player.CurrentFrame().Width(), 0);
    ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() > 5 && Player.CurrentPTS() > 300000; }, 5s));
    const auto p = Surface.Last();
    ASSERT_EQ(p->Width, 320);
    int lit = 0;
    for (int y = 0; y < p->Height; ++y)
        for (int x = 0; x < p->Width; ++x)
            lit += reinterpret_cast<const uint32_t*>(p->Data + y * p->Stride)[x] == 0xffffffffu;
    EXPECT_GT(lit, p->Width);  // a tone fills more than one line
    EXPECT_TRUE(Events.WaitFor(TPlayState::psEnd));
}

TEST_F(PlayerTest, FailuresLeaveTheirText)
{
    TFFPlayer bare(test::EngineServices());
    EXPECT_FALSE(bare.Open(ColourClip, &Surface));
    EXPECT_EQ(bare.LastErrMsg(), "sdl not loaded.");

    const std::string missing = Clips + "/missing.mkv";
    EXPECT_FALSE(Player.Open(missing, &Surface));
    EXPECT_EQ(Player.LastErrMsg(), missing + ": No such file or directory");
    EXPECT_THROW(Player.SetForceFrameRate("fast"), EEngineError);
    EXPECT_THROW(Player.SetForceFormat("nosuchformat"), EEngineError);
    EXPECT_FALSE(Player.SetVideoStreamIndex(0));
    EXPECT_EQ(Player.LastErrMsg(), "the current stream is not valid.");
}

// An open that hangs in a read ends when Stop cancels it or when the read
// time-out runs out.
TEST_F(PlayerTest, AnOpenThatIsBlockedEndsByStopOrTimeOut)
{
    const std::string bytes = test::ReadAll(ColourClip);
    for (const bool byStop : {true, false}) {
        SCOPED_TRACE(byStop ? "stop" : "time-out");
        auto gate = std::make_shared<test::TTestStream::TGate>();
        TMediaEngine::SourceProtocols().Register("stall", [&](const std::string&) {
            TSourceOpenResult r;
            r.Stream = std::make_unique<test::TTestStream>(bytes, gate, 100);
            return r;
        });
        const std::string why = byStop ? "connecting/reading canceled" : "connecting/reading timeout";
        Player.ReadTimeout = byStop ? 0 : 300;
        std::thread stopper([&] {
            if (gate->WaitBlocked(5000) && byStop)
                Player.Stop(false);
        });
        EXPECT_FALSE(Player.Open("stall:clip", &Surface));
        stopper.join();
        EXPECT_EQ(Player.LastErrMsg(), "stall:clip: " + why);
        EXPECT_TRUE(Log.Has(why, llInfo));
        gate->Release();
        EXPECT_TRUE(gate->WaitDestroyed(5000));
        TMediaEngine::SourceProtocols().Unregister("stall");
    }
}

TEST_F(PlayerTest, StopEndsAPlaybackWhoseReadIsBlocked)
{
    auto gate = std::make_shared<test::TTestStream::TGate>();
    const std::string bytes = test::ReadAll(ColourClip);
    TMediaEngine::SourceProtocols().Register("stall", [&](const std::string&) {
        TSourceOpenResult r;
        r.Stream = std::make_unique<test::TTestStream>(bytes, gate, int64_t(bytes.size() / 2));
        return r;
    });
    ASSERT_TRUE(Player.Open("stall:clip", &Surface)) << Player.LastErrMsg();
    ASSERT_TRUE(gate->WaitBlocked(10000));
    const auto start = std::chrono::steady_clock::now();
    Player.Stop(true);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_TRUE(Events.WaitFor(TPlayState::psStop));
    gate->Release();
    EXPECT_TRUE(gate->WaitDestroyed(5000));
    TMediaEngine::SourceProtocols().Unregister("stall");
}

TEST_F(PlayerTest, OpenWhilePlayingAndTwoPlayersAtOnce)
{
    ASSERT_TRUE(Player.Open(ColourClip, &Surface));
    Player.start_time = 1000000;
    ASSERT_TRUE(Player.Open(ColourClip, &Surface));  // stops the first
    EXPECT_EQ(Player.start_time, kNoPlayerTime);     // defaults are back after that stop
    TFFPlayer second(test::EngineServices());
    ASSERT_TRUE(second.LoadSDLLib(""));
    second.TriggerEventInMainThread = false;
    second.SetMute(true);
    TRecordingSurface other;
    ASSERT_TRUE(second.Open(SoundClip, &other)) << second.LastErrMsg();
    EXPECT_TRUE(test::WaitFor([&] { return Surface.Count() > 10 && other.Count() > 3; }, 10s));
    second.Stop(true);
    EXPECT_TRUE(test::WaitFor([&] { return Surface.Count() > 20; }, 10s));
}

}  // namespace
}  // namespace vidrelo
