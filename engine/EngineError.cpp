#include "engine/EngineError.h"

namespace vidrelo {

EAssertionFailed::EAssertionFailed(const std::string& message, const std::string& source)
    : std::logic_error(message), FSource(source) {}

void EngineAssert(bool condition, const std::string& message, const std::string& source)
{
    if (!condition)
        throw EAssertionFailed(message, source);
}

}  // namespace vidrelo
