#pragma once
// How file names travel between the program and the media libraries.
//
// Linux file names are bytes, and the program's text is UTF-8, so a name is
// handed over as its UTF-8 bytes. Each call returns its own string: nothing
// is shared between threads.
#include <optional>
#include <string>
#include <string_view>

namespace vidrelo {

// The bytes to give the libraries for `name`; nullopt when the name cannot
// be passed as a C string (it holds a NUL byte, which would silently cut it).
std::optional<std::string> EncodeMediaURL(std::string_view name);
// The name as text for the program; bytes that are not valid UTF-8 (a file
// named in another encoding) become U+FFFD so the name is safe to show.
std::string DecodeMediaURL(std::string_view bytes);

}  // namespace vidrelo
