#pragma once
// An "opendvd:" source opened by the DVD plug-in, seen by the engine as a
// seekable byte stream with the hints the MPEG stream itself cannot give.
#include "dvd/DVDPluginABI.h"
#include "engine/loader/TSourceProtocols.h"

namespace vidrelo {

// The plug-in's source entry points, bound together.
struct TDVDSourceFunctions {
    TDVDOpenSource Open = nullptr;
    TDVDReadSource Read = nullptr;
    TDVDSeekSource Seek = nullptr;
    TDVDSourceError Error = nullptr;
    TDVDCloseSource Close = nullptr;
};

class TDVDTitleStream : public ISourceStream {
public:
    TDVDTitleStream(const TDVDSourceFunctions& functions, TDVDSource* source, int64_t size);
    ~TDVDTitleStream() override;
    TDVDTitleStream(const TDVDTitleStream&) = delete;
    TDVDTitleStream& operator=(const TDVDTitleStream&) = delete;

    int Read(uint8_t* buffer, int size) override;
    int64_t Seek(int64_t offset, int whence) override;
    int64_t Size() override { return FSize; }
    std::string Problems() override;

private:
    TDVDSourceFunctions FFunctions;
    TDVDSource* FSource;
    int64_t FSize;
};

// Opens `url` through the plug-in: the stream and its hints, or the
// plug-in's reason in Error.
TSourceOpenResult OpenDVDSource(const TDVDSourceFunctions& functions, const std::string& url);

// The hints an opened source's record gives.
TSourceHints DVDSourceHints(const TDVDSourceInfo& info);

}  // namespace vidrelo
