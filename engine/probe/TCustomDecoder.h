#pragma once
// Describes an opened media input: its size, format, streams, programs,
// chapters and metadata, and turns that into the information text.
//
// The owner (a player, vidrelo-cli info) opens the input and attaches the
// format context; the decoder never closes a context it did not open, and
// in this program it opens none itself. Everything runs on the caller's
// thread; the decoder has no lock and must not be queried while its owner
// replaces the context.
//
// Queries never fail: without a context or with a bad stream index they
// give empty texts and -1 numbers, and the reason goes to LastErrMsg and the
// engine log (with the decoder as sender).
#include "engine/TFFBaseComponent.h"
#include "engine/loader/MediaHeaders.h"
#include "engine/probe/StreamInfo.h"

#include <cstdint>
#include <string>

namespace vidrelo {

class TFFLoader;

class TCustomDecoder : public TFFBaseComponent {
public:
    // `ALoader` binds the decoder's libraries; it outlives the decoder.
    explicit TCustomDecoder(TFFLoader& ALoader) : FLoader(ALoader) {}
    ~TCustomDecoder() override;

    // Attaches a context the caller opened (and will close); null detaches.
    // Attaching raises EEngineError ("LibAVCodec not loaded." ...) when one
    // of the decoder's libraries is not loaded.
    virtual void SetFileHandle(AVFormatContext* value);
    AVFormatContext* FileHandle() const { return FFileHandle; }
    // Forgets the attached context and resets the summary to -1.
    virtual void CloseFile();

    // The summary, refreshed on every attach and close; -1 without a context.
    int64_t FileSize() const { return FFileSize; }
    int StreamCount() const { return FStreamCount; }
    int ProgramCount() const { return FProgramCount; }
    int AudioStreamCount() const { return FAudioStreamCount; }
    int VideoStreamCount() const { return FVideoStreamCount; }
    int SubtitleStreamCount() const { return FSubtitleStreamCount; }
    int FirstAudioStreamIndex() const { return FFirstAudioStreamIndex; }
    int FirstVideoStreamIndex() const { return FFirstVideoStreamIndex; }
    int FirstSubtitleStreamIndex() const { return FFirstSubtitleStreamIndex; }
    // Read from the context; "" without one.
    std::string FileName() const;
    std::string FormatName() const;
    std::string FormatLongName() const;
    const std::string& LastErrMsg() const { return FLastErrMsg; }

    void GetFileStreamInfo(TFileStreamInfo& info);
    // Index -1 asks for the first stream of the kind. False when the record
    // stays cleared.
    bool GetAudioStreamInfo(int index, TAudioStreamInfo& info);
    bool GetVideoStreamInfo(int index, TVideoStreamInfo& info);
    bool GetSubtitleStreamInfo(int index, TSubtitleStreamInfo& info);
    bool GetFirstAudioStreamInfo(TAudioStreamInfo& info) { return GetAudioStreamInfo(-1, info); }
    bool GetFirstVideoStreamInfo(TVideoStreamInfo& info) { return GetVideoStreamInfo(-1, info); }
    bool GetFirstSubtitleStreamInfo(TSubtitleStreamInfo& info) { return GetSubtitleStreamInfo(-1, info); }
    bool IsAudioStream(int index);
    bool IsVideoStream(int index);
    bool IsSubtitleStream(int index);
    // The multi-line description, every line ended by CR LF; "" without a
    // context.
    std::string GetFileInfoText();

    // The decoder's libraries (TLibrary.h, DecoderLibraries). LoadAVLib makes
    // `path` the loader's library folder; on failure LastErrMsg says why.
    bool LoadAVLib(const std::string& path);
    bool AVLibLoaded();
    void UnloadAVLib();

protected:
    // Called after every refresh of the summary.
    virtual void SummaryRefreshed() {}
    // Logs `message` at the libraries' level `avLevel` and keeps it.
    void Report(int avLevel, const std::string& message);

private:
    void CheckLibraries() const;
    void RefreshSummary();
    int64_t ContextFileSize() const;
    void CountStream(const AVStream* stream, int index);
    // The stream at `index` when it is of `kind`; null, reported, otherwise.
    AVStream* StreamOfKind(int index, AVMediaType kind);
    bool IsStreamOfKind(int index, AVMediaType kind);

    TFFLoader& FLoader;
    AVFormatContext* FFileHandle = nullptr;
    std::string FLastErrMsg;
    int64_t FFileSize = -1;
    int FStreamCount = -1;
    int FProgramCount = -1;
    int FAudioStreamCount = -1;
    int FVideoStreamCount = -1;
    int FSubtitleStreamCount = -1;
    int FFirstAudioStreamIndex = -1;
    int FFirstVideoStreamIndex = -1;
    int FFirstSubtitleStreamIndex = -1;
};

}  // namespace vidrelo
