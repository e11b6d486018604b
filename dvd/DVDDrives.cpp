#include "dvd/DVDDrives.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vidrelo {
namespace {

// "drive name:\t\tsr1\tsr0" in the kernel's table; the newest drive first.
std::vector<std::string> NamesFromCdromInfo(const std::string& cdromInfo)
{
    std::ifstream in(cdromInfo);
    std::string line;
    const std::string key = "drive name:";
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::istringstream words(line.substr(key.size()));
        std::vector<std::string> names;
        for (std::string name; words >> name;)
            names.push_back(name);
        return names;
    }
    return {};
}

std::vector<std::string> NamesFromBlockFolder(const std::string& blockFolder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(blockFolder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 2 && name.compare(0, 2, "sr") == 0)
            names.push_back(name);
    }
    return names;
}

// sr2 before sr10: by number where the names differ only in it.
bool DriveOrder(const std::string& a, const std::string& b)
{
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

}  // namespace

int GetDVDDrives(std::vector<std::string>* list, const std::string& cdromInfo, const std::string& blockFolder)
{
    std::vector<std::string> names = NamesFromCdromInfo(cdromInfo);
    if (names.empty())
        names = NamesFromBlockFolder(blockFolder);
    std::sort(names.begin(), names.end(), DriveOrder);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    if (list)
        for (const std::string& name : names)
            list->push_back("/dev/" + name);
    return static_cast<int>(names.size());
}

bool EjectDVDDrive(const std::string& devicePath)
{
    // Non-blocking: an empty or open tray must not make the open wait.
    const int fd = ::open(devicePath.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool ejected = ::ioctl(fd, CDROMEJECT, 0) == 0;
    ::close(fd);
    return ejected;
}

}  // namespace vidrelo
