#pragma once
// The engine log: what the media libraries print through their log facility
// and the engine's own messages, gathered into one stream of whole lines and
// handed to the OnLog event of the process's single TFFLogger.
//
// How a line travels. The library callback runs on whatever thread the
// libraries log from. Under the callback lock it assembles lines (each thread
// keeps its own unfinished text, so two threads never share a line) and
// appends the finished ones to one ordered delivery queue; engine Log() calls
// append to the same queue, so library and engine lines keep their order.
// After letting go of the callback lock the logging thread has the queue
// delivered:
//   - TriggerEventInMainThread, from a worker: a drain is handed to the main
//     thread through the logger's dispatcher (the one it was created with)
//     and the worker waits for it;
//   - on the main thread: it drains at once;
//   - without TriggerEventInMainThread: it drains on its own thread.
// One thread drains at a time (the drain lock), handing lines to OnLog one by
// one in queue order. No lock but the drain lock is held while a handler runs,
// and the main thread never waits for the drain lock (when another thread
// holds it, that thread delivers the main thread's lines too), so a library
// call on the main thread while a worker waits for the main thread cannot
// hang the program.
//
// A handler that logs again (or pumps the dispatcher) from inside OnLog does
// not drain recursively: its lines are delivered right after the current one.
// (A worker whose hand-off runs inside such a pumping handler is released
// before its lines went out; they follow as soon as the handler returns.)
//
// Process-wide state (TFFLogger.cpp), who may touch it and under what:
//   - the callback lock: every thread's unfinished text, the previous message
//     and the repeat counter; held only while a message is put together;
//   - the delivery state lock: the logger pointer, the logger's OnLog, the
//     delivery queue and its sequence counter; held for a few instructions;
//   - the drain lock: held by the one thread handing lines to OnLog; workers
//     wait for it, the main thread only tries it;
//   - the current library level and the last delivered sequence: atomics.
// Lock order: drain lock (a handler may log again), callback lock, delivery
// state lock; nothing waits for the drain lock while holding another.
#include "engine/log/TLogLevel.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vidrelo {

class TMainThreadDispatcher;

struct TLogInfo {
    void* Sender = nullptr;
    uint32_t ThreadID = 0;
    TLogLevel LogLevel = llInfo;
    std::string LogMsg;
};

using TLogEvent =
    std::function<void(void* Sender, uint32_t AThreadID, TLogLevel ALogLevel, const std::string& ALogMsg)>;

class TFFLogger {
public:
    // Frees an auto-created logger first; raises EAssertionFailed when another
    // logger still exists. Starts at the level the libraries currently use.
    // Lines for the main thread go through `ADispatcher`.
    explicit TFFLogger(TMainThreadDispatcher& ADispatcher);
    ~TFFLogger();
    TFFLogger(const TFFLogger&) = delete;
    TFFLogger& operator=(const TFFLogger&) = delete;

    TLogLevel LogLevel() const;
    // A change is passed on to the libraries (when bound) and to the callback.
    void SetLogLevel(TLogLevel value);
    bool TriggerEventInMainThread() const;
    void SetTriggerEventInMainThread(bool value);
    TLogEvent OnLog() const;
    void SetOnLog(TLogEvent handler);
    // True for the logger FFLogger() made because nobody had created one.
    bool AutoCreated() const;

    // The "loglevel" option: a level name (any case) or a decimal library
    // level. Raises EEngineError for anything else.
    void OptLogLevel(const std::string& arg);

    // The engine's own messages. llVerbose passes at every level but llQuiet,
    // so that verbose engine notes show in an ordinary (info) log.
    void Log(void* Sender, TLogLevel ALogLevel, const std::string& ALogMsg);
    void Log(void* Sender, TLogLevel ALogLevel, const char* fmt, ...) __attribute__((format(printf, 4, 5)));

private:
    friend struct TLogDelivery;
    friend TFFLogger& FFLogger();
    // Null `ADispatcher` (an auto-created logger without a running engine):
    // every line is delivered on the thread that logs it.
    explicit TFFLogger(TMainThreadDispatcher* ADispatcher);
    bool Passes(TLogLevel level) const;

    TMainThreadDispatcher* const FDispatcher;

    // Ownership: FLogLevel and FTriggerEventInMainThread are atomics any thread
    // may read; they are set by the thread that owns the logger (the main
    // thread in the program). FOnLog is read and replaced only under the
    // delivery state lock (TFFLogger.cpp), and delivery works on a copy, so a
    // handler can be swapped while another thread logs. FAutoCreated is set
    // once, right after construction, by FFLogger().
    std::atomic<TLogLevel> FLogLevel{llInfo};
    std::atomic<bool> FTriggerEventInMainThread{true};
    std::shared_ptr<const TLogEvent> FOnLog;
    std::atomic<bool> FAutoCreated{false};
};

// The process's logger; creates one (marked auto-created) when there is none,
// with the dispatcher the engine set for it.
// Any thread may call it, but only while the logger is not being freed.
TFFLogger& FFLogger();
// Engine stop: frees the logger when FFLogger() created it. Call it when no
// engine thread logs any more.
void FreeAutoCreatedFFLogger();

// The running engine's start and stop: the dispatcher an auto-created
// logger hands its main-thread lines to (null: none, lines are delivered on
// the logging thread).
void SetAutoCreatedLoggerDispatcher(TMainThreadDispatcher* ADispatcher);

// Called by the loader once libavutil is bound: routes the libraries' log
// into the engine log at the logger's level. Raises EAssertionFailed when
// av_log_set_callback or av_log_set_level is not bound.
void InstallAVLogCallback();
// The callback given to the libraries; any thread, serialised internally.
void FFLogCallback(void* avcl, int level, const char* fmt, va_list vl);

// The library level the callback filters by (32 until someone changes it);
// kept equal to the logger's level. Setting it directly does not touch the
// libraries.
int CurrentAVLogLevel();
void SetCurrentAVLogLevel(int level);

// Engine stop: frees every thread's unfinished text and forgets the previous
// message, so that the next session's first line is never taken for a repeat.
void ClearLogPending();

}  // namespace vidrelo
