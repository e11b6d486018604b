#include "tests/catalogue/CatalogueFolder.h"

#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <random>
#include <stdexcept>

namespace vidrelo::test {

QByteArray Scrambled(const QByteArray& bytes)
{
    QByteArray out = bytes;
    for (char& byte : out)
        byte = static_cast<char>(~static_cast<unsigned char>(byte));
    return out;
}

QByteArray RandomBytes(int size)
{
    std::mt19937 generator(20240611);
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QString FormatLine(const QMap<QString, QString>& values)
{
    static const char* const names[] = {
        "format_ext", "audio_format", "icon", "id", "name", "description", "resolutions", "frame_rates",
        "video_bitrates", "audio_bitrates", "sample_rates", "channels", "video_codecs", "audio_codecs",
        "video_codec_name", "width", "height", "keep_ori_frame_rate", "frame_rate", "video_bitrate",
        "audio_codec_name", "sample_rate", "audio_bitrate", "channel", "extra_param"};
    const QMap<QString, QString> defaults = {
        {"format_ext", ".mp4"}, {"audio_format", "0"}, {"icon", "video"}, {"id", "general"},
        {"name", "Some format"}, {"description", "A test format"}, {"resolutions", "640x480$640*480"},
        {"frame_rates", "25000$25"}, {"video_bitrates", "1000000$1000 kbps"},
        {"audio_bitrates", "128000$128 kbps"}, {"sample_rates", "48000$48000 Hz"}, {"channels", "2$Stereo"},
        {"video_codecs", "libx264$H.264"}, {"audio_codecs", "aac$AAC"}, {"video_codec_name", "libx264"},
        {"width", "640"}, {"height", "480"}, {"keep_ori_frame_rate", "0"}, {"frame_rate", "25000"},
        {"video_bitrate", "1000000"}, {"audio_codec_name", "aac"}, {"sample_rate", "48000"},
        {"audio_bitrate", "128000"}, {"channel", "2"}, {"extra_param", ""}};
    QStringList attributes;
    for (const char* name : names)
        attributes.append(QStringLiteral("%1=\"%2\"").arg(name, values.value(name, defaults.value(name))));
    return "<format " + attributes.join(' ') + " />";
}

TCatalogueFolder::TCatalogueFolder(const std::string& hint)
    : FPath(QString::fromStdString(MakeTempDir(hint)))
{
}

void TCatalogueFolder::WriteProfiles(const QStringList& categoryLines, const QString& heightLine, bool closed) const
{
    QStringList lines = {"<?xml version=\"1.0\"?>", heightLine, "<!-- profiles -->"};
    lines += categoryLines;
    if (closed)
        lines.append("</profile>");
    WriteProfilesText((lines.join('\n') + '\n').toUtf8());
}

void TCatalogueFolder::WriteProfilesText(const QByteArray& text) const
{
    WriteBytes(FPath + "/Profiles.dat", text);
}

void TCatalogueFolder::WriteFormats(const QStringList& formatLines) const
{
    QStringList lines = {"<?xml version=\"1.0\"?>", "<!-- formats -->", "<formats>"};
    lines += formatLines;
    lines += {"</formats>", "<!-- end -->"};
    WriteFormatsLines(lines);
}

void TCatalogueFolder::WriteFormatsLines(const QStringList& lines) const
{
    WriteBytes(FPath + "/Formats.dat", Scrambled((lines.join("\r\n") + "\r\n").toUtf8()));
}

void TCatalogueFolder::WriteIcon(const QString& fileName, const QColor& colour) const
{
    QDir().mkpath(FPath + "/Icons");
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(colour);
    if (!image.save(FPath + "/Icons/" + fileName, "PNG"))
        throw std::runtime_error("cannot write icon " + fileName.toStdString());
}

}  // namespace vidrelo::test
