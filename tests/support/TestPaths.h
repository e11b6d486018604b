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
// A new empty folder below the private home, named after `hint`.
std::string MakeTempDir(const std::string& hint);

}  // namespace vidrelo::test
