#pragma once
// The short-lived threads on which the encoder component delivers its
// terminate events in thread mode, so that a task's worker never waits for
// the caller's handler. Each thread runs one call and ends; finished ones
// are joined whenever a new one starts, the rest when the set is destroyed
// (TThreadOwner). Each call's end wakes the main thread's waits of the
// dispatcher the set was given.
//
// Threads: Start from any thread; Running and WaitAll likewise, but WaitAll
// must not be called from one of the set's own threads.
#include "engine/TThreadOwner.h"

#include <functional>

namespace vidrelo {

class TMainThreadDispatcher;

class TDoTerminateThreads {
public:
    explicit TDoTerminateThreads(TMainThreadDispatcher& ADispatcher);
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
    TMainThreadDispatcher& FDispatcher;
    TThreadOwner FThreads;
};

}  // namespace vidrelo
