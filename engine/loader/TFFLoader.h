#pragma once
// The process-wide loader of the media libraries.
//
// The engine never links FFmpeg: the libraries are opened at run time, from
// the library folder when it holds them and otherwise through the system
// search path, and every entry point the engine calls is bound by name into
// the pointers of AVBindings.h. There is exactly one loader, created when the
// engine starts (TMediaEngine) and used from the main thread only.
#include "engine/loader/TLibrary.h"

#include <array>
#include <string>

namespace vidrelo {

class TFFLoader {
public:
    TFFLoader();
    ~TFFLoader();
    TFFLoader(const TFFLoader&) = delete;
    TFFLoader& operator=(const TFFLoader&) = delete;

    // Loads and binds one library; true when it is loaded afterwards.
    bool Load(TLibrary lib);
    // Loads every member (dependencies first); on the first failure unloads
    // every member of the set and returns false. Empty set: assertion.
    bool Load(TLibraries libs);
    bool Loaded(TLibrary lib) const;
    bool Loaded(TLibraries libs) const;  // every member; empty set: assertion
    void Unload(TLibrary lib);
    void Unload(TLibraries libs);  // empty set: assertion

    // Where the libraries come from; empty means the system search path.
    // Shared by every component: the last LoadAVLib's path is used for the
    // libraries not yet loaded.
    const std::string& LibraryPath() const { return FLibraryPath; }
    void SetLibraryPath(const std::string& path) { FLibraryPath = path; }
    const std::string& LastErrMsg() const { return FLastErrMsg; }
    bool InstallLogger() const { return FInstallLogger; }
    void SetInstallLogger(bool value) { FInstallLogger = value; }

    // The file name we load for `lib`, from the major version of the headers
    // we were built with ("libavcodec.so.59").
    static std::string LibraryFileName(TLibrary lib);
    // The file the dynamic loader mapped for a loaded library ("" if none).
    std::string LoadedFile(TLibrary lib) const;
    // The library's own version text ("59.37.100"), "" when not loaded.
    static std::string VersionText(TLibrary lib);

private:
    struct TStatus {
        void* Handle = nullptr;
        bool Fixuped = false;
    };
    bool Bind(TLibrary lib, const std::string& fileName);
    void AfterBind(TLibrary lib);
    TStatus& Status(TLibrary lib) { return FStatus[static_cast<size_t>(lib)]; }
    const TStatus& Status(TLibrary lib) const { return FStatus[static_cast<size_t>(lib)]; }

    std::array<TStatus, LibraryCount> FStatus{};
    std::string FLibraryPath;
    std::string FLastErrMsg;
    bool FInstallLogger = true;
};

}  // namespace vidrelo
