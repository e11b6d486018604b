#pragma once
// The engine's hand-off to the main thread.
//
// Engine threads never touch the windows; whatever must happen on the main
// thread (events delivered "in the main thread", log lines) is queued here by
// the worker, which then waits for it. The main thread runs the queue when the
// host wakes it (the Qt program installs a waker that posts to its event loop)
// and inside every wait loop (WaitUntil), so a main thread that waits for a
// worker keeps serving that worker's hand-offs and the two cannot deadlock.
//
// Threads: any thread may Invoke/Post/Notify; RunPending and WaitUntil belong
// to the attached main thread. The queue's lock is never held while a call
// runs or while anyone waits for a call to finish.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace vidrelo {

class TMainThreadDispatcher {
public:
    // The process's dispatcher, which the running engine hands to its
    // components (TEngineServices); only the engine and the program's top
    // level reach it here.
    static TMainThreadDispatcher& Instance();

    // A dispatcher of one's own (a test that watches a component's hand-offs).
    TMainThreadDispatcher() = default;
    TMainThreadDispatcher(const TMainThreadDispatcher&) = delete;
    TMainThreadDispatcher& operator=(const TMainThreadDispatcher&) = delete;

    // Makes the calling thread the one that runs queued calls.
    void AttachMainThread();
    // Runs what is queued and stops serving: later calls run on their caller.
    void DetachMainThread();
    bool IsMainThread() const;
    bool HasMainThread() const;

    // Called, on the queuing thread, whenever a call is queued; the host uses
    // it to wake its event loop. Must not block.
    void SetWaker(std::function<void()> waker);
    // Runs on the main thread inside every WaitUntil round (the Qt program
    // processes window events there).
    void SetIdleHook(std::function<void()> hook);

    // Runs `call` on the main thread and returns once it has run. On the main
    // thread, or when none is attached, it runs at once. An exception thrown
    // by `call` is raised again in the caller.
    void Invoke(std::function<void()> call);
    // Queues `call` for the main thread without waiting (runs at once on the
    // main thread or when none is attached).
    void Post(std::function<void()> call);

    // Main thread: runs every queued call, in the order queued.
    std::size_t RunPending();
    // Main thread: returns when `done()` is true, running queued calls and the
    // idle hook meanwhile. Workers call Notify() to have `done` looked at again.
    void WaitUntil(const std::function<bool()>& done);
    // Wakes a WaitUntil so that it re-checks its condition.
    void Notify();

private:
    struct TCall;
    bool RunsHere() const;
    void Enqueue(std::shared_ptr<TCall> call);
    std::function<void()> Waker() const;

    mutable std::mutex FLock;  // guards every member below
    std::condition_variable FWake;
    std::deque<std::shared_ptr<TCall>> FQueue;
    std::thread::id FMainThread;
    bool FAttached = false;
    std::function<void()> FWaker;
    std::function<void()> FIdleHook;
    std::size_t FNotifications = 0;
};

}  // namespace vidrelo
