#pragma once
// The facts "vidrelo-cli scan" prints, as one JSON document for scripts:
// {"path": P, "titleCount": N, "titles": [{"number": 1, "valid": true,
//   "length": 6.0, "sizeMB": 12.3, "chapters": {"count": 3, "starts": [0, 2, 4]},
//   "audio": [{"id": 128, "language": "en", "languageName": "English",
//              "format": "AC3", "sampleRate": 48000, "channels": 6}],
//   "subtitles": [{"id": 32, "language": "de", "languageName": "Deutsch"}]}, ...]}
// A title the disc could not give is {"number": N, "valid": false}.
#include <QByteArray>
#include <QString>

class TTitleModel;

QByteArray ScanJson(const QString& path, int titleCount, const TTitleModel& titles);
