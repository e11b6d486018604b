#include "engine/player/PlayerQueues.h"

#include "engine/MainThreadDispatcher.h"
#include "engine/loader/AVBindings.h"

#include <thread>

namespace vidrelo {
namespace {

// The flush marker's payload pointer: the text the reader recognises.
uint8_t FlushMarker[] = "FLUSH";
constexpr int64_t PacketOverhead = 72;

}  // namespace

void TManualEvent::Set()
{
    {
        std::lock_guard lock(FLock);
        FSet = true;
    }
    FChanged.notify_all();
}

void TManualEvent::Reset()
{
    std::lock_guard lock(FLock);
    FSet = false;
}

bool TManualEvent::IsSet() const
{
    std::lock_guard lock(FLock);
    return FSet;
}

bool TManualEvent::WaitFor(int ms) const
{
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, std::chrono::milliseconds(ms), [&] { return FSet; });
}

void WaitServing(TMainThreadDispatcher& dispatcher, const std::function<bool()>& done)
{
    if (dispatcher.IsMainThread()) {
        dispatcher.WaitUntil(done);
        return;
    }
    while (!done())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

AVPacket* NewFlushPacket()
{
    AVPacket* packet = ff::av_packet_alloc();
    if (packet)
        packet->data = FlushMarker;
    return packet;
}

bool IsFlushPacket(const AVPacket* packet)
{
    return packet && packet->data == FlushMarker;
}

TPacketQueue::~TPacketQueue()
{
    Flush();
}

bool TPacketQueue::Put(AVPacket* packet)
{
    {
        std::lock_guard lock(FLock);
        if (!FAbort) {
            FPackets.push_back(packet);
            FSize += packet->size + PacketOverhead;
            packet = nullptr;
        }
    }
    if (packet) {
        ff::av_packet_free(&packet);
        return false;
    }
    FCond.notify_all();
    return true;
}

bool TPacketQueue::Get(AVPacket*& packet, bool block)
{
    std::unique_lock lock(FLock);
    for (;;) {
        if (FAbort)
            return false;
        if (!FPackets.empty()) {
            packet = FPackets.front();
            FPackets.pop_front();
            FSize -= packet->size + PacketOverhead;
            return true;
        }
        if (!block)
            return false;
        FCond.wait(lock);
    }
}

void TPacketQueue::Flush()
{
    std::deque<AVPacket*> packets;
    {
        std::lock_guard lock(FLock);
        packets.swap(FPackets);
        FSize = 0;
    }
    for (AVPacket* packet : packets)
        ff::av_packet_free(&packet);
}

void TPacketQueue::Abort()
{
    {
        std::lock_guard lock(FLock);
        FAbort = true;
    }
    FCond.notify_all();
}

void TPacketQueue::Start()
{
    std::lock_guard lock(FLock);
    FAbort = false;
}

bool TPacketQueue::Aborted() const
{
    std::lock_guard lock(FLock);
    return FAbort;
}

int TPacketQueue::Count() const
{
    std::lock_guard lock(FLock);
    return static_cast<int>(FPackets.size());
}

int64_t TPacketQueue::Size() const
{
    std::lock_guard lock(FLock);
    return FSize;
}

double NowSeconds()
{
    return std::chrono::duration<double>(TPlayClock::now().time_since_epoch()).count();
}

}  // namespace vidrelo
