#include "engine/encoder/TPartialOutput.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace vidrelo {
namespace {

namespace fs = std::filesystem;

// How many times a name that others keep taking is tried again.
constexpr int MaxAttempts = 100;

std::string ErrorText(const std::string& AWhat, int ACode)
{
    return AWhat + ": " + std::strerror(ACode);
}

// The creation mask: read, since setting it to learn it would race with
// the other threads creating files.
mode_t CreationMask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

bool SameInode(int AHandle, const std::string& AName)
{
    struct stat open {}, named {};
    return fstat(AHandle, &open) == 0 && stat(AName.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

// Creates APartial already locked: a uniquely named file is locked first and
// then linked to the name, so no other run ever sees the name unlocked. -1
// with errno (EEXIST: the name is taken).
int CreateLocked(const std::string& APartial)
{
    std::string unique = APartial + ".XXXXXX";
    const int handle = mkostemp(unique.data(), O_CLOEXEC);
    if (handle < 0)
        return -1;
    fchmod(handle, 0666 & ~CreationMask());
    flock(handle, LOCK_EX);
    const int linked = link(unique.c_str(), APartial.c_str());
    const int linkError = errno;
    unlink(unique.c_str());
    if (linked == 0)
        return handle;
    close(handle);
    if (linkError == EEXIST)
        return errno = EEXIST, -1;
    // A file system without hard links: created exclusively, then locked.
    const int direct = open(APartial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (direct >= 0)
        flock(direct, LOCK_EX);
    return direct;
}

// Removes APartial when no live process holds it; false when one does.
bool RemoveIfStale(const std::string& APartial)
{
    const int handle = open(APartial.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (handle < 0)
        return errno == ENOENT;  // gone meanwhile: the name can be tried again
    const bool stale = flock(handle, LOCK_EX | LOCK_NB) == 0;
    if (stale && SameInode(handle, APartial))
        unlink(APartial.c_str());
    close(handle);
    return stale;
}

// Renames without ever replacing ADestination: false with errno EEXIST when
// it exists.
bool RenameNoReplace(const std::string& ASource, const std::string& ADestination)
{
    if (renameat2(AT_FDCWD, ASource.c_str(), AT_FDCWD, ADestination.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    // A file system that cannot rename that way: a new link fails on an
    // existing name as well.
    if (link(ASource.c_str(), ADestination.c_str()) == 0) {
        unlink(ASource.c_str());
        return true;
    }
    return false;
}

}  // namespace

std::optional<std::string> LocalFilePath(const std::string& AName)
{
    static const char* const SchemeChars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-.";
    if (AName.rfind("file:", 0) == 0)
        return AName.substr(5);
    const std::size_t scheme = AName.find_first_not_of(SchemeChars);
    if (AName.empty() || (scheme != std::string::npos && AName[scheme] == ':'))
        return std::nullopt;
    return AName;
}

std::string PartialFileName(const std::string& AFinal)
{
    return AFinal + ".part";
}

bool FileNameTaken(const std::string& AName)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(AName, error)) ||
           fs::exists(fs::symlink_status(PartialFileName(AName), error));
}

std::string NextFreeFileName(const std::string& AName)
{
    if (!FileNameTaken(AName))
        return AName;
    const fs::path path(AName);
    const std::string stem = (path.parent_path() / path.stem()).string();
    const std::string extension = path.extension().string();
    for (int number = 2;; ++number) {
        const std::string candidate = stem + " (" + std::to_string(number) + ")" + extension;
        if (!FileNameTaken(candidate))
            return candidate;
    }
}

bool SameFile(const std::string& A, const std::string& B)
{
    const std::optional<std::string> a = LocalFilePath(A), b = LocalFilePath(B);
    std::error_code error;
    return a && b && fs::equivalent(*a, *b, error) && !error;
}

std::unique_ptr<TPartialOutput> TPartialOutput::Create(const std::string& AFinal, bool AReplace,
                                                       std::string& AError)
{
    std::error_code error;
    if (!AReplace && fs::exists(fs::symlink_status(AFinal, error))) {
        AError = "File '" + AFinal + "' already exists";
        return nullptr;
    }
    const std::string partial = PartialFileName(AFinal);
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        const int handle = CreateLocked(partial);
        if (handle >= 0)
            return std::unique_ptr<TPartialOutput>(new TPartialOutput(AFinal, partial, handle, AReplace));
        if (errno != EEXIST) {
            AError = ErrorText(AFinal, errno);  // as the libraries would name it
            return nullptr;
        }
        if (!RemoveIfStale(partial))
            break;
    }
    AError = "\"" + AFinal + "\" is being written by another conversion";
    return nullptr;
}

TPartialOutput::TPartialOutput(std::string AFinal, std::string APartial, int AHandle, bool AReplace)
    : FFinal(std::move(AFinal)), FPartial(std::move(APartial)), FHandle(AHandle), FReplace(AReplace)
{
}

TPartialOutput::~TPartialOutput()
{
    Discard();
}

void TPartialOutput::Release()
{
    if (FHandle >= 0)
        close(FHandle);
    FHandle = -1;
}

void TPartialOutput::Discard()
{
    // Only the file this object created: one that replaced it is not ours.
    if (FHandle >= 0 && SameInode(FHandle, FPartial))
        unlink(FPartial.c_str());
    Release();
}

bool TPartialOutput::Commit(std::string& AWritten, std::string& AError)
{
    if (FHandle < 0) {
        AError = "\"" + FPartial + "\" is no longer there";
        return false;
    }
    if (FReplace) {
        if (std::rename(FPartial.c_str(), FFinal.c_str()) != 0) {
            AError = ErrorText("Cannot rename \"" + FPartial + "\" to \"" + FFinal + "\"", errno);
            Release();  // kept: it holds the finished result
            return false;
        }
        AWritten = FFinal;
        Release();
        return true;
    }
    AWritten = FFinal;
    int code = EEXIST;
    for (int attempt = 0; attempt < MaxAttempts && code == EEXIST; ++attempt) {
        if (RenameNoReplace(FPartial, AWritten)) {
            Release();
            return true;
        }
        code = errno;
        if (code == EEXIST)
            AWritten = NextFreeFileName(FFinal);
    }
    AError = ErrorText("Cannot rename \"" + FPartial + "\" to \"" + AWritten + "\"", code);
    Release();
    return false;
}

}  // namespace vidrelo
