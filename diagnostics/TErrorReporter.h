#pragma once
// Error reports: asks the user, adds the action history and the failure to
// the engine history, mails the engine history to the maker and, when mail
// cannot go out, opens the user's mail program with a short prepared report.
#include "diagnostics/TMailTransport.h"
#include "diagnostics/TReportSettings.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class TEngineLogHistory;
class TErrorForm;
class TEventsLog;

class TErrorReporter {
public:
    // Answers "Send" (true) or "Cancel" (false) for a failure's message.
    using TAskSend = std::function<bool(const QString& AMessage)>;
    // Hands a mail link to the user's mail program; false when it could not.
    using TOpenUrl = std::function<bool(const QUrl& AUrl)>;

    // Both logs must outlive the reporter. Until an asker is set, reports
    // only go to the standard error stream.
    TErrorReporter(TEngineLogHistory& AEngineLogHistory, TEventsLog& AEventsLog);
    ~TErrorReporter();
    TErrorReporter(const TErrorReporter&) = delete;
    TErrorReporter& operator=(const TErrorReporter&) = delete;

    void SetAskSend(TAskSend AAskSend);
    // Asks through AForm (shown modally); the form must outlive the reporter.
    void UseErrorForm(TErrorForm& AForm);
    // TSmtpClient unless replaced.
    void SetTransport(std::unique_ptr<TMailTransport> ATransport);
    TMailTransport& Transport() { return *FTransport; }
    // QDesktopServices::openUrl unless replaced.
    void SetOpenUrl(TOpenUrl AOpenUrl);
    // BuiltInReportSettings() unless replaced.
    void SetSettings(const TReportSettings& ASettings) { FSettings = ASettings; }
    const TReportSettings& Settings() const { return FSettings; }

    // The whole report, on the main thread; never raises. A report asked for
    // while another one waits for the user's answer goes to the standard
    // error stream instead of replacing the message on show.
    void Report(const QString& AMessage, const QString& ACodeLineMark);
    bool Busy() const { return FBusy; }

    static void WriteToStderr(const QString& AMessage, const QString& ACodeLineMark);

private:
    void SendReport(const QString& AMessage, const QString& ACodeLineMark);
    void OpenMailLink(const QString& AMessage, const QString& ACodeLineMark);
    void AppendSections(const QString& AMessage, const QString& ACodeLineMark);

    TEngineLogHistory& FEngineLogHistory;
    TEventsLog& FEventsLog;
    TAskSend FAskSend;
    std::unique_ptr<TMailTransport> FTransport;
    TOpenUrl FOpenUrl;
    TReportSettings FSettings;
    bool FBusy = false;
};

// "ERROR REPORT | Vidrelo"
QString ReportSubject();
// The mail link of a report that could not be mailed: the support mailbox,
// the subject and the body AMessage + " ;CODE LINE MARK:" + ACodeLineMark +
// ";  YOUR COMMENT (DETAILS):", subject and body percent-encoded so that any
// "&", "?", "#" or "%" in the message reaches the mail program as text.
QUrl MailLink(const QString& ASupportMailbox, const QString& AMessage, const QString& ACodeLineMark);
