#include "dvd/DVDPlugIn.h"

#include "dvd/DVDPluginABI.h"
#include "dvd/DVDPluginFunctions.h"
#include "dvd/TDVDTitleStream.h"
#include "engine/EngineError.h"
#include "engine/MediaEngine.h"
#include "engine/StringFormat.h"
#include "engine/loader/DynamicLibrary.h"
#include "engine/loader/TSourceProtocols.h"

#include <dlfcn.h>

#include <cstring>
#include <vector>

namespace vidrelo {
namespace {

// The unit's state: the handle, the entry points, the loaded flag and the
// last error text. Main thread only; source openers get their own copy of
// the source entry points when they are registered.
struct TPlugin : TDVDPluginFunctions {
    void* Handle = nullptr;
    bool Loaded = false;
    std::string LastError;
};

TPlugin& Plugin()
{
    static TPlugin plugin;
    return plugin;
}

constexpr const char* SourcePrefix = "opendvd";

std::vector<TEntryPoint> LaterEntryPoints(TPlugin& p)
{
    std::vector<TEntryPoint> entries;
    for (const TDVDEntryPointSlot& entry : DVDLaterEntryPoints(p))
        entries.push_back({entry.Name, entry.Slot, false});
    return entries;
}

// Forgets every entry point and lets the library go.
void Release(TPlugin& p)
{
    const std::string lastError = p.LastError;
    if (p.Handle)
        ::dlclose(p.Handle);
    p = TPlugin{};
    p.LastError = lastError;
}

void RegisterSource(const TDVDSourceFunctions& functions)
{
    if (!TMediaEngine::Running())
        return;
    TMediaEngine::SourceProtocols().Register(
        SourcePrefix, [functions](const std::string& url) { return OpenDVDSource(functions, url); });
}

bool Fail(TPlugin& p, const std::string& error)
{
    p.LastError = error;
    Release(p);
    return false;
}

template <typename Entry>
Entry Require(Entry TDVDPluginFunctions::*entry)
{
    const TPlugin& p = Plugin();
    if (!(p.*entry))
        throw EEngineError("DVD plug-in library is not loaded.");
    return p.*entry;
}

}  // namespace

bool LoadDVDPlugin(const std::string& folder)
{
    TPlugin& p = Plugin();
    if (DVDPluginLoaded())
        return true;
    const TLoadResult loaded = LoadLibraryFrom(folder, DVDPluginFileName);
    if (!loaded.Handle)
        return Fail(p, Format("Load library %s error: %s", loaded.Path.c_str(), loaded.Error.c_str()));
    p.Handle = loaded.Handle;
    const std::string fileName = LoadedFilePath(loaded.Handle).empty() ? loaded.Path : LoadedFilePath(loaded.Handle);
    try {
        const TEntryPoint init[] = {{"DVDInitialize", reinterpret_cast<void**>(&p.Initialize), false}};
        BindEntryPoints(p.Handle, fileName, init);
        if (p.Initialize() == 0)
            return Fail(p, Format("The DVD plug-in %s could not be initialised.", fileName.c_str()));
        BindEntryPoints(p.Handle, fileName, LaterEntryPoints(p));
    } catch (const EEngineError& e) {
        return Fail(p, e.what());
    }
    p.Loaded = true;
    p.LastError.clear();
    RegisterSource(p.Source);
    return true;
}

bool DVDPluginLoaded()
{
    const TPlugin& p = Plugin();
    return p.Handle && p.Loaded;
}

std::string DVDPluginLastError()
{
    return Plugin().LastError;
}

void UnloadDVDPlugin()
{
    TPlugin& p = Plugin();
    if (p.Loaded && TMediaEngine::Running())
        TMediaEngine::SourceProtocols().Unregister(SourcePrefix);
    Release(p);
}

std::string DVDVersionText(uint32_t version)
{
    return Format("%d.%d.%d.%d", int(version >> 24), int((version >> 16) & 0xFF), int((version >> 8) & 0xFF),
                  int(version & 0xFF));
}

std::string DVDPluginVersion()
{
    return DVDVersionText(Require(&TPlugin::GetLibVersion)());
}

int EnumDVDTitles(const std::string& path)
{
    return Require(&TPlugin::EnumTitle)(path.c_str());
}

bool GetDVDTitle(int index, TDVDTitleInfo& info)
{
    const TDVDGetTitle getTitle = Require(&TPlugin::GetTitle);
    std::memset(&info, 0, sizeof info);
    return getTitle(index, &info) != 0;
}

std::string DVDPluginDiscError()
{
    char text[1024] = {};
    Require(&TPlugin::GetLastError)(text, sizeof text);
    return std::string(text, strnlen(text, sizeof text));
}

std::string DVDStreamTypeName(int code)
{
    static const char* const names[] = {"MPEG-1", "MPEG-2", "MPA", "AC3", "DTS", "LPCM", "SUB"};
    return code >= 1 && code <= 7 ? names[code - 1] : "Unknown";
}

std::string DVDNormName(int code)
{
    return code == 0 ? "PAL" : code == 1 ? "NTSC" : "Unknown";
}

std::string DVDAspectName(int code)
{
    return code == 0 ? "TV(4:3)" : code == 1 ? "HDTV(16:9)" : "Unknown";
}

}  // namespace vidrelo
