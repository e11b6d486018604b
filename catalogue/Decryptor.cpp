#include "catalogue/Decryptor.h"

#include "catalogue/EInOutError.h"

#include <QFile>
#include <QStringDecoder>

namespace {

struct TByteOrderMark {
    QByteArray Bytes;
    QStringConverter::Encoding Encoding;
};

// Finds the encoding a byte-order mark names and how many bytes it takes.
QStringConverter::Encoding DetectEncoding(const QByteArray& bytes, qsizetype& markLength)
{
    static const TByteOrderMark marks[] = {
        {QByteArray("\xEF\xBB\xBF", 3), QStringConverter::Utf8},
        {QByteArray("\xFF\xFE", 2), QStringConverter::Utf16LE},
        {QByteArray("\xFE\xFF", 2), QStringConverter::Utf16BE},
    };
    for (const TByteOrderMark& mark : marks) {
        if (bytes.startsWith(mark.Bytes)) {
            markLength = mark.Bytes.size();
            return mark.Encoding;
        }
    }
    markLength = 0;
    return QStringConverter::Utf8;
}

QString IoErrorText(const QString& fileName, const QString& reason)
{
    return QStringLiteral("I/O error on \"%1\": %2").arg(fileName, reason);
}

}  // namespace

QStringList SplitTextLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype length = text.size();
    while (start < length) {
        qsizetype end = start;
        while (end < length && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        lines.append(text.mid(start, end - start));
        if (end < length && text[end] == u'\r' && end + 1 < length && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

QStringList DecodeTextLines(const QByteArray& bytes)
{
    qsizetype markLength = 0;
    const QStringConverter::Encoding encoding = DetectEncoding(bytes, markLength);
    // The mark itself is removed here; a second mark after it stays text.
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder.decode(QByteArrayView(bytes).sliced(markLength));
    return SplitTextLines(text);
}

QStringList LoadScrambledFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(IoErrorText(fileName, file.errorString()).toStdString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(IoErrorText(fileName, file.errorString()).toStdString());
    for (char& byte : bytes)
        byte = static_cast<char>(~static_cast<unsigned char>(byte));
    return DecodeTextLines(bytes);
}
