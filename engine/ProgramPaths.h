#pragma once
// Where the running program stands, and where the engine may put files of
// its own making for the user.
#include <string>

namespace vidrelo {

// The folder of the running program file (links resolved), with a trailing
// "/": where LibAV/, the skin and the catalogue stand. Read from
// /proc/self/exe; where /proc is not mounted (a chroot, some sandboxes)
// from the name the program was started by, so a program started through
// a link in bin/ still finds its own folder.
std::string ProgramFolder();
// The same from the given link and started name, "./" when neither leads
// to a file.
std::string ProgramFolderOf(const std::string& selfLink, const char* startedName);

// The per-user folder for files the engine writes on its own (the video
// statistics): $XDG_STATE_HOME/Vidrelo/, else ~/.local/state/Vidrelo/, made
// when missing, with a trailing "/". Never the program folder, which an
// installation keeps read-only.
std::string UserStateFolder();

}  // namespace vidrelo
