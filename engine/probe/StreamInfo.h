#pragma once
// What a decoder tells about an opened input and its streams.
//
// Numbers are -1 when unknown or when the record was cleared; times without
// "Scaled" are in the stream's time base, the scaled ones in microseconds.
#include "engine/loader/MediaHeaders.h"

#include <cstdint>
#include <string>

namespace vidrelo {

struct TFileStreamInfo {
    int64_t StartTime = -1;  // microseconds
    int64_t Duration = -1;   // microseconds
    int32_t BitRate = -1;    // bits per second
    int64_t TimeStamp = -1;  // seconds since 1970-01-01 00:00 UTC
    int32_t Year = -1;
    int32_t Track = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
};

struct TAudioStreamInfo {
    std::string Language;
    std::string CodecName;
    int64_t StartTime = -1;
    int64_t StartTimeScaled = -1;
    int64_t Duration = -1;
    int64_t DurationScaled = -1;
    int32_t BitRate = -1;
    int32_t Channels = -1;
    int32_t SampleRate = -1;
    AVSampleFormat SampleFormat = AV_SAMPLE_FMT_NONE;
};

struct TVideoStreamInfo {
    std::string Language;
    std::string CodecName;
    int64_t StartTime = -1;
    int64_t StartTimeScaled = -1;
    int64_t Duration = -1;
    int64_t DurationScaled = -1;
    int32_t BitRate = -1;
    int32_t Height = -1;
    int32_t Width = -1;
    float AspectRatio = -1;  // width x sample aspect / height
    AVPixelFormat PixFmt = AV_PIX_FMT_NONE;
    AVRational FrameRate{0, 1};  // 0/1: no rate
};

struct TSubtitleStreamInfo {
    std::string Language;
    std::string CodecName;
};

// The input-level record. Year and Track are 0 when the metadata has none.
void FillFileStreamInfo(AVFormatContext* context, TFileStreamInfo& info);
// The stream records. A time base with a zero denominator is repaired in
// the stream first (the denominator becomes the numerator, or 1).
void FillAudioStreamInfo(AVStream* stream, TAudioStreamInfo& info);
void FillVideoStreamInfo(AVStream* stream, TVideoStreamInfo& info);
void FillSubtitleStreamInfo(AVStream* stream, TSubtitleStreamInfo& info);

// The codec's name as the stream records give it: "mpeg2video(MPEG-2 video)",
// "mpeg2ts", the codec's bare name, "avc1 / 0x31637661" or "0x0000".
std::string StreamCodecName(const AVCodecParameters* codec);
// The value of `key` in `metadata`, or "" when absent.
std::string MetadataValue(const AVDictionary* metadata, const char* key);

}  // namespace vidrelo
