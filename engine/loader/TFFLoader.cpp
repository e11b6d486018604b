#include "engine/loader/TFFLoader.h"

#include "engine/EngineError.h"
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/DynamicLibrary.h"
#include "engine/log/TFFLogger.h"

#include <dlfcn.h>

#include <vector>

namespace vidrelo {
namespace {

struct TLibraryRow {
    const char* Name;
    int Major;  // the major version of the headers we were built with
};

TLibraryRow Row(TLibrary lib)
{
    switch (lib) {
    case TLibrary::avCodec: return {"avcodec", LIBAVCODEC_VERSION_MAJOR};
    case TLibrary::avDevice: return {"avdevice", LIBAVDEVICE_VERSION_MAJOR};
    case TLibrary::avFilter: return {"avfilter", LIBAVFILTER_VERSION_MAJOR};
    case TLibrary::avFormat: return {"avformat", LIBAVFORMAT_VERSION_MAJOR};
    case TLibrary::avUtil: return {"avutil", LIBAVUTIL_VERSION_MAJOR};
    case TLibrary::swResample: return {"swresample", LIBSWRESAMPLE_VERSION_MAJOR};
    case TLibrary::swScale: return {"swscale", LIBSWSCALE_VERSION_MAJOR};
    }
    return {"", 0};
}

// A library's dependencies must be mapped before it: the dynamic linker
// resolves a dependency by matching its name against the libraries already
// loaded, which is how a private set in the library folder finds its own
// members rather than the system's.
constexpr TLibrary LoadOrder[] = {TLibrary::avUtil,  TLibrary::swResample, TLibrary::swScale, TLibrary::avCodec,
                                  TLibrary::avFormat, TLibrary::avFilter,  TLibrary::avDevice};

std::vector<std::string> AllLibraryFileNames()
{
    std::vector<std::string> names;
    for (TLibrary lib : LoadOrder)
        names.push_back(TFFLoader::LibraryFileName(lib));
    return names;
}

std::string VersionString(unsigned v)
{
    return Format("%u.%u.%u", v >> 16, (v >> 8) & 0xFF, v & 0xFF);
}

// The version function is the first entry of every library's list.
unsigned CallVersion(TLibrary lib)
{
    using TVersionFn = unsigned (*)();
    const auto entries = LibraryEntryPoints(lib);
    auto fn = reinterpret_cast<TVersionFn>(*entries.front().Slot);
    return fn ? fn() : 0;
}

}  // namespace

TFFLoader::TFFLoader() = default;

TFFLoader::~TFFLoader()
{
    Unload(TLibraries::All());
}

std::string TFFLoader::LibraryFileName(TLibrary lib)
{
    const TLibraryRow row = Row(lib);
    return Format("lib%s.so.%d", row.Name, row.Major);
}

bool TFFLoader::Load(TLibrary lib)
{
    TStatus& status = Status(lib);
    const std::string fileName = LibraryFileName(lib);
    if (!status.Handle) {
        static const std::vector<std::string> privateSet = AllLibraryFileNames();
        const TLoadResult loaded = LoadLibraryFrom(FLibraryPath, fileName, privateSet);
        if (!loaded.Handle) {
            FLastErrMsg = Format("Load library %s error: %s", loaded.Path.c_str(), loaded.Error.c_str());
            return false;
        }
        status.Handle = loaded.Handle;
    }
    if (!status.Fixuped)
        status.Fixuped = Bind(lib, fileName);
    if (!status.Fixuped) {
        Unload(lib);
        return false;
    }
    AfterBind(lib);
    return true;
}

bool TFFLoader::Bind(TLibrary lib, const std::string& fileName)
{
    const auto entries = LibraryEntryPoints(lib);
    try {
        // The version comes first: a library of another major version would
        // otherwise bind by name and crash on its first call.
        BindEntryPoints(Status(lib).Handle, fileName, entries.first(1));
        const unsigned version = CallVersion(lib);
        if (static_cast<int>(version >> 16) != Row(lib).Major) {
            ClearEntryPoints(entries);
            FLastErrMsg = Format("Load library %s error: it is version %s, this build needs version %d",
                                 LoadedFilePath(Status(lib).Handle).c_str(), VersionString(version).c_str(),
                                 Row(lib).Major);
            return false;
        }
        BindEntryPoints(Status(lib).Handle, fileName, entries.subspan(1));
        return true;
    } catch (const EEngineError& e) {
        ClearEntryPoints(entries);
        FLastErrMsg = e.what();
        return false;
    }
}

void TFFLoader::AfterBind(TLibrary lib)
{
    // Runs on every successful Load, not only the first, so a logger that
    // was replaced in between is installed again.
    if (lib == TLibrary::avUtil && FInstallLogger)
        InstallAVLogCallback();
}

bool TFFLoader::Load(TLibraries libs)
{
    EngineAssert(!libs.Empty(), "Assertion failure", "FFLoad");
    for (TLibrary lib : LoadOrder) {
        if (libs.Contains(lib) && !Load(lib)) {
            Unload(libs);
            return false;
        }
    }
    return true;
}

bool TFFLoader::Loaded(TLibrary lib) const
{
    return Status(lib).Handle && Status(lib).Fixuped;
}

bool TFFLoader::Loaded(TLibraries libs) const
{
    EngineAssert(!libs.Empty(), "Assertion failure", "FFLoad");
    for (TLibrary lib : LoadOrder)
        if (libs.Contains(lib) && !Loaded(lib))
            return false;
    return true;
}

void TFFLoader::Unload(TLibrary lib)
{
    TStatus& status = Status(lib);
    if (status.Fixuped) {
        ClearEntryPoints(LibraryEntryPoints(lib));
        status.Fixuped = false;
    }
    if (status.Handle) {
        ::dlclose(status.Handle);
        status.Handle = nullptr;
    }
}

void TFFLoader::Unload(TLibraries libs)
{
    EngineAssert(!libs.Empty(), "Assertion failure", "FFLoad");
    // Dependents first, so nothing we still hold refers to a closed library.
    for (auto it = std::rbegin(LoadOrder); it != std::rend(LoadOrder); ++it)
        if (libs.Contains(*it))
            Unload(*it);
}

std::string TFFLoader::LoadedFile(TLibrary lib) const
{
    return LoadedFilePath(Status(lib).Handle);
}

std::string TFFLoader::VersionText(TLibrary lib)
{
    const unsigned version = CallVersion(lib);
    return version ? VersionString(version) : std::string();
}

}  // namespace vidrelo
