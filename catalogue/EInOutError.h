#pragma once
// Raised when a catalogue file cannot be opened, read or decoded. The
// catalogue steps that the start-up routine must see fail with it (the icon
// pictures and Formats.dat); every other catalogue failure is reported.
#include <stdexcept>
#include <string>

class EInOutError : public std::runtime_error {
public:
    explicit EInOutError(const std::string& message) : std::runtime_error(message) {}
};
