#pragma once
// The worker thread of a transcoding job.
//
// It is created suspended: the body runs only once Resume() is called the
// first time. Pausing is cooperative: Suspend() asks the body to stop at its
// next CheckPoint(), where it waits on a condition variable, holding no lock
// of its own or of the job, until Resume(). A body that never reaches a check
// point again (it is ending) simply ends; Suspend() never blocks.
//
// Threads: Resume, Suspend and the queries may be called from any thread;
// CheckPoint only from the body.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace vidrelo {

// Scheduling of the worker, from least to most CPU time. Linux lets an
// ordinary process lower a thread's priority but not raise it, so the
// priorities above normal are asked for and quietly stay normal when refused.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TConvertThread {
public:
    TConvertThread(std::function<void()> body, TThreadPriority priority);
    // Waits for the body to end (resuming a thread still suspended, which
    // then runs its body: the owner asks its job to stop first). Must not
    // be destroyed by its own body.
    ~TConvertThread();
    TConvertThread(const TConvertThread&) = delete;
    TConvertThread& operator=(const TConvertThread&) = delete;

    // Lets a new thread start, or a paused one go on.
    void Resume();
    // Asks the body to wait at its next check point.
    void Suspend();
    // True from Suspend until Resume (also before the first Resume).
    bool Suspended() const;
    // True while the body waits at a check point.
    bool Parked() const;
    // True once the body has returned.
    bool Ended() const;
    // Body only: waits here while suspended.
    void CheckPoint();
    // Waits for the body to end; the calling thread must not be the worker.
    void Join();
    bool IsWorker() const { return std::this_thread::get_id() == FThread.get_id(); }

private:
    void Run(TThreadPriority priority);

    std::function<void()> FBody;
    mutable std::mutex FLock;  // guards the flags below
    std::condition_variable FChanged;
    bool FSuspended = true;
    bool FParked = false;
    bool FEnded = false;
    std::thread FThread;  // last: starts after the members above exist
};

}  // namespace vidrelo
