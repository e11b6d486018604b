#include "engine/ProgramPaths.h"

#include <sys/auxv.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace vidrelo {

std::string ProgramFolderOf(const std::string& selfLink, const char* startedName)
{
    std::error_code error;
    fs::path exe = fs::read_symlink(selfLink, error);
    if (error && startedName && *startedName)
        exe = fs::canonical(startedName, error);
    return error ? std::string("./") : exe.parent_path().string() + "/";
}

std::string ProgramFolder()
{
    // The kernel's copy of the name the program was executed by: there even
    // when nothing else is (no /proc, argv[0] changed).
    return ProgramFolderOf("/proc/self/exe", reinterpret_cast<const char*>(getauxval(AT_EXECFN)));
}

std::string UserStateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    fs::path folder;
    if (state && *state == '/')
        folder = state;
    else if (home && *home)
        folder = fs::path(home) / ".local/state";
    else
        folder = fs::temp_directory_path();
    folder /= "Vidrelo";
    std::error_code error;
    fs::create_directories(folder, error);  // a failure shows when the file is opened
    return folder.string() + "/";
}

}  // namespace vidrelo
