#include "diagnostics/TMailMessage.h"

#include "tests/diagnostics/TestSmtpServer.h"
#include "tests/diagnostics/TestPrinters.h"

#include <gtest/gtest.h>

#include <QTimeZone>

TEST(MailMessage, HeadersNameDateSenderRecipientsSubjectAndTextType)
{
    const QDateTime date(QDate(2024, 2, 29), QTime(23, 59, 58), QTimeZone(3600));
    TMailMessage message{"report@vidrelo.example", {"support@vidrelo.example", "second@vidrelo.example"},
                         "ERROR REPORT | Vidrelo", {"FFLOGGER HISTORY:"}};
    const TParsedMail mail = ParseMail(ComposeMail(message, date));

    EXPECT_EQ(QDateTime::fromString(QString::fromLatin1(mail.Header("Date")), Qt::RFC2822Date), date);
    EXPECT_EQ(mail.Header("From"), "report@vidrelo.example");
    EXPECT_EQ(mail.Header("To"), "support@vidrelo.example, second@vidrelo.example");
    EXPECT_EQ(mail.Header("Subject"), "ERROR REPORT | Vidrelo");
    EXPECT_EQ(mail.Header("MIME-Version"), "1.0");
    EXPECT_EQ(mail.Header("Content-Type"), "text/plain; charset=UTF-8");
    EXPECT_EQ(mail.BodyLines, QStringList{"FFLOGGER HISTORY:"});
}

TEST(MailMessage, HeaderTextCannotStartAnotherHeader)
{
    EXPECT_EQ(EncodeHeaderText("Report\r\nBcc: someone@example.org"), "Report Bcc: someone@example.org");
    EXPECT_EQ(EncodeHeaderText("a\nb\rc"), "a b c");
    const QByteArray word = EncodeHeaderText(QString::fromUtf8("Fehler äöü"));
    ASSERT_TRUE(word.startsWith("=?UTF-8?B?") && word.endsWith("?="));
    EXPECT_EQ(QString::fromUtf8(QByteArray::fromBase64(word.mid(10, word.size() - 12))),
              QString::fromUtf8("Fehler äöü"));
}

TEST(MailMessage, BodySurvivesQuotedPrintableWithinLineLimits)
{
    const QString longLine = QString("x=").repeated(150) + QString::fromUtf8("ü").repeated(40);
    const QStringList lines{QString::fromUtf8("Kapitel: Über – 日本語"),
                            "trailing spaces   ",
                            "tab at end\t",
                            ".",
                            ".starts with a dot",
                            "",
                            longLine,
                            QString(75, 'a') + ".dot after a soft break",
                            "= sign and =3D literal"};
    const QByteArray encoded = EncodeQuotedPrintable(lines);

    for (const QByteArray& line : encoded.split('\n')) {
        EXPECT_LE(line.size(), 77) << line.constData();  // 76 plus the CR
        EXPECT_FALSE(line.startsWith('.')) << line.constData();
        for (char c : line)
            EXPECT_TRUE(c == '\r' || c == '\t' || (c >= 32 && c < 127)) << line.constData();
    }
    const QStringList decoded = QString::fromUtf8(DecodeQuotedPrintable(encoded)).split("\r\n");
    EXPECT_EQ(decoded.mid(0, decoded.size() - 1), lines);
    EXPECT_TRUE(decoded.last().isEmpty());
}
