#include "LibAV/DVDMpegPack.h"

#include <cstring>

namespace vidrelo::dvddec {

namespace {

// Streams whose packets carry the MPEG-2 PES header with PTS/DTS flags.
bool HasPesHeader(int id)
{
    return id == 0xBD || (id >= 0xC0 && id <= 0xEF) || id == 0xFD;
}

}  // namespace

int64_t ClockDiff(uint64_t a, uint64_t b)
{
    int64_t d = static_cast<int64_t>((a - b) & kClockMask);
    if (d >= int64_t{1} << 32)
        d -= int64_t{1} << 33;
    return d;
}

int PackHeaderSize(const uint8_t* p)
{
    if (p[0] != 0 || p[1] != 0 || p[2] != 1 || p[3] != 0xBA || (p[4] & 0xC0) != 0x40)
        return 0;
    return 14 + (p[13] & 0x07);
}

uint64_t ReadScr(const uint8_t* p)
{
    return (uint64_t{(p[4] >> 3) & 0x07u} << 30) | (uint64_t{p[4] & 0x03u} << 28) | (uint64_t{p[5]} << 20) |
           (uint64_t{(p[6] >> 3) & 0x1Fu} << 15) | (uint64_t{p[6] & 0x03u} << 13) | (uint64_t{p[7]} << 5) |
           ((p[8] >> 3) & 0x1Fu);
}

void WriteScr(uint8_t* p, uint64_t scr)
{
    scr &= kClockMask;
    const unsigned ext = ((p[8] & 0x03u) << 7) | (p[9] >> 1);
    p[4] = static_cast<uint8_t>(0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 0x03));
    p[5] = static_cast<uint8_t>(scr >> 20);
    p[6] = static_cast<uint8_t>(0x04 | ((scr >> 12) & 0xF8) | ((scr >> 13) & 0x03));
    p[7] = static_cast<uint8_t>(scr >> 5);
    p[8] = static_cast<uint8_t>(0x04 | ((scr << 3) & 0xF8) | ((ext >> 7) & 0x03));
    p[9] = static_cast<uint8_t>(0x01 | ((ext << 1) & 0xFE));
}

uint64_t ReadTimestamp(const uint8_t* f)
{
    return (uint64_t{(f[0] >> 1) & 0x07u} << 30) | (uint64_t{f[1]} << 22) | (static_cast<uint64_t>(f[2] >> 1) << 15) |
           (uint64_t{f[3]} << 7) | static_cast<uint64_t>(f[4] >> 1);
}

void WriteTimestamp(uint8_t* f, uint64_t t)
{
    t &= kClockMask;
    f[0] = static_cast<uint8_t>((f[0] & 0xF0) | ((t >> 29) & 0x0E) | 0x01);
    f[1] = static_cast<uint8_t>(t >> 22);
    f[2] = static_cast<uint8_t>(((t >> 14) & 0xFE) | 0x01);
    f[3] = static_cast<uint8_t>(t >> 7);
    f[4] = static_cast<uint8_t>(((t << 1) & 0xFE) | 0x01);
}

bool ParsePes(uint8_t* p, int room, PesPacket& pes)
{
    if (room < 6 || p[0] != 0 || p[1] != 0 || p[2] != 1 || p[3] < 0xBB)
        return false;
    pes = PesPacket{};
    pes.data = p;
    pes.streamId = p[3];
    pes.size = 6 + ((p[4] << 8) | p[5]);
    if (pes.size > room)
        return false;
    if (!HasPesHeader(pes.streamId) || pes.size < 9 || (p[6] & 0xC0) != 0x80)
        return true;
    const int headerLength = p[8];
    const int payload = 9 + headerLength;
    if (payload > pes.size)
        return true;
    const int flags = p[7] >> 6;
    if ((flags & 2) && headerLength >= 5)
        pes.ptsOffset = 9;
    if (flags == 3 && headerLength >= 10)
        pes.dtsOffset = 14;
    if (pes.streamId == 0xBD && payload < pes.size)
        pes.substream = p[payload];
    return true;
}

void DropTimestamps(PesPacket& pes)
{
    if (!pes.ptsOffset)
        return;
    uint8_t* p = pes.data;
    p[7] = 0;
    std::memset(p + 9, 0xFF, p[8]);
    pes.ptsOffset = pes.dtsOffset = 0;
}

void MakePadding(const PesPacket& pes)
{
    pes.data[3] = 0xBE;
    std::memset(pes.data + 6, 0xFF, static_cast<std::size_t>(pes.size - 6));
}

void WritePaddingPack(uint8_t* p, uint64_t scr)
{
    static constexpr uint8_t kHeader[14] = {0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01,
                                            0x01, 0x89, 0xC3, 0xF8};  // 10.08 Mbit/s, no stuffing
    std::memcpy(p, kHeader, sizeof kHeader);
    WriteScr(p, scr);
    uint8_t* pes = p + sizeof kHeader;
    const int length = kPackSize - static_cast<int>(sizeof kHeader) - 6;
    pes[0] = 0x00;
    pes[1] = 0x00;
    pes[2] = 0x01;
    pes[3] = 0xBE;
    pes[4] = static_cast<uint8_t>(length >> 8);
    pes[5] = static_cast<uint8_t>(length & 0xFF);
    std::memset(pes + 6, 0xFF, static_cast<std::size_t>(length));
}

}  // namespace vidrelo::dvddec
