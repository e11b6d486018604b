#pragma once
// Option presets: texts of "key=value" lines applied as if each line were
// an option ("apre", "vpre", "spre" name a built-in preset or a file, "fpre"
// always a file).
//
// The built-in table holds the 36 classic libx264 presets. Their lines were
// written for the libx264 wrapper of 2010; today's wrapper knows most of
// those settings under other names (as private options, "direct-pred",
// "8x8dct", ...) and refuses the old ones, so every table text is the old
// preset restated line by line in today's names (RestateX264Option).
#include <string>
#include <vector>

namespace vidrelo {

struct TPresetLine {
    std::string Key;
    std::string Value;
    std::string Line;  // the line as written, for error texts
};

struct TBuiltInPreset {
    std::string Name;  // "libx264-default"
    std::string Text;  // restated lines, one "key=value" per line
};

class TFFPresets {
public:
    // The built-in table, in the order it was written down.
    static const std::vector<TBuiltInPreset>& BuiltIn();
    // A built-in preset's text by name, without regard to case; null when
    // there is none.
    static const std::string* FindBuiltIn(const std::string& name);

    // The text of the preset `value` names for a stream kind whose codec
    // name is `codecName` (may be empty): the built-in preset `value`, else
    // the built-in `codecName-value`, else the file `value`. `fileOnly`
    // skips the table. Raises FFmpegException "Preset "%s" not found" when
    // no file of that name can be read.
    static std::string Text(const std::string& value, const std::string& codecName, bool fileOnly);

    // The lines of a preset text: trimmed, empty lines and "#" comments
    // skipped, each split at its first "=". Raises FFmpegException
    // "%s: Invalid syntax: "%s"" (preset name, line) for a line without a
    // key or a value.
    static std::vector<TPresetLine> Parse(const std::string& presetName, const std::string& text);

    // One option line of a 2010 libx264 preset in today's libx264 options:
    // none, one or several lines.
    static std::vector<TPresetLine> RestateX264Option(const std::string& key, const std::string& value);
};

}  // namespace vidrelo
