#include "diagnostics/TErrorReporter.h"

#include "diagnostics/TEngineLogHistory.h"
#include "diagnostics/TErrorForm.h"
#include "diagnostics/TEventsLog.h"
#include "diagnostics/TSmtpClient.h"

#include <QDesktopServices>

#include <cstdio>
#include <exception>

namespace {

const QString kSeparator = QStringLiteral("-------------------------");

}  // namespace

TErrorReporter::TErrorReporter(TEngineLogHistory& AEngineLogHistory, TEventsLog& AEventsLog)
    : FEngineLogHistory(AEngineLogHistory),
      FEventsLog(AEventsLog),
      FTransport(std::make_unique<TSmtpClient>()),
      FOpenUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      FSettings(BuiltInReportSettings())
{
}

TErrorReporter::~TErrorReporter() = default;

void TErrorReporter::SetAskSend(TAskSend AAskSend)
{
    FAskSend = std::move(AAskSend);
}

void TErrorReporter::UseErrorForm(TErrorForm& AForm)
{
    FAskSend = [&AForm](const QString& message) { return AForm.Execute(message); };
}

void TErrorReporter::SetTransport(std::unique_ptr<TMailTransport> ATransport)
{
    if (ATransport)
        FTransport = std::move(ATransport);
}

void TErrorReporter::SetOpenUrl(TOpenUrl AOpenUrl)
{
    FOpenUrl = std::move(AOpenUrl);
}

void TErrorReporter::Report(const QString& AMessage, const QString& ACodeLineMark)
{
    if (FBusy || !FAskSend) {
        WriteToStderr(AMessage, ACodeLineMark);
        return;
    }
    FBusy = true;
    try {
        if (FAskSend(AMessage))
            SendReport(AMessage, ACodeLineMark);
    } catch (const std::exception& error) {
        WriteToStderr(AMessage + QLatin1String(" (report failed: ") + QString::fromLocal8Bit(error.what()) +
                          QLatin1Char(')'),
                      ACodeLineMark);
    } catch (...) {
        WriteToStderr(AMessage, ACodeLineMark);
    }
    FBusy = false;
}

void TErrorReporter::SendReport(const QString& AMessage, const QString& ACodeLineMark)
{
    TMailTransport& transport = *FTransport;
    transport.SetHost(FSettings.Host);
    transport.SetPort(FSettings.Port);
    transport.SetUserName(FSettings.ReportMailbox);
    transport.SetPassword(FSettings.Password);
    TMailMessage message{FSettings.ReportMailbox, {FSettings.SupportMailbox}, ReportSubject(), {}};

    AppendSections(AMessage, ACodeLineMark);
    message.Body = FEngineLogHistory.Lines();
    bool sent = false;
    try {
        transport.Connect();
        transport.Send(message);
        sent = true;
    } catch (...) {
        // Why it failed is of no use to the user; the mail link below is the way out.
    }
    if (!sent)
        OpenMailLink(AMessage, ACodeLineMark);
    if (transport.Connected())
        transport.Disconnect();
}

// The user still gets to send the essentials with their own mail program.
void TErrorReporter::OpenMailLink(const QString& AMessage, const QString& ACodeLineMark)
{
    try {
        if (FOpenUrl)
            FOpenUrl(MailLink(FSettings.SupportMailbox, AMessage, ACodeLineMark));
    } catch (...) {
        // Nothing is left to try; the failure stays on the standard error stream.
        WriteToStderr(AMessage, ACodeLineMark);
    }
}

void TErrorReporter::AppendSections(const QString& AMessage, const QString& ACodeLineMark)
{
    QStringList sections{kSeparator, QStringLiteral("ACTION HISTORY:")};
    sections += FEventsLog.Lines();
    sections += {kSeparator, QLatin1String("LAST ERROR MESSAGE: ") + AMessage,
                 QLatin1String("CODE LINE MARK: ") + ACodeLineMark};
    FEngineLogHistory.Add(sections);
}

void TErrorReporter::WriteToStderr(const QString& AMessage, const QString& ACodeLineMark)
{
    const QByteArray text = (QLatin1String("Error: ") + AMessage + QLatin1String(" [") + ACodeLineMark +
                             QLatin1String("]\n")).toLocal8Bit();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
    std::fflush(stderr);
}

QString ReportSubject()
{
    return QStringLiteral("ERROR REPORT | Vidrelo");
}

QUrl MailLink(const QString& ASupportMailbox, const QString& AMessage, const QString& ACodeLineMark)
{
    const QString body = AMessage + QLatin1String(" ;CODE LINE MARK:") + ACodeLineMark +
                         QLatin1String(";  YOUR COMMENT (DETAILS):");
    const QByteArray link = "mailto:" + QUrl::toPercentEncoding(ASupportMailbox, "@") +
                            "?subject=" + QUrl::toPercentEncoding(ReportSubject()) +
                            "&body=" + QUrl::toPercentEncoding(body);
    return QUrl::fromEncoded(link, QUrl::StrictMode);
}
