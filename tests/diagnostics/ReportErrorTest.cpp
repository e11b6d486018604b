#include "diagnostics/ReportError.h"

#include "diagnostics/TEngineLogHistory.h"
#include "diagnostics/TErrorReporter.h"
#include "diagnostics/TEventsLog.h"
#include "tests/diagnostics/TestApplication.h"
#include "tests/diagnostics/TestPrinters.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <thread>

namespace {

struct TInstalled {
    explicit TInstalled(TErrorReporter& reporter) { InstallErrorReporter(&reporter); }
    ~TInstalled() { InstallErrorReporter(nullptr); }
};

}  // namespace

TEST(ReportError, WithoutAReporterWritesMessageAndMarkToStandardError)
{
    ASSERT_EQ(InstalledErrorReporter(), nullptr);
    ::testing::internal::CaptureStderr();
    ReportError("Error loading formats", "CLM_LoadFormats");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error loading formats"), std::string::npos);
    EXPECT_NE(err.find("CLM_LoadFormats"), std::string::npos);
}

TEST(ReportError, ReachesTheInstalledReporterOnTheApplicationThread)
{
    TestApplication();
    TEngineLogHistory history;
    TEventsLog events;
    TErrorReporter reporter(history, events);
    QStringList asked;
    std::vector<QThread*> threads;
    reporter.SetAskSend([&](const QString& message) {
        asked << message;
        threads.push_back(QThread::currentThread());
        return false;
    });
    TInstalled installed(reporter);

    ReportError("Error initialising profiles", "CLM_InitProfiles");
    EXPECT_EQ(asked, QStringList{"Error initialising profiles"});

    // A worker's report is handed over, not shown from the worker.
    std::thread worker([] { ReportError("Conversion terminated with error: x", "CLM_Terminate"); });
    worker.join();
    EXPECT_EQ(asked.size(), 1);
    QElapsedTimer timer;
    timer.start();
    while (asked.size() < 2 && timer.elapsed() < 5000)
        QCoreApplication::processEvents();
    EXPECT_EQ(asked, (QStringList{"Error initialising profiles", "Conversion terminated with error: x"}));
    for (QThread* thread : threads)
        EXPECT_EQ(thread, qApp->thread());
}
