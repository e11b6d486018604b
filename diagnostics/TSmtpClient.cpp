#include "diagnostics/TSmtpClient.h"

#include <QDateTime>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <memory>

namespace {

void EnsureCurlInitialised()
{
    static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (result != CURLE_OK)
        throw EMailError(std::string("Cannot initialise the mail library: ") + curl_easy_strerror(result));
}

// The server's answers to commands other than the mail itself are not ours to keep.
size_t DiscardResponse(char* /*data*/, size_t size, size_t count, void* /*user*/)
{
    return size * count;
}

struct TUpload {
    QByteArray Data;
    qsizetype Position = 0;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* user)
{
    auto* upload = static_cast<TUpload*>(user);
    const auto left = static_cast<size_t>(upload->Data.size() - upload->Position);
    const size_t length = std::min(size * count, left);
    std::copy_n(upload->Data.constData() + upload->Position, length, buffer);
    upload->Position += static_cast<qsizetype>(length);
    return length;
}

// "<address>" for MAIL FROM and RCPT TO; an address that could smuggle a
// command or a second path into the envelope is refused.
std::string EnvelopeAddress(const QString& AAddress)
{
    const bool unsafe = AAddress.isEmpty() || AAddress.contains(QLatin1Char('\r')) ||
                        AAddress.contains(QLatin1Char('\n')) || AAddress.contains(QLatin1Char('<')) ||
                        AAddress.contains(QLatin1Char('>'));
    if (unsafe)
        throw EMailError("Invalid mail address: \"" + AAddress.toStdString() + "\"");
    return "<" + AAddress.toStdString() + ">";
}

struct TSlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

TSmtpClient::TSmtpClient() : FErrorBuffer(CURL_ERROR_SIZE, '\0') {}

TSmtpClient::~TSmtpClient()
{
    Disconnect();
}

void TSmtpClient::Connect()
{
    Disconnect();
    if (FHost.isEmpty())
        throw EMailError("No mail server is set");
    EnsureCurlInitialised();
    FCurl = curl_easy_init();
    if (!FCurl)
        throw EMailError("Cannot create a mail connection");
    SetCommonOptions();
    // A command of no consequence: the connection, greeting and
    // authentication happen before it, and libcurl keeps the connection for
    // the mail that follows.
    curl_easy_setopt(FCurl, CURLOPT_CUSTOMREQUEST, "NOOP");
    try {
        Perform("Cannot connect to the mail server");
    } catch (...) {
        Disconnect();
        throw;
    }
    curl_easy_setopt(FCurl, CURLOPT_CUSTOMREQUEST, nullptr);
    FConnected = true;
}

void TSmtpClient::Send(const TMailMessage& AMessage)
{
    if (!FConnected)
        throw EMailError("Not connected to the mail server");
    if (AMessage.Recipients.isEmpty())
        throw EMailError("The mail has no recipient");
    const std::string sender = EnvelopeAddress(AMessage.Sender);
    std::unique_ptr<curl_slist, TSlistFree> recipients;
    for (const QString& recipient : AMessage.Recipients) {
        curl_slist* grown = curl_slist_append(recipients.get(), EnvelopeAddress(recipient).c_str());
        if (!grown)
            throw EMailError("Out of memory");
        recipients.release();
        recipients.reset(grown);
    }
    TUpload upload{ComposeMail(AMessage, QDateTime::currentDateTime())};

    curl_easy_setopt(FCurl, CURLOPT_MAIL_FROM, sender.c_str());
    curl_easy_setopt(FCurl, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(FCurl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(FCurl, CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(FCurl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(FCurl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload.Data.size()));
    struct TRestore {
        void* Curl;
        ~TRestore()
        {
            curl_easy_setopt(Curl, CURLOPT_MAIL_RCPT, nullptr);
            curl_easy_setopt(Curl, CURLOPT_READDATA, nullptr);
            curl_easy_setopt(Curl, CURLOPT_UPLOAD, 0L);
        }
    } restore{FCurl};
    Perform("Cannot send the mail");
}

void TSmtpClient::Disconnect()
{
    if (FCurl)
        curl_easy_cleanup(FCurl);
    FCurl = nullptr;
    FConnected = false;
}

void TSmtpClient::SetCommonOptions()
{
    QUrl url;
    url.setScheme(QStringLiteral("smtp"));
    url.setHost(FHost);
    url.setPort(FPort);
    curl_easy_setopt(FCurl, CURLOPT_URL, url.toEncoded().constData());
    if (!FUserName.isEmpty()) {
        curl_easy_setopt(FCurl, CURLOPT_USERNAME, FUserName.toUtf8().constData());
        curl_easy_setopt(FCurl, CURLOPT_PASSWORD, FPassword.toUtf8().constData());
    }
    const long timeoutMs = std::max(FTimeoutMs, 1);
    curl_easy_setopt(FCurl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    curl_easy_setopt(FCurl, CURLOPT_TIMEOUT_MS, timeoutMs);
    // Also bounds the wait for the answer to QUIT, which the overall
    // timeout does not cover.
    curl_easy_setopt(FCurl, CURLOPT_SERVER_RESPONSE_TIMEOUT, (timeoutMs + 999) / 1000);
    curl_easy_setopt(FCurl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(FCurl, CURLOPT_WRITEFUNCTION, DiscardResponse);
    curl_easy_setopt(FCurl, CURLOPT_ERRORBUFFER, FErrorBuffer.data());
}

void TSmtpClient::Perform(const char* AWhat)
{
    FErrorBuffer.assign(CURL_ERROR_SIZE, '\0');
    curl_easy_setopt(FCurl, CURLOPT_ERRORBUFFER, FErrorBuffer.data());
    const CURLcode result = curl_easy_perform(FCurl);
    if (result == CURLE_OK)
        return;
    const std::string detail = FErrorBuffer[0] ? FErrorBuffer.c_str() : curl_easy_strerror(result);
    throw EMailError(std::string(AWhat) + ": " + detail);
}
