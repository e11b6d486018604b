#pragma once
// Keeps the threads that outlive the object that started them, and joins
// them, so that none of ours is left running unjoined when the process ends.
// A source's reading thread is one: its reader may go while the stream is
// still blocked inside a read, which the thread has to see through first.
//
// Threads that have ended are joined whenever another one is handed over
// (and on Reap); the rest when the process exits, each waited for up to a
// few seconds: a stream that never returns must not hold the exit for good,
// so its thread alone is then left behind.
#include <functional>
#include <thread>

namespace vidrelo {

class TThreadKeeper {
public:
    // Takes `AThread`; `AEnded` tells, without blocking, whether the
    // thread's body has returned (or is about to).
    static void Keep(std::thread AThread, std::function<bool()> AEnded);
    // Joins the kept threads that have ended; the number still running.
    static int Reap();
};

}  // namespace vidrelo
