// Opening a source and the read thread that fills the packet queues.
#include "engine/CLocale.h"
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/MediaURL.h"
#include "engine/loader/TInterruptCB.h"
#include "engine/loader/TSourceInput.h"
#include "engine/player/PlayerImpl.h"

#include <algorithm>

#include <limits>

#include <chrono>
#include <cmath>
#include <thread>

namespace vidrelo {

// How far before the asked time a seek aims. Demuxers that seek by reading
// timestamps (MPEG program streams, DVD titles) land up to a few tenths of a
// second off their aim; landing before the asked time and decoding on (the
// pictures before it are not shown) is what puts the first picture on it.
constexpr int64_t kSeekLeadIn = 1000000;

namespace {

constexpr int64_t MaxQueueSize = 15 * 1024 * 1024;
constexpr int64_t MinAudioQueueSize = 20 * 16 * 1024;
constexpr int MinFrames = 5;
constexpr int64_t Never = INT64_MAX;

int64_t NowMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(TPlayClock::now().time_since_epoch()).count();
}

void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The read time-out while opening: the stamp says when the last blocking
// operation began (0: Stop cancelled the open).
bool OpeningInterrupt(void* sender)
{
    auto& s = *static_cast<TVideoState*>(sender);
    const int64_t stamp = s.LastReadStamp;
    const char* why = nullptr;
    if (stamp == 0 || s.abort_request)
        why = "connecting/reading canceled";
    else if (s.Settings.ReadTimeout > 0 && stamp != Never &&
             NowMicroseconds() - stamp > int64_t(s.Settings.ReadTimeout) * 1000)
        why = "connecting/reading timeout";
    if (why && !s.InterruptLogged.exchange(true))
        s.InterruptWhy = why;
    return why != nullptr;
}

bool PlayingInterrupt(void* sender)
{
    return static_cast<TVideoState*>(sender)->abort_request;
}

}  // namespace

bool TCustomPlayer::TImpl::OpenSource(TStateRef state)
{
    {
        std::lock_guard lock(StateLock);
        Opening = state;
    }
    state->ReadThread = std::thread([this, state] { ReadThreadRun(state); });
    WaitServing(Services.Dispatcher, [&] { return state->Opened != osOpening; });
    if (state->Opened == osOpen) {
        if (state->video_stream < 0 && !state->Settings.DisableDisplay)
            state->show_audio = static_cast<int>(state->Settings.ShowAudio);
        std::lock_guard lock(StateLock);
        Opening.reset();
        State = state;
        return true;
    }
    state->ReadThread.join();
    {
        std::lock_guard lock(StateLock);
        Opening.reset();
    }
    Fail(state->OpenError, false);
    if (!state->InterruptWhy.empty())
        Log(llInfo, state->InterruptWhy);
    return false;
}

void TCustomPlayer::TImpl::ReadThreadRun(TStateRef state)
{
    const TCLocaleScope numbers;
    TVideoState& s = *state;
    bool ok;
    {
        TInterruptScope interrupt(Services.Interrupts, &s, OpeningInterrupt);
        ok = OpenInput(s);
    }
    if (ok) {
        TInterruptScope interrupt(Services.Interrupts, &s, PlayingInterrupt);
        int chosen[3];
        ChooseStreams(s, chosen);
        if (chosen[1] >= 0)
            OpenComponent(s, chosen[1]);
        if (chosen[0] >= 0 && !OpenComponent(s, chosen[0]) && !s.Settings.DisableDisplay)
            s.show_audio = 2;
        if (chosen[2] >= 0)
            OpenComponent(s, chosen[2]);
        if (s.video_stream < 0 && s.audio_stream < 0) {
            s.OpenError = Format("%s: could not open codecs, no stream to play.", s.Settings.FileName.c_str());
            ok = false;
        } else {
            s.Opened = osOpen;
            ReadLoop(s);
        }
    }
    if (!ok) {
        s.abort_request = true;
        s.Opened = osFailed;
    }
    while (!s.abort_request)
        Sleep(100);
    CloseComponents(s);
}

bool TCustomPlayer::TImpl::OpenInput(TVideoState& s)
{
    const TPlaySettings& set = s.Settings;
    const AVInputFormat* format = set.ForceFormat.empty() ? nullptr : ff::av_find_input_format(set.ForceFormat.c_str());
    const std::optional<std::string> url = EncodeMediaURL(set.FileName);
    if (!url) {
        s.OpenError = MediaErrorText(set.FileName, AVERROR(EINVAL));
        return false;
    }
    s.ic = ff::avformat_alloc_context();
    if (!s.ic) {
        s.OpenError = "av_mallocz() failed.";
        return false;
    }
    InstallInterruptCallback(s.ic, Services.Interrupts);
    AVDictionary* options = nullptr;
    if (set.FrameWidth > 0 && set.FrameHeight > 0)
        ff::av_dict_set(&options, "video_size", Format("%dx%d", set.FrameWidth, set.FrameHeight).c_str(), 0);
    ff::av_dict_set(&options, "framerate", "25", 0);
    s.LastReadStamp = NowMicroseconds();
    TSourceInputResult opened = OpenSourceInput(&s.ic, *url, format, &options);
    ff::av_dict_free(&options);
    if (opened.Code < 0 || !s.InterruptWhy.empty()) {
        s.OpenError = !s.InterruptWhy.empty() ? set.FileName + ": " + s.InterruptWhy : opened.Error;
        if (s.ic)
            CloseSourceInput(&s.ic);
        return false;
    }
    s.Hints = opened.Hints;
    if (set.GenPts)
        s.ic->flags |= AVFMT_FLAG_GENPTS;
    if (Owner.OnBeforeFindStreamInfo)
        Owner.OnBeforeFindStreamInfo(Owner, s.ic);
    s.LastReadStamp = NowMicroseconds();
    const int found = ff::avformat_find_stream_info(s.ic, nullptr);
    s.LastReadStamp = Never;
    if (found < 0 || !s.InterruptWhy.empty()) {
        s.OpenError = !s.InterruptWhy.empty() ? set.FileName + ": " + s.InterruptWhy
                                              : Format("%s: could not find codec parameters", set.FileName.c_str());
        return false;
    }
    if (opened.FromSource)
        AddHintedStreams(s.ic, s.Hints);
    if (s.ic->pb) {
        s.ic->pb->eof_reached = 0;
        s.ic->pb->error = 0;
    }
    const char* name = s.ic->iformat ? s.ic->iformat->name : "";
    s.SeekByBytes = set.SeekByBytes >= 0 ? set.SeekByBytes : ((s.ic->iformat->flags & AVFMT_TS_DISCONT) ? 1 : 0);
    s.IsImage2 = std::string(name) == "image2";
    s.IsDevice = std::string(name) == "vfwcap" || std::string(name) == "vfwcapture";
    s.StartTime = s.ic->start_time != AV_NOPTS_VALUE ? s.ic->start_time : 0;
    s.Duration = s.ic->duration != AV_NOPTS_VALUE ? s.ic->duration : -1;
    if (s.Hints.Duration != NoTime)
        s.Duration = s.Hints.Duration;
    if (set.StartAt != kNoPlayerTime) {
        const int64_t target = set.StartAt + s.StartTime;
        s.LastReadStamp = NowMicroseconds();
        // At or before the asked time first: decoding on from there lands on
        // the asked picture, while a key frame after it would overshoot.
        const bool landing = !std::isnan(LandingTarget(s, target, false));
        if ((!landing || ff::avformat_seek_file(s.ic, -1, INT64_MIN, target - kSeekLeadIn, target, 0) < 0) &&
            ff::avformat_seek_file(s.ic, -1, INT64_MIN, target, INT64_MAX, 0) < 0)
            Log(llError, Format("%s: could not seek to position %0.3f", set.FileName.c_str(), target / 1000000.0));
        else
            s.SeekTarget = s.AudioSeekTarget = LandingTarget(s, target, false);
        s.LastReadStamp = Never;
    }
    return s.InterruptWhy.empty();
}

// Where pictures and sound start after a seek to `pos` (microseconds,
// stream time): none for a byte position, and none at the very end, where
// the last picture is what there is to show.
double TCustomPlayer::TImpl::LandingTarget(const TVideoState& s, int64_t pos, bool bytes)
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    if (bytes)
        return none;
    const int64_t lastFrame = s.StartTime + s.Duration - int64_t(2 * s.frame_delay * 1000000);
    return s.Duration > 0 && pos >= lastFrame ? none : pos / 1000000.0;
}

void TCustomPlayer::TImpl::ChooseStreams(TVideoState& s, int (&chosen)[3])
{
    for (unsigned i = 0; i < s.ic->nb_streams; ++i)
        s.ic->streams[i]->discard = AVDISCARD_ALL;
    const int* wanted = s.Settings.WantedStream;
    chosen[0] = chosen[1] = chosen[2] = -1;
    if (!s.Settings.DisableVideo)
        chosen[0] = ff::av_find_best_stream(s.ic, AVMEDIA_TYPE_VIDEO, wanted[0], -1, nullptr, 0);
    if (!s.Settings.DisableAudio)
        chosen[1] = ff::av_find_best_stream(s.ic, AVMEDIA_TYPE_AUDIO, wanted[1], chosen[0], nullptr, 0);
    if (!s.Settings.DisableVideo)
        chosen[2] = ff::av_find_best_stream(s.ic, AVMEDIA_TYPE_SUBTITLE, wanted[2],
                                            chosen[1] >= 0 ? chosen[1] : chosen[0], nullptr, 0);
    for (int& c : chosen)
        c = std::max(c, -1);
}

bool TCustomPlayer::TImpl::QueuesFull(TVideoState& s)
{
    const int64_t total = s.audioq.Size() + s.videoq.Size() + s.subtitleq.Size();
    if (total > MaxQueueSize)
        return true;
    const bool audioShort = s.audio_stream >= 0 && s.audioq.Size() <= MinAudioQueueSize;
    const bool videoShort = s.video_stream >= 0 && s.videoq.Count() <= MinFrames;
    const bool subtitleShort = s.subtitle_stream >= 0 && s.subtitleq.Count() <= MinFrames;
    return !audioShort && !videoShort && !subtitleShort;
}

void TCustomPlayer::TImpl::ReadLoop(TVideoState& s)
{
    // The owner reads the input's summary (its size, through the same byte
    // source) before the first packet: a read that blocks must not hold it.
    while (!s.DecoderAttached && !s.abort_request)
        Sleep(5);
    while (!s.abort_request) {
        if (s.paused != s.last_paused)
            s.last_paused = s.paused;
        ExecuteSeek(s);
        if (QueuesFull(s)) {
            Sleep(10);
            continue;
        }
        if (s.EndOfInput) {
            if (s.video_stream >= 0) {
                AVPacket* empty = ff::av_packet_alloc();
                s.videoq.Put(empty);
            }
            PictEvent.Set();
            Sleep(10);
            if (s.audioq.Count() == 0 && s.videoq.Count() <= 1 && s.subtitleq.Count() == 0)
                s.ReachEOF = true;
            continue;
        }
        if (!ReadPacket(s))
            return;
    }
}

bool TCustomPlayer::TImpl::ReadPacket(TVideoState& s)
{
    AVPacket* packet = ff::av_packet_alloc();
    s.Reading = true;
    const int result = ff::av_read_frame(s.ic, packet);
    s.Reading = false;
    if (s.abort_request) {
        ff::av_packet_free(&packet);
        return false;
    }
    if (result < 0) {
        ff::av_packet_free(&packet);
        HandleReadFailure(s, result);
        return !(s.ic->pb && s.ic->pb->error && s.Settings.CheckIOERR);
    }
    const int index = packet->stream_index;
    if (index == s.audio_stream)
        s.audioq.Put(packet);
    else if (index == s.video_stream)
        s.videoq.Put(packet);
    else if (index == s.subtitle_stream)
        s.subtitleq.Put(packet);
    else
        ff::av_packet_free(&packet);
    return true;
}

void TCustomPlayer::TImpl::HandleReadFailure(TVideoState& s, int result)
{
    if (s.video_stream >= 0)
        PictEvent.Set();
    AVIOContext* pb = s.ic->pb;
    auto clearFlags = [pb] {
        if (pb)
            pb->eof_reached = pb->error = 0;
    };
    auto endOfInput = [&] {
        s.EndOfInput = true;
        if (!s.IOEOFLog && !s.IsImage2)
            Log(llInfo, Format("reach end of file: %s", s.Settings.FileName.c_str()));
        s.IOEOFLog = true;
    };
    if (result == AVERROR(EAGAIN)) {
        clearFlags();
    } else if (result == AVERROR_EOF) {
        endOfInput();
    } else if (pb && pb->error == AVERROR(EAGAIN)) {
        clearFlags();
    } else if (pb && pb->eof_reached) {
        if (s.Settings.CheckIOEOF)
            endOfInput();
        else
            clearFlags();
    } else {
        if (!s.IOERRLog && !s.IsImage2)
            Log(llError, Format("error #%d while reading file: %s", result, s.Settings.FileName.c_str()));
        s.IOERRLog = true;
        if (!pb || !pb->error)
            s.EndOfInput = true;  // nothing more will come: let what is queued drain
    }
    if (pb && pb->error && !s.Settings.CheckIOERR)
        clearFlags();
    if (!s.EndOfInput)
        Sleep(100);
}

void TCustomPlayer::TImpl::ExecuteSeek(TVideoState& s)
{
    int64_t pos, rel;
    int flags;
    {
        std::lock_guard lock(s.SeekLock);
        if (!s.seek_req)
            return;
        pos = s.seek_pos;
        rel = s.seek_rel;
        flags = s.seek_flags;
    }
    const int64_t minTs = rel > 0 ? pos - rel + 2 : INT64_MIN;
    const int64_t maxTs = rel < 0 ? pos - rel - 2 : INT64_MAX;
    // At or before the position first (see the start time's seek), then the
    // range the request allows.
    // Without a landing target (a byte position, the very end) the last
    // picture found is what is shown, so the aim is the position itself.
    const double landing = LandingTarget(s, pos, flags & AVSEEK_FLAG_BYTE);
    int result = std::isnan(landing) ? -1
                                     : ff::avformat_seek_file(s.ic, -1, minTs, std::max(minTs, pos - kSeekLeadIn),
                                                              std::min(maxTs, pos), flags);
    if (result < 0)
        result = ff::avformat_seek_file(s.ic, -1, minTs, pos, maxTs, flags);
    if (result < 0)
        result = ff::av_seek_frame(s.ic, -1, pos, flags);
    if (result < 0)
        result = ff::av_seek_frame(s.ic, -1, pos, flags ^ AVSEEK_FLAG_BACKWARD);
    if (result < 0) {
        Log(llError, Format("%s: error while seeking", s.Settings.FileName.c_str()));
        PictEvent.Set();
    } else {
        // Before the flush markers, which the decoding threads take it with.
        s.PendingSeekTarget = s.PendingAudioSeekTarget = landing;
        for (TPacketQueue* q : {&s.audioq, &s.subtitleq, &s.videoq}) {
            q->Flush();
            q->Put(NewFlushPacket());
        }
        {
            std::lock_guard lock(s.PictLock);
            s.FlushPending = true;
        }
        s.PictCond.notify_all();
        if (s.video_stream >= 0) {
            s.seek_flushed = false;
            PictEvent.Reset();
        }
    }
    s.IOEOFLog = s.IOERRLog = false;
    s.ReachEOF = false;
    s.EventEOF = false;
    s.seek_done = true;
    {
        std::lock_guard lock(s.SeekLock);
        s.seek_req = false;
    }
    SeekEvent.Set();
    if (s.video_stream < 0)
        SeekingFlag = false;
    s.EndOfInput = false;
    if (s.ic->pb)
        s.ic->pb->eof_reached = 0;
}

}  // namespace vidrelo
