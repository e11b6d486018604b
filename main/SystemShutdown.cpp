#include "main/SystemShutdown.h"

#include "diagnostics/ReportError.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QProcess>

void ShutdownComputer()
{
    QDBusInterface logind("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                          QDBusConnection::systemBus());
    if (logind.isValid()) {
        const QDBusReply<void> reply = logind.call("PowerOff", false);
        if (reply.isValid())
            return;
    }
    if (QProcess::execute("systemctl", {"poweroff"}) == 0)
        return;
    ReportError("Error trying shut down the Windows", "CLM_Shut");
}
