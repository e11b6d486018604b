#pragma once
// SDL2 for the players' sound, loaded at run time.
//
// Each player has its own TSDLLoader with its own bound pointers and error
// text, but all of them share one mapped copy of the library: the dynamic
// loader counts the references, and SDL2 serves any number of audio devices
// in one process. The library folder is searched first, then the system.
// A loader belongs to its player's owning thread.
#include "engine/loader/TEntryPoint.h"

#include <SDL.h>

#include <array>

#include <span>
#include <string>

#define VIDRELO_SDL_ENTRIES(R, O) \
    R(SDL_GetVersion)             \
    R(SDL_Init)                   \
    R(SDL_InitSubSystem)          \
    R(SDL_QuitSubSystem)          \
    R(SDL_WasInit)                \
    R(SDL_Quit)                   \
    R(SDL_GetError)               \
    R(SDL_OpenAudioDevice)        \
    R(SDL_CloseAudioDevice)       \
    R(SDL_PauseAudioDevice)       \
    R(SDL_LockAudioDevice)        \
    R(SDL_UnlockAudioDevice)      \
    R(SDL_MixAudioFormat)         \
    R(SDL_GetCurrentAudioDriver)

namespace vidrelo {

class TSDLLoader {
public:
    // The SDL library's file name.
    static constexpr const char* LibraryFile = "libSDL2-2.0.so.0";

    TSDLLoader();
    ~TSDLLoader();
    TSDLLoader(const TSDLLoader&) = delete;
    TSDLLoader& operator=(const TSDLLoader&) = delete;

    // Loads AFile from APath (or through the system search when APath does
    // not hold it) and binds this instance's pointers.
    bool Load(const std::string& APath, const std::string& AFile = LibraryFile);
    bool Loaded() const { return FHandle && FFixuped; }
    void Unload();
    const std::string& LastErrMsg() const { return FLastErrMsg; }
    const std::string& LibFile() const { return FLibFile; }

#define VIDRELO_SDL_MEMBER(name) decltype(&::name) name = nullptr;
    VIDRELO_SDL_ENTRIES(VIDRELO_SDL_MEMBER, VIDRELO_SDL_MEMBER)
#undef VIDRELO_SDL_MEMBER

private:
#define VIDRELO_SDL_COUNT(name) +1
    static constexpr size_t EntryCount = 0 VIDRELO_SDL_ENTRIES(VIDRELO_SDL_COUNT, VIDRELO_SDL_COUNT);
#undef VIDRELO_SDL_COUNT

    std::string FLibFile;  // the path asked for, empty when none
    void* FHandle = nullptr;
    bool FFixuped = false;
    std::string FLastErrMsg;
    std::array<TEntryPoint, EntryCount> FEntries;  // points into this instance
};

}  // namespace vidrelo
