#pragma once
// Test clips made with the ffmpeg program.
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vidrelo::test {

// Runs ffmpeg, quiet and replacing what is there; its error output when it failed.
inline ::testing::AssertionResult MakeClip(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"-nostdin", "-y", "-loglevel", "error"};
    all.insert(all.end(), args.begin(), args.end());
    const TProgramResult r = RunProgram("/usr/bin/ffmpeg", all);
    if (r.ExitCode == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << r.Err;
}

}  // namespace vidrelo::test
