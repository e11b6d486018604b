#include "tests/LibAV/DvdPlugin.h"

#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vidrelo::test {

namespace {

void Bind(void* library, const char* name, void** slot)
{
    *slot = ::dlsym(library, name);
    if (!*slot)
        throw std::runtime_error(std::string("libdvddec.so does not export ") + name);
}

DvdPlugin Load()
{
    const std::string path = BinDir() + "/LibAV/libdvddec.so";
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        throw std::runtime_error("cannot load " + path + ": " + ::dlerror());
    DvdPlugin p;
    Bind(library, "DVDInitialize", reinterpret_cast<void**>(&p.Initialize));
    for (const TDVDEntryPointSlot& entry : DVDLaterEntryPoints(p))
        Bind(library, entry.Name, entry.Slot);
    if (!p.Initialize())
        throw std::runtime_error("DVDInitialize failed");
    return p;
}

std::string FindProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = dir + "/" + name;
        if (!dir.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    throw std::runtime_error(name + " is not on PATH");
}

}  // namespace

const DvdPlugin& DvdPlugin::Get()
{
    static const DvdPlugin plugin = Load();
    return plugin;
}

std::string DvdPlugin::LastError() const
{
    const int32_t length = GetLastError(nullptr, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    GetLastError(text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string SourceString(const std::string& path, const std::string& settings)
{
    return "opendvd:" + path + "|" + settings;
}

SourcePtr OpenSource(const std::string& source, TDVDSourceInfo& info, std::string& error)
{
    char text[1024] = {};
    info = TDVDSourceInfo{};
    SourcePtr s(DvdPlugin::Get().Source.Open(source.c_str(), &info, text, sizeof text));
    error = text;
    return s;
}

SourcePtr OpenSourceOrThrow(const std::string& source, TDVDSourceInfo& info)
{
    std::string error;
    SourcePtr s = OpenSource(source, info, error);
    if (!s)
        throw std::runtime_error("cannot open " + source + ": " + error);
    return s;
}

std::string ReadToEnd(TDVDSource* source, int chunk)
{
    std::string bytes;
    std::string buffer(static_cast<std::size_t>(chunk), '\0');
    for (;;) {
        const int32_t n = DvdPlugin::Get().Source.Read(source, reinterpret_cast<uint8_t*>(buffer.data()), chunk);
        if (n < 0)
            throw std::runtime_error("DVDReadSource failed with " + std::to_string(n) + ": " + SourceProblems(source));
        if (n == 0)
            return bytes;
        bytes.append(buffer.data(), static_cast<std::size_t>(n));
    }
}

std::string SourceProblems(TDVDSource* source)
{
    char text[1024] = {};
    DvdPlugin::Get().Source.Error(source, text, sizeof text);
    return text;
}

ProgramOutput RunTool(const std::string& name, const std::vector<std::string>& args)
{
    const TProgramResult r = RunProgram(FindProgram(name), args);
    return {r.ExitCode, r.Out};
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace vidrelo::test
