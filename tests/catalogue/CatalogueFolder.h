#pragma once
// Builds catalogue folders for the tests: Profiles.dat, a scrambled
// Formats.dat and PNG icons, written the way the shipped catalogue is.
#include <QByteArray>
#include <QColor>
#include <QMap>
#include <QString>
#include <QStringList>

#include <string>

namespace vidrelo::test {

QByteArray Scrambled(const QByteArray& bytes);
void WriteBytes(const QString& path, const QByteArray& bytes);
// The same `size` bytes of noise on every run.
QByteArray RandomBytes(int size);

// A format line carrying all 25 attributes; Values replaces the defaults
// (keys are attribute names such as "id" or "frame_rate").
QString FormatLine(const QMap<QString, QString>& values);

class TCatalogueFolder {
public:
    explicit TCatalogueFolder(const std::string& hint);

    const QString& Path() const { return FPath; }
    // Line 1 and 3 are filler, line 2 carries the height, then the category
    // lines, then "</profile>" when Closed.
    void WriteProfiles(const QStringList& categoryLines, const QString& heightLine = "<profile height=\"470\">",
                       bool closed = true) const;
    void WriteProfilesText(const QByteArray& text) const;
    // Three header lines, the format lines, two footer lines; scrambled.
    void WriteFormats(const QStringList& formatLines) const;
    // Exactly these lines, scrambled.
    void WriteFormatsLines(const QStringList& lines) const;
    void WriteIcon(const QString& fileName, const QColor& colour) const;

private:
    QString FPath;
};

}  // namespace vidrelo::test
