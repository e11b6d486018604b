#pragma once
// Owns short-lived threads: starts them (or takes over threads started
// elsewhere), joins each once it has ended, and joins the rest when asked
// or when the owner goes, so that none of ours is ever left unjoined.
//
// A thread started here is joined by whichever thread comes next to reap
// or to join: the one that starts another thread, a Reap, a JoinAll, or the
// owner's destruction; that need not be the thread that started it. A
// thread is never joined from itself: one of the owner's own threads may
// start, reap and join the others.
//
// At the owner's end every thread is waited for, unless the owner was made
// with a patience: then the threads still running after it are left behind
// (detached), for threads blocked in calls that may never return (a stalled
// stream) must not hold the process's exit for good.
//
// Threads: every member may be called from any thread. No lock of the owner
// is held while a thread is joined or a body runs; two threads never join
// the same thread.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vidrelo {

class TThreadOwner {
public:
    // `AOnEnded`, when set, runs on each started thread right after its body
    // has returned and the owner counts it as ended (to wake whoever waits
    // for Running() to fall). `AExitPatience`: how long the owner's end
    // waits for running threads, all together; none: as long as they run.
    explicit TThreadOwner(std::function<void()> AOnEnded = nullptr,
                          std::optional<std::chrono::milliseconds> AExitPatience = std::nullopt);
    ~TThreadOwner();
    TThreadOwner(const TThreadOwner&) = delete;
    TThreadOwner& operator=(const TThreadOwner&) = delete;

    // Runs `ABody` on a new thread (joining ended ones first).
    void Start(std::function<void()> ABody);
    // Takes over `AThread`; `AEnded` tells, without blocking and under the
    // owner's lock, whether its body has returned (or is about to).
    void Keep(std::thread AThread, std::function<bool()> AEnded);
    // The threads whose body has not returned yet.
    int Running() const;
    // Joins the threads that have ended; the number still held.
    int Reap();
    // Waits for every thread but the caller's own and joins it.
    void JoinAll();

private:
    struct TEntry;
    using TEntries = std::list<std::shared_ptr<TEntry>>;
    static bool Ended(const TEntry& AEntry);
    // Marks the entries that `APick` selects (and nobody joins yet) as
    // being joined by the caller; the caller's own thread is never picked.
    TEntries Claim(const std::function<bool(const TEntry&)>& APick);
    void Join(const TEntries& AClaimed);
    // Takes joined or detached entries off the list and wakes the waiters.
    void Forget(const TEntries& AClaimed);
    void LeaveBehind();

    std::function<void()> FOnEnded;
    std::optional<std::chrono::milliseconds> FExitPatience;
    mutable std::mutex FLock;  // the list and each entry's Claimed flag
    std::condition_variable FChanged;
    TEntries FEntries;
};

// The process's owner of threads that outlive the objects that started
// them (a source's reading thread still blocked in its stream). It joins
// them at the process's exit, waiting a few seconds at most.
TThreadOwner& LingeringThreads();

}  // namespace vidrelo
