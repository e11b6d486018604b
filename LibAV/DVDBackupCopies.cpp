#include "LibAV/DVDBackupCopies.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace vidrelo::dvddec {

namespace {

std::string TempRoot()
{
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

std::string BackupName(int titleset)
{
    if (titleset == 0)
        return "VIDEO_TS.BUP";
    char name[16];
    std::snprintf(name, sizeof name, "VTS_%02d_0.BUP", titleset);
    return name;
}

// The whole BUP of `titleset` as libdvdread reads it; false when it has none.
bool ReadBackup(const DVDReader& disc, int titleset, std::vector<unsigned char>& bytes)
{
    const DvdFilePtr file(DVDOpenFile(disc.Handle(), titleset, DVD_READ_INFO_BACKUP_FILE));
    const ssize_t blocks = file ? DVDFileSize(file.get()) : -1;
    if (blocks <= 0)
        return false;
    bytes.assign(static_cast<std::size_t>(blocks) * DVD_VIDEO_LB_LEN, 0);
    const ssize_t n = DVDReadBytes(file.get(), bytes.data(), bytes.size());
    if (n <= 0)
        return false;
    bytes.resize(static_cast<std::size_t>(n));
    return true;
}

}  // namespace

std::unique_ptr<DVDBackupCopies> DVDBackupCopies::Make(const DVDReader& disc, const std::set<int>& titlesets,
                                                       std::string& error)
{
    std::string pattern = TempRoot() + "/vidrelo-dvd-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        error = "A private folder for the backup information files cannot be made in " + TempRoot() + ": " +
                std::strerror(errno) + ".";
        return nullptr;
    }
    std::unique_ptr<DVDBackupCopies> copies(new DVDBackupCopies(pattern));
    const fs::path folder = fs::path(pattern) / "VIDEO_TS";
    std::error_code ec;
    fs::create_directory(folder, ec);
    std::vector<unsigned char> bytes;
    for (int ts : titlesets) {
        if (!ReadBackup(disc, ts, bytes))
            continue;  // no BUP: libdvdread will refuse the titleset, harmlessly
        std::ofstream out(folder / BackupName(ts), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            error = "The backup information file " + BackupName(ts) + " cannot be copied to " + pattern + ".";
            return nullptr;
        }
    }
    copies->reader_ = DVDReader::Open(pattern, error);
    return copies->reader_ ? std::move(copies) : nullptr;
}

DVDBackupCopies::~DVDBackupCopies()
{
    reader_.reset();
    std::error_code ec;
    fs::remove_all(folder_, ec);
}

}  // namespace vidrelo::dvddec
