#pragma once
// The DVD plug-in's entry points bound together, and their names: what the
// program's binding (DVDPlugIn.cpp) and the plug-in's own tests bind, so
// that both see the interface the same way.
#include "dvd/TDVDTitleStream.h"

#include <vector>

namespace vidrelo {

struct TDVDPluginFunctions {
    TDVDInitialize Initialize = nullptr;
    TDVDEnumTitle EnumTitle = nullptr;
    TDVDGetTitle GetTitle = nullptr;
    TDVDSetParam SetParam = nullptr;
    TDVDGetLibVersion GetLibVersion = nullptr;
    TDVDGetLastError GetLastError = nullptr;
    TDVDSourceFunctions Source;
};

struct TDVDEntryPointSlot {
    const char* Name;
    void** Slot;
};

// Every entry point after DVDInitialize, which is bound and called first;
// all of them must be there, even DVDSetParam, which the program never calls.
inline std::vector<TDVDEntryPointSlot> DVDLaterEntryPoints(TDVDPluginFunctions& AFunctions)
{
    const auto slot = [](auto& pointer) { return reinterpret_cast<void**>(&pointer); };
    TDVDPluginFunctions& f = AFunctions;
    return {
        {"DVDEnumTitle", slot(f.EnumTitle)},       {"DVDGetTitle", slot(f.GetTitle)},
        {"DVDSetParam", slot(f.SetParam)},         {"DVDGetLibVersion", slot(f.GetLibVersion)},
        {"DVDGetLastError", slot(f.GetLastError)}, {"DVDOpenSource", slot(f.Source.Open)},
        {"DVDReadSource", slot(f.Source.Read)},    {"DVDSeekSource", slot(f.Source.Seek)},
        {"DVDSourceError", slot(f.Source.Error)},  {"DVDCloseSource", slot(f.Source.Close)},
    };
}

}  // namespace vidrelo
