#pragma once
#include <cstdint>

namespace vidrelo {

// The kernel's identifier of the calling thread: what the engine history and
// the interrupt registry call a thread identifier.
uint32_t CurrentThreadId();

}  // namespace vidrelo
