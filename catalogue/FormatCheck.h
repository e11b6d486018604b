#pragma once
// Whether a format read from Formats.dat can be converted with. The
// conversion reads the audio values of every format and the video values of
// every format that is not audio-only (audio_format "1"), each as a whole
// decimal number, so those must be numbers in a range the conversion can use.
#include "catalogue/TCatalogueTypes.h"

#include <QList>
#include <QString>
#include <QStringList>

// audio_format "1": the conversion applies no video setting.
bool IsAudioOnly(const TFormat& format);
// A format that keeps the disc's streams as they are (video_codec_name
// "copy"): no picture settings apply, and nothing of it can be edited.
bool IsCopyFormat(const TFormat& format);

// Empty when the format is usable; otherwise every fault, each naming its
// attribute, for example: width "0" is outside 16 to 8192.
QString FormatFault(const TFormat& format);

// What loading Formats.dat found wrong, gathered into one report.
struct TFormatProblems {
    QStringList Faults;         // one text per problem, in line order
    QList<int> NotFormatLines;  // numbers of the lines holding no format attribute
    // The problems in one text, the first few itemised; empty when none.
    QString Summary() const;
};

// How a report names a format: its line and, when it has one, its name.
QString FormatPlace(int lineNumber, const QString& title);
