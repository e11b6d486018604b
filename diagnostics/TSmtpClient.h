#pragma once
// The mail transport over SMTP (libcurl): plain SMTP, authenticating when the
// server offers AUTH and a user name is set. Every exchange with the server
// is bounded by a timeout, so a dead network cannot hang the program.
#include "diagnostics/TMailTransport.h"

#include <string>

class TSmtpClient : public TMailTransport {
public:
    TSmtpClient();
    ~TSmtpClient() override;
    TSmtpClient(const TSmtpClient&) = delete;
    TSmtpClient& operator=(const TSmtpClient&) = delete;

    void SetHost(const QString& AHost) override { FHost = AHost; }
    void SetPort(int APort) override { FPort = APort; }
    void SetUserName(const QString& AUserName) override { FUserName = AUserName; }
    void SetPassword(const QString& APassword) override { FPassword = APassword; }
    // The longest one connect or one send may take (20 s unless set).
    void SetTimeout(int AMilliseconds) { FTimeoutMs = AMilliseconds; }

    // Opens the connection, greets the server and authenticates.
    void Connect() override;
    bool Connected() const override { return FConnected; }
    void Send(const TMailMessage& AMessage) override;
    // Says QUIT (when the server still listens) and closes.
    void Disconnect() override;

private:
    void SetCommonOptions();
    void Perform(const char* AWhat);

    QString FHost;
    int FPort = 25;
    QString FUserName;
    QString FPassword;
    int FTimeoutMs = 20000;
    void* FCurl = nullptr;  // CURL*, kept for the whole connection
    bool FConnected = false;
    std::string FErrorBuffer;
};
