#pragma once
// Reading the scrambled catalogue file: every byte is stored complemented.
#include <QByteArray>
#include <QString>
#include <QStringList>

// Reads FileName, complements every byte and returns the text split into
// lines (DecodeTextLines). Raises EInOutError when the file cannot be opened
// or read.
QStringList LoadScrambledFile(const QString& fileName);

// Decodes text by its byte-order mark (UTF-8, UTF-16 LE or BE; without one
// the bytes are taken as UTF-8, this platform's ANSI code page) and splits it
// into lines at CR, LF or CR LF. A break at the very end adds no empty line.
QStringList DecodeTextLines(const QByteArray& bytes);

// Splits text into lines at CR, LF or CR LF, as DecodeTextLines does.
QStringList SplitTextLines(const QString& text);
