#pragma once
// The records the encoder component and its callers exchange: how an input
// and an output of a task are set up, and what the events report.
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

namespace vidrelo {

class TCustomEncoder;
class TCustomFFmpeg;
class TEngineBitmap;

// "No time given" for the TimeStart and TimeLength fields.
inline constexpr int64_t NoTimeValue = std::numeric_limits<int64_t>::min();

enum TOptionTargetType { ttIgnore, ttVCD, ttSVCD, ttDVD };
enum TOptionNormType { ntAuto, ntPAL, ntNTSC };
using TOptionNormDefault = TOptionNormType;  // ntPAL or ntNTSC

struct TInputOptions {
    std::string FileName;  // filled with the file name argument when empty
    std::string ForceFormat;
    int64_t TimeStart = NoTimeValue;  // microseconds
    int ProgramID = -1;               // below 0: not set
    std::string ExtOptions;
    int Tag = 0;
    void* Data = nullptr;
};

// Metadata of an output. TimeStamp is a day count since 1899-12-30 in local
// time: 0 stamps the output with the current time, below 0 not at all.
struct TStreamInfo {
    double TimeStamp = -1.0;
    int Year = -1;
    int Track = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
};

struct TOutputOptions {
    std::string FileName;  // filled with the file name argument when empty
    std::string FileExt;   // the caller's, never read here
    std::string ForceFormat;
    int PacketSize = -1;
    int MuxRate = -1;
    float MuxDelay = -1.0f;
    float MuxPreload = -1.0f;
    std::string AudioCodec;  // "copy": stream copy
    std::string AudioPreset;
    bool DisableAudio = false;
    int AudioVolume = -1;  // 256 leaves the volume alone
    int AudioChannels = -1;
    int AudioSampleRate = -1;
    int AudioBitrate = -1;
    int AudioBitRateTolerance = -1;
    std::string AudioLanguage;
    int AudioSyncMethod = 0;
    std::string AudioTag;
    std::string VideoCodec;
    std::string VideoPreset;
    bool DisableVideo = false;
    std::string FrameRate;
    std::string FrameSize;
    std::string FrameAspectRatio;
    int GroupPictureSize = -1;
    int VideoBitrate = -1;
    int VideoMaxRate = -1;
    int VideoMinRate = -1;
    int VideoBitRateTolerance = -1;
    int VideoBufSize = -1;
    int VideoSyncMethod = -1;
    std::string VideoTag;
    std::string VideoFilters;
    std::string VideoLanguage;
    std::string SubtitleCodec;
    std::string SubtitlePreset;
    bool DisableSubtitle = false;
    std::string SubtitleLanguage;
    bool InputSync = false;
    bool CopyTimestamp = false;
    int64_t TimeStart = NoTimeValue;   // microseconds
    int64_t TimeLength = NoTimeValue;  // microseconds; also the progress total
    TStreamInfo Info;
    TOptionTargetType TargetType = ttIgnore;
    TOptionNormType NormType = ntAuto;
    TOptionNormDefault NormDefault = ntPAL;
    bool AudioHook = false;
    bool VideoInputHook = false;
    bool VideoOutputHook = false;
    int VideoHookBitsPixel = 24;
    bool Join = false;
    std::string ExtOptions;
    int Tag = 0;
    void* Data = nullptr;
    // An existing file of the output's name is replaced (when the run
    // succeeds); otherwise it is refused.
    bool Overwrite = false;
};

struct TProgressInfo {
    int TaskIndex = 0;
    int FileIndex = 0;
    int FrameNumber = 0;
    int FPS = 0;
    float Quality = 0;
    float BitRate = 0;
    int64_t CurrentSize = 0;
    int64_t CurrentDuration = 0;
    int64_t TotalDuration = 0;  // -1: unknown
};

struct TTerminateInfo {
    int TaskIndex = 0;  // -1: the final event after every task
    bool Finished = false;
    bool Exception = false;
    std::string ExceptionMsg;
    // What went wrong without ending the task: a source's losses, an output
    // well short of the expected length ("" when nothing did).
    std::string Warning;
    bool Incomplete = false;  // finished, but the output falls well short of its expected length
};

struct THookInfo {
    int TaskIndex = 0;
    TEngineBitmap* Bitmap = nullptr;
    int FrameNumber = 0;
    int64_t PTS = 0;         // microseconds
    bool Update = true;      // leave true to have the bitmap written back
    bool StopHook = false;   // set to be called no more for this task
};

struct TPreviewInfo {
    int TaskIndex = 0;
    TEngineBitmap* Bitmap = nullptr;
    int FrameNumber = 0;
    int64_t PTS = 0;
};

using TEncoderProgressEvent = std::function<void(TCustomEncoder* Sender, TProgressInfo* AProgressInfo)>;
using TEncoderTerminateEvent = std::function<void(TCustomEncoder* Sender, const TTerminateInfo& ATerminateInfo)>;
using TEncoderPreviewBitmapEvent = std::function<void(TCustomEncoder* Sender, const TPreviewInfo& APreviewInfo)>;
using TEncoderVideoHookEvent = std::function<void(TCustomEncoder* Sender, THookInfo* AHookInfo)>;
using TEncoderAudioHookEvent =
    std::function<void(TCustomEncoder* Sender, int ATaskIndex, int64_t APTS, void* ASample, int ASize,
                       int ASampleRate, int AChannels, int ASampleFormat)>;

}  // namespace vidrelo
