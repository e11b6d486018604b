#include "LibAV/DVDDiscChecks.h"

#include "LibAV/DVDMpegPack.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace vidrelo::dvddec {

namespace {

enum class PathKind { Folder, EmptyFolder, File, Device, Other };

PathKind KindOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return PathKind::Other;
    if (S_ISBLK(st.st_mode))
        return PathKind::Device;
    if (S_ISREG(st.st_mode))
        return PathKind::File;
    if (!S_ISDIR(st.st_mode))
        return PathKind::Other;
    std::error_code ec;
    return std::filesystem::is_empty(path, ec) && !ec ? PathKind::EmptyFolder : PathKind::Folder;
}

std::string WithLibraryError(std::string text, const DVDReader& reader)
{
    if (!reader.LibraryError().empty())
        text += " (libdvdread: " + reader.LibraryError() + ")";
    return text;
}

// A pack whose first PES packet is an elementary stream marked scrambled
// (PES_scrambling_control, where CSS marks the sectors it encrypts).
bool PackScrambled(unsigned char* pack)
{
    const int header = PackHeaderSize(pack);
    PesPacket pes;
    if (header == 0 || !ParsePes(pack + header, kPackSize - header, pes) || pes.size < 7)
        return false;
    const bool elementary = pes.streamId == 0xBD || (pes.streamId >= 0xC0 && pes.streamId <= 0xEF);
    return elementary && (pes.data[6] & 0x30) != 0;
}

}  // namespace

std::string NoVideoManagerText(const DVDReader& reader)
{
    const std::string& path = reader.Path();
    switch (KindOf(path)) {
    case PathKind::EmptyFolder:
        return path + " is an empty folder, not a DVD-Video disc.";
    case PathKind::Folder:
        return path + " is not a DVD-Video disc (no readable VIDEO_TS.IFO).";
    case PathKind::File:
        return path + " is not a DVD-Video disc image, or the image is damaged (no readable VIDEO_TS.IFO).";
    case PathKind::Device:
        return WithLibraryError("The disc in " + path + " is not a DVD-Video disc or cannot be read "
                                "(no readable VIDEO_TS.IFO).", reader);
    case PathKind::Other:
        break;
    }
    return path + " is not a DVD-Video disc.";
}

std::string DamagedVideoManagerText(const DVDReader& reader)
{
    return "The DVD at " + reader.Path() + " cannot be read: its main information file (VIDEO_TS.IFO) and "
           "the backup copy (VIDEO_TS.BUP) are both damaged.";
}

DVDCutImage CheckCutImage(const DVDReader& reader, const ifo_handle_t& vmg)
{
    DVDCutImage result;
    if (KindOf(reader.Path()) != PathKind::File || !vmg.vmgi_mat)
        return result;
    result.titlesets = vmg.vmgi_mat->vmg_nr_of_title_sets;
    std::vector<unsigned char> sector(DVD_VIDEO_LB_LEN);
    std::string where;
    for (int ts = 1; ts <= result.titlesets; ++ts) {
        const DvdFilePtr vobs = reader.OpenTitleVobs(ts);
        const ssize_t blocks = vobs ? DVDFileSize(vobs.get()) : 0;
        auto readable = [&](ssize_t block) {
            return DVDReadBlocks(vobs.get(), static_cast<int>(block), 1, sector.data()) == 1;
        };
        if (blocks > 0 && readable(blocks - 1))
            continue;
        result.cut.insert(ts);
        if (!where.empty())
            continue;
        // The image holds a prefix of the VOBs: find its length.
        ssize_t held = 0, missing = blocks > 0 ? blocks - 1 : 0;
        while (held < missing) {
            const ssize_t middle = held + (missing - held) / 2;
            if (readable(middle))
                held = middle + 1;
            else
                missing = middle;
        }
        where = held == 0 ? "before the video of titleset " + std::to_string(ts)
                          : "inside the video of titleset " + std::to_string(ts) + ", after " +
                                std::to_string(held) + " of its " + std::to_string(blocks) + " sectors";
    }
    if (result.cut.empty())
        return result;
    result.text = "The DVD image " + reader.Path() + " is incomplete: it ends " + where +
                  " (the file may be cut short or still being copied).";
    std::string intact;
    for (int ts = 1; ts <= result.titlesets; ++ts)
        if (!result.cut.count(ts))
            intact += (intact.empty() ? "" : ", ") + std::to_string(ts);
    if (!intact.empty())
        result.text += " The titles of titleset(s) " + intact + " are intact.";
    return result;
}

std::string ScrambledText(const DVDReader& reader, int titleset)
{
    const DvdFilePtr vobs = reader.OpenTitleVobs(titleset);
    if (!vobs)
        return {};
    constexpr int kSectors = 16;
    std::vector<unsigned char> data(kSectors * DVD_VIDEO_LB_LEN);
    const ssize_t read = DVDReadBlocks(vobs.get(), 0, kSectors, data.data());
    for (ssize_t s = 0; s < read; ++s) {
        if (!PackScrambled(data.data() + s * DVD_VIDEO_LB_LEN))
            continue;
        std::string text = "The DVD at " + reader.Path() + " is encrypted (CSS) and cannot be read";
        return text + (reader.CssUnavailable() ? ": libdvdcss, which decrypts such discs, is not installed."
                                               : ": its sectors could not be decrypted.");
    }
    return {};
}

}  // namespace vidrelo::dvddec
