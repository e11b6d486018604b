#include "catalogue/QuotedAttribute.h"

namespace {

bool IsNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

bool BeginsName(const QString& line, qsizetype pos)
{
    return pos == 0 || line[pos - 1].isSpace() || line[pos - 1] == u'<';
}

}  // namespace

qsizetype FindAttributeValueStart(const QString& line, const QString& name, qsizetype from)
{
    const QString key = name + QStringLiteral("=\"");
    const bool whole = !name.isEmpty() && IsNameCharacter(name[0]);
    for (qsizetype pos = line.indexOf(key, from); pos >= 0; pos = line.indexOf(key, pos + 1)) {
        if (!whole || BeginsName(line, pos))
            return pos + key.size();
    }
    return -1;
}

bool FindQuotedAttribute(const QString& line, const QString& name, qsizetype from,
                         QString& value, qsizetype& valueEnd)
{
    const qsizetype start = FindAttributeValueStart(line, name, from);
    if (start < 0)
        return false;
    const qsizetype end = line.indexOf(u'"', start);
    if (end < 0)
        return false;
    value = line.mid(start, end - start);
    valueEnd = end;
    return true;
}
