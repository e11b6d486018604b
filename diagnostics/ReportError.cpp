#include "diagnostics/ReportError.h"

#include "diagnostics/TErrorReporter.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>

namespace {

std::atomic<TErrorReporter*> GReporter{nullptr};

}  // namespace

void ReportError(const QString& AMessage, const QString& ACodeLineMark)
{
    try {
        TErrorReporter* reporter = GReporter.load();
        QCoreApplication* application = QCoreApplication::instance();
        if (!reporter || !application) {
            TErrorReporter::WriteToStderr(AMessage, ACodeLineMark);
            return;
        }
        if (QThread::currentThread() != application->thread()) {
            // The installed reporter is looked up again there: it may be gone by then.
            QMetaObject::invokeMethod(
                application, [AMessage, ACodeLineMark] { ReportError(AMessage, ACodeLineMark); },
                Qt::QueuedConnection);
            return;
        }
        reporter->Report(AMessage, ACodeLineMark);
    } catch (...) {
        // Reporting must never become a failure of its own.
    }
}

void InstallErrorReporter(TErrorReporter* AReporter)
{
    GReporter.store(AReporter);
}

TErrorReporter* InstalledErrorReporter()
{
    return GReporter.load();
}
