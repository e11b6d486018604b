// The player's public operations: libraries, open, stop, pause, seek and the
// properties that act on a playing source.
#include "engine/player/TCustomPlayer.h"

#include "engine/CLocale.h"
#include "engine/EngineError.h"
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"
#include "engine/loader/TLibrary.h"
#include "engine/log/TFFLogger.h"
#include "engine/player/PlayerImpl.h"

#include <algorithm>
#include <cmath>

namespace vidrelo {
TCustomPlayer::TCustomPlayer(const TEngineServices& AServices) : FImpl(std::make_unique<TImpl>(*this, AServices))
{
    FImpl->FrameConverter.SetBitsPixel(32);
}

TCustomPlayer::~TCustomPlayer()
{
    OnPosition = nullptr;
    OnVideoHook = nullptr;
    OnAudioHook = nullptr;
    Stop(true);
    FImpl->StopEventThread();
    if (AVLibLoaded())
        Decoder().CloseFile();
}

bool TCustomPlayer::LoadAVLib(const std::string& path, bool autoLoadSDL)
{
    TFFLoader& loader = FImpl->Services.Loader;
    loader.SetLibraryPath(path);
    if (!loader.Load(PlayerLibraries)) {
        FImpl->LastErrMsg = loader.LastErrMsg();
        return false;
    }
    return !autoLoadSDL || LoadSDLLib(path);
}

bool TCustomPlayer::AVLibLoaded() const
{
    return FImpl->Services.Loader.Loaded(PlayerLibraries);
}

void TCustomPlayer::UnloadAVLib()
{
    Stop(true);
    FImpl->Services.Loader.Unload(PlayerLibraries);
}

bool TCustomPlayer::LoadSDLLib(const std::string& path, const std::string& file)
{
    if (FImpl->SDL.Load(path, file))
        return true;
    FImpl->LastErrMsg = FImpl->SDL.LastErrMsg();
    return false;
}

bool TCustomPlayer::SDLLibLoaded() const
{
    return FImpl->SDL.Loaded();
}

void TCustomPlayer::UnloadSDLLib()
{
    Stop(true);
    FImpl->SDL.Unload();
}

bool TCustomPlayer::Open(const std::string& fileName, TPlayerSurface* surface, bool paused)
{
    return FImpl->Open(fileName, surface, paused);
}

void TCustomPlayer::Stop(bool waitForStop)
{
    FImpl->Stop(waitForStop);
}

void TCustomPlayer::Pause()
{
    if (TStateRef s = FImpl->Current(); s && !s->paused) {
        FImpl->Stepping = false;
        FImpl->SetPaused(s, true);
        FImpl->ReportState(TPlayState::psPause);
    }
}

void TCustomPlayer::Resume()
{
    if (TStateRef s = FImpl->Current(); s && s->paused) {
        FImpl->Stepping = false;
        FImpl->SetPaused(s, false);
        FImpl->ReportState(TPlayState::psResume);
    }
}

void TCustomPlayer::TogglePause()
{
    if (TStateRef s = FImpl->Current()) {
        const bool pause = !s->paused;
        FImpl->SetPaused(s, pause);
        FImpl->ReportState(pause ? TPlayState::psPause : TPlayState::psResume);
    }
}

void TCustomPlayer::StepToNextFrame()
{
    TStateRef s = FImpl->Current();
    if (!s)
        return;
    if (s->paused)
        FImpl->SetPaused(s, false);
    if (!FImpl->Stepping.exchange(true))
        FImpl->ReportState(TPlayState::psStep);
}

void TCustomPlayer::Seek(TSeekFlags flags, bool waitForSeekEnd, int64_t time)
{
    TStateRef s = FImpl->Current();
    if (!s)
        return;
    int64_t pos = time;
    if (!(flags & sfByte)) {
        if (s->Duration > 0)
            pos = std::min(pos, s->Duration);
        pos += s->StartTime;
    }
    FImpl->Seek(flags, waitForSeekEnd, pos, time <= 0 ? 1 : 0);
}

void TCustomPlayer::SeekBy(TSeekFlags flags, bool waitForSeekEnd, double delta)
{
    TStateRef s = FImpl->Current();
    if (!s)
        return;
    if (flags & sfByte) {
        const int64_t rate = s->ic && s->ic->bit_rate > 0 ? s->ic->bit_rate / 8 : 180000;
        const int64_t now = std::max<int64_t>(0, CurrentPTS()) * rate / 1000000;
        FImpl->Seek(flags, waitForSeekEnd, now + static_cast<int64_t>(delta * rate), static_cast<int64_t>(delta * rate));
        return;
    }
    const double now = FImpl->MasterClock(*s);
    const int64_t pos = static_cast<int64_t>((now + delta) * 1000000);
    FImpl->Seek(flags, waitForSeekEnd, pos, static_cast<int64_t>(delta * 1000000));
}

const TEngineBitmap& TCustomPlayer::CurrentFrame()
{
    int64_t pts = -1;
    return CurrentFrame(pts);
}

const TEngineBitmap& TCustomPlayer::CurrentFrame(int64_t& pts)
{
    pts = -1;
    TStateRef s = FImpl->Current();
    if (!s || s->video_stream < 0) {
        FImpl->EmptyBitmap.SetSize(0, 0);
        return FImpl->EmptyBitmap;
    }
    std::shared_ptr<const TSurfacePicture> picture;
    {
        std::lock_guard lock(s->PictLock);
        picture = s->pictq_size > 0 ? s->pictq[s->pictq_rindex].Picture : s->Current;
    }
    TEngineBitmap& bitmap = FImpl->FrameConverter.Bitmap();
    if (!picture) {
        bitmap.SetSize(std::max(1, s->FrameWidth), std::max(1, s->FrameHeight));
        return bitmap;
    }
    TAVPicture source;
    source.data[0] = const_cast<uint8_t*>(picture->Data);
    source.linesize[0] = picture->Stride;
    if (!FImpl->FrameConverter.PictureToRGB(source, AV_PIX_FMT_RGB32, true, picture->Height, picture->Width))
        bitmap.SetSize(picture->Width, picture->Height);
    pts = picture->PTS;
    return bitmap;
}

void TCustomPlayer::ToggleAudioDisplay()
{
    if (TStateRef s = FImpl->Current())
        s->show_audio = (s->show_audio + 1) % 3;
}

void TCustomPlayer::UpdateScreenPosition()
{
    if (FImpl->Current())
        FImpl->PostEvent(TPlayerEventType::Aspect);
}

const std::string& TCustomPlayer::FileName() const { return FImpl->FileName; }
bool TCustomPlayer::Paused() const
{
    TStateRef s = FImpl->Current();
    return !s || s->paused;
}
TPlayState TCustomPlayer::PlayState() const { return FImpl->State_; }
bool TCustomPlayer::Seeking() const { return FImpl->SeekingFlag; }
int64_t TCustomPlayer::CurrentPTS() const { return FImpl->CurrentPTS; }
TPlayerStatistics TCustomPlayer::Statistics() const
{
    std::lock_guard lock(FImpl->StatsLock);
    return FImpl->Stats;
}
const std::string& TCustomPlayer::LastErrMsg() const { return FImpl->LastErrMsg; }

TFFDecoder& TCustomPlayer::Decoder()
{
    // A source that closed itself is detached here, on the owner's thread.
    FImpl->ReleaseClosed();
    return FImpl->Decoder;
}

int TCustomPlayer::AudioVolume() const { return FImpl->Volume; }
void TCustomPlayer::SetAudioVolume(int volume) { FImpl->Volume = std::clamp(volume, 0, 128); }
bool TCustomPlayer::Mute() const { return FImpl->Muted; }
void TCustomPlayer::SetMute(bool mute) { FImpl->Muted = mute; }
double TCustomPlayer::AspectRatio() const { return FImpl->Aspect; }

void TCustomPlayer::SetAspectRatio(double ratio)
{
    FImpl->Aspect = ratio;
    if (FImpl->Current())
        FImpl->PostEvent(TPlayerEventType::Aspect);
}

const std::string& TCustomPlayer::ForceFrameRate() const { return FImpl->ForceFrameRate; }

void TCustomPlayer::SetForceFrameRate(const std::string& rate)
{
    AVRational q{0, 1};
    if (!rate.empty()) {
        const TCLocaleScope numbers;
        if (!ff::av_parse_video_rate || ff::av_parse_video_rate(&q, rate.c_str()) < 0)
            throw EEngineError("Incorrect frame rate");
    }
    FImpl->ForceFrameRate = rate;
}

const std::string& TCustomPlayer::ForceFormat() const { return FImpl->ForceFormat; }

void TCustomPlayer::SetForceFormat(const std::string& format)
{
    if (!format.empty()) {
        if (!AVLibLoaded())
            throw EEngineError("libav not loaded.");
        if (!ff::av_find_input_format(format.c_str()))
            throw EEngineError(Format("Unknown input format: %s", format.c_str()));
    }
    FImpl->ForceFormat = format;
}

int TCustomPlayer::AudioStreamIndex() const
{
    TStateRef s = FImpl->Current();
    return s ? s->audio_stream.load() : -1;
}

int TCustomPlayer::VideoStreamIndex() const
{
    TStateRef s = FImpl->Current();
    return s ? s->video_stream.load() : -1;
}

int TCustomPlayer::SubtitleStreamIndex() const
{
    TStateRef s = FImpl->Current();
    return s ? s->subtitle_stream.load() : -1;
}

}  // namespace vidrelo
