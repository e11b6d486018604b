#pragma once
// The engine's source protocol registry.
//
// Today's media libraries have no public way to add a protocol, so sources
// that are not files (a DVD title named "opendvd:...") are opened here: a
// name prefix maps to an opener that yields a seekable byte source, which the
// engine wraps in an AVIOContext, together with hints for opening it. Every
// input the encoder or a player opens asks this registry first. Openers are
// registered on the main thread and may be called from any thread.
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vidrelo {

constexpr int64_t NoTime = std::numeric_limits<int64_t>::min();

// A readable, seekable byte source. Read returns the byte count, 0 at the
// end, or a negative media error code; Seek takes SEEK_SET/CUR/END and
// returns the new position or a negative code; Size is -1 when unknown.
class ISourceStream {
public:
    virtual ~ISourceStream() = default;
    virtual int Read(uint8_t* buffer, int size) = 0;
    virtual int64_t Seek(int64_t offset, int whence) = 0;
    virtual int64_t Size() = 0;
    // What went wrong so far (damaged sectors skipped, a failed read), for
    // the log; empty when nothing did.
    virtual std::string Problems() { return {}; }
};

// One elementary stream a source carries. The "mpeg" demuxer creates its
// streams as their first packets appear, so a stream that starts late (a
// subtitle) is known only from here.
struct TSourceStreamHint {
    enum TKind { Video, Audio, Subtitle };
    TKind Kind = Video;
    int Id = 0;         // as the demuxer numbers it (AVStream::id)
    std::string Codec;  // the codec's name: "mpeg2video", "ac3", "dvd_subtitle", ...
    std::string Language;  // ISO 639-2 ("eng"), empty when unknown
};

struct TSourceHints {
    std::string ForceFormat;              // demuxer to use ("mpeg"), empty: probe
    int64_t Duration = NoTime;            // exact length in microseconds, when known
    int64_t StartTime = 0;                // stream timestamp of the start, microseconds
    std::vector<int64_t> ChapterStarts;   // microseconds from the source's start
    std::vector<TSourceStreamHint> Streams;  // empty: whatever the demuxer finds
    bool Deinterlace = false;
    int AudioChannels = 0;                // 0: as the source has them
    // The colours of the source's DVD subtitles (0x00RRGGBB, 16 of them),
    // handed to the subtitle decoder; empty: the decoder guesses.
    std::vector<uint32_t> SubtitlePalette;
};

struct TSourceOpenResult {
    std::unique_ptr<ISourceStream> Stream;  // null on failure
    TSourceHints Hints;
    std::string Error;                      // why it failed
};

using TSourceOpener = std::function<TSourceOpenResult(const std::string& url)>;

class TSourceProtocols {
public:
    // Registers (or replaces) the opener for "<prefix>:..." names.
    void Register(const std::string& prefix, TSourceOpener opener);
    void Unregister(const std::string& prefix);
    // The opener for `url`, or an empty function when no prefix matches.
    TSourceOpener Find(const std::string& url) const;

private:
    mutable std::mutex FLock;  // guards FOpeners
    std::vector<std::pair<std::string, TSourceOpener>> FOpeners;
};

}  // namespace vidrelo
