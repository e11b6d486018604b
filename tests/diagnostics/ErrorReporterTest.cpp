#include "diagnostics/TErrorReporter.h"

#include "diagnostics/TEngineLogHistory.h"
#include "diagnostics/TEventsLog.h"
#include "diagnostics/TSmtpClient.h"
#include "tests/diagnostics/TestSmtpServer.h"
#include "tests/diagnostics/TestPrinters.h"

#include <gtest/gtest.h>

#include <QUrlQuery>

using namespace vidrelo;

namespace {

// Records what the reporter asks of a transport; can fail on request.
class TRecordingTransport : public TMailTransport {
public:
    struct TState {
        QStringList Calls;
        QString Host, UserName, Password;
        int Port = 0;
        std::vector<TMailMessage> Sent;
        bool FailConnect = false;
        bool FailSend = false;
        bool Connected = false;
    };
    explicit TRecordingTransport(TState& AState) : S(AState) {}
    void SetHost(const QString& h) override { S.Host = h; }
    void SetPort(int p) override { S.Port = p; }
    void SetUserName(const QString& u) override { S.UserName = u; }
    void SetPassword(const QString& p) override { S.Password = p; }
    void Connect() override
    {
        S.Calls << "Connect";
        if (S.FailConnect)
            throw EMailError("connection refused");
        S.Connected = true;
    }
    bool Connected() const override { return S.Connected; }
    void Send(const TMailMessage& m) override
    {
        S.Calls << "Send";
        if (S.FailSend)
            throw EMailError("552 too big");
        S.Sent.push_back(m);
    }
    void Disconnect() override
    {
        S.Calls << "Disconnect";
        S.Connected = false;
    }
    TState& S;
};

TReportSettings TestSettings(int port = 2626)
{
    return {"127.0.0.1", port, "report@vidrelo.example", "tovilmar", "support@vidrelo.example"};
}

class ErrorReporterTest : public ::testing::Test {
protected:
    ErrorReporterTest() : Reporter(History, Events)
    {
        Reporter.SetSettings(TestSettings());
        Reporter.SetTransport(std::make_unique<TRecordingTransport>(Mail));
        Reporter.SetOpenUrl([this](const QUrl& url) {
            Opened.push_back(url);
            return true;
        });
        Reporter.SetAskSend([this](const QString& message) {
            Asked << message;
            return Answer;
        });
    }

    TEngineLogHistory History;
    TEventsLog Events;
    TErrorReporter Reporter;
    TRecordingTransport::TState Mail;
    std::vector<QUrl> Opened;
    QStringList Asked;
    bool Answer = true;
};

QStringList Sections(const QStringList& events, const QString& message, const QString& mark)
{
    return QStringList{"-------------------------", "ACTION HISTORY:"} + events +
           QStringList{"-------------------------", "LAST ERROR MESSAGE: " + message, "CODE LINE MARK: " + mark};
}

}  // namespace

TEST_F(ErrorReporterTest, TwoReportsCarryTheWholeHistoryInOrder)
{
    History.FFLoggerLog(nullptr, 11, llWarning, "engine line 1");
    Events.Add("10:00:00-> Conversion started");
    Reporter.Report("Error loading profiles", "CLM_LoadProfiles");

    History.FFLoggerLog(nullptr, 12, llError, "engine line 2");
    Events.Add("Added Video\r\nInput #0");
    Reporter.Report("Error setting profile", "CLM_SettingProfile");

    ASSERT_EQ(Mail.Sent.size(), 2u);
    const QStringList first = QStringList{"FFLOGGER HISTORY:", "#11.4: engine line 1"} +
                              Sections({"10:00:00-> Conversion started"}, "Error loading profiles", "CLM_LoadProfiles");
    EXPECT_EQ(Mail.Sent[0].Body, first);
    EXPECT_EQ(Mail.Sent[1].Body, first + QStringList{"#12.3: engine line 2"} +
                                     Sections({"10:00:00-> Conversion started", "Added Video", "Input #0"},
                                              "Error setting profile", "CLM_SettingProfile"));
    EXPECT_EQ(History.Lines(), Mail.Sent[1].Body);  // the sections stay in the history

    EXPECT_EQ(Mail.Sent[1].Sender, "report@vidrelo.example");
    EXPECT_EQ(Mail.Sent[1].Recipients, QStringList{"support@vidrelo.example"});
    EXPECT_EQ(Mail.Sent[1].Subject, "ERROR REPORT | Vidrelo");
    EXPECT_EQ(Mail.Calls, (QStringList{"Connect", "Send", "Disconnect", "Connect", "Send", "Disconnect"}));
    EXPECT_EQ(Mail.Host, "127.0.0.1");
    EXPECT_EQ(Mail.Port, 2626);
    EXPECT_EQ(Mail.UserName, "report@vidrelo.example");
    EXPECT_EQ(Mail.Password, "tovilmar");
    EXPECT_EQ(Asked, (QStringList{"Error loading profiles", "Error setting profile"}));
    EXPECT_TRUE(Opened.empty());
}

TEST_F(ErrorReporterTest, CancelSendsNothingAndLeavesTheHistory)
{
    History.FFLoggerLog(nullptr, 11, llInfo, "engine line");
    Events.AddEvent("Conversion started");
    const QStringList before = History.Lines();
    Answer = false;
    Reporter.Report("Error writing data to Registry", "CLM_RegDataWrite");
    EXPECT_EQ(Asked, QStringList{"Error writing data to Registry"});
    EXPECT_EQ(History.Lines(), before);
    EXPECT_TRUE(Mail.Calls.isEmpty());
    EXPECT_TRUE(Opened.empty());
}

TEST_F(ErrorReporterTest, FailedSendingOpensTheMailLinkAndStillDisconnects)
{
    Mail.FailSend = true;
    Reporter.Report("Conversion terminated with error: disk full", "CLM_Terminate");
    EXPECT_EQ(Mail.Calls, (QStringList{"Connect", "Send", "Disconnect"}));
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0].path(), "support@vidrelo.example");

    Mail.Calls.clear();
    Mail.FailSend = false;
    Mail.FailConnect = true;
    Reporter.Report("Error loading SDL library", "CLM_SDlLibLoad");
    EXPECT_EQ(Mail.Calls, QStringList{"Connect"});  // nothing to disconnect
    EXPECT_EQ(Opened.size(), 2u);
    // Each report still added its sections, whether mailed or not.
    EXPECT_EQ(History.Lines().count("ACTION HISTORY:"), 2);
}

TEST_F(ErrorReporterTest, AReportWhileOneIsOpenDoesNotInterfere)
{
    Reporter.SetAskSend([this](const QString& message) {
        Asked << message;
        if (Asked.size() == 1) {
            ::testing::internal::CaptureStderr();
            Reporter.Report("Error Drawing Cell: profile 1, format 2", "CLM_FormatsDrawCell");
            const std::string nested = ::testing::internal::GetCapturedStderr();
            EXPECT_NE(nested.find("Error Drawing Cell: profile 1, format 2"), std::string::npos);
            EXPECT_NE(nested.find("CLM_FormatsDrawCell"), std::string::npos);
        }
        return true;
    });
    Reporter.Report("Error loading formats", "CLM_LoadFormats");
    EXPECT_EQ(Asked, QStringList{"Error loading formats"});
    ASSERT_EQ(Mail.Sent.size(), 1u);
    EXPECT_EQ(Mail.Sent[0].Body.last(), "CODE LINE MARK: CLM_LoadFormats");
    EXPECT_EQ(History.Lines().count("ACTION HISTORY:"), 1);
    EXPECT_FALSE(Reporter.Busy());
}

TEST_F(ErrorReporterTest, NeverRaisesToItsCaller)
{
    Reporter.SetAskSend([](const QString&) -> bool { throw std::runtime_error("window failed"); });
    ::testing::internal::CaptureStderr();
    EXPECT_NO_THROW(Reporter.Report("Error setting cropped area", "CLM_CropSet"));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("CLM_CropSet"), std::string::npos);

    Reporter.SetAskSend([](const QString&) { return true; });
    Mail.FailSend = true;
    Reporter.SetOpenUrl([](const QUrl&) -> bool { throw std::runtime_error("no mail program"); });
    ::testing::internal::CaptureStderr();
    EXPECT_NO_THROW(Reporter.Report("Error setting cropped area", "CLM_CropSet"));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Mail.Calls, (QStringList{"Connect", "Send", "Disconnect"}));
    EXPECT_FALSE(Reporter.Busy());
}

TEST_F(ErrorReporterTest, WithoutAnAskerTheFailureGoesToStandardError)
{
    TErrorReporter bare(History, Events);
    bare.SetTransport(std::make_unique<TRecordingTransport>(Mail));
    ::testing::internal::CaptureStderr();
    bare.Report("Error loading profiles", "CLM_LoadProfiles");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error loading profiles"), std::string::npos);
    EXPECT_NE(err.find("CLM_LoadProfiles"), std::string::npos);
    EXPECT_TRUE(Mail.Calls.isEmpty());
    EXPECT_EQ(History.Count(), 1);
}

// The real transport against a server of our own.
TEST(ErrorReporterMail, TheReportArrivesWithHeadersEnvelopeAndHistory)
{
    TTestSmtpServer server;
    TEngineLogHistory history;
    TEventsLog events;
    history.FFLoggerLog(nullptr, 7, llInfo, "Input #0, mpeg, from 'opendvd:/dev/sr0|Title=1'");
    events.Add("12:00:00-> DVD plug-in v1.2 is loaded.");
    events.Add("12:00:05-> Added Video\r\nInput #0, mpeg\r\n  Stream #0:0: Video: mpeg2video");
    TErrorReporter reporter(history, events);
    reporter.SetSettings(TestSettings(server.Port()));
    reporter.SetAskSend([](const QString&) { return true; });
    std::vector<QUrl> opened;
    reporter.SetOpenUrl([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });

    reporter.Report("Error painting Selection Area. BitmapWidth=720; BitmapHeight=576; AspectRatio=1.33",
                    "CLM_PaintCropArea");

    EXPECT_TRUE(opened.empty());
    const auto mails = server.Mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].MailFrom, "report@vidrelo.example");
    EXPECT_EQ(mails[0].RcptTo, std::vector<std::string>{"support@vidrelo.example"});
    EXPECT_EQ(server.AuthUser(), "report@vidrelo.example");
    EXPECT_EQ(server.AuthPassword(), "tovilmar");
    EXPECT_EQ(server.Commands().back(), "QUIT");
    const TParsedMail mail = ParseMail(mails[0].Data);
    EXPECT_EQ(mail.Header("Subject"), "ERROR REPORT | Vidrelo");
    EXPECT_EQ(mail.Header("From"), "report@vidrelo.example");
    EXPECT_EQ(mail.Header("To"), "support@vidrelo.example");
    EXPECT_EQ(mail.BodyLines,
              (QStringList{"FFLOGGER HISTORY:", "#7.5: Input #0, mpeg, from 'opendvd:/dev/sr0|Title=1'"} +
               Sections({"12:00:00-> DVD plug-in v1.2 is loaded.", "12:00:05-> Added Video", "Input #0, mpeg",
                         "  Stream #0:0: Video: mpeg2video"},
                        "Error painting Selection Area. BitmapWidth=720; BitmapHeight=576; AspectRatio=1.33",
                        "CLM_PaintCropArea")));
}

TEST(ErrorReporterMail, WithoutAServerTheMailLinkCarriesMessageAndMarkIntact)
{
    TEngineLogHistory history;
    TEventsLog events;
    TErrorReporter reporter(history, events);
    reporter.SetSettings(TestSettings(ClosedLoopbackPort()));
    reporter.SetAskSend([](const QString&) { return true; });
    std::vector<QUrl> opened;
    reporter.SetOpenUrl([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });

    const QStringList messages{"Error loading profiles",
                               "Cannot set output file: /tmp/a&b?c=d#e %41 + 100% done",
                               QString::fromUtf8("Error open file: /media/Über/film.vob&subject=spam")};
    for (const QString& message : messages)
        reporter.Report(message, "CLM_SetOutputFile");

    ASSERT_EQ(opened.size(), 3u);
    for (size_t i = 0; i < opened.size(); ++i) {
        const QUrl& url = opened[i];
        EXPECT_TRUE(url.isValid());
        EXPECT_EQ(url.scheme(), "mailto");
        EXPECT_EQ(url.path(), "support@vidrelo.example");
        EXPECT_TRUE(url.fragment().isNull()) << url.toString().toStdString();
        const QUrlQuery query(url);
        EXPECT_EQ(query.queryItems(QUrl::FullyDecoded).size(), 2);
        EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "ERROR REPORT | Vidrelo");
        EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded),
                  messages[i] + " ;CODE LINE MARK:CLM_SetOutputFile;  YOUR COMMENT (DETAILS):");
    }
}
