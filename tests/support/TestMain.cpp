// Runs a test program inside a private, temporary HOME with its own XDG
// folders, headless, and removes it afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string MakePrivateHome()
{
    std::string base = std::filesystem::temp_directory_path().string() + "/vidrelo-test-XXXXXX";
    if (!::mkdtemp(base.data()))
        std::abort();
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

}  // namespace

int main(int argc, char** argv)
{
    const std::string home = MakePrivateHome();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
}
