#pragma once
// An output name the user typed: one file in the output folder, never a
// path that leads elsewhere ("../x", "sub/x") and never nothing.
#include <string>

namespace vidrelo {

bool IsPlainFileName(const std::string& name);

}  // namespace vidrelo
