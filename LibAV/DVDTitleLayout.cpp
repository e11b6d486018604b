#include "LibAV/DVDTitleLayout.h"

#include "dvd/DVDPluginABI.h"

#include <algorithm>

namespace vidrelo::dvddec {

namespace {

int Bcd(uint8_t v)
{
    return (v >> 4) * 10 + (v & 0x0f);
}

std::string LanguageCode(uint16_t code)
{
    char a = static_cast<char>(code >> 8);
    char b = static_cast<char>(code & 0xff);
    auto letter = [](char& c) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        return c >= 'a' && c <= 'z';
    };
    if (!letter(a) || !letter(b))
        return {};
    return {a, b};
}

const pgc_t* ProgramChain(const ifo_handle_t& vts, int pgcn)
{
    const pgcit_t* pgcit = vts.vts_pgcit;
    if (!pgcit || pgcn < 1 || pgcn > pgcit->nr_of_pgci_srp)
        return nullptr;
    const pgc_t* pgc = pgcit->pgci_srp[pgcn - 1].pgc;
    if (!pgc || !pgc->program_map || !pgc->cell_playback || pgc->nr_of_programs < 1)
        return nullptr;
    return pgc;
}

DVDVideoFormat VideoFormat(const video_attr_t& attr)
{
    DVDVideoFormat v;
    v.type = attr.mpeg_version == 0 ? DVDStreamMPEG1 : DVDStreamMPEG2;
    v.norm = attr.video_format == 0 ? 1 : 0;
    v.aspect = attr.display_aspect_ratio == 3 ? 1 : 0;
    static constexpr int kWidths[4] = {720, 704, 352, 352};
    v.width = kWidths[attr.picture_size & 3];
    v.height = v.norm == 1 ? 480 : 576;
    if (attr.picture_size == 3)
        v.height /= 2;
    return v;
}

bool AudioFormat(const audio_attr_t& attr, int physical, DVDAudioStream& a)
{
    switch (attr.audio_format) {
    case 0: a.streamType = DVDStreamAC3; a.streamId = 0x80 + physical; break;
    case 2:
    case 3: a.streamType = DVDStreamMPA; a.streamId = 0xC0 + physical; break;
    case 4: a.streamType = DVDStreamLPCM; a.streamId = 0xA0 + physical; break;
    case 6: a.streamType = DVDStreamDTS; a.streamId = 0x88 + physical; break;
    default: return false;  // SDDS and reserved codes: nothing can decode them
    }
    a.sampleRate = attr.sample_frequency == 1 ? 96000 : 48000;
    a.channels = attr.channels + 1;
    a.language = attr.lang_type == 1 ? LanguageCode(attr.lang_code) : std::string();
    return true;
}

std::vector<DVDAudioStream> AudioStreams(const vtsi_mat_t& mat, const pgc_t& pgc)
{
    std::vector<DVDAudioStream> streams;
    for (int i = 0; i < 8 && i < mat.nr_of_vts_audio_streams; ++i) {
        const uint16_t control = pgc.audio_control[i];
        DVDAudioStream a;
        if ((control & 0x8000) && AudioFormat(mat.vts_audio_attr[i], (control >> 8) & 0x07, a))
            streams.push_back(a);
    }
    return streams;
}

std::vector<DVDSubpictureStream> SubpictureStreams(const vtsi_mat_t& mat, const pgc_t& pgc, bool wide)
{
    std::vector<DVDSubpictureStream> streams;
    for (int i = 0; i < 32 && i < mat.nr_of_vts_subp_streams; ++i) {
        const uint32_t control = pgc.subp_control[i];
        if (!(control & 0x80000000u))
            continue;
        // A 16:9 title names the stream it shows in widescreen; 4:3 titles the 4:3 one.
        const int physical = static_cast<int>((wide ? control >> 16 : control >> 24) & 0x1f);
        const subp_attr_t& attr = mat.vts_subp_attr[i];
        streams.push_back({0x20 + physical, attr.type == 1 ? LanguageCode(attr.lang_code) : std::string()});
    }
    return streams;
}

// The cells of program `pgn` up to the start of the next chapter (or the
// end of the program chain), without the other angles' cells.
std::vector<uint32_t> Palette(const pgc_t& pgc)
{
    bool set = false;
    for (uint32_t entry : pgc.palette)
        set = set || entry != 0;
    std::vector<uint32_t> palette;
    if (set)
        for (uint32_t entry : pgc.palette)
            palette.push_back(DVDPaletteRGB(entry));
    return palette;
}

DVDChapter ChapterCells(const pgc_t& pgc, int pgn, int nextPgn)
{
    DVDChapter chapter;
    if (pgn < 1 || pgn > pgc.nr_of_programs)
        return chapter;
    const int first = pgc.program_map[pgn - 1];
    int last = pgc.nr_of_cells;
    if (nextPgn > pgn && nextPgn <= pgc.nr_of_programs)
        last = pgc.program_map[nextPgn - 1] - 1;
    for (int c = first; c >= 1 && c <= last && c <= pgc.nr_of_cells; ++c) {
        const cell_playback_t& cell = pgc.cell_playback[c - 1];
        if (cell.block_type == 1 && cell.block_mode > 1)
            continue;  // an angle block plays its first cell's angle
        const double seconds = DVDTimeSeconds(cell.playback_time);
        chapter.cells.push_back({cell.first_sector, cell.last_sector, cell.last_vobu_start_sector, seconds});
        chapter.seconds += seconds;
    }
    return chapter;
}

// libdvdread reads the tables as they are; counts and numbers that point
// past what the titleset holds would make the title a wrong length or
// lose chapters without a word. "" when everything fits.
std::string ProgramText(const pgc_t& pgc, int chapter, int pgn)
{
    const std::string where = "chapter " + std::to_string(chapter) + " of its titleset's table ";
    if (pgn < 1 || pgn > pgc.nr_of_programs)
        return where + "names program " + std::to_string(pgn) + ", but its program chain has " +
               std::to_string(pgc.nr_of_programs);
    const int cell = pgc.program_map[pgn - 1];
    const int previous = pgn > 1 ? pgc.program_map[pgn - 2] : 0;
    if (cell < 1 || cell > pgc.nr_of_cells || cell <= previous)
        return where + "starts at cell " + std::to_string(cell) + ", but its program chain has " +
               std::to_string(pgc.nr_of_cells) + " cells";
    // Sector ranges are checked against the VOB files when a title is read
    // (cells past them are clipped or left out, and said).
    return {};
}

std::string InconsistencyText(const ifo_handle_t& vts, const ttu_t& ttu)
{
    const vtsi_mat_t& mat = *vts.vtsi_mat;
    if (mat.nr_of_vts_audio_streams > 8)
        return "its titleset claims " + std::to_string(mat.nr_of_vts_audio_streams) +
               " audio streams (a DVD has at most 8)";
    if (mat.nr_of_vts_subp_streams > 32)
        return "its titleset claims " + std::to_string(mat.nr_of_vts_subp_streams) +
               " subtitle streams (a DVD has at most 32)";
    for (int k = 0; k < ttu.nr_of_ptts; ++k) {
        const pgc_t* pgc = ProgramChain(vts, ttu.ptt[k].pgcn);
        if (!pgc)
            return "chapter " + std::to_string(k + 1) + " of its titleset's table names program chain " +
                   std::to_string(ttu.ptt[k].pgcn) + ", which the titleset does not have";
        std::string why = ProgramText(*pgc, k + 1, ttu.ptt[k].pgn);
        if (!why.empty())
            return why;
    }
    return {};
}

}  // namespace

double DVDTimeSeconds(const dvd_time_t& time)
{
    const double fps = (time.frame_u >> 6) == 1 ? 25.0 : 30000.0 / 1001.0;
    return Bcd(time.hour) * 3600.0 + Bcd(time.minute) * 60.0 + Bcd(time.second) + Bcd(time.frame_u & 0x3f) / fps;
}

uint32_t DVDPaletteRGB(uint32_t yCrCb)
{
    const int y = static_cast<int>((yCrCb >> 16) & 0xFF) - 16;
    const int cr = static_cast<int>((yCrCb >> 8) & 0xFF) - 128;
    const int cb = static_cast<int>(yCrCb & 0xFF) - 128;
    auto channel = [](int scaled) { return static_cast<uint32_t>(std::clamp((scaled + 128) >> 8, 0, 255)); };
    const uint32_t r = channel(298 * y + 409 * cr);
    const uint32_t g = channel(298 * y - 100 * cb - 208 * cr);
    const uint32_t b = channel(298 * y + 516 * cb);
    return (r << 16) | (g << 8) | b;
}

bool DVDTitleLayout::Read(const ifo_handle_t& vts, int ttn, DVDTitleLayout& layout, std::string& error)
{
    const vts_ptt_srpt_t* ptts = vts.vts_ptt_srpt;
    if (!vts.vtsi_mat || !ptts || !ptts->title || ttn < 1 || ttn > ptts->nr_of_srpts) {
        error = "its titleset has no entry for it";
        return false;
    }
    const ttu_t& ttu = ptts->title[ttn - 1];
    const pgc_t* firstPgc = ttu.nr_of_ptts > 0 && ttu.ptt ? ProgramChain(vts, ttu.ptt[0].pgcn) : nullptr;
    if (!firstPgc) {
        error = "its titleset names no program chain for it";
        return false;
    }
    error = InconsistencyText(vts, ttu);
    if (!error.empty())
        return false;
    const vtsi_mat_t& mat = *vts.vtsi_mat;
    layout = DVDTitleLayout{};
    layout.length = DVDTimeSeconds(firstPgc->playback_time);
    layout.palette = Palette(*firstPgc);
    layout.video = VideoFormat(mat.vts_video_attr);
    layout.audio = AudioStreams(mat, *firstPgc);
    layout.subpictures = SubpictureStreams(mat, *firstPgc, layout.video.aspect == 1);
    for (int k = 0; k < ttu.nr_of_ptts; ++k) {
        const ptt_info_t& ptt = ttu.ptt[k];
        const pgc_t* pgc = ProgramChain(vts, ptt.pgcn);
        const bool nextInSamePgc = k + 1 < ttu.nr_of_ptts && ttu.ptt[k + 1].pgcn == ptt.pgcn;
        layout.chapters.push_back(pgc ? ChapterCells(*pgc, ptt.pgn, nextInSamePgc ? ttu.ptt[k + 1].pgn : 0)
                                      : DVDChapter{});
    }
    return true;
}

const DVDAudioStream* DVDTitleLayout::FindAudio(int streamId) const
{
    for (const DVDAudioStream& a : audio)
        if (a.streamId == streamId)
            return &a;
    return nullptr;
}

const DVDSubpictureStream* DVDTitleLayout::FindSubpicture(int streamId) const
{
    for (const DVDSubpictureStream& s : subpictures)
        if (s.streamId == streamId)
            return &s;
    return nullptr;
}

}  // namespace vidrelo::dvddec
