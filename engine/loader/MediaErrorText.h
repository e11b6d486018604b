#pragma once
// Turns the negative error codes FFmpeg calls return into the text shown in
// the log and in error dialogs. The engine never links FFmpeg, so it cannot
// ask the library for av_strerror(); it carries its own table instead, which
// also keeps the wording the same whichever FFmpeg build the user drops in.
#include <span>
#include <string>

namespace vidrelo {

struct TMediaErrorEntry {
    int Code;
    const char* Message;
};

// Every known code, sorted by code, each code once. Several codes can point
// at the same message (a system error and its Winsock twin, for instance).
std::span<const TMediaErrorEntry> MediaErrorTable();

// The message for ACode, or nullptr when the table does not know it.
const char* MediaErrorMessage(int ACode);

// APrefix + ": " + the message for ACode; unknown codes read
// "Error number <ACode> occurred".
std::string MediaErrorText(const std::string& APrefix, int ACode);

}  // namespace vidrelo
