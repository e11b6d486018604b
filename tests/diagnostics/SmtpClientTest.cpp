#include "diagnostics/TSmtpClient.h"

#include "tests/diagnostics/TestSmtpServer.h"
#include "tests/diagnostics/TestPrinters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace {

TMailMessage SampleMail()
{
    return {"report@vidrelo.example", {"support@vidrelo.example"}, "ERROR REPORT | Vidrelo",
            {"first", ".", QString::fromUtf8("zweite Zeile – ü")}};
}

void PointAt(TSmtpClient& client, int port)
{
    client.SetHost("127.0.0.1");
    client.SetPort(port);
    client.SetTimeout(5000);
}

bool HasCommandStartingWith(const std::vector<std::string>& commands, const std::string& prefix)
{
    return std::any_of(commands.begin(), commands.end(),
                       [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
}

}  // namespace

TEST(SmtpClient, AuthenticatesSendsAndQuits)
{
    TTestSmtpServer server;
    TSmtpClient client;
    PointAt(client, server.Port());
    client.SetUserName("report@vidrelo.example");
    client.SetPassword("tovilmar");

    client.Connect();
    EXPECT_TRUE(client.Connected());
    client.Send(SampleMail());
    client.Send(SampleMail());
    client.Disconnect();
    EXPECT_FALSE(client.Connected());

    EXPECT_EQ(server.AuthUser(), "report@vidrelo.example");
    EXPECT_EQ(server.AuthPassword(), "tovilmar");
    EXPECT_EQ(server.Connections(), 1);  // connect and both mails share one session
    EXPECT_EQ(server.Commands().back(), "QUIT");
    const auto mails = server.Mails();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0].MailFrom, "report@vidrelo.example");
    EXPECT_EQ(mails[0].RcptTo, std::vector<std::string>{"support@vidrelo.example"});
    EXPECT_EQ(ParseMail(mails[0].Data).BodyLines, SampleMail().Body);
}

TEST(SmtpClient, SkipsAuthenticationWhenTheServerOffersNone)
{
    TTestSmtpServer server(TTestSmtpServer::sbNoAuth);
    TSmtpClient client;
    PointAt(client, server.Port());
    client.SetUserName("report@vidrelo.example");
    client.SetPassword("tovilmar");
    client.Connect();
    client.Send(SampleMail());
    client.Disconnect();
    EXPECT_FALSE(HasCommandStartingWith(server.Commands(), "AUTH"));
    EXPECT_EQ(server.Mails().size(), 1u);
}

TEST(SmtpClient, FailuresAreRaisedAndLeaveItDisconnected)
{
    TSmtpClient client;
    EXPECT_THROW(client.Connect(), EMailError);  // no host
    EXPECT_THROW(client.Send(SampleMail()), EMailError);  // not connected

    PointAt(client, ClosedLoopbackPort());
    EXPECT_THROW(client.Connect(), EMailError);
    EXPECT_FALSE(client.Connected());
    client.Disconnect();  // harmless when not connected
}

TEST(SmtpClient, RefusesEnvelopeAddressesThatCouldInjectCommands)
{
    TTestSmtpServer server;
    TSmtpClient client;
    PointAt(client, server.Port());
    client.Connect();
    TMailMessage mail = SampleMail();
    mail.Recipients = {"support@vidrelo.example>\r\nRCPT TO:<victim@example.org"};
    EXPECT_THROW(client.Send(mail), EMailError);
    mail = SampleMail();
    mail.Sender = "report@vidrelo.example\r\nRSET";
    EXPECT_THROW(client.Send(mail), EMailError);
    mail.Sender = SampleMail().Sender;
    mail.Recipients.clear();
    EXPECT_THROW(client.Send(mail), EMailError);
    client.Disconnect();
    EXPECT_TRUE(server.Mails().empty());
    EXPECT_FALSE(HasCommandStartingWith(server.Commands(), "RSET"));
}

TEST(SmtpClient, ASilentServerTimesOutWhileConnecting)
{
    TTestSmtpServer server(TTestSmtpServer::sbSilent);
    TSmtpClient client;
    PointAt(client, server.Port());
    client.SetTimeout(700);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(client.Connect(), EMailError);
    client.Disconnect();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(client.Connected());
}

TEST(SmtpClient, AServerThatStopsAnsweringTimesOutWhileSending)
{
    TTestSmtpServer server(TTestSmtpServer::sbStallAfterData);
    TSmtpClient client;
    PointAt(client, server.Port());
    client.SetTimeout(700);
    client.Connect();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(client.Send(SampleMail()), EMailError);
    client.Disconnect();  // the unanswered QUIT is bounded too
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
