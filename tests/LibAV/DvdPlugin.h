#pragma once
// The built plug-in bin/LibAV/libdvddec.so, loaded the way the program loads
// it (dlopen, entry points bound by name with the interface's typedefs),
// plus the helpers the plug-in tests share.
#include "dvd/DVDPluginFunctions.h"

#include <memory>
#include <string>
#include <vector>

namespace vidrelo::test {

// The entry points, bound by the names the program binds them by.
struct DvdPlugin : TDVDPluginFunctions {
    // Loaded and initialised once; throws when the library or an entry point is missing.
    static const DvdPlugin& Get();
    std::string LastError() const;
};

struct SourceCloser {
    void operator()(TDVDSource* s) const { DvdPlugin::Get().Source.Close(s); }
};
using SourcePtr = std::unique_ptr<TDVDSource, SourceCloser>;

// "opendvd:PATH|settings".
std::string SourceString(const std::string& path, const std::string& settings);
// Null with the plug-in's reason in `error`.
SourcePtr OpenSource(const std::string& source, TDVDSourceInfo& info, std::string& error);
// Opens or fails the test with the reason.
SourcePtr OpenSourceOrThrow(const std::string& source, TDVDSourceInfo& info);
// Reads from the current position to the end in pieces of `chunk` bytes;
// throws on a read error.
std::string ReadToEnd(TDVDSource* source, int chunk);
std::string SourceProblems(TDVDSource* source);

// Runs a program found on PATH; the exit code is not checked.
struct ProgramOutput {
    int exitCode = -1;
    std::string out;
};
ProgramOutput RunTool(const std::string& name, const std::vector<std::string>& args);

void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace vidrelo::test
