#pragma once
// Reads a registered source's byte stream so that the media libraries can
// give up on it.
//
// The libraries poll a format context's interrupt callback in their own I/O
// loops, but never while they wait inside a caller's read function, and a
// source (a DVD drive spinning up, a damaged sector, a stalled network
// folder) may block there for a long time. So the stream's Read runs on a
// reading thread of its own; the thread that asked for the bytes waits in
// short steps and asks the interrupt registry between them. When it is told
// to give up it returns AVERROR_EXIT, and the read keeps going: its bytes are
// handed out by the next Read, so nothing is lost if the caller carries on.
//
// One thread at a time uses a reader (the one the libraries read the
// context on). Destroying a reader whose stream is still inside Read leaves
// the stream to the reading thread, which frees it when Read returns; the
// thread itself goes to the process's owner of lingering threads
// (TThreadOwner.h), which joins it.
#include "engine/loader/TSourceProtocols.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vidrelo {

class TSourceReader {
public:
    explicit TSourceReader(std::unique_ptr<ISourceStream> stream);
    ~TSourceReader();
    TSourceReader(const TSourceReader&) = delete;
    TSourceReader& operator=(const TSourceReader&) = delete;

    // As ISourceStream::Read, plus AVERROR_EXIT when the calling thread's
    // interrupt callback asked to give up while the stream was blocked.
    int Read(uint8_t* buffer, int size);
    // As ISourceStream; they wait for a read in flight first (AVERROR_EXIT
    // when given up while waiting).
    int64_t Seek(int64_t offset, int whence);
    int64_t Size();
    // The stream's problems so far; "" also while a read is in flight.
    std::string Problems();

private:
    struct TShared;
    static void ReadingThread(std::shared_ptr<TShared> shared);
    // Waits until no read is in flight; false when interrupted first.
    bool WaitIdle(std::unique_lock<std::mutex>& lock);

    std::shared_ptr<TShared> FShared;
    std::thread FThread;  // started by the first Read
};

}  // namespace vidrelo
