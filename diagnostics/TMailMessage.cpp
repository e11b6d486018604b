#include "diagnostics/TMailMessage.h"

#include "diagnostics/TEventsLog.h"

namespace {

constexpr int kMaxEncodedLine = 76;

bool IsPlainAscii(const QString& AText)
{
    for (QChar c : AText)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return true;
}

void AppendHeader(QByteArray& AOut, const char* AName, const QByteArray& AValue)
{
    AOut += AName;
    AOut += ": ";
    AOut += AValue;
    AOut += "\r\n";
}

// How one byte of a body line is written; a dot that would begin an encoded
// line and white space that would end the line are encoded.
QByteArray EncodePiece(unsigned char AByte, int AColumn, bool ALast)
{
    const bool literal = (AByte >= 33 && AByte <= 126 && AByte != '=' && !(AByte == '.' && AColumn == 0)) ||
                         ((AByte == ' ' || AByte == '\t') && !ALast);
    if (literal)
        return QByteArray(1, static_cast<char>(AByte));
    static const char hex[] = "0123456789ABCDEF";
    const char encoded[3] = {'=', hex[AByte >> 4], hex[AByte & 0x0F]};
    return QByteArray(encoded, 3);
}

// One body line; soft line breaks keep every encoded line within the limit.
QByteArray EncodeLine(const QByteArray& ALine)
{
    QByteArray out;
    int column = 0;
    for (qsizetype i = 0; i < ALine.size(); ++i) {
        const auto byte = static_cast<unsigned char>(ALine[i]);
        const bool last = i + 1 == ALine.size();
        QByteArray piece = EncodePiece(byte, column, last);
        // Leave room for the "=" of a soft break unless this is the last piece.
        const int room = last ? kMaxEncodedLine : kMaxEncodedLine - 1;
        if (column + piece.size() > room) {
            out += "=\r\n";
            column = 0;
            piece = EncodePiece(byte, column, last);
        }
        out += piece;
        column += static_cast<int>(piece.size());
    }
    return out;
}

}  // namespace

QByteArray EncodeHeaderText(const QString& AText)
{
    QString flat = AText;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (IsPlainAscii(flat))
        return flat.toLatin1();
    return "=?UTF-8?B?" + flat.toUtf8().toBase64() + "?=";
}

QByteArray EncodeQuotedPrintable(const QStringList& ALines)
{
    QByteArray out;
    for (const QString& entry : ALines)
        for (const QString& line : TEventsLog::SplitLines(entry))
            out += EncodeLine(line.toUtf8()) + "\r\n";
    return out;
}

QByteArray ComposeMail(const TMailMessage& AMessage, const QDateTime& ADate)
{
    QByteArray out;
    AppendHeader(out, "Date", ADate.toString(Qt::RFC2822Date).toLatin1());
    AppendHeader(out, "From", EncodeHeaderText(AMessage.Sender));
    AppendHeader(out, "To", EncodeHeaderText(AMessage.Recipients.join(QLatin1String(", "))));
    AppendHeader(out, "Subject", EncodeHeaderText(AMessage.Subject));
    AppendHeader(out, "MIME-Version", "1.0");
    AppendHeader(out, "Content-Type", "text/plain; charset=UTF-8");
    AppendHeader(out, "Content-Transfer-Encoding", "quoted-printable");
    out += "\r\n";
    out += EncodeQuotedPrintable(AMessage.Body);
    return out;
}
