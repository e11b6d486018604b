#include "engine/loader/DynamicLibrary.h"

#include "engine/EngineError.h"
#include "engine/StringFormat.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <filesystem>

namespace vidrelo {
namespace {

std::string LastDlError()
{
    const char* text = ::dlerror();
    return text ? text : "unknown error";
}

TLoadResult Open(const std::string& path)
{
    TLoadResult result;
    result.Path = path;
    ::dlerror();
    // RTLD_NODELETE: "unloading" releases our handle and clears our pointers,
    // but the code stays mapped. The media libraries and what they pull in
    // (TLS, hardware acceleration, network stacks) register exit handlers and
    // keep process-wide state that would point into unmapped code otherwise.
    result.Handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!result.Handle)
        result.Error = LastDlError();
    return result;
}

bool HoldsAnyOf(const std::filesystem::path& dir, std::span<const std::string> files)
{
    std::error_code ec;
    return std::any_of(files.begin(), files.end(),
                       [&](const std::string& f) { return std::filesystem::exists(dir / f, ec); });
}

}  // namespace

TLoadResult LoadLibraryFrom(const std::string& dir, const std::string& file, std::span<const std::string> privateSet)
{
    if (dir.empty())
        return Open(file);
    const std::filesystem::path folder(dir);
    const std::string fullPath = (folder / file).string();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        TLoadResult failed;
        failed.Path = fullPath;
        failed.Error = "the library folder " + dir + " does not exist";
        return failed;
    }
    if (std::filesystem::exists(fullPath, ec) || HoldsAnyOf(folder, privateSet))
        return Open(fullPath);  // a missing member of a private set fails here, naming its path
    TLoadResult system = Open(file);
    if (!system.Handle)
        system.Path = fullPath;  // say where we looked first
    return system;
}

std::string LoadedFilePath(void* handle)
{
    link_map* map = nullptr;
    if (handle && ::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name)
        return map->l_name;
    return {};
}

void BindEntryPoints(void* handle, const std::string& fileName, std::span<const TEntryPoint> entries)
{
    for (const TEntryPoint& entry : entries) {
        ::dlerror();
        void* address = ::dlsym(handle, entry.Name);
        *entry.Slot = address;
        if (address || entry.Optional)
            continue;
        const char* form = entry.Kind == TEntryPoint::Variable ? "Load variable %s@%s error: %s"
                                                               : "Load function %s@%s error: %s";
        throw EEngineError(Format(form, entry.Name, fileName.c_str(), LastDlError().c_str()));
    }
}

void ClearEntryPoints(std::span<const TEntryPoint> entries)
{
    for (const TEntryPoint& entry : entries)
        *entry.Slot = nullptr;
}

}  // namespace vidrelo
