#include "cli/PlayCommand.h"

#include "cli/CliPlugin.h"
#include "cli/ConsoleEncoderRun.h"
#include "cli/PlayArguments.h"
#include "cli/TRecordingSurface.h"
#include "engine/MediaEngine.h"
#include "engine/player/TCustomPlayer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace vidrelo::cli {
namespace {

using std::chrono::steady_clock;

constexpr int kSurfaceWidth = 1280;
constexpr int kSurfaceHeight = 720;
// A playback whose position has not moved for this long has stalled.
constexpr auto kStallLimit = std::chrono::seconds(15);
constexpr int64_t kSnapshotGrace = 250000;  // microseconds

int Fail(const std::string& reason, int status = 1)
{
    std::fprintf(stderr, "vidrelo-cli play: %s\n", reason.c_str());
    return status;
}

// Set from the player's event thread when the source has played to its end
// or the playback stopped by itself.
std::atomic<bool> Ended{false};

// Whether the playback asked for is over.
bool Finished(TCustomPlayer& player, const TPlayRequest& request, const TRecordingSurface& surface)
{
    if (Ended)
        return true;
    if (request.Duration) {
        // The position runs on the sound, a little ahead of the last picture
        // shown: a snapshot asked for at the very end gets a moment more.
        const int64_t end = request.Start.value_or(0) + *request.Duration;
        const int64_t position = player.CurrentPTS();
        return position >= end && (surface.AllSnapshotsTaken() || position >= end + kSnapshotGrace);
    }
    return !request.Snapshots.empty() && surface.AllSnapshotsTaken();
}

// Plays until the request is done; false when the position stopped moving.
bool PlayThrough(TCustomPlayer& player, const TPlayRequest& request, const TRecordingSurface& surface)
{
    int64_t lastPosition = player.CurrentPTS();
    auto lastMove = steady_clock::now();
    while (!Finished(player, request, surface)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const int64_t position = player.CurrentPTS();
        if (position != lastPosition) {
            lastPosition = position;
            lastMove = steady_clock::now();
        } else if (steady_clock::now() - lastMove > kStallLimit) {
            return false;
        }
    }
    return true;
}

void PrintOffsets(const std::vector<TShownPicture>& shown, bool sound)
{
    if (!sound) {
        std::printf("audio-video offset: no sound\n");
        return;
    }
    std::vector<double> offsets;
    for (const TShownPicture& p : shown)
        if (p.MasterPTS >= 0 && p.PTS >= 0)
            offsets.push_back(std::abs(static_cast<double>(p.PTS - p.MasterPTS)) / 1000.0);
    if (offsets.empty()) {
        std::printf("audio-video offset: no sound clock\n");
        return;
    }
    std::sort(offsets.begin(), offsets.end());
    std::printf("audio-video offset: median %.1f ms, worst %.1f ms (%zu pictures)\n", offsets[offsets.size() / 2],
                offsets.back(), offsets.size());
}

void PrintSummary(const TCustomPlayer& player, const TPlayRequest& request, const TRecordingSurface& surface)
{
    const TPlayerStatistics stats = player.Statistics();
    const std::vector<TShownPicture> shown = surface.Shown();
    if (stats.OpenToFirstPicture >= 0)
        std::printf("open to first picture: %.1f ms\n", stats.OpenToFirstPicture / 1000.0);
    else
        std::printf("open to first picture: no picture\n");
    std::printf("pictures shown: %lld, late: %lld, dropped: %lld\n", static_cast<long long>(stats.PicturesShown),
                static_cast<long long>(stats.PicturesLate), static_cast<long long>(stats.PicturesDropped));
    PrintOffsets(shown, !request.NoAudio);
    if (request.Start && !shown.empty())
        std::printf("seek: asked %.3f s, first picture at %.3f s (%.1f ms off)\n", *request.Start / 1e6,
                    shown.front().PTS / 1e6, (shown.front().PTS - *request.Start) / 1000.0);
}

int Play(const TEngineServices& services, const TPlayRequest& request, const std::string& libav)
{
    TFFPlayer player(services);
    if (!player.LoadAVLib(libav, true))  // SDL also without sound: the player needs it bound
        return Fail(player.LastErrMsg());
    player.TriggerEventInMainThread = false;  // no event loop here: events come on the player's thread
    player.OnState = [](TCustomPlayer&, TPlayState state) {
        if (state == TPlayState::psEnd || state == TPlayState::psStop)
            Ended = true;
    };
    player.DisableAudio = request.NoAudio;
    player.SetAudioVolume(request.Volume);
    if (request.Start)
        player.start_time = *request.Start;
    TRecordingSurface surface(kSurfaceWidth, kSurfaceHeight, request.Snapshots);
    if (!player.Open(request.Source, &surface, false))
        return Fail(player.LastErrMsg());
    const bool played = PlayThrough(player, request, surface);
    player.Stop(true);
    std::printf("source: %s\n", request.Source.c_str());
    PrintSummary(player, request, surface);
    const bool written = surface.WriteSnapshots(stdout, stderr);
    if (!played)
        return Fail("the playback stalled");
    return written ? 0 : 1;
}

}  // namespace

int RunPlay(std::vector<std::string> args, const std::string& programFolder)
{
    if (args.size() == 1 && args[0] == "--help") {
        std::fputs(PlayUsage, stdout);
        return 0;
    }
    std::vector<std::string> operands = args;
    DropLibAVOption(operands);
    TPlayRequest request;
    std::string error;
    if (!ParsePlayArguments(operands, request, error)) {
        std::fprintf(stderr, "vidrelo-cli play: %s\n\n%s", error.c_str(), PlayUsage);
        return 2;
    }
    for (const TPlaySnapshot& s : request.Snapshots)
        if (std::filesystem::exists(s.File))
            return Fail("\"" + s.File + "\" already exists; a snapshot never replaces a file", 2);
    const std::string libav = LibAVFolder(args, programFolder);
    TMediaEngineScope engine;
    TConsoleLog log(false);
    if (IsDVDSource(request.Source) && !LoadPluginForCommand(args, programFolder))
        return 1;
    try {
        return Play(TMediaEngine::Services(), request, libav);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}

}  // namespace vidrelo::cli
