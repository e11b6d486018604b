#include "engine/TThreadOwner.h"

#include <algorithm>
#include <atomic>

namespace vidrelo {
namespace {

// How long the process's exit waits for lingering threads, all together.
constexpr std::chrono::milliseconds kLingeringPatience{5000};
constexpr auto kPollStep = std::chrono::milliseconds(10);

}  // namespace

struct TThreadOwner::TEntry {
    std::thread Thread;
    std::thread::id Id;  // the thread's, kept: joining clears Thread's own
    std::function<bool()> EndedProc;  // kept threads; started ones use Done
    std::atomic<bool> Done{false};
    bool Claimed = false;  // someone is joining it; under FLock
};

TThreadOwner::TThreadOwner(std::function<void()> AOnEnded, std::optional<std::chrono::milliseconds> AExitPatience)
    : FOnEnded(std::move(AOnEnded)), FExitPatience(AExitPatience)
{
}

TThreadOwner::~TThreadOwner()
{
    if (FExitPatience)
        LeaveBehind();
    JoinAll();
}

bool TThreadOwner::Ended(const TEntry& AEntry)
{
    return AEntry.EndedProc ? AEntry.EndedProc() : AEntry.Done.load();
}

void TThreadOwner::Start(std::function<void()> ABody)
{
    Reap();
    auto entry = std::make_shared<TEntry>();
    std::lock_guard lock(FLock);
    // Assigned under the lock: nobody looks at the thread before it is
    // listed. The thread holds nothing of the owner's, so that one left
    // behind at the owner's end may still finish.
    entry->Thread = std::thread([entry, onEnded = FOnEnded, body = std::move(ABody)] {
        body();
        entry->Done = true;
        if (onEnded)
            onEnded();
    });
    entry->Id = entry->Thread.get_id();
    FEntries.push_back(std::move(entry));
}

void TThreadOwner::Keep(std::thread AThread, std::function<bool()> AEnded)
{
    Reap();
    auto entry = std::make_shared<TEntry>();
    entry->Thread = std::move(AThread);
    entry->Id = entry->Thread.get_id();
    entry->EndedProc = std::move(AEnded);
    std::lock_guard lock(FLock);
    FEntries.push_back(std::move(entry));
}

int TThreadOwner::Running() const
{
    std::lock_guard lock(FLock);
    return static_cast<int>(
        std::count_if(FEntries.begin(), FEntries.end(), [](const std::shared_ptr<TEntry>& e) { return !Ended(*e); }));
}

int TThreadOwner::Reap()
{
    Join(Claim([](const TEntry& entry) { return Ended(entry); }));
    std::lock_guard lock(FLock);
    return static_cast<int>(FEntries.size());
}

void TThreadOwner::JoinAll()
{
    const std::thread::id self = std::this_thread::get_id();
    for (;;) {
        Join(Claim([](const TEntry&) { return true; }));
        // Threads another caller claimed first are joined by that caller;
        // threads started meanwhile are ours in the next round.
        std::unique_lock lock(FLock);
        FChanged.wait(lock, [&] {
            return std::none_of(FEntries.begin(), FEntries.end(),
                                [&](const std::shared_ptr<TEntry>& e) { return e->Claimed && e->Id != self; });
        });
        if (std::all_of(FEntries.begin(), FEntries.end(),
                        [&](const std::shared_ptr<TEntry>& e) { return e->Id == self; }))
            return;
    }
}

TThreadOwner::TEntries TThreadOwner::Claim(const std::function<bool(const TEntry&)>& APick)
{
    const std::thread::id self = std::this_thread::get_id();
    TEntries claimed;
    std::lock_guard lock(FLock);
    for (const std::shared_ptr<TEntry>& entry : FEntries) {
        if (!entry->Claimed && entry->Id != self && APick(*entry)) {
            entry->Claimed = true;
            claimed.push_back(entry);
        }
    }
    return claimed;
}

void TThreadOwner::Join(const TEntries& AClaimed)
{
    if (AClaimed.empty())
        return;
    // Listed until joined, so that Running() still counts a thread on its
    // way out.
    for (const std::shared_ptr<TEntry>& entry : AClaimed)
        entry->Thread.join();
    Forget(AClaimed);
}

void TThreadOwner::Forget(const TEntries& AClaimed)
{
    {
        std::lock_guard lock(FLock);
        for (const std::shared_ptr<TEntry>& entry : AClaimed)
            FEntries.remove(entry);
    }
    FChanged.notify_all();
}

void TThreadOwner::LeaveBehind()
{
    const auto deadline = std::chrono::steady_clock::now() + *FExitPatience;
    while (Running() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kPollStep);
    TEntries stuck = Claim([](const TEntry& entry) { return !Ended(entry); });
    for (const std::shared_ptr<TEntry>& entry : stuck)
        entry->Thread.detach();
    Forget(stuck);
}

TThreadOwner& LingeringThreads()
{
    static TThreadOwner owner(nullptr, kLingeringPatience);
    return owner;
}

}  // namespace vidrelo
