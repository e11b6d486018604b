#include "tests/diagnostics/TestApplication.h"

#include <QApplication>

QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "vidrelo_diagnostics_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

// fontconfig keeps what it allocates when a widget first needs fonts; in
// sanitizer builds LeakSanitizer would report that library's memory as ours.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
