#include "engine/encoder/TConvertThread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace vidrelo {
namespace {

int NiceValue(TThreadPriority priority)
{
    switch (priority) {
    case tpIdle: return 19;
    case tpLowest: return 10;
    case tpLower: return 5;
    case tpNormal: return 0;
    case tpHigher: return -5;
    case tpHighest: return -10;
    case tpTimeCritical: return -20;
    }
    return 0;
}

void ApplyPriority(TThreadPriority priority)
{
    if (priority == tpNormal)
        return;
    // On Linux the nice value belongs to the thread named by its id.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), NiceValue(priority));
}

}  // namespace

TConvertThread::TConvertThread(std::function<void()> body, TThreadPriority priority)
    : FBody(std::move(body)), FThread([this, priority] { Run(priority); })
{
}

TConvertThread::~TConvertThread()
{
    Resume();
    Join();
}

void TConvertThread::Run(TThreadPriority priority)
{
    ApplyPriority(priority);
    CheckPoint();  // created suspended
    FBody();
    std::lock_guard lock(FLock);
    FEnded = true;
    FChanged.notify_all();
}

void TConvertThread::Resume()
{
    std::lock_guard lock(FLock);
    FSuspended = false;
    FChanged.notify_all();
}

void TConvertThread::Suspend()
{
    std::lock_guard lock(FLock);
    if (!FEnded)
        FSuspended = true;
}

bool TConvertThread::Suspended() const
{
    std::lock_guard lock(FLock);
    return FSuspended;
}

bool TConvertThread::Parked() const
{
    std::lock_guard lock(FLock);
    return FParked;
}

bool TConvertThread::Ended() const
{
    std::lock_guard lock(FLock);
    return FEnded;
}

void TConvertThread::CheckPoint()
{
    std::unique_lock lock(FLock);
    if (!FSuspended)
        return;
    FParked = true;
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return !FSuspended; });
    FParked = false;
}

void TConvertThread::Join()
{
    if (FThread.joinable() && !IsWorker())
        FThread.join();
}

}  // namespace vidrelo
