#pragma once
// One "opendvd:" source: a chapter range of a title as a seekable MPEG
// program stream. Byte p of the stream is sector p / 2048 of the range's
// cells laid end to end, each pack filtered and retimed on its way out, so
// any position reads the same bytes whether reached by seeking or reading.
// A source has its own reader and VOB handle: sources on different threads
// share nothing.
#include "LibAV/DVDCellRanges.h"
#include "LibAV/DVDDisc.h"
#include "LibAV/DVDPackRewriter.h"
#include "LibAV/DVDSectorReader.h"
#include "LibAV/DVDSourceString.h"
#include "LibAV/DVDTimeline.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TDVDSourceInfo;

namespace vidrelo::dvddec {

class DVDTitleSource {
public:
    // Null, with a sentence in `error`, when the request does not fit the
    // disc or the disc cannot be read. Fills `info` (when not null).
    static std::unique_ptr<DVDTitleSource> Open(const DVDSourceRequest& request, TDVDSourceInfo* info,
                                                std::string& error);

    // Bytes copied (> 0), 0 at the end, -EIO at the end when not one sector
    // of the title could be read. Unreadable sectors never end the stream:
    // they come out as padding and are counted.
    int32_t Read(uint8_t* buffer, int32_t size);
    // The new position, or -EINVAL for a position outside [0, size].
    int64_t Seek(int64_t offset, int whence);
    // The problems so far ("" when none): cells left out or clipped, damaged
    // and unreadable sectors, and what that lost in sectors and seconds.
    std::string Problems() const;

private:
    struct Segment {
        std::size_t cell;       // index into the timeline's cells
        uint32_t firstSector;   // on the disc
        uint32_t sectors;
        int64_t firstOut;       // index of its first sector in the stream
        double secondsPerSector;
    };

    DVDTitleSource(std::unique_ptr<DVDDisc> disc, DvdFilePtr vobs, const DVDSourceRequest& request,
                   const DVDCellRanges& ranges);
    void FillInfo(const DVDSourceRequest& request, const DVDTitleLayout& layout, TDVDSourceInfo& info) const;
    const Segment& SegmentOf(int64_t sector) const;
    void LoadChunk(int64_t sector);
    void ProcessSector(const Segment& segment, int64_t sector, uint8_t* data, bool readFailed);
    // Counts a sector replaced by padding, once however often it is read.
    void CountLost(const Segment& segment, int64_t sector, int64_t& counter);

    std::unique_ptr<DVDDisc> disc_;
    DvdFilePtr vobs_;
    DVDSectorReader sectors_;
    DVDPackRewriter rewriter_;
    DVDTimeline timeline_;
    std::vector<Segment> segments_;
    int64_t size_ = 0;
    int64_t position_ = 0;

    std::vector<uint8_t> chunk_;
    std::vector<bool> failed_;
    int64_t chunkFirst_ = 0;   // stream sectors held in chunk_
    int64_t chunkCount_ = 0;

    std::vector<bool> lost_;     // per stream sector: replaced by padding
    int64_t damagedCount_ = 0;   // read, but not a well-formed pack
    int64_t unreadableCount_ = 0;
    double lostSeconds_ = 0;     // of the sectors above and the cells' missing parts
    std::vector<std::string> rangeNotes_;
    int64_t rangeLostSectors_ = 0;
    bool anyRead_ = false;       // a sector of the title came from the disc
    bool inDeadStretch_ = false; // the last chunk read gave nothing at all
    std::string fatal_;
};

}  // namespace vidrelo::dvddec
