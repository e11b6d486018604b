// dvdifocheck: the short-lived process in which the plug-in lets libdvdread
// read a disc's information files first. Some damaged IFOs make libdvdread
// crash, loop or corrupt its heap; here that costs only this process.
//
//   dvdifocheck PATH BACKUP_ONLY SKIP FIRST
//
// BACKUP_ONLY and SKIP are comma-separated titleset numbers ("-" for none;
// 0 is the video manager): of the first only the .BUP copy is read (as the
// plug-in will then read it), the second are not read at all. FIRST
// is the first titleset to read (0: the video manager too). Every step is
// written to standard output as soon as it is taken:
//   "open"               the disc opened
//   "unreadable"         it did not (the last line then)
//   "start T"            ifoOpen of titleset T begins
//   "ok T" / "invalid T" it returned an IFO / refused the files
//   "titlesets N"        after "ok 0": the video manager's titleset count
//   "done"               every titleset was read
// A "start T" without its answer means the process died or hung there.
#include "LibAV/DVDBackupCopies.h"
#include "LibAV/DVDReader.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

using vidrelo::dvddec::DVDBackupCopies;
using vidrelo::dvddec::DVDReader;
using vidrelo::dvddec::IfoPtr;

namespace {

void Say(const std::string& line)
{
    const std::string text = line + "\n";
    if (::write(STDOUT_FILENO, text.data(), text.size()) < 0)
        std::_Exit(3);
}

std::set<int> Numbers(const std::string& list)
{
    std::set<int> numbers;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');)
        if (!item.empty() && item != "-")
            numbers.insert(std::atoi(item.c_str()));
    return numbers;
}

struct Disc {
    std::unique_ptr<DVDReader> reader;
    std::unique_ptr<DVDBackupCopies> backups;
    std::set<int> backupOnly;

    IfoPtr OpenIfo(int ts) const { return backupOnly.count(ts) ? backups->OpenIfo(ts) : reader->OpenIfo(ts); }
};

// Reads titleset `ts` the way the plug-in will, closing it again (a damaged
// table can also break the freeing).
void Check(const Disc& disc, int ts, int* titlesets)
{
    Say("start " + std::to_string(ts));
    IfoPtr ifo = disc.OpenIfo(ts);
    const bool ok = ifo && (ts == 0 ? ifo->vmgi_mat && ifo->tt_srpt : ifo->vtsi_mat != nullptr);
    const int count = ok && ts == 0 ? ifo->vmgi_mat->vmg_nr_of_title_sets : 0;
    ifo.reset();
    Say((ok ? "ok " : "invalid ") + std::to_string(ts));
    if (titlesets)
        *titlesets = count;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fputs("usage: dvdifocheck PATH BACKUP_ONLY SKIP FIRST\n", stderr);
        return 2;
    }
    // No memory limit here: libdvdread must meet the same allocations as
    // in the plug-in's process, or a table it reads wrongly there may pass
    // here as a failed allocation.
    // Freed memory is overwritten, so that a table read after libdvdread
    // freed it follows garbage and crashes here rather than passing.
    ::mallopt(M_PERTURB, 0xA5);
    Disc disc;
    disc.backupOnly = Numbers(argv[2]);
    const std::set<int> skip = Numbers(argv[3]);
    const int first = std::atoi(argv[4]);
    std::string error;
    disc.reader = DVDReader::Open(argv[1], error);
    if (disc.reader && !disc.backupOnly.empty())
        disc.backups = DVDBackupCopies::Make(*disc.reader, disc.backupOnly, error);
    if (!disc.reader || (!disc.backupOnly.empty() && !disc.backups)) {
        Say("unreadable");
        return 0;
    }
    Say("open");
    int titlesets = 0;
    if (first == 0) {
        Check(disc, 0, &titlesets);
        Say("titlesets " + std::to_string(titlesets));
    } else {
        // Known to read cleanly: an earlier run got past it.
        const IfoPtr vmg = disc.OpenIfo(0);
        titlesets = vmg && vmg->vmgi_mat ? vmg->vmgi_mat->vmg_nr_of_title_sets : 0;
    }
    for (int ts = std::max(first, 1); ts <= std::min(titlesets, 99); ++ts)
        if (!skip.count(ts))
            Check(disc, ts, nullptr);
    Say("done");
    return 0;
}
