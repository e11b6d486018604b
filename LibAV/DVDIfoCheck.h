#pragma once
// Which information files of a disc libdvdread may read in this process.
// libdvdread trusts the tables of an IFO: one wrong byte can crash it, make
// it loop or free memory twice. So before the plug-in reads a disc, the
// helper program dvdifocheck (beside the plug-in) reads every IFO in its own
// short-lived process; one that crashes or hangs there is never read here.
// The verdicts are kept per disc content, so that reopening the disc for a
// conversion costs only reading its IFO and BUP files again.
#include "LibAV/DVDReader.h"

#include <map>
#include <set>
#include <string>

namespace vidrelo::dvddec {

enum class IfoUse {
    Ifo,        // the IFO reads cleanly (or libdvdread refuses it without harm)
    Backup,     // the IFO crashes libdvdread; its .BUP reads cleanly
    Damaged,    // both crash or hang libdvdread: never read them
};

struct DVDIfoVerdict {
    std::map<int, IfoUse> titlesets;  // 0 is the video manager; absent: never looked at

    IfoUse Use(int titleset) const;
    // The titlesets whose BUP must be read instead of the IFO.
    std::set<int> BackupOnly() const;
};

// The verdict for the disc `reader` has open (a plain reader: nothing hidden).
// False, with a sentence for the user in `error`, when the helper cannot run
// or cannot even open the disc.
bool CheckDiscIfos(const DVDReader& reader, DVDIfoVerdict& verdict, std::string& error);

}  // namespace vidrelo::dvddec
