#pragma once
// The DVD plug-in's title record, exchanged as raw bytes between the program
// and LibAV/libdvddec.so. Both sides include this header, so the layout below
// is the contract: little-endian, 4-byte integers, 8-byte IEEE doubles, text
// fields as NUL-padded 8-bit arrays (UTF-8 on this platform). Plain C++ only:
// the plug-in is built without Qt.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

inline constexpr int kDVDMaxAudio = 8;
inline constexpr int kDVDMaxSubtitles = 32;
inline constexpr int kDVDMaxChapters = 100;

struct TDVDAudioInfo {
    int32_t StreamType;    // see DVDStreamTypeName
    int32_t StreamID;      // the AudioID of an "opendvd:" source
    int32_t SampleRate;    // Hz
    int32_t Channels;
    char LanguageCode[4];  // NUL-padded, not necessarily terminated
    char LanguageName[64];
};

struct TDVDSubtitleInfo {
    int32_t StreamType;
    int32_t StreamID;      // the SubtitleID of an "opendvd:" source
    char LanguageCode[4];
    char LanguageName[64];
};

struct TDVDTitleInfo {
    double Length;         // seconds
    int32_t VideoType;     // stream type code of the video
    int32_t VideoID;       // video stream ID
    int32_t Width;         // frame size in pixels
    int32_t Height;
    int32_t Norm;          // 0 PAL, 1 NTSC
    int32_t Aspect;        // 0 4:3, 1 16:9
    int32_t AudioCount;    // entries of Audio in use (never trust it beyond kDVDMaxAudio)
    TDVDAudioInfo Audio[kDVDMaxAudio];
    int32_t SubtitleCount;
    TDVDSubtitleInfo Subtitles[kDVDMaxSubtitles];
    int32_t ChapterCount;
    int32_t Reserved1;     // keeps Chapters 8-byte aligned; written as zero
    double Chapters[kDVDMaxChapters];  // chapter lengths in seconds
    int32_t IsValid;       // nonzero when the title is valid
    int32_t Sectors;       // 2048-byte sectors of the title's cells (its own size); 0 when unknown
};

// The layout is fixed by the plug-in's binary interface; natural alignment on
// x86-64 (and any platform with 4-byte int32 and 8-byte double alignment)
// gives it without packing.
static_assert(sizeof(TDVDAudioInfo) == 84);
static_assert(offsetof(TDVDAudioInfo, StreamType) == 0);
static_assert(offsetof(TDVDAudioInfo, StreamID) == 4);
static_assert(offsetof(TDVDAudioInfo, SampleRate) == 8);
static_assert(offsetof(TDVDAudioInfo, Channels) == 12);
static_assert(offsetof(TDVDAudioInfo, LanguageCode) == 16);
static_assert(offsetof(TDVDAudioInfo, LanguageName) == 20);

static_assert(sizeof(TDVDSubtitleInfo) == 76);
static_assert(offsetof(TDVDSubtitleInfo, StreamType) == 0);
static_assert(offsetof(TDVDSubtitleInfo, StreamID) == 4);
static_assert(offsetof(TDVDSubtitleInfo, LanguageCode) == 8);
static_assert(offsetof(TDVDSubtitleInfo, LanguageName) == 12);

static_assert(sizeof(TDVDTitleInfo) == 3960);
static_assert(offsetof(TDVDTitleInfo, Length) == 0);
static_assert(offsetof(TDVDTitleInfo, VideoType) == 8);
static_assert(offsetof(TDVDTitleInfo, VideoID) == 12);
static_assert(offsetof(TDVDTitleInfo, Width) == 16);
static_assert(offsetof(TDVDTitleInfo, Height) == 20);
static_assert(offsetof(TDVDTitleInfo, Norm) == 24);
static_assert(offsetof(TDVDTitleInfo, Aspect) == 28);
static_assert(offsetof(TDVDTitleInfo, AudioCount) == 32);
static_assert(offsetof(TDVDTitleInfo, Audio) == 36);
static_assert(offsetof(TDVDTitleInfo, SubtitleCount) == 708);
static_assert(offsetof(TDVDTitleInfo, Subtitles) == 712);
static_assert(offsetof(TDVDTitleInfo, ChapterCount) == 3144);
static_assert(offsetof(TDVDTitleInfo, Reserved1) == 3148);
static_assert(offsetof(TDVDTitleInfo, Chapters) == 3152);
static_assert(offsetof(TDVDTitleInfo, IsValid) == 3952);
static_assert(offsetof(TDVDTitleInfo, Sectors) == 3956);
static_assert(alignof(TDVDTitleInfo) == 8);

// A NUL-padded text field as text: at most N bytes, up to the first zero
// byte. A field filled to the brim has no terminator, so never strlen it.
template <std::size_t N>
std::string DVDFieldText(const char (&field)[N])
{
    const void* zero = std::memchr(field, 0, N);
    const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : N;
    return std::string(field, length);
}

inline std::string DVDLanguageCode(const TDVDAudioInfo& a) { return DVDFieldText(a.LanguageCode); }
inline std::string DVDLanguageName(const TDVDAudioInfo& a) { return DVDFieldText(a.LanguageName); }
inline std::string DVDLanguageCode(const TDVDSubtitleInfo& s) { return DVDFieldText(s.LanguageCode); }
inline std::string DVDLanguageName(const TDVDSubtitleInfo& s) { return DVDFieldText(s.LanguageName); }

// The AudioID of a title's selection (and of an "opendvd:" source) that
// takes every audio stream of the title.
inline constexpr int32_t kDVDAllAudioID = -1;

// How many entries of the record can be read. The counts come from the
// plug-in; a count beyond the arrays (or negative) must not lead to reads
// outside the record.
inline int DVDAudioEntries(const TDVDTitleInfo& t)
{
    return t.AudioCount < 0 ? 0 : (t.AudioCount > kDVDMaxAudio ? kDVDMaxAudio : t.AudioCount);
}
inline int DVDSubtitleEntries(const TDVDTitleInfo& t)
{
    return t.SubtitleCount < 0 ? 0 : (t.SubtitleCount > kDVDMaxSubtitles ? kDVDMaxSubtitles : t.SubtitleCount);
}
inline int DVDChapterEntries(const TDVDTitleInfo& t)
{
    return t.ChapterCount < 0 ? 0 : (t.ChapterCount > kDVDMaxChapters ? kDVDMaxChapters : t.ChapterCount);
}
