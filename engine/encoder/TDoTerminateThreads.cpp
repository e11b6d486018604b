#include "engine/encoder/TDoTerminateThreads.h"

#include "engine/MainThreadDispatcher.h"

namespace vidrelo {

TDoTerminateThreads::TDoTerminateThreads(TMainThreadDispatcher& ADispatcher)
    : FDispatcher(ADispatcher), FThreads([&ADispatcher] { ADispatcher.Notify(); })
{
}

TDoTerminateThreads::~TDoTerminateThreads()
{
    WaitAll();
}

void TDoTerminateThreads::Start(std::function<void()> ACall)
{
    FThreads.Start(std::move(ACall));
}

int TDoTerminateThreads::Running() const
{
    return FThreads.Running();
}

void TDoTerminateThreads::WaitAll()
{
    // The calls may hand work to the main thread: it serves them until
    // they have returned, and only then joins.
    if (FDispatcher.IsMainThread())
        FDispatcher.WaitUntil([this] { return Running() == 0; });
    FThreads.JoinAll();
}

}  // namespace vidrelo
