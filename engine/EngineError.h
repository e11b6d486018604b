#pragma once
// Exceptions the engine raises. Components report ordinary failures through
// return values and LastErrMsg; they raise only for misuse and programming
// errors, which is what these types are for.
#include <stdexcept>
#include <string>

namespace vidrelo {

// A broken precondition ("Assertion failure" in the engine's log lines).
class EAssertionFailed : public std::logic_error {
public:
    EAssertionFailed(const std::string& message, const std::string& source);
    const std::string& Source() const { return FSource; }

private:
    std::string FSource;
};

// A failure inside an engine operation whose message is meant for the user.
class EEngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raises EAssertionFailed with `message` when `condition` is false.
void EngineAssert(bool condition, const std::string& message, const std::string& source);

}  // namespace vidrelo
