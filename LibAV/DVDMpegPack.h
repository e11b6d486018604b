#pragma once
// The parts of an MPEG-2 program stream pack (one 2048-byte DVD sector)
// that the title source reads and rewrites: the pack header with its SCR,
// the PES packets after it, their PTS/DTS fields. All clocks are 90 kHz,
// 33 bits wide.
#include <cstdint>

namespace vidrelo::dvddec {

inline constexpr int kPackSize = 2048;
inline constexpr uint64_t kClockMask = (uint64_t{1} << 33) - 1;

// a - b on the 33-bit clock, as the shorter way round (negative when a is
// just before b, also across a wrap of the clock).
int64_t ClockDiff(uint64_t a, uint64_t b);

// Bytes of the MPEG-2 pack header at the start of `pack`, stuffing
// included; 0 when the sector does not start with one.
int PackHeaderSize(const uint8_t* pack);
uint64_t ReadScr(const uint8_t* pack);
// Keeps the SCR extension and sets the marker bits.
void WriteScr(uint8_t* pack, uint64_t scr);

// A 5-byte PTS or DTS field.
uint64_t ReadTimestamp(const uint8_t* field);
// Keeps the field's 4-bit prefix and sets the marker bits.
void WriteTimestamp(uint8_t* field, uint64_t t);

struct PesPacket {
    uint8_t* data = nullptr;  // at the 00 00 01 start code
    int size = 0;             // whole packet: 6 + the length field
    int streamId = 0;         // 0xBD, 0xE0, ...; 0xBB for the system header
    int substream = -1;       // private stream 1's first payload byte, else -1
    int ptsOffset = 0;        // PTS / DTS fields within data, 0 when absent
    int dtsOffset = 0;
};

// The packet at `p`, with `room` bytes to the end of the pack; false when
// no well-formed packet starts there.
bool ParsePes(uint8_t* p, int room, PesPacket& pes);

// Clears the packet's PTS and DTS (and the other optional header fields,
// which may sit behind them): the header keeps its size, filled with
// stuffing, so the payload stays where it was.
void DropTimestamps(PesPacket& pes);

// Turns the packet into padding (stream 0xBE, 0xFF payload), same size.
void MakePadding(const PesPacket& pes);

// Writes a pack holding only a padding packet, with the given SCR.
void WritePaddingPack(uint8_t* pack, uint64_t scr);

// Calls fn(PesPacket&) for each packet after the pack header. False when the
// sector is no pack, or its packets do not fill it exactly.
template <typename Fn>
bool ForEachPes(uint8_t* pack, Fn&& fn)
{
    int at = PackHeaderSize(pack);
    if (at == 0)
        return false;
    while (at < kPackSize) {
        uint8_t* p = pack + at;
        // A program end code may close the last pack; it has no length field.
        if (kPackSize - at == 4 && p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == 0xB9)
            return true;
        PesPacket pes;
        if (!ParsePes(p, kPackSize - at, pes))
            return false;
        fn(pes);
        at += pes.size;
    }
    return true;
}

}  // namespace vidrelo::dvddec
