#include "LibAV/DVDIfoCheck.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <vector>

extern char** environ;

namespace vidrelo::dvddec {

namespace {

// A healthy disc is read in milliseconds; a drive may first spin up.
constexpr auto kCheckTimeLimit = std::chrono::seconds(20);

struct ChildOutput {
    std::vector<std::string> lines;
    bool started = false;
};

std::string Joined(const std::set<int>& numbers)
{
    std::string list;
    for (int n : numbers)
        list += (list.empty() ? "" : ",") + std::to_string(n);
    return list.empty() ? "-" : list;
}

// Waits for the child's output until it closes its end or the time is up;
// a child still running then is killed.
std::string CollectOutput(pid_t pid, int fd)
{
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + kCheckTimeLimit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return text;
}

bool RunChild(const std::vector<std::string>& args, ChildOutput& out, std::string& error)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("The IFO check cannot start: ") + std::strerror(errno) + ".";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        error = "The DVD plug-in's IFO checker " + args[0] + " cannot be started: " + std::strerror(spawned) + ".";
        return false;
    }
    std::istringstream text(CollectOutput(pid, fds[0]));
    ::close(fds[0]);
    out = {};
    out.started = true;
    for (std::string line; std::getline(text, line);)
        out.lines.push_back(line);
    return true;
}

// Applies one run's lines to the verdict. True when the run got to the end;
// otherwise `stuck` is the titleset it died or hung on (-1: outside any).
bool ApplyRun(const ChildOutput& out, const std::set<int>& backupOnly, DVDIfoVerdict& verdict, int& stuck)
{
    stuck = -1;
    for (const std::string& line : out.lines) {
        std::istringstream words(line);
        std::string word;
        int ts = -1;
        words >> word >> ts;
        if (word == "done")
            return true;
        if (word == "start")
            stuck = ts;
        else if (word == "ok" || word == "invalid") {
            const bool backup = backupOnly.count(ts) > 0;
            verdict.titlesets[ts] = word == "ok" ? (backup ? IfoUse::Backup : IfoUse::Ifo)
                                                 : (backup ? IfoUse::Damaged : IfoUse::Ifo);
            stuck = -1;
        }
    }
    return false;
}

std::string CheckerPath()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&CheckDiscIfos), &info) == 0 || !info.dli_fname)
        return "dvdifocheck";
    // Beside the plug-in's own file, also when it was loaded through a link.
    char* real = ::realpath(info.dli_fname, nullptr);
    std::string self = real ? real : info.dli_fname;
    std::free(real);
    const std::size_t slash = self.rfind('/');
    return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/dvdifocheck";
}

// FNV-1a over the bytes of every IFO and BUP the disc has, so that a
// changed disc in the same drive, or a file edited in place, is checked again.
uint64_t HashInfoFiles(const DVDReader& reader)
{
    uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](const uint8_t* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i)
            hash = (hash ^ data[i]) * 1099511628211ull;
    };
    std::vector<uint8_t> bytes;
    for (int ts = 0; ts <= 99; ++ts) {
        bool any = false;
        for (dvd_read_domain_t domain : {DVD_READ_INFO_FILE, DVD_READ_INFO_BACKUP_FILE}) {
            const DvdFilePtr file(DVDOpenFile(reader.Handle(), ts, domain));
            if (!file)
                continue;
            any = true;
            const ssize_t blocks = DVDFileSize(file.get());
            bytes.assign(static_cast<std::size_t>(std::max<ssize_t>(blocks, 0)) * DVD_VIDEO_LB_LEN, 0);
            const ssize_t n = DVDReadBytes(file.get(), bytes.data(), bytes.size());
            const uint8_t tag[2] = {static_cast<uint8_t>(ts), static_cast<uint8_t>(domain)};
            mix(tag, sizeof tag);
            mix(bytes.data(), static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        }
        if (!any && ts > 0)
            break;
    }
    return hash;
}

std::mutex gCacheMutex;
std::map<std::string, DVDIfoVerdict> gCache;

}  // namespace

IfoUse DVDIfoVerdict::Use(int titleset) const
{
    const auto it = titlesets.find(titleset);
    return it == titlesets.end() ? IfoUse::Ifo : it->second;
}

std::set<int> DVDIfoVerdict::BackupOnly() const
{
    std::set<int> hidden;
    for (const auto& [ts, use] : titlesets)
        if (use == IfoUse::Backup)
            hidden.insert(ts);
    return hidden;
}

// Runs the helper program `checker` on `path` until every titleset has a
// verdict.
static bool RunIfoChecks(const std::string& checker, const std::string& path, DVDIfoVerdict& verdict, std::string& error)
{
    verdict = {};
    std::set<int> backupOnly;
    std::set<int> skip;
    int first = 0;
    // Each unfinished run hides one more IFO or gives up on one more
    // titleset, so this ends after at most two runs per titleset.
    for (int round = 0; round < 2 * 101; ++round) {
        ChildOutput out;
        if (!RunChild({checker, path, Joined(backupOnly), Joined(skip), std::to_string(first)}, out, error))
            return false;
        int stuck = -1;
        if (ApplyRun(out, backupOnly, verdict, stuck))
            return true;
        if (stuck < 0) {
            const bool said = !out.lines.empty() && out.lines.front() == "unreadable";
            error = said ? path + " cannot be read: its information files could not be checked (the disc does "
                                  "not open, or its backup files cannot be copied to a private folder)."
                         : path + " cannot be opened as a DVD (reading its file system failed).";
            return false;
        }
        first = stuck;
        if (backupOnly.insert(stuck).second)
            continue;
        backupOnly.erase(stuck);
        skip.insert(stuck);
        verdict.titlesets[stuck] = IfoUse::Damaged;
        if (stuck == 0)
            return true;  // nothing more can be read without the video manager
    }
    error = "Checking the information files of " + path + " did not come to an end.";
    return false;
}

bool CheckDiscIfos(const DVDReader& reader, DVDIfoVerdict& verdict, std::string& error)
{
    const std::string key = reader.Path() + '\n' + std::to_string(HashInfoFiles(reader));
    {
        const std::lock_guard lock(gCacheMutex);
        const auto it = gCache.find(key);
        if (it != gCache.end()) {
            verdict = it->second;
            return true;
        }
    }
    if (!RunIfoChecks(CheckerPath(), reader.Path(), verdict, error))
        return false;
    const std::lock_guard lock(gCacheMutex);
    gCache[key] = verdict;
    return true;
}

}  // namespace vidrelo::dvddec
