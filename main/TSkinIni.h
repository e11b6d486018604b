#pragma once
// The skin definition file skin.ini: a small text format of our own.
//
//   ; a comment (also "#")
//   [Colors]
//   Window=#141B25
//
// Section and key names are matched without regard to case; a later key
// replaces an earlier one. Lines that are neither a section, a key nor a
// comment are collected as problems rather than refused, so a damaged file
// still gives every value it does hold.
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// Receives one line of text for the events log.
using TSkinLog = std::function<void(const QString& AText)>;

class TSkinIni {
public:
    // Replaces the contents with the parsed text.
    void Parse(const QString& AText);
    // False (and nothing parsed) when the file cannot be read.
    bool LoadFromFile(const QString& AFileName);

    bool Contains(const QString& ASection, const QString& AKey) const;
    // The trimmed value, or ADefault when the key is absent.
    QString Value(const QString& ASection, const QString& AKey, const QString& ADefault = {}) const;
    // "line N: text" for every line that was not understood.
    const QStringList& Problems() const { return FProblems; }

private:
    static QString KeyOf(const QString& ASection, const QString& AKey);

    QHash<QString, QString> FValues;
    QStringList FProblems;
};
