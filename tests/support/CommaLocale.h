#pragma once
// A locale whose decimal separator is a comma (German), for the tests that
// show the program writes and reads numbers the same in every locale. When
// the system has no such locale, it is compiled once with localedef into the
// build tree and LOCPATH points this process (and the programs it starts)
// there.
#include <string>

namespace vidrelo::test {

// "de_DE.UTF-8", ready for setlocale and for LC_ALL of a started program;
// empty (after a test failure saying why) when it cannot be had.
std::string CommaLocaleName();

// The whole process runs in the comma locale while this lives, as a program
// that called setlocale(LC_ALL, "") under LANG=de_DE.UTF-8 would.
class TCommaLocale {
public:
    TCommaLocale();
    ~TCommaLocale();
    TCommaLocale(const TCommaLocale&) = delete;
    TCommaLocale& operator=(const TCommaLocale&) = delete;
    bool Active() const { return FActive; }

private:
    std::string FPrevious;
    bool FActive = false;
};

}  // namespace vidrelo::test
