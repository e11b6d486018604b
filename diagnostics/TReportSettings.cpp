#include "diagnostics/TReportSettings.h"

TReportSettings BuiltInReportSettings()
{
    TReportSettings settings;
    settings.Host = QStringLiteral(VIDRELO_REPORT_SMTP_HOST);
    settings.Port = VIDRELO_REPORT_SMTP_PORT;
    settings.ReportMailbox = QStringLiteral(VIDRELO_REPORT_MAILBOX);
    settings.Password = QStringLiteral(VIDRELO_REPORT_PASSWORD);
    settings.SupportMailbox = QStringLiteral(VIDRELO_SUPPORT_MAILBOX);
    return settings;
}
