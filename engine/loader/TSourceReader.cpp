#include "engine/loader/TSourceReader.h"

#include "engine/TThreadOwner.h"
#include "engine/loader/MediaHeaders.h"
#include "engine/loader/TInterruptCB.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace vidrelo {

namespace {
// How often a waiting caller asks whether to give up: short enough that a
// timeout or a stop is honoured at once, long enough to cost nothing.
constexpr auto kPollStep = std::chrono::milliseconds(10);
// The least a read asks the stream for; the bytes beyond the caller's
// request serve its next reads. Each read is a hand-off to the reading
// thread and back, and on a loaded machine every hand-off may wait for a
// time slice: the libraries' 64 KiB reads made a DVD title's conversion
// wait for its bytes thousands of times.
constexpr int kMinimumRead = 1024 * 1024;
}  // namespace

// Everything here is guarded by Lock, except that the reading thread fills
// Buffer and uses Stream without it while InFlight is set (nobody else
// touches them then).
struct TSourceReader::TShared {
    std::mutex Lock;
    std::condition_variable Changed;
    std::unique_ptr<ISourceStream> Stream;
    bool Quit = false;
    bool InFlight = false;   // a read was asked for and has not finished
    int RequestSize = 0;
    std::vector<uint8_t> Buffer;  // the last read's bytes
    std::size_t Taken = 0;        // how many of them were handed out
    bool HasResult = false;       // a finished read not yet handed out
    int Result = 0;               // its byte count or error code

    std::size_t Available() const { return HasResult && Result > 0 ? Buffer.size() - Taken : 0; }
    void Forget()
    {
        HasResult = false;
        Buffer.clear();
        Taken = 0;
    }
};

TSourceReader::TSourceReader(std::unique_ptr<ISourceStream> stream) : FShared(std::make_shared<TShared>())
{
    FShared->Stream = std::move(stream);
}

TSourceReader::~TSourceReader()
{
    bool busy;
    {
        std::lock_guard lock(FShared->Lock);
        FShared->Quit = true;
        busy = FShared->InFlight;
    }
    FShared->Changed.notify_all();
    if (!FThread.joinable())
        return;
    if (!busy) {
        FThread.join();
        return;
    }
    // The thread owns a share of the stream and frees it once the read
    // returns; the process's owner of lingering threads joins it then.
    LingeringThreads().Keep(std::move(FThread), [shared = std::weak_ptr<TShared>(FShared)] { return shared.expired(); });
}

void TSourceReader::ReadingThread(std::shared_ptr<TShared> shared)
{
    std::unique_lock lock(shared->Lock);
    for (;;) {
        shared->Changed.wait(lock, [&] { return shared->Quit || shared->InFlight; });
        if (!shared->InFlight)
            return;
        const int size = shared->RequestSize;
        lock.unlock();
        shared->Buffer.resize(static_cast<std::size_t>(size));
        const int n = shared->Stream->Read(shared->Buffer.data(), size);
        shared->Buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        lock.lock();
        shared->Taken = 0;
        shared->Result = n;
        shared->HasResult = true;
        shared->InFlight = false;
        shared->Changed.notify_all();
    }
}

bool TSourceReader::WaitIdle(std::unique_lock<std::mutex>& lock)
{
    while (FShared->InFlight) {
        if (FShared->Changed.wait_for(lock, kPollStep, [&] { return !FShared->InFlight; }))
            return true;
        // Not under our lock: the registry runs the component's procedure.
        lock.unlock();
        const bool giveUp = IOInterruptCallback(nullptr) != 0;
        lock.lock();
        if (giveUp && FShared->InFlight)
            return false;
    }
    return true;
}

int TSourceReader::Read(uint8_t* buffer, int size)
{
    if (size <= 0)
        return 0;
    std::unique_lock lock(FShared->Lock);
    if (!FShared->HasResult && !FShared->InFlight) {
        FShared->RequestSize = std::max(size, kMinimumRead);
        FShared->InFlight = true;
        if (!FThread.joinable())
            FThread = std::thread(ReadingThread, FShared);
        FShared->Changed.notify_all();
    }
    if (!WaitIdle(lock))
        return AVERROR_EXIT;
    if (FShared->Result <= 0) {
        FShared->HasResult = false;  // the end or an error is reported once
        return FShared->Result;
    }
    const std::size_t n = std::min(FShared->Available(), static_cast<std::size_t>(size));
    std::memcpy(buffer, FShared->Buffer.data() + FShared->Taken, n);
    FShared->Taken += n;
    if (FShared->Available() == 0)
        FShared->Forget();
    return static_cast<int>(n);
}

int64_t TSourceReader::Seek(int64_t offset, int whence)
{
    std::unique_lock lock(FShared->Lock);
    if (!WaitIdle(lock))
        return AVERROR_EXIT;
    // Bytes read ahead but not handed out put the stream ahead of its reader.
    if (whence == SEEK_CUR)
        offset -= static_cast<int64_t>(FShared->Available());
    FShared->Forget();
    return FShared->Stream->Seek(offset, whence);
}

int64_t TSourceReader::Size()
{
    std::unique_lock lock(FShared->Lock);
    if (!WaitIdle(lock))
        return AVERROR_EXIT;
    return FShared->Stream->Size();
}

std::string TSourceReader::Problems()
{
    // Never waits: a read that stalled (the reason a run may be ending) can
    // stay blocked for good, and the stream is its thread's while it is.
    std::lock_guard lock(FShared->Lock);
    return FShared->InFlight ? std::string() : FShared->Stream->Problems();
}

}  // namespace vidrelo
