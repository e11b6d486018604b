#pragma once
// Filters the packs of a title in place: the video, the chosen audio and the
// chosen subpicture stream stay; every other packet (other audio and
// subpictures, navigation packets, anything unknown) becomes padding of the
// same size, so byte positions keep mapping onto disc sectors. The SCR of
// the pack and the PTS/DTS of the kept packets move onto the output clock.
#include "LibAV/DVDMpegPack.h"
#include "LibAV/DVDTimeline.h"

namespace vidrelo::dvddec {

class DVDPackRewriter {
public:
    // audioId: 0 none, 0xC0+n an MPEG audio stream, else the private stream 1
    // substream (0x80+n AC-3, 0x88+n DTS, 0xA0+n LPCM), -1 every audio
    // stream. subtitleId: 0 none,
    // else 0x20+n.
    DVDPackRewriter(int audioId, int subtitleId) : audioId_(audioId), subtitleId_(subtitleId) {}

    // False when the sector is not a well-formed pack; the caller replaces
    // it (the sector may be half rewritten by then).
    bool Process(uint8_t* pack, const DVDCellClock& clock) const;

private:
    static constexpr int kAllAudio = -1;
    bool Keeps(const PesPacket& pes) const;
    bool KeepsAudio(int id) const;
    // Moves the packet's PTS/DTS onto the output clock; false when it
    // belongs before the start of the range.
    bool Retime(PesPacket& pes, const DVDCellClock& clock) const;

    int audioId_;
    int subtitleId_;
};

}  // namespace vidrelo::dvddec
