#pragma once
// The free-form options of an input or an output record ("ExtOptions"): a
// text of "name=value" lines, and the stream option list that carries the
// per-stream settings (codecs, presets, frame size, filters) of an output to
// the stream they belong to.
#include "engine/encoder/TEncoderTypes.h"

#include <string>
#include <utility>
#include <vector>

namespace vidrelo {

struct TExtOption {
    std::string Name;  // in lower case
    std::string Value;
};

// The lines of an ExtOptions text: trimmed, line breaks of any kind and the
// literal "<CRLF>" (so one-line settings can hold several options) split
// lines; each line is split at its first "=" (none: an empty value) and its
// name lower-cased; values keep their case. An empty line inside the text
// is kept as an option without a name.
std::vector<TExtOption> ParseExtOptions(const std::string& AText);

// Options that are never applied to an input as they stand.
bool IgnoredInputOption(const std::string& AName);
// ... and to an output (the stream option list carries some of them).
bool IgnoredOutputOption(const std::string& AName);
// Names of the lines that create further output streams.
bool StreamCreatingOption(const std::string& AName);

class TStreamOptionList {
public:
    // "def_acodec" ... "def_vf" from the record's fields, then every
    // per-stream line of the ExtOptions (a "def_" entry from the first of
    // each name when the record left the field empty).
    TStreamOptionList(const TOutputOptions& AOptions, const std::vector<TExtOption>& ALines);

    // The "def_" value of a setting ("" when none).
    std::string Default(const std::string& AName) const;
    // The first entry of that name, which is used up; else its "def_" value.
    std::string Take(const std::string& AName);

private:
    void Add(const std::string& AName, const std::string& AValue);
    const std::string* Find(const std::string& AName) const;

    std::vector<std::pair<std::string, std::string>> FEntries;
};

}  // namespace vidrelo
