#pragma once
// Encoding one output stream: frames in, coded packets out through the
// output's writer. A video encoder runs on a thread of its own, so that the
// job's thread reads, decodes, deinterlaces and scales the next pictures
// while this one codes the last: frames cross over through a short queue
// (TFrameQueue), and the job's thread waits when it is full, which keeps the
// pictures in flight, and the memory they hold, bounded.
//
// Threads: Send, Drain, Abandon and the queries are called by the job's
// thread only. With a thread of its own the stage touches its encoder, its
// two-pass log and its statistics on that thread alone; a failure there is
// kept and raised (FFmpegException) by the next Send or Drain.
#include "engine/encoder/TCodedFrameStats.h"
#include "engine/loader/MediaHeaders.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace vidrelo {

struct TAVOutputStream;
class TJobOutputs;

// What the run's encoders wrote, for the progress report and the summary.
struct TJobStatistics {
    std::atomic<int64_t> VideoBytes{0};
    std::atomic<int64_t> AudioBytes{0};
    std::atomic<int64_t> ExtraBytes{0};
    std::string VstatsFileName;  // "vstats": a line per coded picture; empty = none
    std::mutex VstatsLock;       // guards the file below
    FILE* Vstats = nullptr;      // opened on first use

    ~TJobStatistics();
    void Reset(const std::string& AVstatsFileName);
};

// A bounded queue of frame references, the hand-over between two threads.
class TFrameQueue {
public:
    explicit TFrameQueue(std::size_t ACapacity) : FCapacity(ACapacity) {}
    ~TFrameQueue();
    // Waits while the queue is full; false when it was closed meanwhile
    // (the frame is not taken). A null frame is the end of the stream.
    bool Push(AVFrame* AFrame);
    // Waits for a frame; false when the queue is closed and empty.
    bool Pop(AVFrame*& AFrame);
    // Wakes both sides for good; frames still queued are freed.
    void Close();
    // Waits until the consumer has taken everything and is done with it.
    void WaitIdle();
    void Done();  // consumer: the frame it took is finished

private:
    const std::size_t FCapacity;
    std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<AVFrame*> FFrames;
    bool FClosed = false;
    bool FBusy = false;  // the consumer works on a frame it took
};

class TEncoderStage {
public:
    static constexpr std::size_t QueueLength = 4;  // pictures between the job's thread and the encoder

    TEncoderStage(TAVOutputStream& AStream, TJobOutputs& AOutputs, TJobStatistics& AStatistics, bool AOwnThread);
    ~TEncoderStage();  // abandons what is queued and joins
    TEncoderStage(const TEncoderStage&) = delete;
    TEncoderStage& operator=(const TEncoderStage&) = delete;

    // A frame to encode, or null for the end of the stream (the encoder
    // gives what it holds). The frame is referenced, not taken.
    void Send(const AVFrame* AFrame);
    // Waits until everything sent has been coded and written.
    void Drain();
    // Drops what is queued and ends the stage's thread (stop, failure).
    void Abandon();
    bool Threaded() const { return FThreaded; }
    // What the encoder said about the pictures coded so far.
    TCodedFrameStats Coded() const;

private:
    void Run();
    void Encode(const AVFrame* AFrame);
    void Account(AVPacket* APacket);
    void WriteVideoStats(int ASize, char AType, int64_t APts);
    void RaiseFailure();

    TAVOutputStream& FStream;
    TJobOutputs& FOutputs;
    TJobStatistics& FStatistics;
    const bool FVideo;
    const bool FThreaded;
    AVPacket* FPacket = nullptr;          // the coded packet being written
    int FCodedPictures = 0;
    mutable std::mutex FCodedLock;        // guards FCoded
    TCodedFrameStats FCoded;
    TFrameQueue FQueue{QueueLength};
    std::atomic<bool> FFailed{false};
    std::string FFailure;                 // written before FFailed is set
    std::thread FThread;
};

}  // namespace vidrelo
