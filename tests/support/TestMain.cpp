// Runs a test program inside a private, temporary HOME with its own XDG
// folders, headless, and removes it afterwards.
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    const std::string home = vidrelo::test::MakePrivateHome();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
}
