#include "tests/support/CommaLocale.h"

#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <langinfo.h>
#include <locale.h>

namespace vidrelo::test {
namespace {

constexpr const char* Name = "de_DE.UTF-8";

bool HasCommaLocale()
{
    const locale_t locale = newlocale(LC_ALL_MASK, Name, static_cast<locale_t>(nullptr));
    if (!locale)
        return false;
    const bool comma = std::string(nl_langinfo_l(RADIXCHAR, locale)) == ",";
    freelocale(locale);
    return comma;
}

// Compiles the locale into `folder`; parallel test programs may race, so
// each builds in a folder of its own and the first rename wins.
bool CompileLocale(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (std::filesystem::exists(folder / Name / "LC_NUMERIC", error))
        return true;
    const std::string work = MakeTempDir("locale");
    const TProgramResult made = RunProgram("/usr/bin/localedef", {"-i", "de_DE", "-f", "UTF-8", work + "/" + Name});
    // localedef warns (and exits 1) about characters it cannot map, yet writes the locale.
    if (!std::filesystem::exists(std::filesystem::path(work) / Name / "LC_NUMERIC", error)) {
        ADD_FAILURE() << "localedef could not make " << Name << " (install the locales package): " << made.Err;
        return false;
    }
    std::filesystem::rename(std::filesystem::path(work) / Name, folder / Name, error);
    return std::filesystem::exists(folder / Name / "LC_NUMERIC", error);
}

}  // namespace

std::string CommaLocaleName()
{
    if (HasCommaLocale())
        return Name;
    const std::filesystem::path folder = std::filesystem::path(DataDir()) / "locales";
    if (!CompileLocale(folder))
        return {};
    ::setenv("LOCPATH", folder.c_str(), 1);
    if (HasCommaLocale())
        return Name;
    ADD_FAILURE() << "the compiled " << Name << " in " << folder << " cannot be used";
    return {};
}

TCommaLocale::TCommaLocale()
{
    FPrevious = std::setlocale(LC_ALL, nullptr);
    const std::string name = CommaLocaleName();
    FActive = !name.empty() && std::setlocale(LC_ALL, name.c_str()) != nullptr;
    if (!name.empty() && !FActive)
        ADD_FAILURE() << "setlocale(LC_ALL, \"" << name << "\") failed";
}

TCommaLocale::~TCommaLocale()
{
    std::setlocale(LC_ALL, FPrevious.c_str());
}

}  // namespace vidrelo::test
