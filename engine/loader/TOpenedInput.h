#pragma once
// An input opened through the source registry with its streams found, closed
// when it goes: what a component that only reads a source (the information
// text, border detection) needs before its first packet.
#include <string>

struct AVFormatContext;

namespace vidrelo {

class TOpenedInput {
public:
    TOpenedInput() = default;
    ~TOpenedInput();
    TOpenedInput(const TOpenedInput&) = delete;
    TOpenedInput& operator=(const TOpenedInput&) = delete;

    // The error text, or "" when the input is open with its streams found.
    // The caller holds the libraries loaded (and a TCLocaleScope).
    std::string Open(const std::string& source);
    AVFormatContext* Context() const { return FContext; }

private:
    AVFormatContext* FContext = nullptr;
};

}  // namespace vidrelo
