#pragma once
// Copies of test disc A with bytes of its information files changed: the
// changes that made libdvdread crash while reading the disc (found with
// tools/ifo-sweep.sh), for every test that must survive them.
#include <string>
#include <vector>

namespace vidrelo::test {

struct IfoDamage {
    std::string file;   // "VTS_02_0.IFO"; the same change can go to its .BUP
    long offset = 0;
    std::string bytes;  // written over the file from `offset`
    int titleset = 0;   // whose information file it is (0: VIDEO_TS)
};

const std::vector<IfoDamage>& CrashingIfoDamage();

// A folder copy of disc A with `damage` applied to the IFO and, with
// `backupToo`, to its BUP; the VOBs are links to disc A's.
std::string DamagedDiscA(const IfoDamage& damage, bool backupToo);

// "VTS_02_0.IFO @ 0x123 = ff ff"
std::string Describe(const IfoDamage& damage);

}  // namespace vidrelo::test
