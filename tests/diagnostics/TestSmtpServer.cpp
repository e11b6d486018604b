#include "tests/diagnostics/TestSmtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

int ListenOnLoopback(int& APort)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    APort = ntohs(address.sin_port);
    return fd;
}

bool WaitReadable(int fd, const std::atomic<bool>& stop)
{
    while (!stop) {
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, 50);
        if (ready > 0)
            return true;
        if (ready < 0)
            return false;
    }
    return false;
}

void Write(int fd, const std::string& text)
{
    (void)::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

std::string Address(const std::string& command)
{
    const auto open = command.find('<');
    const auto close = command.rfind('>');
    return open == std::string::npos || close == std::string::npos ? std::string()
                                                                   : command.substr(open + 1, close - open - 1);
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

}  // namespace

TTestSmtpServer::TTestSmtpServer(TBehaviour ABehaviour) : FBehaviour(ABehaviour)
{
    FListener = ListenOnLoopback(FPort);
    FThread = std::thread([this] { Run(); });
}

TTestSmtpServer::~TTestSmtpServer()
{
    FStop = true;
    FThread.join();
    ::close(FListener);
}

std::vector<TReceivedMail> TTestSmtpServer::Mails() const
{
    std::lock_guard lock(FLock);
    return FMails;
}

std::vector<std::string> TTestSmtpServer::Commands() const
{
    std::lock_guard lock(FLock);
    return FCommands;
}

std::string TTestSmtpServer::AuthUser() const
{
    std::lock_guard lock(FLock);
    return FAuthUser;
}

std::string TTestSmtpServer::AuthPassword() const
{
    std::lock_guard lock(FLock);
    return FAuthPassword;
}

void TTestSmtpServer::Run()
{
    while (WaitReadable(FListener, FStop)) {
        const int client = ::accept(FListener, nullptr, nullptr);
        if (client < 0)
            continue;
        ++FConnections;
        Serve(client);
        ::close(client);
    }
}

void TTestSmtpServer::Serve(int client)
{
    std::string buffer;
    std::string line;
    if (FBehaviour == sbSilent) {
        while (ReadLine(client, buffer, line)) {
        }
        return;
    }
    Write(client, "220 test.local ESMTP ready\r\n");
    while (ReadLine(client, buffer, line)) {
        {
            std::lock_guard lock(FLock);
            FCommands.push_back(line);
        }
        if (!Answer(client, line, buffer))
            return;
    }
}

bool TTestSmtpServer::ReadLine(int client, std::string& buffer, std::string& line)
{
    for (;;) {
        const auto end = buffer.find("\r\n");
        if (end != std::string::npos) {
            line = buffer.substr(0, end);
            buffer.erase(0, end + 2);
            return true;
        }
        if (!WaitReadable(client, FStop))
            return false;
        char chunk[4096];
        const ssize_t got = ::recv(client, chunk, sizeof chunk, 0);
        if (got <= 0)
            return false;
        buffer.append(chunk, static_cast<size_t>(got));
    }
}

// Answers one command; false ends the session.
bool TTestSmtpServer::Answer(int client, const std::string& command, std::string& buffer)
{
    std::string line;
    if (StartsWith(command, "EHLO")) {
        Write(client, FBehaviour == sbNoAuth ? "250-test.local\r\n250 8BITMIME\r\n"
                                             : "250-test.local\r\n250-AUTH PLAIN\r\n250 8BITMIME\r\n");
    } else if (StartsWith(command, "HELO") || StartsWith(command, "NOOP") || StartsWith(command, "RSET")) {
        Write(client, "250 OK\r\n");
    } else if (StartsWith(command, "AUTH PLAIN")) {
        std::string response = command.size() > 11 ? command.substr(11) : std::string();
        if (response.empty()) {
            Write(client, "334 \r\n");
            if (!ReadLine(client, buffer, response))
                return false;
        }
        TakePlainAuth(response);
        Write(client, "235 Authenticated\r\n");
    } else if (StartsWith(command, "MAIL FROM:")) {
        std::lock_guard lock(FLock);
        FCurrent = TReceivedMail{Address(command), {}, {}};
        Write(client, "250 OK\r\n");
    } else if (StartsWith(command, "RCPT TO:")) {
        std::lock_guard lock(FLock);
        FCurrent.RcptTo.push_back(Address(command));
        Write(client, "250 OK\r\n");
    } else if (StartsWith(command, "DATA")) {
        Write(client, "354 Go ahead\r\n");
        return ReceiveData(client, buffer);
    } else if (StartsWith(command, "QUIT")) {
        Write(client, "221 Bye\r\n");
        return false;
    } else {
        Write(client, "502 Not implemented\r\n");
    }
    return true;
}

bool TTestSmtpServer::ReceiveData(int client, std::string& buffer)
{
    QByteArray data;
    std::string line;
    while (ReadLine(client, buffer, line)) {
        if (line == "." && FBehaviour == sbStallAfterData) {
            while (ReadLine(client, buffer, line)) {
            }
            return false;
        }
        if (line == ".") {
            std::lock_guard lock(FLock);
            FCurrent.Data = data;
            FMails.push_back(FCurrent);
            Write(client, "250 Queued\r\n");
            return true;
        }
        if (StartsWith(line, "."))
            line.erase(0, 1);
        data += QByteArray::fromStdString(line) + "\r\n";
    }
    return false;
}

void TTestSmtpServer::TakePlainAuth(const std::string& base64)
{
    // authzid NUL authcid NUL password
    const QByteArray decoded = QByteArray::fromBase64(QByteArray::fromStdString(base64));
    const QList<QByteArray> parts = decoded.split('\0');
    std::lock_guard lock(FLock);
    if (parts.size() == 3) {
        FAuthUser = parts[1].toStdString();
        FAuthPassword = parts[2].toStdString();
    }
}

int ClosedLoopbackPort()
{
    int port = 0;
    const int fd = ListenOnLoopback(port);
    ::close(fd);
    return port;
}

QByteArray DecodeQuotedPrintable(const QByteArray& AText)
{
    QByteArray out;
    for (qsizetype i = 0; i < AText.size(); ++i) {
        if (AText[i] != '=') {
            out += AText[i];
        } else if (AText.mid(i + 1, 2) == "\r\n") {
            i += 2;  // soft line break
        } else {
            out += static_cast<char>(AText.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        }
    }
    return out;
}

TParsedMail ParseMail(const QByteArray& AData)
{
    TParsedMail mail;
    const qsizetype split = AData.indexOf("\r\n\r\n");
    for (const QByteArray& line : AData.left(split).split('\n')) {
        const qsizetype colon = line.indexOf(':');
        mail.Headers.emplace_back(line.left(colon), line.mid(colon + 1).trimmed());
    }
    const QString body = QString::fromUtf8(DecodeQuotedPrintable(AData.mid(split + 4)));
    mail.BodyLines = body.split(QStringLiteral("\r\n"));
    if (!mail.BodyLines.isEmpty() && mail.BodyLines.last().isEmpty())
        mail.BodyLines.removeLast();
    return mail;
}

QByteArray TParsedMail::Header(const QByteArray& AName) const
{
    for (const auto& [name, value] : Headers)
        if (name.compare(AName, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}
