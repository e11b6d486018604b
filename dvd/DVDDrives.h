#pragma once
// The machine's optical drives, found once at start-up, and ejecting a tray.
// Plain C++: the drive menu in the main window is built from this list.
#include <string>
#include <vector>

namespace vidrelo {

// Appends the device path of every optical drive ("/dev/sr0"), sorted, to
// `list` (may be null: then only counts) and returns how many were found.
// The kernel's CD-ROM table names the drives; where it is missing, the block
// devices named sr* stand in. The two folders can be given for tests.
int GetDVDDrives(std::vector<std::string>* list, const std::string& cdromInfo = "/proc/sys/dev/cdrom/info",
                 const std::string& blockFolder = "/sys/block");

// Opens the tray of the drive at `devicePath`; true when the drive accepted.
bool EjectDVDDrive(const std::string& devicePath);

}  // namespace vidrelo
