#pragma once
#include <cstdint>

namespace vidrelo {

// One entry point to bind from a run-time loaded library: its exported name
// and the pointer that receives its address.
struct TEntryPoint {
    enum TKind : uint8_t { Function, Variable };
    const char* Name;
    void** Slot;
    bool Optional;
    TKind Kind = Function;
};

}  // namespace vidrelo
