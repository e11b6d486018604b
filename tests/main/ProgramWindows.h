#pragma once
// Starting the program's windows in a test as main() does: one application
// object for the test program, the build's skin and catalogue, and every
// error report answered with "Cancel" (its message noted).
#include "diagnostics/TErrorReporter.h"
#include "main/TApplicationWindows.h"
#include "tests/support/TestPaths.h"

#include <QApplication>
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
    auto windows = std::make_unique<TApplicationWindows>(args, programFolder);
    windows->Reporter().SetAskSend([&reported](const QString& message) {
        reported << message;
        return false;
    });
    windows->Start();
    return windows;
}

}  // namespace maintest
