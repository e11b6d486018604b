#include "dvd/TDVDTitleStream.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace vidrelo {
namespace {

const char* CodecOf(int32_t streamType)
{
    switch (streamType) {
    case DVDStreamMPEG1: return "mpeg1video";
    case DVDStreamMPEG2: return "mpeg2video";
    case DVDStreamMPA: return "mp2";
    case DVDStreamAC3: return "ac3";
    case DVDStreamDTS: return "dts";
    case DVDStreamLPCM: return "pcm_dvd";
    case DVDStreamSUB: return "dvd_subtitle";
    default: return "";
    }
}

TSourceStreamHint::TKind KindOf(int32_t kind)
{
    switch (kind) {
    case DVDSourceAudio: return TSourceStreamHint::Audio;
    case DVDSourceSubtitle: return TSourceStreamHint::Subtitle;
    default: return TSourceStreamHint::Video;
    }
}

// A text the plug-in wrote into a fixed buffer, cut at its first NUL.
std::string BufferText(const char* buffer, std::size_t size)
{
    return std::string(buffer, strnlen(buffer, size));
}

}  // namespace

TDVDTitleStream::TDVDTitleStream(const TDVDSourceFunctions& functions, TDVDSource* source, int64_t size)
    : FFunctions(functions), FSource(source), FSize(size)
{
}

TDVDTitleStream::~TDVDTitleStream()
{
    FFunctions.Close(FSource);
}

int TDVDTitleStream::Read(uint8_t* buffer, int size)
{
    return FFunctions.Read(FSource, buffer, size);
}

int64_t TDVDTitleStream::Seek(int64_t offset, int whence)
{
    return FFunctions.Seek(FSource, offset, whence);
}

std::string TDVDTitleStream::Problems()
{
    char text[1024] = {};
    FFunctions.Error(FSource, text, sizeof text);
    return BufferText(text, sizeof text);
}

TSourceHints DVDSourceHints(const TDVDSourceInfo& info)
{
    TSourceHints hints;
    hints.ForceFormat = "mpeg";
    hints.Duration = info.Duration;
    hints.StartTime = info.StartTime;
    const int chapters = info.ChapterCount < 0 ? 0 : std::min(info.ChapterCount, kDVDMaxChapters);
    hints.ChapterStarts.assign(info.ChapterStarts, info.ChapterStarts + chapters);
    const int streams = info.StreamCount < 0 ? 0 : std::min(info.StreamCount, kDVDSourceMaxStreams);
    for (int i = 0; i < streams; ++i) {
        const TDVDSourceStream& s = info.Streams[i];
        hints.Streams.push_back({KindOf(s.Kind), s.StreamID, CodecOf(s.StreamType),
                                 BufferText(s.Language, sizeof s.Language)});
    }
    hints.Deinterlace = info.Deinterlace != 0;
    hints.AudioChannels = info.AudioChannels;
    if (info.HasPalette)
        hints.SubtitlePalette.assign(std::begin(info.Palette), std::end(info.Palette));
    return hints;
}

TSourceOpenResult OpenDVDSource(const TDVDSourceFunctions& functions, const std::string& url)
{
    TSourceOpenResult result;
    TDVDSourceInfo info{};
    char error[1024] = {};
    TDVDSource* source = functions.Open(url.c_str(), &info, error, sizeof error);
    if (!source) {
        result.Error = BufferText(error, sizeof error);
        if (result.Error.empty())
            result.Error = "Cannot open " + url;
        return result;
    }
    result.Stream = std::make_unique<TDVDTitleStream>(functions, source, info.Size);
    result.Hints = DVDSourceHints(info);
    return result;
}

}  // namespace vidrelo
