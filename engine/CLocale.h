#pragma once
// Numbers in the engine are written and read the C way ("0.71", never
// "0,71"), whatever locale the host process chose: the media libraries and
// their encoders parse option values with the C library's locale-dependent
// functions (strtod), and the engine's own texts (logs, reports, filter
// chains) must read the same everywhere.
//
// TCLocaleScope switches the calling thread to the "C" locale while it
// lives and restores the thread's previous locale afterwards; the rest of
// the process (the windows, which show numbers in the user's locale) is not
// touched. Scopes nest. Every engine entry point that can reach a number
// parser or printer holds one, and so does every engine thread for its life.
#include <clocale>
#include <locale.h>

namespace vidrelo {

class TCLocaleScope {
public:
    TCLocaleScope();
    ~TCLocaleScope();
    TCLocaleScope(const TCLocaleScope&) = delete;
    TCLocaleScope& operator=(const TCLocaleScope&) = delete;

private:
    locale_t FPrevious;
};

}  // namespace vidrelo
