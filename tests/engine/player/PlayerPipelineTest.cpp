// The preview player's pipeline as a user meets it: hooks, frame dropping,
// the clocks, stream switching, the audio displays, the decoder that shares
// the input, and the events on the main thread.
#include "engine/MainThreadDispatcher.h"
#include "engine/TEngineBitmap.h"
#include "engine/probe/TFFDecoder.h"
#include "tests/engine/player/PlayerFixture.h"

#include <cstring>

namespace vidrelo {
namespace {

using namespace std::chrono_literals;
using test::FrameNumber;
using test::PlayerTest;

// How often per second the first channel of 16-bit samples swings from one
// side to the other (twice the tone's frequency); the quiet edges of the
// sound do not count.
double Crossings(const std::vector<int16_t>& samples, int rate, int channels)
{
    int crossings = 0, side = 0;
    for (size_t i = 0; i < samples.size(); i += channels) {
        const int now = samples[i] > 1000 ? 1 : samples[i] < -1000 ? -1 : 0;
        if (now != 0 && now != side) {
            crossings += side != 0;
            side = now;
        }
    }
    return samples.empty() ? 0 : crossings * double(rate) * channels / double(samples.size());
}

struct TSoundRecord {
    std::mutex Lock;
    std::vector<int64_t> Positions;
    std::vector<int16_t> Samples;
    int Rate = 0, Channels = 0;
    void Attach(TCustomPlayer& player)
    {
        player.AudioHook = true;
        player.OnAudioHook = [this](TCustomPlayer&, int64_t pts, const uint8_t* data, int size, int rate, int channels) {
            std::lock_guard lock(Lock);
            Positions.push_back(pts);
            const auto* s = reinterpret_cast<const int16_t*>(data);
            Samples.insert(Samples.end(), s, s + size / 2);
            Rate = rate;
            Channels = channels;
        };
    }
    // The tone of what came since the last call, in crossings per second.
    double TakeTone()
    {
        std::lock_guard lock(Lock);
        const double tone = Crossings(Samples, Rate, Channels);
        Samples.clear();
        return tone;
    }
    size_t Count()
    {
        std::lock_guard lock(Lock);
        return Samples.size();
    }
};

// The video hook sees each picture as an RGB bitmap at its position; what
// it paints is what the surface shows.
TEST_F(PlayerTest, TheHooksSeePicturesAndSoundAndThePaintingIsShown)
{
    std::vector<std::pair<int64_t, int>> seen;  // position, red of the middle pixel
    Player.VideoHook = true;
    Player.VideoHookBitsPixel = 24;
    Player.OnVideoHook = [&](TCustomPlayer&, TEngineBitmap& bitmap, int64_t pts, bool& update) {
        ASSERT_EQ(bitmap.Width(), 64);
        ASSERT_EQ(bitmap.Height(), 48);
        const uint8_t* middle = bitmap.ScanLine(24) + 32 * 3;  // B, G, R
        seen.emplace_back(pts, middle[2]);
        update = pts >= 1000000;
        if (update)  // a white bar along the top from one second on
            for (int x = 0; x < 64; ++x)
                std::memset(bitmap.ScanLine(0) + x * 3, 255, 3);
    };
    TSoundRecord sound;
    sound.Attach(Player);
    Player.SetAudioVolume(0);  // the hook comes before the volume
    ASSERT_TRUE(Player.Open(ColourClip, &Surface)) << Player.LastErrMsg();
    ASSERT_TRUE(Events.WaitFor(TPlayState::psEnd));
    Player.Stop(true);

    ASSERT_GT(seen.size(), 50u);
    for (const auto& [pts, red] : seen)
        EXPECT_NEAR(red, 20 + 20 * (int(std::lround(pts / 40000.0)) % 10), 8) << pts;
    for (const auto& p : Surface.All()) {
        const auto top = reinterpret_cast<const uint32_t*>(p->Data)[10] & 0xffffffu;
        EXPECT_EQ(top == 0xffffffu, p->PTS >= 1000000) << p->PTS;
        EXPECT_EQ(FrameNumber(*p), int(std::lround(p->PTS / 40000.0)));  // the rest is unchanged
    }
    std::lock_guard lock(sound.Lock);
    EXPECT_EQ(sound.Channels, 1);
    EXPECT_NEAR(Crossings(sound.Samples, sound.Rate, sound.Channels), 880, 30);  // a 440 Hz tone, not silence
    EXPECT_TRUE(std::is_sorted(sound.Positions.begin(), sound.Positions.end()));
    EXPECT_NEAR(sound.Positions.back(), 3000000, 100000);
}

// A picture that takes long to make puts the video behind the sound: with
// frame dropping late pictures go unseen (and are counted), without it every
// picture is shown, late.
TEST_F(PlayerTest, LatePicturesAreDroppedOnlyWithFrameDropping)
{
    for (const int framedrop : {1, 0}) {
        SCOPED_TRACE(framedrop);
        Surface.Pictures.clear();
        Player.framedrop = framedrop;
        Player.VideoHook = true;
        Player.OnVideoHook = [](TCustomPlayer&, TEngineBitmap&, int64_t pts, bool&) {
            if (pts >= 400000 && pts < 1600000)  // 80 ms for each 40 ms picture: falls behind by 0.6 s
                std::this_thread::sleep_for(80ms);
        };
        ASSERT_TRUE(Player.Open(ColourClip, &Surface)) << Player.LastErrMsg();
        ASSERT_TRUE(Events.WaitFor(TPlayState::psEnd, 20s));
        if (!framedrop) {  // every picture, to the last
            ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() >= 75; }, 10s))
                << Surface.Count() << " pictures, the last at " << (Surface.Count() ? Surface.Last()->PTS : -1);
        }
        const TPlayerStatistics stats = Player.Statistics();
        Player.Stop(true);
        const auto pictures = Surface.All();
        for (size_t i = 1; i < pictures.size(); ++i)
            EXPECT_GT(pictures[i]->PTS, pictures[i - 1]->PTS);
        EXPECT_EQ(stats.PicturesShown, int64_t(pictures.size()));
        if (framedrop) {
            EXPECT_GT(stats.PicturesDropped, 0);
            EXPECT_LT(pictures.size(), 75u);
        } else {
            EXPECT_EQ(stats.PicturesDropped, 0);
            EXPECT_EQ(pictures.size(), 75u);
            EXPECT_GT(stats.PicturesLate, 0);
        }
        std::lock_guard lock(Events.Lock);
        Events.States.clear();
    }
}

// Every master clock keeps the pictures on it, also after a pause.
TEST_F(PlayerTest, PicturesFollowEachMasterClockAcrossAPause)
{
    for (const auto sync : {Tav_sync_type::AV_SYNC_AUDIO_MASTER, Tav_sync_type::AV_SYNC_EXTERNAL_CLOCK,
                            Tav_sync_type::AV_SYNC_VIDEO_MASTER}) {
        SCOPED_TRACE(int(sync));
        Surface.Pictures.clear();
        Player.av_sync_type = sync;
        ASSERT_TRUE(Player.Open(ColourClip, &Surface)) << Player.LastErrMsg();
        ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() > 10; }, 10s));
        Player.Pause();
        std::this_thread::sleep_for(300ms);
        Player.Resume();
        ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() > 0 && Surface.Last()->PTS > 1600000; }, 10s));
        const int64_t offset = Surface.MedianClockOffset();
        EXPECT_GE(offset, 0);
        EXPECT_LT(offset, 60000) << "median picture/clock offset in microseconds";
        Player.Stop(true);
    }
}

// Another audio stream is heard from where the playback is; the words can be
// switched on and off.
TEST_F(PlayerTest, SwitchingTheSoundAndTheWordsWhilePlaying)
{
    TSoundRecord sound;
    sound.Attach(Player);
    ASSERT_TRUE(Player.Open(MultiClip, &Surface)) << Player.LastErrMsg();
    EXPECT_EQ(Player.AudioStreamIndex(), 1);
    ASSERT_TRUE(test::WaitFor([&] { return sound.Count() > 20000; }, 10s));
    EXPECT_NEAR(sound.TakeTone(), 880, 40);

    ASSERT_TRUE(Player.SetAudioStreamIndex(2)) << Player.LastErrMsg();
    EXPECT_EQ(Player.AudioStreamIndex(), 2);
    sound.TakeTone();
    ASSERT_TRUE(test::WaitFor([&] { return sound.Count() > 20000; }, 10s));
    EXPECT_NEAR(sound.TakeTone(), 3520, 100);

    ASSERT_TRUE(Player.SetSubtitleStreamIndex(3)) << Player.LastErrMsg();
    EXPECT_EQ(Player.SubtitleStreamIndex(), 3);
    ASSERT_TRUE(Player.SetSubtitleStreamIndex(-1));
    EXPECT_EQ(Player.SubtitleStreamIndex(), -1);
    EXPECT_FALSE(Player.SetAudioStreamIndex(0));
    EXPECT_EQ(Player.LastErrMsg(), "the stream type is not matched.");
    const size_t before = Surface.Count();
    EXPECT_TRUE(test::WaitFor([&] { return Surface.Count() > before + 5; }, 5s));  // the pictures play on
    Player.Stop(true);  // before the record the sound hook writes into goes
}

// The spectrum shows a steady tone as one bright line at its height: a
// 440 Hz tone sampled at 44100 Hz in 240 rows of 44100 / 512 Hz each.
TEST_F(PlayerTest, TheSpectrumShowsAToneAtItsHeight)
{
    Player.ShowAudio = TShowAudio::saRDFT;
    ASSERT_TRUE(Player.Open(SoundClip, &Surface)) << Player.LastErrMsg();
    ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() > 20 && Player.CurrentPTS() > 500000; }, 10s));
    const auto p = Surface.Last();
    ASSERT_EQ(p->Width, 320);
    ASSERT_EQ(p->Height, 240);
    int columns = 0;
    for (int x = 0; x < p->Width; ++x) {
        int brightest = -1, level = 0;
        for (int y = 0; y < p->Height; ++y) {
            const uint32_t px = reinterpret_cast<const uint32_t*>(p->Data + y * p->Stride)[x];
            if (int(px >> 16 & 0xff) > level) {
                level = int(px >> 16 & 0xff);
                brightest = y;
            }
        }
        if (level < 128)
            continue;  // not drawn yet
        ++columns;
        EXPECT_NEAR(brightest, 239 - 5, 1) << "column " << x;
    }
    EXPECT_GT(columns, 5);
}

// The host resized the surface: the picture is fitted again at once, also
// while paused.
TEST_F(PlayerTest, ANewSurfaceSizeRefitsThePictureWhilePaused)
{
    ASSERT_TRUE(Player.Open(ColourClip, &Surface, true));
    ASSERT_TRUE(Events.WaitFor(TPlayState::psPause));
    ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() >= 1; }, 5s));
    EXPECT_EQ(Surface.Last()->Target, (TFitRect{0, 0, 320, 240}));
    const size_t before = Surface.Count();
    Surface.Width = 640;
    Player.UpdateScreenPosition();
    ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() > before; }, 5s));
    EXPECT_EQ(Surface.Last()->Target, (TFitRect{160, 0, 320, 240}));
    EXPECT_EQ(FrameNumber(*Surface.Last()), 0);
    EXPECT_TRUE(Player.Paused());
}

// The decoder describes the open input on the owner's thread and lets go of
// it when the playback ends, also when it ends on its own.
TEST_F(PlayerTest, TheDecoderDescribesTheInputUntilThePlaybackEnds)
{
    Player.start_time = 2600000;
    Player.PlayTime = 200000;
    ASSERT_TRUE(Player.Open(ColourClip, &Surface)) << Player.LastErrMsg();
    EXPECT_EQ(Player.Decoder().StreamCount(), 2);
    EXPECT_EQ(Player.Decoder().FileName(), ColourClip);
    // The play time's end closes the source on the player's own thread
    // while the owner keeps asking.
    while (!Events.Saw(TPlayState::psStop)) {
        const int streams = Player.Decoder().StreamCount();
        ASSERT_TRUE(streams == 2 || streams == -1) << streams;
    }
    EXPECT_EQ(Player.Decoder().FileHandle(), nullptr);
    EXPECT_EQ(Player.Decoder().StreamCount(), -1);

    ASSERT_TRUE(Player.Open(SoundClip, &Surface)) << Player.LastErrMsg();
    EXPECT_EQ(Player.Decoder().AudioStreamCount(), 1);
    Player.Stop(true);
    EXPECT_EQ(Player.Decoder().FileHandle(), nullptr);
}

// Delivered on the main thread, the events are the main thread's; while it
// is busy, the positions it has not taken yet collapse into the newest.
TEST_F(PlayerTest, EventsInTheMainThreadCollapseWhileItIsBusy)
{
    TMainThreadDispatcher& dispatcher = Dispatcher;  // the player's; the process's stays unattached
    dispatcher.AttachMainThread();
    std::vector<std::thread::id> threads;
    std::vector<int64_t> positions;
    Player.TriggerEventInMainThread = true;
    Player.OnPosition = [&](TCustomPlayer&, int64_t pts) {
        threads.push_back(std::this_thread::get_id());
        positions.push_back(pts);
    };
    Player.OnState = [&](TCustomPlayer&, TPlayState) { threads.push_back(std::this_thread::get_id()); };
    Player.OnFileOpen = [&](TCustomPlayer&, int64_t, int, int, int&, int&) {
        threads.push_back(std::this_thread::get_id());
    };
    ASSERT_TRUE(Player.Open(ColourClip, &Surface)) << Player.LastErrMsg();
    dispatcher.WaitUntil([&] { return positions.size() >= 3; });
    std::this_thread::sleep_for(600ms);  // busy: nothing is delivered meanwhile
    const size_t before = positions.size();
    dispatcher.WaitUntil([&] { return positions.size() >= before + 2; });
    Player.Stop(true);
    dispatcher.DetachMainThread();

    ASSERT_GT(threads.size(), before);
    for (const std::thread::id id : threads)
        EXPECT_EQ(id, std::this_thread::get_id());
    // At most one report was on its way when the main thread got busy; the
    // next one is already the newest, half a second on.
    EXPECT_GT(std::max(positions[before] - positions[before - 1], positions[before + 1] - positions[before]), 400000);
}

// Logged decisions: the frame rate the pictures follow, and a deinterlacer
// that cannot take the pictures.
TEST_F(PlayerTest, TheFrameRateDecisionAndADeinterlaceFailureAreLogged)
{
    struct TCase {
        std::string Rate;
        bool AutoAdjust;
        std::string Line;
    };
    const std::string seems = "Seems stream 0 codec frame rate differs from container frame rate: ";
    for (const TCase& c : {TCase{"25", true, "Force stream 0 frame rate: 25.00 (25/1) -> 25.00 (25/1)"},
                           TCase{"", true, seems + "1000.00 (1000/1) -> 25.00 (25/1)"}, TCase{"", false, ""}}) {
        SCOPED_TRACE(c.Rate + (c.AutoAdjust ? " auto" : " fixed"));
        const size_t from = Log.Dump().size();
        Player.SetForceFrameRate(c.Rate);
        Player.AutoAdjustFrameRate = c.AutoAdjust;
        ASSERT_TRUE(Player.Open(ColourClip, &Surface)) << Player.LastErrMsg();
        Player.Stop(true);
        const std::string lines = Log.Dump().substr(from);
        if (c.Line.empty())
            EXPECT_EQ(lines.find("frame rate"), std::string::npos) << lines;
        else
            EXPECT_TRUE(Log.Has(c.Line, llInfo)) << lines;
    }
    Player.SetForceFrameRate("");
    Player.AutoAdjustFrameRate = true;

    // Two lines are too few to deinterlace.
    const std::string flat = Clips + "/flat.nut";
    ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=16x2:rate=25:duration=1", "-c:v", "rawvideo",
                                "-pix_fmt", "yuv444p", flat}));
    Player.Deinterlace = true;
    ASSERT_TRUE(Player.Open(flat, &Surface)) << Player.LastErrMsg();
    ASSERT_TRUE(test::WaitFor([&] { return Surface.Count() > 5; }, 10s));  // shown without deinterlacing
    EXPECT_EQ(Log.Count("deinterlacing failed."), 1);
    EXPECT_TRUE(Log.Has("deinterlacing failed.", llError));
}

}  // namespace
}  // namespace vidrelo
