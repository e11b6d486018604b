#pragma once
// The job's clock for timeouts, reports and pacing: microseconds of a
// steady clock (never jumps with the wall clock).
#include <chrono>
#include <cstdint>

namespace vidrelo {

inline int64_t NowMicroseconds()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace vidrelo
