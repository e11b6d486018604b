#include "catalogue/ProfilesFile.h"

#include "catalogue/Decryptor.h"

#include <QFile>

namespace {

const QString CategoryKey = QStringLiteral("<category id=\"");
const QString ListEnd = QStringLiteral("</profile>");

// Blanks and control characters go from both ends.
QString TrimLine(const QString& line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && line[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && line[end - 1].unicode() <= 0x20)
        --end;
    return line.mid(begin, end - begin);
}

bool ReadChooserHeight(const QString& line, int& height)
{
    QString text;
    qsizetype end = 0;
    if (!FindQuotedAttribute(line, QStringLiteral("height"), 0, text, end))
        return false;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (ok)
        height = value;
    return ok;
}

TProfilesFileResult Failed(TProfilesFileResult result, const QString& error)
{
    result.Ok = false;
    result.Error = error;
    return result;
}

}  // namespace

bool ParseProfileLine(const QString& line, TProfile& profile)
{
    qsizetype idEnd = 0;
    qsizetype titleEnd = 0;
    qsizetype iconEnd = 0;
    return FindQuotedAttribute(line, QStringLiteral("<category id"), 0, profile.ID, idEnd)
        && FindQuotedAttribute(line, QStringLiteral("title"), idEnd, profile.Title, titleEnd)
        && FindQuotedAttribute(line, QStringLiteral("icon"), titleEnd, profile.Icon, iconEnd);
}

TProfilesFileResult ReadProfilesFile(const QString& fileName)
{
    TProfilesFileResult result;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(result, QStringLiteral("cannot open \"%1\": %2").arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Failed(result, QStringLiteral("cannot read \"%1\": %2").arg(fileName, file.errorString()));
    const QStringList lines = DecodeTextLines(bytes);
    if (lines.size() < 2 || !ReadChooserHeight(lines[1], result.ChooserHeight))
        return Failed(result, QStringLiteral("line 2 holds no valid height"));
    for (qsizetype i = 3; i < lines.size(); ++i) {
        const QString line = TrimLine(lines[i]);
        if (line.contains(ListEnd))
            break;
        if (!line.contains(CategoryKey))
            continue;
        TProfile profile;
        if (!ParseProfileLine(line, profile))
            return Failed(result, QStringLiteral("line %1 is not a valid profile").arg(i + 1));
        result.Profiles.append(profile);
    }
    return result;
}
