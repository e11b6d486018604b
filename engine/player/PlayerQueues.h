#pragma once
// The small synchronisation pieces of a playback: a manual-reset signal and
// the per-stream packet queue with its flush marker.
#include "engine/loader/MediaHeaders.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace vidrelo {

class TMainThreadDispatcher;

// A signal that stays set until cleared (the players' seek, picture and stop
// events).
class TManualEvent {
public:
    explicit TManualEvent(bool set) : FSet(set) {}
    void Set();
    void Reset();
    bool IsSet() const;
    // True when set within `ms` milliseconds.
    bool WaitFor(int ms) const;

private:
    mutable std::mutex FLock;
    mutable std::condition_variable FChanged;
    bool FSet;
};

// Waits until `done()`; on `dispatcher`'s main thread it keeps serving its
// hand-offs meanwhile, elsewhere it polls every few milliseconds.
void WaitServing(TMainThreadDispatcher& dispatcher, const std::function<bool()>& done);

// A packet that carries no payload and tells a queue's reader that a seek
// flushed everything before it.
AVPacket* NewFlushPacket();
bool IsFlushPacket(const AVPacket* packet);

// The packets read for one stream, waiting for its decoder.
class TPacketQueue {
public:
    ~TPacketQueue();
    // Takes `packet` over (freed when the queue is aborted); false, with the
    // packet freed, when the queue was aborted.
    bool Put(AVPacket* packet);
    // Blocks until a packet comes (true, ownership to the caller), the queue
    // is aborted (false) or, with `block` false, at once when empty (false).
    bool Get(AVPacket*& packet, bool block);
    void Flush();
    void Abort();
    void Start();  // clears the abort flag
    bool Aborted() const;
    int Count() const;
    int64_t Size() const;  // bytes, each packet counted with 72 more

private:
    mutable std::mutex FLock;
    std::condition_variable FCond;
    std::deque<AVPacket*> FPackets;
    int64_t FSize = 0;
    bool FAbort = false;
};

using TPlayClock = std::chrono::steady_clock;
// Seconds on the playback's clock (steady, any origin).
double NowSeconds();

}  // namespace vidrelo
