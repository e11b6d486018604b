#pragma once
// The root of the engine's media components (decoder, encoder, players):
// what every one of them reports about itself.
#include <string>

namespace vidrelo {

class TFFBaseComponent {
public:
    TFFBaseComponent() = default;
    virtual ~TFFBaseComponent() = default;
    TFFBaseComponent(const TFFBaseComponent&) = delete;
    TFFBaseComponent& operator=(const TFFBaseComponent&) = delete;

    // The version of the engine's components, for logs and error reports.
    std::string Version() const;
};

}  // namespace vidrelo
