#pragma once
// The short-lived threads on which the encoder component delivers its
// terminate events in thread mode, so that a task's worker never waits for
// the caller's handler. Each thread runs one call and ends; finished ones
// are joined whenever a new one starts, the rest when the set is destroyed.
//
// Threads: Start from any thread; Running and WaitAll likewise, but WaitAll
// must not be called from one of the set's own threads.
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace vidrelo {

class TDoTerminateThreads {
public:
    TDoTerminateThreads() = default;
    ~TDoTerminateThreads();  // waits for every thread
    TDoTerminateThreads(const TDoTerminateThreads&) = delete;
    TDoTerminateThreads& operator=(const TDoTerminateThreads&) = delete;

    void Start(std::function<void()> ACall);
    // Threads whose call has not returned yet.
    int Running() const;
    // Waits until every call has returned (on the main thread serving its
    // hand-offs meanwhile) and joins the threads.
    void WaitAll();

private:
    struct TEntry {
        std::thread Thread;
        bool Done = false;  // under FLock
    };
    void JoinFinished();

    std::mutex FJoinLock;  // whoever joins threads holds it
    mutable std::mutex FLock;  // the list and the Done flags
    std::list<std::shared_ptr<TEntry>> FEntries;
};

}  // namespace vidrelo
