#pragma once
// One plain-text mail and its wire form: RFC 5322 headers and a UTF-8
// text/plain body in quoted-printable, so that no line breaks the 998-octet
// SMTP limit and the mail survives servers that only pass 7-bit text.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

struct TMailMessage {
    QString Sender;
    QStringList Recipients;
    QString Subject;
    QStringList Body;  // one entry per line; entries holding line breaks become several lines
};

// The whole message as it goes after DATA, lines ending in CR LF.
QByteArray ComposeMail(const TMailMessage& AMessage, const QDateTime& ADate);

// A header value made safe: line breaks become spaces, and text that is not
// plain ASCII becomes a UTF-8 encoded word.
QByteArray EncodeHeaderText(const QString& AText);
// The body lines in quoted-printable, each line ending in CR LF. Encoded
// lines stay within 76 characters and never begin with a dot.
QByteArray EncodeQuotedPrintable(const QStringList& ALines);
