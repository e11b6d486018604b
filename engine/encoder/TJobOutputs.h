#pragma once
// The output files of a transcoding job: each file's format context, the
// streams opening it created, its temporary name, the run's record of each
// stream, and writing packets into it.
//
// Threads: files are added and their streams created on the owner's thread
// before the run. During the run, packets of one file may come from several
// stage threads (the video encoder writes its own packets); Write, Size and
// the bitstream filter flush serialise per file, so the muxer sees one
// writer at a time. Everything else belongs to the job's thread.
#include "engine/encoder/TAVOutputStream.h"
#include "engine/encoder/TCustomFFmpegTypes.h"
#include "engine/encoder/TJobOptionState.h"
#include "engine/encoder/TPartialOutput.h"
#include "engine/log/TLogLevel.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vidrelo {

using TJobLog = std::function<void(TLogLevel ALevel, const std::string& AMessage)>;

class TJobOutputs {
public:
    TJobOutputs(const TJobOptionState& AOptions, TJobLog ALog);
    TJobOutputs(const TJobOutputs&) = delete;
    TJobOutputs& operator=(const TJobOutputs&) = delete;

    // --- opening (owner's thread) ---
    int Count() const { return static_cast<int>(FFiles.size()); }
    bool Empty() const { return FFiles.empty(); }
    AVFormatContext* Context(int AIndex) const { return FFiles.at(AIndex)->Context; }
    AVFormatContext* LastContext() const { return FFiles.back()->Context; }
    std::vector<TOutputStreamSetup>& Setups(int AIndex) { return FFiles.at(AIndex)->Setups; }
    const std::vector<TOutputStreamSetup>& Setups(int AIndex) const { return FFiles.at(AIndex)->Setups; }
    // A new output whose streams are being created; its index.
    int Add(AVFormatContext* AContext);
    // The output being opened is written under APartial's temporary name
    // (null: in place).
    void SetPartial(std::unique_ptr<TPartialOutput> APartial) { FFiles.back()->Partial = std::move(APartial); }
    TPartialOutput* Partial(int AIndex) const { return FFiles.at(AIndex)->Partial.get(); }
    // Undoes the last Add: its encoder settings, temporary file and context go.
    void RemoveLast();
    // The output's name or its temporary name is AFileName.
    bool Writes(const std::string& AFileName) const;

    // --- the run's stream records ---
    TAVOutputStream& AddRecord(int AFile, std::unique_ptr<TAVOutputStream> ARecord);
    const std::vector<TAVOutputStream*>& Records() const { return FRecords; }
    const std::vector<TAVOutputStream*>& RecordsOf(int AFile) const { return FFiles.at(AFile)->Records; }
    // The first video stream of any output, for the progress line.
    TAVOutputStream* FirstVideoStream() const;
    // Microseconds: the end of the latest picture or sound written to AFile.
    int64_t WrittenEnd(int AFile) const;
    // Seconds: how far the least advanced stream has been written (0.01 at least).
    double SmallestOutputTime() const;

    // --- writing (any stage thread) ---
    // Each file's header; raises FFmpegException for the first that fails.
    void WriteHeaders();
    bool HeaderWritten(int AFile) const { return FFiles.at(AFile)->HeaderWritten; }
    // A packet in the stream's time base, through its bitstream filters and
    // interleaved into its file. The packet is left empty.
    void Write(TAVOutputStream& AStream, AVPacket* APacket);
    // Drains every stream's bitstream filters into the files.
    void FlushBitstreamFilters();
    // Bytes written to the first output so far.
    int64_t Size() const;
    // Writes the trailer of each file whose header was written (AAttach
    // first adds what belongs at the end, the chapters).
    void WriteTrailers(const std::function<void(int AFile)>& AAttach);
    // The files whose trailer was written play: the clean-up keeps them
    // under their names.
    void MarkFinalised();

    // --- the end ---
    // Frees the run's records and the encoder settings' pass-2 statistics.
    void FreeRun();
    // Closes and frees every output; ASettle(file, closed) is told of each
    // one written under a temporary name, to keep or remove it.
    void Free(const std::function<void(int AFile, bool AClosed)>& ASettle);
    // The libraries are gone: forget what they allocated without freeing it.
    void Abandon();
    bool Finalised(int AFile) const { return AFile < Count() && FFiles[AFile]->Finalised; }

private:
    struct TFile {
        AVFormatContext* Context = nullptr;
        std::vector<TOutputStreamSetup> Setups;       // as opening made them (encoders included)
        std::unique_ptr<TPartialOutput> Partial;      // null: written in place
        std::vector<TAVOutputStream*> Records;        // the run's, in stream order
        bool HeaderWritten = false;
        bool Finalised = false;                       // its trailer was written
        mutable std::mutex WriteLock;                 // the muxer and the write position
    };

    void FilterAndWrite(TAVOutputStream& AStream, AVPacket* APacket, std::size_t AFilter, AVRational ATimeBase);
    void BitstreamFilterFailed(const TAVOutputStream& AStream, const AVBSFContext& AFilter, int ACode);
    void WriteInterleaved(TAVOutputStream& AStream, AVPacket* APacket);

    const TJobOptionState& FOpt;
    TJobLog FLog;
    std::vector<std::unique_ptr<TFile>> FFiles;
    std::vector<std::unique_ptr<TAVOutputStream>> FOwnedRecords;
    std::vector<TAVOutputStream*> FRecords;  // all outputs' records, in order
};

}  // namespace vidrelo
