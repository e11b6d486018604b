#include "tests/support/TestPaths.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace vidrelo::test {

std::string BinDir() { return VIDRELO_BIN_DIR; }
std::string DataDir() { return VIDRELO_TEST_DATA_DIR; }
std::string SourceDir() { return VIDRELO_SOURCE_DIR; }

std::string TestHome()
{
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

std::string MakePrivateHome()
{
    std::string base = std::filesystem::temp_directory_path().string() + "/vidrelo-test-XXXXXX";
    if (!::mkdtemp(base.data()))
        throw std::runtime_error("cannot create a private home folder");
    for (const char* sub : {"config", "data", "cache", "runtime", "Documents"})
        std::filesystem::create_directories(base + "/" + sub);
    std::filesystem::permissions(base + "/runtime", std::filesystem::perms::owner_all);
    ::setenv("HOME", base.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (base + "/data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (base + "/cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (base + "/runtime").c_str(), 1);
    ::setenv("XDG_DOCUMENTS_DIR", (base + "/Documents").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    return base;
}

std::string MakeTempDir(const std::string& hint)
{
    std::string pattern = TestHome() + "/tmp-" + hint + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder for " + hint);
    return pattern;
}

}  // namespace vidrelo::test
