#pragma once
// Starting the program's windows in a test as main() does: one application
// object for the test program, the build's skin and catalogue, and every
// error report answered with "Cancel" (its message noted).
#include "diagnostics/TErrorReporter.h"
#include "dvd/DVDPlugIn.h"
#include "engine/MediaEngine.h"
#include "main/TApplicationWindows.h"
#include "main/TMainForm.h"
#include "main/TQtHandOffs.h"
#include "tests/support/EngineServices.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStringList>

#include <memory>

namespace maintest {

inline void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "vidrelo_main_window_tests";
    static char* argv[] = {name, nullptr};
    if (!qApp)
        new QApplication(argc, argv);
    QCoreApplication::setOrganizationName("Quarnix");
    QCoreApplication::setApplicationName("Vidrelo");
}

// `programFolder` (with a trailing "/") defaults to the build's bin folder.
inline std::unique_ptr<TApplicationWindows> StartWindows(QStringList& reported, const QStringList& args = {},
                                                         QString programFolder = {})
{
    if (programFolder.isEmpty())
        programFolder = QString::fromStdString(vidrelo::test::BinDir()) + "/";
    auto windows = std::make_unique<TApplicationWindows>(vidrelo::test::EngineServices(), args, programFolder);
    windows->Reporter().SetAskSend([&reported](const QString& message) {
        reported << message;
        return false;
    });
    windows->Start();
    return windows;
}

// A test on the program's running windows: the settings cleared, the
// main-thread hand-offs in place, error reports noted in Reported, and the
// DVD plug-in unloaded after each test.
class TWindowsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    void SetUp() override
    {
        QSettings("Quarnix", "Vidrelo").clear();
        HandOffs = std::make_unique<TQtHandOffs>(*qApp);
        Windows = StartWindows(Reported);
    }
    void TearDown() override
    {
        Windows.reset();
        HandOffs.reset();
        vidrelo::UnloadDVDPlugin();
    }

    TMainForm& Form() { return Windows->MainForm(); }

    vidrelo::TMediaEngineScope Engine;
    std::unique_ptr<TQtHandOffs> HandOffs;
    std::unique_ptr<TApplicationWindows> Windows;
    QStringList Reported;
};

}  // namespace maintest
