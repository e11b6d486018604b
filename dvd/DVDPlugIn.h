#pragma once
// The program's binding of the DVD plug-in LibAV/libdvddec.so: loading it,
// its five entry points, and thin wrappers for the disc scan. Once loaded,
// the plug-in's reader is registered as the engine's "opendvd" source, so
// every input the encoder or a player opens can name a DVD title.
//
// Load, unload and the wrappers belong to the main thread; the registered
// source opener may run on any thread.
#include "dvd/DVDTitleInfo.h"

#include <string>

namespace vidrelo {

inline constexpr const char* DVDPluginFileName = "libdvddec.so";

// True when the plug-in is bound and initialised; at once when it already
// was. Loads `folder`/libdvddec.so when the folder holds it, else through
// the system search. Never raises: on failure DVDPluginLastError says why
// and nothing stays bound, so a later call tries the whole load again.
bool LoadDVDPlugin(const std::string& folder);
bool DVDPluginLoaded();
std::string DVDPluginLastError();
// Releases the plug-in and withdraws the "opendvd" source.
void UnloadDVDPlugin();

// "%d.%d.%d.%d" from the plug-in's version, most significant byte first.
std::string DVDPluginVersion();
std::string DVDVersionText(uint32_t version);

// The wrappers raise EEngineError "DVD plug-in library is not loaded." when
// the plug-in is not bound.
// The title count of the disc at `path` (a device, a DVD folder or an ISO
// image); below 1: no usable disc, DVDPluginDiscError says why.
int EnumDVDTitles(const std::string& path);
// Zero-fills `info` and lets the plug-in fill it; true on success.
bool GetDVDTitle(int index, TDVDTitleInfo& info);
// The plug-in's own text for its last failure (why a disc had no titles).
std::string DVDPluginDiscError();

// Names of the record's codes; "Unknown" for anything else.
std::string DVDStreamTypeName(int code);
std::string DVDNormName(int code);
std::string DVDAspectName(int code);

}  // namespace vidrelo
