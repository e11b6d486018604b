#pragma once
// Where error reports go: the mail server, the account that sends them and
// the mailbox that receives them. The build sets them.
#include <QString>

struct TReportSettings {
    QString Host;
    int Port = 0;
    QString ReportMailbox;   // account and sender
    QString Password;
    QString SupportMailbox;  // recipient, also of the mail-link fallback
};

// The settings this program was built with.
TReportSettings BuiltInReportSettings();
