#include "engine/MainThreadDispatcher.h"

#include <chrono>
#include <exception>

namespace vidrelo {

// One queued call. The caller of Invoke waits on Finished; a posted call has
// nobody waiting, so its failure is dropped.
struct TMainThreadDispatcher::TCall {
    std::function<void()> Fn;
    std::mutex Lock;  // guards Finished and Failure
    std::condition_variable Done;
    bool Finished = false;
    std::exception_ptr Failure;

    void Run()
    {
        std::exception_ptr failure;
        try {
            Fn();
        } catch (...) {
            failure = std::current_exception();
        }
        Fn = nullptr;  // release what the call captured before the caller goes on
        std::lock_guard lock(Lock);
        Failure = std::move(failure);
        Finished = true;
        Done.notify_all();
    }

    void Wait()
    {
        std::exception_ptr failure;
        {
            std::unique_lock lock(Lock);
            Done.wait(lock, [this] { return Finished; });
            failure = std::move(Failure);  // the exception now lives and dies on this thread only
        }
        if (failure)
            std::rethrow_exception(failure);
    }
};

TMainThreadDispatcher& TMainThreadDispatcher::Instance()
{
    static TMainThreadDispatcher instance;
    return instance;
}

void TMainThreadDispatcher::AttachMainThread()
{
    std::lock_guard lock(FLock);
    FMainThread = std::this_thread::get_id();
    FAttached = true;
}

void TMainThreadDispatcher::DetachMainThread()
{
    RunPending();
    std::lock_guard lock(FLock);
    FAttached = false;
    FMainThread = {};
}

bool TMainThreadDispatcher::IsMainThread() const
{
    std::lock_guard lock(FLock);
    return FAttached && FMainThread == std::this_thread::get_id();
}

bool TMainThreadDispatcher::HasMainThread() const
{
    std::lock_guard lock(FLock);
    return FAttached;
}

void TMainThreadDispatcher::SetWaker(std::function<void()> waker)
{
    std::lock_guard lock(FLock);
    FWaker = std::move(waker);
}

void TMainThreadDispatcher::SetIdleHook(std::function<void()> hook)
{
    std::lock_guard lock(FLock);
    FIdleHook = std::move(hook);
}

std::function<void()> TMainThreadDispatcher::Waker() const
{
    std::lock_guard lock(FLock);
    return FWaker;
}

bool TMainThreadDispatcher::RunsHere() const
{
    std::lock_guard lock(FLock);
    return !FAttached || FMainThread == std::this_thread::get_id();
}

void TMainThreadDispatcher::Invoke(std::function<void()> call)
{
    if (RunsHere()) {
        call();  // outside the lock: the call may use the dispatcher itself
        return;
    }
    auto pending = std::make_shared<TCall>();
    pending->Fn = std::move(call);
    Enqueue(pending);
    pending->Wait();  // holds only the call's own lock, which Run takes briefly
}

void TMainThreadDispatcher::Post(std::function<void()> call)
{
    if (RunsHere()) {
        call();
        return;
    }
    auto pending = std::make_shared<TCall>();
    pending->Fn = std::move(call);
    Enqueue(std::move(pending));
}

void TMainThreadDispatcher::Enqueue(std::shared_ptr<TCall> call)
{
    {
        std::lock_guard lock(FLock);
        if (!FAttached) {
            // The main thread stopped serving between the check and now.
            FQueue.push_back(call);
        } else {
            FQueue.push_back(std::move(call));
            call = nullptr;
        }
    }
    if (call) {
        RunPending();
        return;
    }
    FWake.notify_all();
    if (auto waker = Waker())
        waker();
}

std::size_t TMainThreadDispatcher::RunPending()
{
    std::size_t count = 0;
    for (;;) {
        std::shared_ptr<TCall> next;
        {
            std::lock_guard lock(FLock);
            if (FQueue.empty())
                return count;
            next = std::move(FQueue.front());
            FQueue.pop_front();
        }
        next->Run();
        ++count;
    }
}

void TMainThreadDispatcher::WaitUntil(const std::function<bool()>& done)
{
    using namespace std::chrono_literals;
    std::function<void()> idle;
    {
        std::lock_guard lock(FLock);
        idle = FIdleHook;
    }
    for (;;) {
        RunPending();
        if (idle)
            idle();
        if (done())
            return;
        std::unique_lock lock(FLock);
        const std::size_t seen = FNotifications;
        // The timeout covers conditions whose owners do not call Notify().
        FWake.wait_for(lock, 10ms, [&] { return !FQueue.empty() || FNotifications != seen; });
    }
}

void TMainThreadDispatcher::Notify()
{
    {
        std::lock_guard lock(FLock);
        ++FNotifications;
    }
    FWake.notify_all();
}

}  // namespace vidrelo
