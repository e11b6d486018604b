#include "engine/loader/TSDLLoader.h"

#include "engine/EngineError.h"
#include "engine/StringFormat.h"
#include "engine/loader/DynamicLibrary.h"

#include <dlfcn.h>

#include <filesystem>
#include <vector>

namespace vidrelo {
namespace {

constexpr int RequiredMajor = 2;

}  // namespace

TSDLLoader::TSDLLoader()
    : FEntries{{
#define VIDRELO_SDL_ROW(name) TEntryPoint{#name, reinterpret_cast<void**>(&this->name), false},
          VIDRELO_SDL_ENTRIES(VIDRELO_SDL_ROW, VIDRELO_SDL_ROW)
#undef VIDRELO_SDL_ROW
      }}
{
}

TSDLLoader::~TSDLLoader()
{
    Unload();
}

bool TSDLLoader::Load(const std::string& APath, const std::string& AFile)
{
    const std::string fullPath = APath.empty() ? AFile : (std::filesystem::path(APath) / AFile).string();
    if (Loaded() && FLibFile == fullPath)
        return true;
    Unload();
    const TLoadResult loaded = LoadLibraryFrom(APath, AFile);
    if (!loaded.Handle) {
        FLastErrMsg = Format("Load library %s error: %s", loaded.Path.c_str(), loaded.Error.c_str());
        return false;
    }
    FHandle = loaded.Handle;
    try {
        BindEntryPoints(FHandle, AFile, FEntries);
        SDL_version version{};
        SDL_GetVersion(&version);
        if (version.major != RequiredMajor)
            throw EEngineError(Format("Load library %s error: it is version %d.%d.%d, this build needs version %d",
                                      LoadedFilePath(FHandle).c_str(), version.major, version.minor,
                                      version.patch, RequiredMajor));
        FFixuped = true;
        FLibFile = fullPath;
    } catch (const EEngineError& e) {
        FLastErrMsg = e.what();
        Unload();
    }
    return FFixuped;
}

void TSDLLoader::Unload()
{
    ClearEntryPoints(FEntries);
    FFixuped = false;
    if (FHandle) {
        ::dlclose(FHandle);
        FHandle = nullptr;
    }
    FLibFile.clear();
}

}  // namespace vidrelo
