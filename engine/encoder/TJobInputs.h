#pragma once
// The input files of a transcoding job: each file's demuxer and what opening
// it found (its source's hints, the decoders prepared for its streams), the
// offset and scale put on its timestamps, and the run's record of the file
// and of each of its streams. Here a packet read gets the times the rest of
// the job works with: the input's offset and scale, clock jumps absorbed,
// the end of the recording noted, a looped input's pass measured.
//
// Threads: the job's thread only (the owner's while files are opened).
#include "engine/encoder/TAVInputStream.h"
#include "engine/encoder/TAVOutputStream.h"
#include "engine/encoder/TCustomFFmpegTypes.h"
#include "engine/encoder/TJobOptionState.h"
#include "engine/encoder/TJobOutputs.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vidrelo {

class TJobInputs {
public:
    // Prepares the decoder of a stream (not opened), with the decoder named
    // for its kind when there is one.
    using TStreamPreparer = std::function<TInputStreamSetup(AVStream* AStream, const AVCodec* AForced)>;

    TJobInputs(const TJobOptionState& AOptions, TJobLog ALog, TStreamPreparer APreparer);
    TJobInputs(const TJobInputs&) = delete;
    TJobInputs& operator=(const TJobInputs&) = delete;

    // --- opening (owner's thread) ---
    int Count() const { return static_cast<int>(FFiles.size()); }
    bool Empty() const { return FFiles.empty(); }
    AVFormatContext* Context(int AIndex) const { return FFiles.at(AIndex)->Context; }
    const TInputFileSetup& Setup(int AIndex) const { return FFiles.at(AIndex)->Setup; }
    std::vector<AVFormatContext*> Contexts() const;
    // Stream timestamp scales ("itsscale") for the next input, by stream.
    std::vector<double>& NextTimestampScales() { return FNextScales; }
    // A new opened input, its timestamps moved by ATimestampOffset (microseconds).
    void Add(AVFormatContext* AContext, TInputFileSetup ASetup, int64_t ATimestampOffset);
    // AFileName is one of the inputs.
    bool Reads(const std::string& AFileName) const;
    // Closes every input and frees its prepared decoders.
    void Free();
    // Frees the decoder of one stream (the run opened it).
    void FreeDecoder(TAVStreamRef ARef);

    // --- the run ---
    // Microseconds added to the input's timestamps; join segments and looped
    // passes move it on.
    int64_t& TimestampOffset(int AFile) { return FFiles.at(AFile)->Offset; }
    int64_t TimestampOffset(int AFile) const { return FFiles.at(AFile)->Offset; }
    TAVInputFile& Record(int AFile) { return FFiles.at(AFile)->Record; }
    std::deque<TAVInputStream>& Streams(int AFile) { return FFiles.at(AFile)->Streams; }
    // A record for each stream the inputs have now.
    void BuildTables();
    // The record of a stream, made (with its decoder prepared) when the
    // stream turned up after the tables were built; null for a stream the
    // input does not have.
    TAVInputStream* Grow(int AFile, int AStream);
    TAVInputStream* Stream(TAVStreamRef ARef);
    // Every stream record of every input.
    void ForEachStream(const std::function<void(TAVInputStream&)>& AVisit);
    void FreeRun();

    // --- packets ---
    // The input's offset and scale on a packet's times, and a clock that
    // jumped absorbed into the offset.
    void AdjustTimestamps(AVPacket* APacket, TAVInputStream& AStream);
    // The stream's clock follows a packet read: its decode time becomes the
    // stream's time (the first packet also gives the prediction).
    void NotePacketTime(const AVPacket* APacket, TAVInputStream& AStream) const;
    // True (and the stream marked) once a packet lies past the recording ("t").
    bool PastRecordingTime(const AVPacket* APacket, TAVInputStream& AStream) const;
    // A looped input: how far its pass has got.
    void NotePacketEnd(const AVPacket* APacket, const TAVInputStream& AStream);
    // A looped input starts its next pass APassLength on from the last.
    void StartNextPass(int AFile, int64_t APassLength);

private:
    struct TFile {
        AVFormatContext* Context = nullptr;
        TInputFileSetup Setup;
        int64_t Offset = 0;              // microseconds
        std::vector<double> Scales;      // per stream; 0 = none
        TAVInputFile Record;
        // The run's; grows with the input, its records staying where they are
        // (the stages keep them).
        std::deque<TAVInputStream> Streams;
    };

    void AbsorbDiscontinuity(AVPacket* APacket, TAVInputStream& AStream);
    void PrepareStreams(TFile& AFile, int AStream);

    const TJobOptionState& FOpt;
    TJobLog FLog;
    TStreamPreparer FPrepare;
    std::vector<std::unique_ptr<TFile>> FFiles;
    std::vector<double> FNextScales;
};

}  // namespace vidrelo
