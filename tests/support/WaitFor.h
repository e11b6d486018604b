#pragma once
// Waiting in a test for something another thread does, with a limit.
#include <chrono>
#include <functional>
#include <thread>

namespace vidrelo::test {

// True as soon as `done()` holds (looked at every 5 ms); false when it did
// not within `limit`.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace vidrelo::test
