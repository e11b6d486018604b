#include "tests/support/DamagedDiscs.h"

#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace vidrelo::test {

namespace {

void Overwrite(const fs::path& file, long offset, const std::string& bytes)
{
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(offset);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f.flush())
        throw std::runtime_error("cannot damage " + file.string());
}

}  // namespace

const std::vector<IfoDamage>& CrashingIfoDamage()
{
    static const std::vector<IfoDamage> damage = {
        // the first-play program chain (a crash, and a double free)
        {"VIDEO_TS.IFO", 1260, "\xff", 0},
        {"VIDEO_TS.IFO", 1262, "\xff", 0},
        // the size of the title search pointer table (a double free)
        {"VIDEO_TS.IFO", 2052, "\xff\xff\xff\xff", 0},
        // the count of a titleset's program chain table (a crash) and the
        // size of its cell address table (a double free)
        {"VTS_02_0.IFO", 4097, "\xff", 2},
        {"VTS_02_0.IFO", 8195, "\xff\xff\xff\xff", 2},
        {"VTS_01_0.IFO", 4097, "\xff", 1},
        {"VTS_01_0.IFO", 8195, "\xff\xff\xff\xff", 1},
    };
    return damage;
}

std::string DamagedDiscA(const IfoDamage& damage, bool backupToo)
{
    const fs::path copy = fs::path(MakeTempDir("damaged-ifo")) / "disc";
    const fs::path from = fs::path(Disc("discA").path) / "VIDEO_TS";
    fs::create_directories(copy / "VIDEO_TS");
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        const fs::path to = copy / "VIDEO_TS" / entry.path().filename();
        if (entry.path().extension() == ".VOB")
            fs::create_symlink(entry.path(), to);
        else
            fs::copy_file(entry.path(), to);
    }
    Overwrite(copy / "VIDEO_TS" / damage.file, damage.offset, damage.bytes);
    if (backupToo)
        Overwrite(copy / "VIDEO_TS" / fs::path(damage.file).replace_extension(".BUP"), damage.offset, damage.bytes);
    return copy.string();
}

std::string Describe(const IfoDamage& damage)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s @ 0x%lx =", damage.file.c_str(), damage.offset);
    std::string out = text;
    for (unsigned char c : damage.bytes) {
        std::snprintf(text, sizeof text, " %02x", c);
        out += text;
    }
    return out;
}

}  // namespace vidrelo::test
