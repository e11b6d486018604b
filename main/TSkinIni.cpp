#include "main/TSkinIni.h"

#include <QFile>

QString TSkinIni::KeyOf(const QString& ASection, const QString& AKey)
{
    return ASection.trimmed().toLower() + QLatin1Char('/') + AKey.trimmed().toLower();
}

void TSkinIni::Parse(const QString& AText)
{
    FValues.clear();
    FProblems.clear();
    QString section;
    const QStringList lines = AText.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i].trimmed();
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line = line.mid(1).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || section.isEmpty()) {
            FProblems << QStringLiteral("line %1: %2").arg(i + 1).arg(line);
            continue;
        }
        FValues.insert(KeyOf(section, line.left(eq)), line.mid(eq + 1).trimmed());
    }
}

bool TSkinIni::LoadFromFile(const QString& AFileName)
{
    QFile file(AFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Parse(QString());
        return false;
    }
    Parse(QString::fromUtf8(file.readAll()));
    return true;
}

bool TSkinIni::Contains(const QString& ASection, const QString& AKey) const
{
    return FValues.contains(KeyOf(ASection, AKey));
}

QString TSkinIni::Value(const QString& ASection, const QString& AKey, const QString& ADefault) const
{
    return FValues.value(KeyOf(ASection, AKey), ADefault);
}
