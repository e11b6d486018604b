#include "engine/TFFBaseComponent.h"

namespace vidrelo {
namespace {

// Bumped whenever a component's behaviour changes in a way a log reader
// should know about.
constexpr const char* ComponentVersion = "1.0";

}  // namespace

std::string TFFBaseComponent::Version() const
{
    return ComponentVersion;
}

}  // namespace vidrelo
