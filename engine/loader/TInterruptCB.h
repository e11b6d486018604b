#pragma once
// The interrupt registry: lets a component abandon a blocking media-library
// operation (opening or reading an input) that runs on one of its threads.
//
// A component calls Add with the calling thread, itself and its interrupt
// procedure just before it starts such an operation on that thread, and
// Remove with the same three values afterwards. Every format context the
// engine opens carries IOInterruptCallback (InstallInterruptCallback), which
// the libraries poll very often while they block; it asks the registry
// about the calling thread. All members are guarded by FLock, which is also
// held while an interrupt procedure runs, so procedures must be quick and
// must not call back into the registry.
#include <cstdint>
#include <mutex>
#include <vector>

struct AVFormatContext;

namespace vidrelo {

// Returns true when the operation of `ASender` should be abandoned.
using TInterruptProc = bool (*)(void* ASender);

class TInterruptCB {
public:
    void Add(uint32_t AThreadID, void* ASender, TInterruptProc AInterrupt);
    void Remove(uint32_t AThreadID, void* ASender, TInterruptProc AInterrupt);
    void Clear();
    // The answer of the first procedure registered for the thread; false
    // when there is none.
    bool Interrupt(uint32_t AThreadID);
    std::size_t Count() const;

private:
    struct TEntry {
        uint32_t ThreadID;
        void* Sender;
        TInterruptProc Proc;
        bool operator==(const TEntry&) const = default;
    };
    mutable std::mutex FLock;
    std::vector<TEntry> FList;
};

// The callback the libraries poll: 1 (abandon) when the registry `opaque`
// points to (null: the running engine's) says so for the calling thread,
// else 0.
int IOInterruptCallback(void* opaque);
// Gives a format context the interrupt callback, asking `registry` (without
// one, the running engine's); call it before opening the context. The
// registry must outlive the context.
void InstallInterruptCallback(AVFormatContext* context);
void InstallInterruptCallback(AVFormatContext* context, TInterruptCB& registry);

// RAII registration of one blocking operation on the calling thread, with
// `ARegistry` (without one, the running engine's).
class TInterruptScope {
public:
    TInterruptScope(TInterruptCB& ARegistry, void* ASender, TInterruptProc AInterrupt);
    TInterruptScope(void* ASender, TInterruptProc AInterrupt);
    ~TInterruptScope();
    TInterruptScope(const TInterruptScope&) = delete;
    TInterruptScope& operator=(const TInterruptScope&) = delete;

private:
    TInterruptCB* FRegistry;  // null when the engine was not running
    uint32_t FThreadID;
    void* FSender;
    TInterruptProc FProc;
};

}  // namespace vidrelo
