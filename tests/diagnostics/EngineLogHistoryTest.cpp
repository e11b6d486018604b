#include "diagnostics/TEngineLogHistory.h"

#include "engine/MainThreadDispatcher.h"
#include "engine/ThreadId.h"
#include "engine/log/TFFLogger.h"
#include "tests/diagnostics/TestPrinters.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace vidrelo;

TEST(EngineLogHistory, LinesNameThreadAndLevelOrdinal)
{
    TEngineLogHistory history;
    EXPECT_EQ(history.Lines(), QStringList{"FFLOGGER HISTORY:"});

    history.FFLoggerLog(nullptr, 4000000000u, llDebug, "large id stays unsigned");
    history.FFLoggerLog(nullptr, 17, llQuiet, "quiet");
    history.FFLoggerLog(nullptr, 17, llPanic, "");
    history.FFLoggerLog(nullptr, 17, llError, "50% done: %1 %s");
    EXPECT_EQ(history.Lines(), (QStringList{"FFLOGGER HISTORY:", "#4000000000.7: large id stays unsigned",
                                            "#17.0: quiet", "#17.1: ", "#17.3: 50% done: %1 %s"}));
}

TEST(EngineLogHistory, CollectsTheEngineLogThroughOnLog)
{
    TEngineLogHistory history;
    TMainThreadDispatcher dispatcher;
    TFFLogger logger(dispatcher);
    logger.SetTriggerEventInMainThread(false);
    logger.SetLogLevel(llInfo);
    logger.SetOnLog(history.LogHandler());

    logger.Log(nullptr, llWarning, "Past duration too large");
    logger.Log(nullptr, llVerbose, "verbose engine note");
    logger.Log(nullptr, llDebug, "filtered out at info level");
    logger.SetOnLog(nullptr);

    const QString id = QString::number(CurrentThreadId());
    EXPECT_EQ(history.Lines(), (QStringList{"FFLOGGER HISTORY:", "#" + id + ".4: Past duration too large",
                                            "#" + id + ".6: verbose engine note"}));
}

TEST(EngineLogHistory, AcceptsLinesFromSeveralThreadsAtOnce)
{
    TEngineLogHistory history;
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < 4; ++t)
        threads.emplace_back([&history, t] {
            for (int i = 0; i < 500; ++i)
                history.FFLoggerLog(nullptr, t, llInfo, "line");
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(history.Count(), 2001);
    EXPECT_EQ(history.Lines().count("#2.5: line"), 500);
}
