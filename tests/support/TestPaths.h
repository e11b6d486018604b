#pragma once
#include <string>

namespace vidrelo::test {

// Where the built programs stand (build/bin).
std::string BinDir();
// Generated test data in the build tree (test discs, fake libraries).
std::string DataDir();
std::string SourceDir();
// The private home folder this test program runs with.
std::string TestHome();
// Creates a temporary home folder with its own XDG folders, points HOME and
// XDG_* at it and makes the process headless (offscreen Qt, no sound); its
// path, for the caller to remove at the end.
std::string MakePrivateHome();
// A new empty folder below the private home, named after `hint`.
std::string MakeTempDir(const std::string& hint);

}  // namespace vidrelo::test
