#pragma once
// What one title of a titleset is made of, as its titleset IFO describes it:
// the chapters as runs of cells (first angle only), the video attributes and
// the audio and subpicture streams the title's program chain makes
// available. Both the title record and the title source are built from it.
#include <dvdread/ifo_types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vidrelo::dvddec {

// An IFO time in seconds: BCD h:m:s plus frames at the rate in the top two
// bits of frame_u (1 = 25 fps, otherwise 29.97 fps).
double DVDTimeSeconds(const dvd_time_t& time);

struct DVDCell {
    uint32_t firstSector = 0;  // sectors within the titleset's title VOBs
    uint32_t lastSector = 0;
    uint32_t lastVobuStartSector = 0;
    double seconds = 0;        // playback time from the IFO
};

struct DVDChapter {
    std::vector<DVDCell> cells;
    double seconds = 0;        // the sum of its cells' playback times
};

struct DVDAudioStream {
    int streamType = 0;        // TDVDStreamTypeCode
    int streamId = 0;          // as the VOBs carry it: 0x80+n AC-3, 0x88+n DTS, 0xA0+n LPCM, 0xC0+n MPEG
    int sampleRate = 0;
    int channels = 0;
    std::string language;      // two lowercase letters, "" when the disc names none
};

struct DVDSubpictureStream {
    int streamId = 0;          // 0x20+n
    std::string language;
};

struct DVDVideoFormat {
    int type = 0;              // DVDStreamMPEG1 or DVDStreamMPEG2
    int width = 0;
    int height = 0;
    int norm = 0;              // 0 PAL, 1 NTSC
    int aspect = 0;            // 0 4:3, 1 16:9
};

// A subpicture colour as a program chain holds it (0x00YYCrCb) in RGB
// (0x00RRGGBB), through BT.601 video-range YCbCr.
uint32_t DVDPaletteRGB(uint32_t yCrCb);

struct DVDTitleLayout {
    double length = 0;         // playback time of the title's first program chain
    // The subpicture colours of that program chain (16, as 0x00RRGGBB);
    // empty when it sets none (every entry zero).
    std::vector<uint32_t> palette;
    DVDVideoFormat video;
    std::vector<DVDAudioStream> audio;
    std::vector<DVDSubpictureStream> subpictures;
    std::vector<DVDChapter> chapters;  // every entry of the part-of-title table

    // Title `ttn` (1-based within the titleset) of the titleset IFO `vts`.
    // False, with a sentence in `error`, when the IFO does not describe it.
    static bool Read(const ifo_handle_t& vts, int ttn, DVDTitleLayout& layout, std::string& error);

    const DVDAudioStream* FindAudio(int streamId) const;
    const DVDSubpictureStream* FindSubpicture(int streamId) const;
};

}  // namespace vidrelo::dvddec
