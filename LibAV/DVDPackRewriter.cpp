#include "LibAV/DVDPackRewriter.h"

#include <algorithm>

namespace vidrelo::dvddec {

namespace {

// How far a timestamp may lie outside its cell's span and still be the
// cell's own: video decoded ahead of a VOBU's start, audio delivered ahead
// of or after its video.
constexpr int64_t kSlack = 2 * 90000;

bool InCell(int64_t t, const DVDCellClock& clock)
{
    return t >= clock.outStart - kSlack && t <= clock.outStart + clock.span + kSlack;
}

}  // namespace

bool DVDPackRewriter::KeepsAudio(int id) const
{
    if (audioId_ != kAllAudio)
        return id == audioId_;
    // AC-3, DTS and LPCM substreams, and MPEG audio streams.
    return (id >= 0x80 && id <= 0x8F) || (id >= 0xA0 && id <= 0xA7) || (id >= 0xC0 && id <= 0xC7);
}

bool DVDPackRewriter::Keeps(const PesPacket& pes) const
{
    switch (pes.streamId) {
    case 0xE0:
    case 0xBB:  // the system header
    case 0xBE:  // already padding
        return true;
    case 0xBD:
        return pes.substream > 0 && (pes.substream == subtitleId_ || KeepsAudio(pes.substream));
    default:
        return pes.streamId >= 0xC0 && pes.streamId <= 0xDF && KeepsAudio(pes.streamId);
    }
}

bool DVDPackRewriter::Retime(PesPacket& pes, const DVDCellClock& clock) const
{
    const int64_t pts = pes.ptsOffset ? clock.Map(ReadTimestamp(pes.data + pes.ptsOffset)) : 0;
    const int64_t dts = pes.dtsOffset ? clock.Map(ReadTimestamp(pes.data + pes.dtsOffset)) : 0;
    // Audio and subpictures from before the range (a mid-VOB chapter start
    // carries some of the previous chapter's) are left out; video cannot be
    // cut mid-GOP, so its few early frames start at 0.
    if ((pts < 0 || dts < 0) && pes.streamId != 0xE0)
        return false;
    // A timestamp far outside its cell is damage (a flipped bit), not
    // playing time: the packet keeps its data without it, and the demuxer
    // carries the clock on from its neighbours.
    if ((pes.ptsOffset && !InCell(pts, clock)) || (pes.dtsOffset && !InCell(dts, clock))) {
        DropTimestamps(pes);
        return true;
    }
    if (pes.ptsOffset)
        WriteTimestamp(pes.data + pes.ptsOffset, static_cast<uint64_t>(std::max<int64_t>(pts, 0)));
    if (pes.dtsOffset)
        WriteTimestamp(pes.data + pes.dtsOffset, static_cast<uint64_t>(std::max<int64_t>(dts, 0)));
    return true;
}

bool DVDPackRewriter::Process(uint8_t* pack, const DVDCellClock& clock) const
{
    if (PackHeaderSize(pack) == 0)
        return false;
    WriteScr(pack, static_cast<uint64_t>(clock.MapScr(ReadScr(pack))));
    return ForEachPes(pack, [&](PesPacket& pes) {
        if (Keeps(pes) && Retime(pes, clock))
            return;
        MakePadding(pes);
    });
}

}  // namespace vidrelo::dvddec
