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

std::string MakeTempDir(const std::string& hint)
{
    std::string pattern = TestHome() + "/tmp-" + hint + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder for " + hint);
    return pattern;
}

}  // namespace vidrelo::test
