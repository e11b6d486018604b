#pragma once
// dlopen with the engine's search rule, and binding of entry points by name.
// Shared by the media library loader, the SDL loader and the DVD plug-in.
#include "engine/loader/AVBindings.h"

#include <span>
#include <string>

namespace vidrelo {

struct TLoadResult {
    void* Handle = nullptr;  // null on failure
    std::string Path;        // what was asked of the dynamic loader
    std::string Error;       // the system's text on failure
};

// Loads `file` from `dir` when the folder holds it, else by bare name through
// the system search path. `privateSet` lists the file names that make up one
// private set of libraries: when `dir` holds some of them but not `file`, the
// load fails naming dir/file instead of mixing a private set with the
// system's copies (libraries of two builds do not work together). A `dir`
// that is not a folder fails the same way.
TLoadResult LoadLibraryFrom(const std::string& dir, const std::string& file,
                            std::span<const std::string> privateSet = {});

// The file the dynamic loader actually mapped for `handle`.
std::string LoadedFilePath(void* handle);

// Binds every entry point of `entries` from `handle`, in list order. A missing
// required function raises EEngineError "Load function %s@%s error: %s", a
// missing required variable "Load variable %s@%s error: %s" (entry name,
// `fileName`, the system's text); binding stops there. Missing optional
// entries stay null.
void BindEntryPoints(void* handle, const std::string& fileName, std::span<const TEntryPoint> entries);

// Sets every slot of `entries` back to null.
void ClearEntryPoints(std::span<const TEntryPoint> entries);

}  // namespace vidrelo
