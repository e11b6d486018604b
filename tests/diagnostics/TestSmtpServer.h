#pragma once
// A small SMTP server on 127.0.0.1 for the mail tests: one client at a time,
// line by line, recording what arrives.
#include <QByteArray>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TReceivedMail {
    std::string MailFrom;               // the address inside "<>"
    std::vector<std::string> RcptTo;
    QByteArray Data;                    // after DATA, dot-stuffing undone, lines ending CR LF
};

class TTestSmtpServer {
public:
    // sbSilent never greets; sbStallAfterData never answers the end of a mail.
    enum TBehaviour { sbNormal, sbNoAuth, sbSilent, sbStallAfterData };
    explicit TTestSmtpServer(TBehaviour ABehaviour = sbNormal);
    ~TTestSmtpServer();

    int Port() const { return FPort; }
    std::vector<TReceivedMail> Mails() const;
    std::vector<std::string> Commands() const;  // every command line received, in order
    std::string AuthUser() const;
    std::string AuthPassword() const;
    int Connections() const { return FConnections; }

private:
    void Run();
    void Serve(int client);
    bool ReadLine(int client, std::string& buffer, std::string& line);
    bool Answer(int client, const std::string& command, std::string& buffer);
    bool ReceiveData(int client, std::string& buffer);
    void TakePlainAuth(const std::string& base64);

    TBehaviour FBehaviour;
    int FListener = -1;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::atomic<int> FConnections{0};
    mutable std::mutex FLock;
    std::vector<TReceivedMail> FMails;
    TReceivedMail FCurrent;
    std::vector<std::string> FCommands;
    std::string FAuthUser;
    std::string FAuthPassword;
    std::thread FThread;
};

// A port on 127.0.0.1 that nothing listens on.
int ClosedLoopbackPort();

// A received mail taken apart: header fields by name and the decoded
// (quoted-printable) body lines.
struct TParsedMail {
    std::vector<std::pair<QByteArray, QByteArray>> Headers;
    QStringList BodyLines;
    QByteArray Header(const QByteArray& AName) const;
};
TParsedMail ParseMail(const QByteArray& AData);
QByteArray DecodeQuotedPrintable(const QByteArray& AText);
