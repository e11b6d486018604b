#include "engine/log/TFFLogger.h"

#include "engine/EngineError.h"
#include "engine/MainThreadDispatcher.h"
#include "engine/ThreadId.h"
#include "engine/loader/AVBindings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace vidrelo;

namespace {

__attribute__((format(printf, 3, 4))) void LibLog(void* avcl, int level, const char* fmt, ...)
{
    va_list vl;
    va_start(vl, fmt);
    FFLogCallback(avcl, level, fmt, vl);
    va_end(vl);
}

// Stands in for a library context: the AVClass pointer comes first.
struct TFakeContext {
    const AVClass* Class;
    TFakeContext* Parent;
    const char* Name;
};

const char* FakeItemName(void* ctx)
{
    return static_cast<TFakeContext*>(ctx)->Name;
}

AVClass FakeClass(const char* name, int parentOffset)
{
    AVClass cls{};
    cls.class_name = name;
    cls.item_name = FakeItemName;
    cls.parent_log_context_offset = parentOffset;
    return cls;
}

std::string Prefix(const char* name, const void* address)
{
    char text[128];
    std::snprintf(text, sizeof text, "[%s @ %p]", name, address);
    return text;
}

class FFLoggerTest : public ::testing::Test {
protected:
    // The test's own: the logger hands its lines to the dispatcher it is given.
    TMainThreadDispatcher D;
    std::unique_ptr<TFFLogger> Logger;
    std::mutex Lock;
    std::vector<TLogInfo> Lines;
    std::vector<std::thread::id> RanOn;

    void SetUp() override
    {
        FreeAutoCreatedFFLogger();
        SetCurrentAVLogLevel(AV_LOG_INFO);
        Logger = std::make_unique<TFFLogger>(D);
        Logger->SetOnLog([this](void* sender, uint32_t threadId, TLogLevel level, const std::string& msg) {
            std::lock_guard lock(Lock);
            Lines.push_back(TLogInfo{sender, threadId, level, msg});
            RanOn.push_back(std::this_thread::get_id());
        });
    }

    void TearDown() override
    {
        if (D.HasMainThread())
            D.DetachMainThread();
        D.SetWaker(nullptr);
        Logger.reset();
        FreeAutoCreatedFFLogger();
        SetAutoCreatedLoggerDispatcher(nullptr);
        ClearLogPending();
        SetCurrentAVLogLevel(AV_LOG_INFO);
    }

    std::vector<std::string> Texts()
    {
        std::lock_guard lock(Lock);
        std::vector<std::string> texts;
        for (const TLogInfo& line : Lines)
            texts.push_back(line.LogMsg);
        return texts;
    }

    using TStrings = std::vector<std::string>;
};

TEST(LogLevelTest, ConvertsBothWaysAtTheBoundaries)
{
    const int expected[] = {-8, 0, 8, 16, 24, 32, 40, 48};
    for (int ordinal = llQuiet; ordinal <= llDebug; ++ordinal) {
        const auto level = static_cast<TLogLevel>(ordinal);
        EXPECT_EQ(LogLevelToAV(level), expected[ordinal]);
        EXPECT_EQ(AVToLogLevel(expected[ordinal]), level);
    }
    EXPECT_EQ(AVToLogLevel(-100), llQuiet);
    EXPECT_EQ(AVToLogLevel(-7), llPanic);  // the quotient is rounded toward zero
    EXPECT_EQ(AVToLogLevel(20), llError);
    EXPECT_EQ(AVToLogLevel(56), llDebug);
    EXPECT_EQ(AVToLogLevel(1000), llDebug);
}

TEST_F(FFLoggerTest, PiecesOfALineArriveAsOneLineAndTextAfterTheLastLineFeedWaits)
{
    LibLog(nullptr, AV_LOG_INFO, "abc");
    EXPECT_TRUE(Texts().empty());
    LibLog(nullptr, AV_LOG_INFO, "def\n");
    EXPECT_EQ(Texts(), TStrings{"abcdef"});

    LibLog(nullptr, AV_LOG_WARNING, "one\ntwo\nthr");
    LibLog(nullptr, AV_LOG_WARNING, "ee\n");
    LibLog(nullptr, AV_LOG_WARNING, "ab");
    LibLog(nullptr, AV_LOG_WARNING, "ab");  // equal pieces without a line feed are no repeat
    LibLog(nullptr, AV_LOG_WARNING, "\n");
    EXPECT_EQ(Texts(), (TStrings{"abcdef", "one", "two", "three", "abab"}));
    std::lock_guard lock(Lock);
    EXPECT_EQ(Lines.back().Sender, Logger.get());
    EXPECT_EQ(Lines.back().ThreadID, CurrentThreadId());
    EXPECT_EQ(Lines.back().LogLevel, llWarning);
}

TEST_F(FFLoggerTest, RepeatedLinesAreCountedAndReportedBeforeTheNextOne)
{
    for (int i = 0; i < 5; ++i)
        LibLog(nullptr, AV_LOG_WARNING, "same line\n");
    EXPECT_EQ(Texts(), TStrings{"same line"});
    LibLog(nullptr, AV_LOG_INFO, "other line\n");
    EXPECT_EQ(Texts(), (TStrings{"same line", "    Last message repeated 4 times", "other line"}));
    std::lock_guard lock(Lock);
    EXPECT_EQ(Lines[1].LogLevel, llInfo);  // reported at the level of the message that ended the run
}

TEST_F(FFLoggerTest, ContextNamesPrefixTheStartOfALine)
{
    const AVClass parentClass = FakeClass("demuxer", 0);
    const AVClass childClass = FakeClass("decoder", offsetof(TFakeContext, Parent));
    TFakeContext parent{&parentClass, nullptr, "parent"};
    TFakeContext child{&childClass, &parent, "child"};
    TFakeContext orphan{&childClass, nullptr, "orphan"};
    TFakeContext classless{nullptr, nullptr, "classless"};

    LibLog(&child, AV_LOG_INFO, "opened %d streams\n", 2);
    LibLog(&parent, AV_LOG_INFO, "half ");
    LibLog(&child, AV_LOG_INFO, "whole\n");  // continues a line: no second prefix
    LibLog(&orphan, AV_LOG_INFO, "alone\n");
    LibLog(&classless, AV_LOG_INFO, "plain\n");
    EXPECT_EQ(Texts(), (TStrings{Prefix("parent", &parent) + " " + Prefix("child", &child) + "opened 2 streams",
                                 Prefix("parent", &parent) + "half whole", Prefix("orphan", &orphan) + "alone",
                                 "plain"}));
}

TEST_F(FFLoggerTest, LongMessagesArriveWhole)
{
    const AVClass cls = FakeClass("muxer", 0);
    TFakeContext context{&cls, nullptr, "muxer"};
    TStrings expected;
    for (std::size_t size : {2046u, 2047u, 2048u, 2049u, 10000u}) {
        const std::string body(size, static_cast<char>('a' + size % 26));
        LibLog(&context, AV_LOG_INFO, "%s\n", body.c_str());
        expected.push_back(Prefix("muxer", &context) + body);
    }
    EXPECT_EQ(Texts(), expected);
}

TEST_F(FFLoggerTest, LibraryMessagesAboveTheCurrentLevelAreIgnored)
{
    Logger->SetLogLevel(llWarning);
    EXPECT_EQ(CurrentAVLogLevel(), AV_LOG_WARNING);
    LibLog(nullptr, AV_LOG_INFO, "hidden\n");
    LibLog(nullptr, AV_LOG_ERROR, "shown\n");
    EXPECT_EQ(Texts(), TStrings{"shown"});
    std::lock_guard lock(Lock);
    EXPECT_EQ(Lines[0].LogLevel, llError);
}

TEST_F(FFLoggerTest, LogLevelOptionTakesNamesAndNumbers)
{
    Logger->OptLogLevel("WARNING");
    EXPECT_EQ(Logger->LogLevel(), llWarning);
    Logger->OptLogLevel("20");
    EXPECT_EQ(Logger->LogLevel(), llError);
    EXPECT_EQ(CurrentAVLogLevel(), AV_LOG_ERROR);
    Logger->OptLogLevel("-8");
    EXPECT_EQ(Logger->LogLevel(), llQuiet);
    for (const char* bad : {"bogus", "", "20x", "99999999999"})
        EXPECT_THROW(Logger->OptLogLevel(bad), EEngineError) << bad;
    EXPECT_EQ(Logger->LogLevel(), llQuiet);
}

TEST_F(FFLoggerTest, EngineMessagesPassByLevelAndVerboseShowsUnlessQuiet)
{
    int sender = 0;
    EXPECT_EQ(Logger->LogLevel(), llInfo);
    Logger->Log(&sender, llVerbose, std::string("verbose note"));
    Logger->Log(&sender, llDebug, std::string("debug note"));
    Logger->Log(&sender, llError, "error %d", 7);
    Logger->SetLogLevel(llQuiet);
    Logger->Log(&sender, llVerbose, "quiet verbose");
    Logger->Log(&sender, llDebug, "quiet debug");
    EXPECT_EQ(Texts(), (TStrings{"verbose note", "error 7"}));
    std::lock_guard lock(Lock);
    EXPECT_EQ(Lines[0].Sender, &sender);
    EXPECT_EQ(Lines[0].ThreadID, CurrentThreadId());
    EXPECT_EQ(Lines[0].LogLevel, llVerbose);
}

TEST_F(FFLoggerTest, OneLoggerPerProcess)
{
    try {
        TFFLogger second(D);
        FAIL() << "a second logger was created";
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Allow creating only one instance of TFFLogger.");
    }
    EXPECT_EQ(&FFLogger(), Logger.get());
    EXPECT_FALSE(Logger->AutoCreated());

    Logger.reset();
    SetCurrentAVLogLevel(AV_LOG_ERROR);
    TFFLogger& made = FFLogger();
    EXPECT_TRUE(made.AutoCreated());
    EXPECT_EQ(made.LogLevel(), llError);  // follows the libraries' level
    EXPECT_EQ(&FFLogger(), &made);

    Logger = std::make_unique<TFFLogger>(D);  // replaces the auto-created one
    EXPECT_EQ(&FFLogger(), Logger.get());
    EXPECT_TRUE(Logger->TriggerEventInMainThread());
}

TEST_F(FFLoggerTest, InstallRequiresTheBindingsAndAppliesTheLevel)
{
    static void (*installed)(void*, int, const char*, va_list);
    static int appliedLevel;
    installed = nullptr;
    appliedLevel = -1000;
    struct TUnbind {
        ~TUnbind()
        {
            ff::av_log_set_callback = nullptr;
            ff::av_log_set_level = nullptr;
        }
    } unbind;

    EXPECT_THROW(InstallAVLogCallback(), EAssertionFailed);
    ff::av_log_set_callback = [](void (*callback)(void*, int, const char*, va_list)) { installed = callback; };
    EXPECT_THROW(InstallAVLogCallback(), EAssertionFailed);
    ff::av_log_set_level = [](int level) { appliedLevel = level; };
    Logger->SetLogLevel(llVerbose);
    EXPECT_EQ(appliedLevel, AV_LOG_VERBOSE);
    appliedLevel = -1000;
    InstallAVLogCallback();
    EXPECT_EQ(installed, &FFLogCallback);
    EXPECT_EQ(appliedLevel, AV_LOG_VERBOSE);
}

TEST_F(FFLoggerTest, UnfinishedLinesOfTwoThreadsDoNotMix)
{
    LibLog(nullptr, AV_LOG_INFO, "main starts, ");
    uint32_t workerId = 0;
    std::thread([&] {
        workerId = CurrentThreadId();
        LibLog(nullptr, AV_LOG_INFO, "worker starts, ");
        LibLog(nullptr, AV_LOG_INFO, "worker ends\n");
    }).join();
    LibLog(nullptr, AV_LOG_INFO, "main ends\n");
    EXPECT_EQ(Texts(), (TStrings{"worker starts, worker ends", "main starts, main ends"}));
    std::lock_guard lock(Lock);
    EXPECT_EQ(Lines[0].ThreadID, workerId);
    EXPECT_EQ(Lines[1].ThreadID, CurrentThreadId());
}

class FFLoggerThreadsTest : public FFLoggerTest, public ::testing::WithParamInterface<bool> {
protected:
    static constexpr int Workers = 4;
    static constexpr int LinesEach = 200;
};

TEST_P(FFLoggerThreadsTest, LinesOfManyThreadsArriveWholeAndInOrder)
{
    const bool inMainThread = GetParam();
    Logger->SetTriggerEventInMainThread(inMainThread);
    if (inMainThread)
        D.AttachMainThread();
    std::atomic<int> finished{0};
    std::vector<uint32_t> ids(Workers);
    std::vector<std::thread> threads;
    for (int w = 0; w < Workers; ++w) {
        threads.emplace_back([&, w] {
            ids[w] = CurrentThreadId();
            for (int i = 0; i < LinesEach; ++i) {
                LibLog(nullptr, AV_LOG_INFO, "worker %d line %d: ", w, i);
                LibLog(nullptr, AV_LOG_INFO, "second half %d/%d\n", w, i);
            }
            ++finished;
            D.Notify();
        });
    }
    if (inMainThread)
        D.WaitUntil([&] { return finished.load() == Workers; });
    for (std::thread& thread : threads)
        thread.join();

    std::lock_guard lock(Lock);
    ASSERT_EQ(Lines.size(), std::size_t{Workers * LinesEach});
    for (int w = 0; w < Workers; ++w) {
        int next = 0;
        for (const TLogInfo& line : Lines) {
            if (line.ThreadID != ids[w])
                continue;
            const std::string expected = "worker " + std::to_string(w) + " line " + std::to_string(next) +
                                         ": second half " + std::to_string(w) + "/" + std::to_string(next);
            ASSERT_EQ(line.LogMsg, expected);
            ++next;
        }
        EXPECT_EQ(next, LinesEach) << "worker " << w;
    }
    if (inMainThread) {
        for (const std::thread::id ranOn : RanOn)
            ASSERT_EQ(ranOn, std::this_thread::get_id());
    }
}

INSTANTIATE_TEST_SUITE_P(Delivery, FFLoggerThreadsTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "InMainThread" : "InLoggingThread";
                         });

TEST_F(FFLoggerTest, MainThreadLogsWhileAWorkerWaitsForIt)
{
    D.AttachMainThread();
    std::atomic<bool> handedOff{false};
    std::atomic<bool> finished{false};
    D.SetWaker([&] { handedOff = true; });
    std::thread worker([&] {
        LibLog(nullptr, AV_LOG_INFO, "from the worker\n");
        finished = true;
        D.Notify();
    });
    while (!handedOff)
        std::this_thread::yield();  // the worker now waits for the main thread to deliver its line
    // A hang would otherwise only show as the suite's timeout.
    std::promise<void> returned;
    std::thread watchdog([done = returned.get_future()] {
        if (done.wait_for(std::chrono::seconds(30)) == std::future_status::timeout) {
            std::fputs("a library log call on the main thread hangs during a worker's hand-off\n", stderr);
            std::_Exit(1);
        }
    });
    LibLog(nullptr, AV_LOG_INFO, "from the main thread\n");
    returned.set_value();
    watchdog.join();
    EXPECT_EQ(Texts(), (TStrings{"from the worker", "from the main thread"}));
    D.WaitUntil([&] { return finished.load(); });
    worker.join();
    EXPECT_EQ(Texts().size(), 2u);
}

// The engine sets the dispatcher an auto-created logger uses; without one
// (no engine running) a worker's line is delivered on the worker.
TEST_F(FFLoggerTest, AnAutoCreatedLoggerHandsOffThroughTheDispatcherItWasGiven)
{
    D.AttachMainThread();
    for (const bool given : {true, false}) {
        SCOPED_TRACE(given ? "dispatcher given" : "none given");
        Logger.reset();
        FreeAutoCreatedFFLogger();
        SetAutoCreatedLoggerDispatcher(given ? &D : nullptr);
        std::thread::id deliveredOn;
        FFLogger().SetOnLog([&](void*, uint32_t, TLogLevel, const std::string&) {
            deliveredOn = std::this_thread::get_id();
        });
        std::atomic<bool> finished{false};
        std::thread::id workerId;
        std::thread worker([&] {
            workerId = std::this_thread::get_id();
            FFLogger().Log(nullptr, llInfo, "from the worker");
            finished = true;
            D.Notify();
        });
        D.WaitUntil([&] { return finished.load(); });
        worker.join();
        EXPECT_EQ(deliveredOn, given ? std::this_thread::get_id() : workerId);
    }
}

}  // namespace
