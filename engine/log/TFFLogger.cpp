#include "engine/log/TFFLogger.h"

#include "engine/EngineError.h"
#include "engine/MainThreadDispatcher.h"
#include "engine/StringFormat.h"
#include "engine/ThreadId.h"
#include "engine/loader/AVBindings.h"

#include <cstdio>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

namespace vidrelo {
namespace {

__attribute__((format(printf, 2, 3))) void AppendF(std::string& out, const char* fmt, ...)
{
    va_list vl;
    va_start(vl, fmt);
    AppendFormatV(out, fmt, vl);
    va_end(vl);
}

const AVClass* ClassOf(const void* context)
{
    return context ? *static_cast<const AVClass* const*>(context) : nullptr;
}

const char* ItemName(void* context, const AVClass* cls)
{
    const char* name = cls->item_name ? cls->item_name(context) : cls->class_name;
    return name ? name : "";
}

// "[parent @ 0x...] [item @ 0x...]" for a message that starts a line.
void AppendContextPrefix(std::string& out, void* avcl)
{
    const AVClass* cls = ClassOf(avcl);
    if (!cls)
        return;
    if (cls->parent_log_context_offset) {
        void* parent = *reinterpret_cast<void**>(static_cast<char*>(avcl) + cls->parent_log_context_offset);
        if (const AVClass* parentClass = ClassOf(parent))
            AppendF(out, "[%s @ %p] ", ItemName(parent, parentClass), parent);
    }
    AppendF(out, "[%s @ %p]", ItemName(avcl, cls), avcl);
}

// Text a thread received from the libraries that does not end a line yet.
struct TPendingText {
    uint32_t ThreadID;
    std::string Text;
};

// The library callback's own state; touched only with Lock held. Lock is
// never held while anything is delivered or waited for.
struct TCallbackState {
    std::mutex Lock;
    std::vector<TPendingText> Pending;
    std::string LastMsg;
    int Repeats = 0;
};

TCallbackState& CallbackState()
{
    static TCallbackState state;
    return state;
}

// The library level the callback filters by.
std::atomic<int> GAVLevel{AV_LOG_INFO};

}  // namespace

// Lines on their way to OnLog, and who delivers them.
struct TLogDelivery {
    struct TLine {
        uint64_t Seq = 0;
        bool FromLibrary = false;  // Sender is the logger, looked up when delivered
        TLogInfo Info;
    };

    // What a logging thread must have delivered: everything up to Seq
    // (0: nothing was queued).
    struct TTicket {
        uint64_t Seq = 0;
        bool ToMainThread = false;
        TMainThreadDispatcher* Dispatcher = nullptr;  // the logger's
    };

    // Lock guards Logger, the logger's FOnLog, Queue and LastSeq. It is held
    // for a few instructions only: never while a handler runs or anyone waits.
    static inline std::mutex Lock;
    static inline TFFLogger* Logger = nullptr;
    static inline std::deque<TLine> Queue;
    static inline uint64_t LastSeq = 0;
    // Whole lines go out in queue order because only the holder of DrainLock
    // takes lines off the queue. The main thread only ever tries it.
    static inline std::mutex DrainLock;
    // The Seq of the last line whose handler has returned.
    static inline std::atomic<uint64_t> DoneSeq{0};
    // Set while this thread drains, so that a handler logging again does not
    // drain recursively (or relock DrainLock).
    static inline thread_local bool Draining = false;

    // Queues a line when a handler is set; no handler, no line.
    static void Enqueue(TTicket& ticket, void* sender, bool fromLibrary, uint32_t threadId, TLogLevel level,
                        std::string text)
    {
        std::lock_guard lock(Lock);
        if (!Logger || !Logger->FOnLog || !*Logger->FOnLog)
            return;
        TLine line;
        line.Seq = ++LastSeq;
        line.FromLibrary = fromLibrary;
        line.Info = TLogInfo{sender, threadId, level, std::move(text)};
        Queue.push_back(std::move(line));
        ticket.Seq = LastSeq;
        ticket.Dispatcher = Logger->FDispatcher;
        ticket.ToMainThread = ticket.Dispatcher && Logger->FTriggerEventInMainThread.load();
    }

    static void Deliver(const TTicket& ticket)
    {
        if (ticket.Seq == 0)
            return;
        TMainThreadDispatcher* dispatcher = ticket.Dispatcher;
        if (ticket.ToMainThread && !dispatcher->IsMainThread()) {
            // Lines that already went out (another thread's drain took them
            // along) need no trip to the main thread.
            if (DoneSeq.load(std::memory_order_acquire) < ticket.Seq)
                dispatcher->Invoke([dispatcher] { Drain(dispatcher); });
            return;
        }
        Drain(dispatcher);
    }

    // `dispatcher` tells the main thread (which never waits here); null
    // when the logger has none.
    static void Drain(const TMainThreadDispatcher* dispatcher)
    {
        if (Draining)
            return;  // the drain further up this thread's stack delivers what was just queued
        const bool mayWait = !(dispatcher && dispatcher->IsMainThread());
        for (;;) {
            std::unique_lock drain(DrainLock, std::defer_lock);
            if (mayWait)
                drain.lock();
            else if (!drain.try_lock())
                return;  // the holder looks at the queue again after letting go
            DeliverQueued();
            drain.unlock();
            // A line queued while we held DrainLock may belong to a thread
            // that found the lock taken and left it to us.
            std::lock_guard lock(Lock);
            if (Queue.empty())
                return;
        }
    }

    // Caller holds DrainLock.
    static void DeliverQueued()
    {
        struct TDrainingFlag {
            TDrainingFlag() { Draining = true; }
            ~TDrainingFlag() { Draining = false; }
        } flag;
        for (;;) {
            TLine line;
            std::shared_ptr<const TLogEvent> handler;
            {
                std::lock_guard lock(Lock);
                if (Queue.empty())
                    return;
                line = std::move(Queue.front());
                Queue.pop_front();
                if (Logger) {
                    handler = Logger->FOnLog;
                    if (line.FromLibrary)
                        line.Info.Sender = Logger;
                }
            }
            if (handler && *handler) {
                try {
                    (*handler)(line.Info.Sender, line.Info.ThreadID, line.Info.LogLevel, line.Info.LogMsg);
                } catch (...) {
                    // A failing handler must not cost the lines queued behind it.
                }
            }
            DoneSeq.store(line.Seq, std::memory_order_release);
        }
    }
};

namespace {

std::mutex GAutoCreateLock;  // two threads asking FFLogger() at once get the same logger
// The dispatcher an auto-created logger is given; the running engine's.
std::atomic<TMainThreadDispatcher*> GAutoCreatedDispatcher{nullptr};

}  // namespace

TFFLogger::TFFLogger(TMainThreadDispatcher& ADispatcher) : TFFLogger(&ADispatcher) {}

TFFLogger::TFFLogger(TMainThreadDispatcher* ADispatcher) : FDispatcher(ADispatcher)
{
    FreeAutoCreatedFFLogger();
    std::lock_guard lock(TLogDelivery::Lock);
    if (TLogDelivery::Logger)
        throw EAssertionFailed("Allow creating only one instance of TFFLogger.", "TFFLogger");
    FTriggerEventInMainThread = true;
    FLogLevel = AVToLogLevel(GAVLevel.load());
    TLogDelivery::Logger = this;
}

TFFLogger::~TFFLogger()
{
    std::lock_guard lock(TLogDelivery::Lock);
    if (TLogDelivery::Logger == this)
        TLogDelivery::Logger = nullptr;
}

TLogLevel TFFLogger::LogLevel() const
{
    return FLogLevel.load();
}

void TFFLogger::SetLogLevel(TLogLevel value)
{
    if (FLogLevel.exchange(value) == value)
        return;
    const int avLevel = LogLevelToAV(value);
    GAVLevel = avLevel;
    if (ff::av_log_set_level)
        ff::av_log_set_level(avLevel);
}

bool TFFLogger::TriggerEventInMainThread() const
{
    return FTriggerEventInMainThread.load();
}

void TFFLogger::SetTriggerEventInMainThread(bool value)
{
    FTriggerEventInMainThread = value;
}

TLogEvent TFFLogger::OnLog() const
{
    std::lock_guard lock(TLogDelivery::Lock);
    return FOnLog ? *FOnLog : TLogEvent();
}

void TFFLogger::SetOnLog(TLogEvent handler)
{
    auto replacement = handler ? std::make_shared<const TLogEvent>(std::move(handler)) : nullptr;
    std::lock_guard lock(TLogDelivery::Lock);
    FOnLog.swap(replacement);
    // The old handler dies after the lock is released (declared before it):
    // whatever its captures do on destruction runs unlocked.
}

bool TFFLogger::AutoCreated() const
{
    return FAutoCreated.load();
}

void TFFLogger::OptLogLevel(const std::string& arg)
{
    const std::optional<TLogLevel> level = LogLevelFromOption(arg);
    if (!level)
        throw EEngineError("Invalid loglevel \"" + arg +
                           "\": use quiet, panic, fatal, error, warning, info, verbose, debug or a number");
    SetLogLevel(*level);
}

bool TFFLogger::Passes(TLogLevel level) const
{
    const TLogLevel current = FLogLevel.load();
    return level <= current || (level == llVerbose && current != llQuiet);
}

void TFFLogger::Log(void* Sender, TLogLevel ALogLevel, const std::string& ALogMsg)
{
    if (!Passes(ALogLevel))
        return;
    TLogDelivery::TTicket ticket;
    TLogDelivery::Enqueue(ticket, Sender, false, CurrentThreadId(), ALogLevel, ALogMsg);
    TLogDelivery::Deliver(ticket);
}

void TFFLogger::Log(void* Sender, TLogLevel ALogLevel, const char* fmt, ...)
{
    if (!Passes(ALogLevel))
        return;
    std::string text;
    va_list vl;
    va_start(vl, fmt);
    AppendFormatV(text, fmt, vl);
    va_end(vl);
    Log(Sender, ALogLevel, text);
}

TFFLogger& FFLogger()
{
    {
        std::lock_guard lock(TLogDelivery::Lock);
        if (TLogDelivery::Logger)
            return *TLogDelivery::Logger;
    }
    std::lock_guard create(GAutoCreateLock);
    {
        std::lock_guard lock(TLogDelivery::Lock);
        if (TLogDelivery::Logger)
            return *TLogDelivery::Logger;
    }
    auto* logger = new TFFLogger(GAutoCreatedDispatcher.load());
    logger->FAutoCreated = true;
    return *logger;
}

void FreeAutoCreatedFFLogger()
{
    TFFLogger* autoCreated = nullptr;
    {
        std::lock_guard lock(TLogDelivery::Lock);
        if (TLogDelivery::Logger && TLogDelivery::Logger->AutoCreated()) {
            autoCreated = TLogDelivery::Logger;
            TLogDelivery::Logger = nullptr;  // taken under the lock, so only one caller frees it
        }
    }
    delete autoCreated;
}

void SetAutoCreatedLoggerDispatcher(TMainThreadDispatcher* ADispatcher)
{
    GAutoCreatedDispatcher = ADispatcher;
}

void InstallAVLogCallback()
{
    EngineAssert(ff::av_log_set_callback != nullptr, "av_log_set_callback is not bound", "InstallAVLogCallback");
    EngineAssert(ff::av_log_set_level != nullptr, "av_log_set_level is not bound", "InstallAVLogCallback");
    ff::av_log_set_callback(&FFLogCallback);
    const int avLevel = LogLevelToAV(FFLogger().LogLevel());
    GAVLevel = avLevel;
    ff::av_log_set_level(avLevel);
}

void FFLogCallback(void* avcl, int level, const char* fmt, va_list vl)
{
    if (level > GAVLevel.load())
        return;
    TLogDelivery::TTicket ticket;
    try {
        TCallbackState& state = CallbackState();
        std::lock_guard lock(state.Lock);
        const uint32_t threadId = CurrentThreadId();
        TPendingText* item = nullptr;
        for (TPendingText& candidate : state.Pending) {
            if (candidate.ThreadID == threadId) {
                item = &candidate;
                break;
            }
        }
        if (!item)
            item = &state.Pending.emplace_back(TPendingText{threadId, {}});

        std::string text;
        if (item->Text.empty())
            AppendContextPrefix(text, avcl);
        AppendFormatV(text, fmt, vl);

        if (!text.empty() && text.back() == '\n' && text == state.LastMsg) {
            ++state.Repeats;
            return;
        }
        const TLogLevel logLevel = AVToLogLevel(level);
        if (state.Repeats > 0) {
            std::string repeated;
            AppendF(repeated, "    Last message repeated %d times", state.Repeats);
            TLogDelivery::Enqueue(ticket, nullptr, true, item->ThreadID, logLevel, std::move(repeated));
            state.Repeats = 0;
        }
        state.LastMsg = text;
        item->Text += text;

        std::size_t lineStart = 0;
        for (std::size_t lineFeed; (lineFeed = item->Text.find('\n', lineStart)) != std::string::npos;
             lineStart = lineFeed + 1) {
            TLogDelivery::Enqueue(ticket, nullptr, true, item->ThreadID, logLevel,
                                  item->Text.substr(lineStart, lineFeed - lineStart));
        }
        item->Text.erase(0, lineStart);
    } catch (...) {
        // Nothing may unwind into the libraries; a line lost to a failed
        // allocation is the lesser harm.
    }
    try {
        TLogDelivery::Deliver(ticket);
    } catch (...) {
    }
}

int CurrentAVLogLevel()
{
    return GAVLevel.load();
}

void SetCurrentAVLogLevel(int level)
{
    GAVLevel = level;
}

void ClearLogPending()
{
    TCallbackState& state = CallbackState();
    std::lock_guard lock(state.Lock);
    std::vector<TPendingText>().swap(state.Pending);
    state.LastMsg.clear();
    state.Repeats = 0;
}

}  // namespace vidrelo
