#pragma once
// Readable failure messages for Qt texts in the diagnostics tests.
#include <QString>

#include <ostream>

inline void PrintTo(const QString& AText, std::ostream* AOut)
{
    *AOut << '"' << AText.toStdString() << '"';
}
