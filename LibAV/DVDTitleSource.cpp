#include "LibAV/DVDTitleSource.h"

#include "LibAV/DVDLanguages.h"
#include "dvd/DVDPluginABI.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>

namespace vidrelo::dvddec {

namespace {

constexpr int kChunkSectors = 512;

std::string Hex(int id)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", id);
    return text;
}

template <typename Stream>
std::string IdList(const std::vector<Stream>& streams)
{
    if (streams.empty())
        return "none";
    std::string list;
    for (const Stream& s : streams)
        list += (list.empty() ? "" : ", ") + Hex(s.streamId);
    return list;
}

// Where the request does not fit the title; "" when it does.
std::string CheckRequest(const DVDSourceRequest& r, const DVDTitleLayout& layout, int toChapter)
{
    const int chapters = static_cast<int>(layout.chapters.size());
    const std::string title = "Title " + std::to_string(r.title);
    if (r.fromChapter > chapters || toChapter > chapters)
        return title + " has " + std::to_string(chapters) + " chapter(s); chapters " +
               std::to_string(r.fromChapter) + " to " + std::to_string(toChapter) + " do not exist.";
    if (r.fromChapter > toChapter)
        return "The chapter range " + std::to_string(r.fromChapter) + " to " + std::to_string(toChapter) +
               " is empty: FromChapter is after ToChapter.";
    if (r.audioId > 0 && !layout.FindAudio(r.audioId))
        return title + " has no audio stream " + Hex(r.audioId) + " (it has: " + IdList(layout.audio) + ").";
    if (r.subtitleId != 0 && !layout.FindSubpicture(r.subtitleId))
        return title + " has no subtitle stream " + Hex(r.subtitleId) + " (it has: " +
               IdList(layout.subpictures) + ").";
    return {};
}

int64_t Microseconds(double seconds)
{
    return std::llround(seconds * 1e6);
}

}  // namespace

std::unique_ptr<DVDTitleSource> DVDTitleSource::Open(const DVDSourceRequest& request, TDVDSourceInfo* info,
                                                     std::string& error)
{
    std::unique_ptr<DVDDisc> disc = DVDDisc::Open(request.path, error);
    if (!disc)
        return nullptr;
    DVDTitleLayout layout;
    int titleset = 0;
    if (!disc->Title(request.title, layout, titleset, error))
        return nullptr;
    DVDSourceRequest r = request;
    if (r.toChapter == 0)
        r.toChapter = static_cast<int>(layout.chapters.size());
    error = CheckRequest(r, layout, r.toChapter);
    if (!error.empty())
        return nullptr;

    std::vector<DVDCell> cells;
    for (int c = r.fromChapter; c <= r.toChapter; ++c)
        for (const DVDCell& cell : layout.chapters[c - 1].cells)
            cells.push_back(cell);
    const std::string chapters = "Chapters " + std::to_string(r.fromChapter) + " to " + std::to_string(r.toChapter) +
                                 " of title " + std::to_string(r.title);
    if (cells.empty()) {
        error = chapters + " hold no video.";
        return nullptr;
    }
    DvdFilePtr vobs = disc->Reader().OpenTitleVobs(titleset);
    if (!vobs) {
        error = "The video files of titleset " + std::to_string(titleset) + " on " + r.path + " cannot be opened.";
        return nullptr;
    }
    const DVDCellRanges ranges = CheckCellRanges(cells, DVDFileSize(vobs.get()));
    if (ranges.cells.empty()) {
        error = chapters + " hold no readable video (the files may be cut short or damaged):";
        for (const std::string& note : ranges.notes)
            error += " " + note;
        return nullptr;
    }
    std::unique_ptr<DVDTitleSource> source(new DVDTitleSource(std::move(disc), std::move(vobs), r, ranges));
    if (info)
        source->FillInfo(r, layout, *info);
    return source;
}

DVDTitleSource::DVDTitleSource(std::unique_ptr<DVDDisc> disc, DvdFilePtr vobs, const DVDSourceRequest& request,
                               const DVDCellRanges& ranges)
    : disc_(std::move(disc)),
      vobs_(std::move(vobs)),
      sectors_(vobs_.get()),
      rewriter_(request.audioId, request.subtitleId),
      timeline_(ranges.cells, vobs_.get()),
      chunk_(static_cast<std::size_t>(kChunkSectors) * kPackSize),
      lostSeconds_(ranges.lostSeconds),
      rangeNotes_(ranges.notes),
      rangeLostSectors_(ranges.lostSectors)
{
    // The cells lie within the VOB files here, so the sizes below are bounded by them.
    int64_t out = 0;
    for (std::size_t i = 0; i < ranges.cells.size(); ++i) {
        const DVDCell& cell = ranges.cells[i];
        const uint32_t count = cell.lastSector - cell.firstSector + 1;
        segments_.push_back({i, cell.firstSector, count, out, cell.seconds / count});
        out += count;
    }
    size_ = out * kPackSize;
    lost_.assign(static_cast<std::size_t>(out), false);
}

void DVDTitleSource::FillInfo(const DVDSourceRequest& r, const DVDTitleLayout& layout, TDVDSourceInfo& info) const
{
    info = TDVDSourceInfo{};
    info.Size = size_;
    info.StartTime = timeline_.Lead() * 100 / 9;
    double at = 0;
    for (int c = r.fromChapter; c <= r.toChapter; ++c) {
        const int k = c - r.fromChapter;
        if (k < kDVDMaxChapters)
            info.ChapterStarts[k] = Microseconds(at);
        at += layout.chapters[c - 1].seconds;
    }
    info.Duration = Microseconds(at);
    info.ChapterCount = std::min(r.toChapter - r.fromChapter + 1, kDVDMaxChapters);
    const auto add = [&info](int32_t kind, int32_t id, int32_t type, const std::string& language) {
        if (info.StreamCount >= kDVDSourceMaxStreams)
            return;
        TDVDSourceStream& s = info.Streams[info.StreamCount++];
        s = {kind, id, type, {}};
        const std::string code = DVDLanguageCode3(language);
        std::memcpy(s.Language, code.c_str(), std::min(code.size() + 1, sizeof s.Language));
    };
    add(DVDSourceVideo, 0x1E0, layout.video.type, {});
    for (const DVDAudioStream& a : layout.audio) {
        if (r.audioId != DVD_SOURCE_ALL_AUDIO && a.streamId != r.audioId)
            continue;
        add(DVDSourceAudio, a.streamType == DVDStreamMPA ? 0x100 + a.streamId : a.streamId, a.streamType, a.language);
    }
    if (const DVDSubpictureStream* s = r.subtitleId ? layout.FindSubpicture(r.subtitleId) : nullptr)
        add(DVDSourceSubtitle, r.subtitleId, DVDStreamSUB, s->language);
    info.Deinterlace = r.deinterlace ? 1 : 0;
    info.AudioChannels = r.audioChannels;
    if (layout.palette.size() == std::size(info.Palette)) {
        std::copy(layout.palette.begin(), layout.palette.end(), info.Palette);
        info.HasPalette = 1;
    }
}

int32_t DVDTitleSource::Read(uint8_t* buffer, int32_t size)
{
    if (!fatal_.empty())
        return -EIO;
    if (size < 0 || (!buffer && size > 0))
        return -EINVAL;
    int32_t done = 0;
    if (size > 0 && position_ >= size_ && !anyRead_) {
        fatal_ = "Not one of the title's " + std::to_string(size_ / kPackSize) + " sectors could be read.";
        return -EIO;
    }
    while (done < size && position_ < size_) {
        const int64_t sector = position_ / kPackSize;
        if (sector < chunkFirst_ || sector >= chunkFirst_ + chunkCount_)
            LoadChunk(sector);
        const int64_t available = (chunkFirst_ + chunkCount_) * kPackSize - position_;
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(size - done, available));
        std::memcpy(buffer + done, chunk_.data() + (position_ - chunkFirst_ * kPackSize), static_cast<std::size_t>(n));
        done += n;
        position_ += n;
    }
    return done;
}

int64_t DVDTitleSource::Seek(int64_t offset, int whence)
{
    int64_t base = 0;
    switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = position_; break;
    case SEEK_END: base = size_; break;
    default: return -EINVAL;
    }
    if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) || base + offset < 0 ||
        base + offset > size_)
        return -EINVAL;
    position_ = base + offset;
    inDeadStretch_ = false;  // a new place: its sectors get their own tries
    return position_;
}

std::string DVDTitleSource::Problems() const
{
    std::vector<std::string> parts = rangeNotes_;
    auto sectors = [](int64_t n, const char* what) {
        return std::to_string(n) + " " + what + (n == 1 ? " sector" : " sectors");
    };
    if (damagedCount_ > 0)
        parts.push_back(sectors(damagedCount_, "damaged") + " skipped (replaced by padding).");
    if (unreadableCount_ > 0)
        parts.push_back(sectors(unreadableCount_, "unreadable") + " skipped (replaced by padding).");
    const int64_t lost = damagedCount_ + unreadableCount_ + rangeLostSectors_;
    if (lost > 0 || lostSeconds_ > 0) {
        // Tenths by hand: the host's locale must not turn the point into a comma.
        const long long tenths = std::llround(lostSeconds_ * 10);
        parts.push_back("Lost: " + std::to_string(lost) + (lost == 1 ? " sector" : " sectors") + ", about " +
                        std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s of video.");
    }
    if (!fatal_.empty())
        parts.push_back(fatal_);
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : " ") + part;
    return text;
}

const DVDTitleSource::Segment& DVDTitleSource::SegmentOf(int64_t sector) const
{
    const auto after = std::upper_bound(segments_.begin(), segments_.end(), sector,
                                        [](int64_t s, const Segment& seg) { return s < seg.firstOut; });
    return *(after - 1);
}

void DVDTitleSource::LoadChunk(int64_t sector)
{
    const Segment& segment = SegmentOf(sector);
    const int64_t into = sector - segment.firstOut;
    const int count = static_cast<int>(std::min<int64_t>(kChunkSectors, segment.sectors - into));
    const int failures =
        sectors_.Read(segment.firstSector + static_cast<uint32_t>(into), count, chunk_.data(), failed_, !inDeadStretch_);
    anyRead_ = anyRead_ || failures < count;
    inDeadStretch_ = failures == count;
    for (int i = 0; i < count; ++i)
        ProcessSector(segment, sector + i, chunk_.data() + static_cast<std::size_t>(i) * kPackSize,
                      failed_[static_cast<std::size_t>(i)]);
    chunkFirst_ = sector;
    chunkCount_ = count;
}

void DVDTitleSource::ProcessSector(const Segment& segment, int64_t sector, uint8_t* data, bool readFailed)
{
    const DVDCellClock& clock = timeline_.Clock(segment.cell);
    if (!readFailed && rewriter_.Process(data, clock))
        return;
    CountLost(segment, sector, readFailed ? unreadableCount_ : damagedCount_);
    const double fraction = static_cast<double>(sector - segment.firstOut) / segment.sectors;
    WritePaddingPack(data, static_cast<uint64_t>(clock.ScrAt(fraction)));
}

void DVDTitleSource::CountLost(const Segment& segment, int64_t sector, int64_t& counter)
{
    if (lost_[static_cast<std::size_t>(sector)])
        return;
    lost_[static_cast<std::size_t>(sector)] = true;
    ++counter;
    lostSeconds_ += segment.secondsPerSector;
}

}  // namespace vidrelo::dvddec
