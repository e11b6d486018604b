#include "catalogue/Decryptor.h"
#include "catalogue/EInOutError.h"
#include "tests/catalogue/CatalogueFolder.h"
#include "tests/support/TestPaths.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace vidrelo::test;

namespace {

QString ScrambledFile(const QByteArray& plain)
{
    const QString path = QString::fromStdString(MakeTempDir("scrambled")) + "/Formats.dat";
    WriteBytes(path, Scrambled(plain));
    return path;
}

TEST(DecryptorTest, EveryByteIsComplemented)
{
    // ~'A' = 0xBE, ~'\n' = 0xF5, ~'B' = 0xBD: a plain XOR with another key would not give "A", "B".
    const QString path = QString::fromStdString(MakeTempDir("raw")) + "/f.dat";
    WriteBytes(path, QByteArray("\xBE\xF5\xBD", 3));
    EXPECT_EQ(LoadScrambledFile(path), QStringList({"A", "B"}));
}

TEST(DecryptorTest, ByteOrderMarkChoosesTheEncodingAndIsDropped)
{
    const QString text = QStringLiteral("Vidéo € 日本\nsecond");
    const QStringList expected = {QStringLiteral("Vidéo € 日本"), "second"};
    const auto encoded = [&](QStringConverter::Encoding encoding) {
        QStringEncoder encoder(encoding);
        return QByteArray(encoder.encode(text));
    };
    struct TCase {
        const char* Name;
        QByteArray Bytes;
    } cases[] = {
        {"UTF-8 with mark", QByteArray("\xEF\xBB\xBF") + encoded(QStringConverter::Utf8)},
        {"UTF-16 LE", QByteArray("\xFF\xFE") + encoded(QStringConverter::Utf16LE)},
        {"UTF-16 BE", QByteArray("\xFE\xFF") + encoded(QStringConverter::Utf16BE)},
        {"no mark: UTF-8", encoded(QStringConverter::Utf8)},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(LoadScrambledFile(ScrambledFile(c.Bytes)), expected) << c.Name;
}

TEST(DecryptorTest, LinesBreakAtCrLfAndCrLfWithoutATrailingEmptyLine)
{
    struct TCase {
        QByteArray Text;
        QStringList Lines;
    } cases[] = {
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"a\r\n", {"a"}},
        {"a\n\nb\n", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},  // LF then CR are two breaks
        {"\r\n", {""}},
        {"", {}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(DecodeTextLines(c.Text), c.Lines) << c.Text.toStdString();
    // The same rule holds in UTF-16, where every break is two bytes.
    QStringEncoder utf16(QStringConverter::Utf16LE);
    const QByteArray wide = QByteArray("\xFF\xFE") + QByteArray(utf16.encode(u"x\r\ny\rz\n"));
    EXPECT_EQ(DecodeTextLines(wide), QStringList({"x", "y", "z"}));
}

TEST(DecryptorTest, MissingOrUnreadableFileRaisesAnIoError)
{
    const QString dir = QString::fromStdString(MakeTempDir("missing"));
    EXPECT_THROW(LoadScrambledFile(dir + "/Formats.dat"), EInOutError);
    EXPECT_THROW(LoadScrambledFile(dir), EInOutError);  // a folder is no file
}

}  // namespace
