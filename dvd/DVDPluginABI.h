#pragma once
// The binary interface of the DVD plug-in LibAV/libdvddec.so, shared by the
// plug-in and the program's binding. Plain C linkage, fixed-size fields.
//
// Five entry points describe a disc (DVDInitialize, DVDEnumTitle,
// DVDGetTitle, DVDSetParam, DVDGetLibVersion). The DVDSource* entry points
// read one title as an MPEG program stream for the media engine: an
// "opendvd:" source string
//   opendvd:PATH|Title=%d,FromChapter=%d,ToChapter=%d,AudioID=%d,
//               SubtitleID=%d,AudioChannels=%d,Deinterlace=%d
// (Title counts from 1; PATH is a device, a VIDEO_TS folder or its parent, or
// an ISO image; the last '|' ends PATH) becomes a seekable byte stream that
// carries the video, the chosen audio (AudioID=-1: every audio stream of the
// title) and the chosen subpicture stream with
// continuous timestamps; packets of other streams are padding of the same
// size, so the stream's size is known and positions map onto disc sectors.
#include "dvd/DVDTitleInfo.h"

#include <cstdint>

extern "C" {

// The AudioID of a source string that keeps every audio stream.
#define DVD_SOURCE_ALL_AUDIO (-1)

// What a title record's stream type codes mean (TDVDAudioInfo::StreamType...).
enum TDVDStreamTypeCode : int32_t {
    DVDStreamMPEG1 = 1,
    DVDStreamMPEG2 = 2,
    DVDStreamMPA = 3,
    DVDStreamAC3 = 4,
    DVDStreamDTS = 5,
    DVDStreamLPCM = 6,
    DVDStreamSUB = 7,
};

enum TDVDSourceStreamKind : int32_t {
    DVDSourceVideo = 1,
    DVDSourceAudio = 2,
    DVDSourceSubtitle = 3,
};

// One elementary stream of a source's byte stream. StreamID is as the
// "mpeg" demuxer numbers it: 0x1E0 video, 0x1C0+n MPEG audio, 0x80+n AC-3,
// 0x88+n DTS, 0xA0+n LPCM, 0x20+n subpicture.
struct TDVDSourceStream {
    int32_t Kind;        // TDVDSourceStreamKind
    int32_t StreamID;
    int32_t StreamType;  // TDVDStreamTypeCode
    // ISO 639-2 code of the stream's language ("eng"), NUL-terminated;
    // empty when the disc names none.
    char Language[4];
};

// The video, every audio stream a title can have (8) and one subpicture.
inline constexpr int kDVDSourceMaxStreams = 10;

struct TDVDSourceInfo {
    int64_t Size;          // bytes of the byte stream (a multiple of 2048)
    int64_t Duration;      // microseconds: the sum of the chapters' lengths
    int64_t StartTime;     // microseconds: the stream timestamp of the title's start
    int32_t ChapterCount;  // chapters in the range
    int32_t StreamCount;   // entries of Streams in use
    int64_t ChapterStarts[kDVDMaxChapters];  // microseconds from the title's start
    TDVDSourceStream Streams[kDVDSourceMaxStreams];
    int32_t Deinterlace;   // nonzero: the source string asked for deinterlacing
    int32_t AudioChannels; // as the source string asked
    // The title's subpicture colours (0x00RRGGBB) for the subtitle decoder,
    // which otherwise guesses greys; valid when HasPalette is nonzero.
    uint32_t Palette[16];
    int32_t HasPalette;
};

typedef struct TDVDSource TDVDSource;

// Describing a disc. DVDEnumTitle opens the disc (closing the one opened
// before) and returns its title count; below 1, DVDGetLastError says why.
// DVDGetTitle fills the record of the zero-based title `index` of that disc
// (the caller zero-fills it) and returns nonzero on success.
typedef int32_t (*TDVDInitialize)(void);
typedef int32_t (*TDVDEnumTitle)(const char* path);
typedef int32_t (*TDVDGetTitle)(int32_t index, TDVDTitleInfo* info);
typedef int32_t (*TDVDSetParam)(const char* name, const char* value);
typedef uint32_t (*TDVDGetLibVersion)(void);

// The plug-in's last failure on the calling thread, NUL-terminated into
// `text` (cut to `size`); returns the full length.
typedef int32_t (*TDVDGetLastError)(char* text, int32_t size);

// Opens a source string. On failure returns null and writes the reason to
// `error`. Each source has its own reader: sources may be used at the same
// time from different threads, one thread per source at a time.
typedef TDVDSource* (*TDVDOpenSource)(const char* source, TDVDSourceInfo* info, char* error, int32_t errorSize);
// Bytes read (> 0), 0 at the end, or a negative errno value (-EIO) when the
// stream cannot go on.
typedef int32_t (*TDVDReadSource)(TDVDSource* source, uint8_t* buffer, int32_t size);
// whence: SEEK_SET, SEEK_CUR, SEEK_END. The new position, or a negative errno.
typedef int64_t (*TDVDSeekSource)(TDVDSource* source, int64_t offset, int32_t whence);
// The source's problems so far (damaged sectors skipped, a failed read),
// NUL-terminated into `text`; returns the full length, 0 when none.
typedef int32_t (*TDVDSourceError)(TDVDSource* source, char* text, int32_t size);
typedef void (*TDVDCloseSource)(TDVDSource* source);

}  // extern "C"
