#pragma once
// The options that change a catalogue format's settings from the command
// line (--vcodec, --size, ...), each standing for one box of the settings
// editor. Checking and storing go through TFormatSettings, so the command
// line accepts exactly what the editor does.
#include <map>
#include <string>

class TCatalogue;

namespace vidrelo::cli {

// Chooses each option's value (by option name, "--size" as "W*H") in the
// format at (profileInd, formatInd) through the settings editor and stores
// them there, in memory only; the catalogue's selected format becomes that
// one. Nothing changes without options. False, with "--option: reason" in
// `error`, when the format does not offer a value; nothing is stored then.
bool ApplyFormatSettings(TCatalogue& catalogue, int profileInd, int formatInd,
                         const std::map<std::string, std::string>& settings, std::string& error);

// Prints the format's title and extension, then per option its current
// value, whether it can be changed and the choices it takes, one a line as
// "value<TAB>label", the current one marked. False when there is no format
// at (profileInd, formatInd).
bool PrintFormatDetails(TCatalogue& catalogue, int profileInd, int formatInd);

}  // namespace vidrelo::cli
