#include "engine/encoder/TDoTerminateThreads.h"

#include "engine/MainThreadDispatcher.h"

#include <algorithm>
#include <vector>

namespace vidrelo {

TDoTerminateThreads::~TDoTerminateThreads()
{
    WaitAll();
}

void TDoTerminateThreads::Start(std::function<void()> ACall)
{
    JoinFinished();
    auto entry = std::make_shared<TEntry>();
    std::lock_guard lock(FLock);
    entry->Thread = std::thread([this, entry, call = std::move(ACall)] {
        call();
        {
            std::lock_guard guard(FLock);
            entry->Done = true;
        }
        TMainThreadDispatcher::Instance().Notify();
    });
    FEntries.push_back(std::move(entry));
}

int TDoTerminateThreads::Running() const
{
    std::lock_guard lock(FLock);
    return static_cast<int>(
        std::count_if(FEntries.begin(), FEntries.end(), [](const std::shared_ptr<TEntry>& e) { return !e->Done; }));
}

void TDoTerminateThreads::WaitAll()
{
    TMainThreadDispatcher& dispatcher = TMainThreadDispatcher::Instance();
    if (dispatcher.IsMainThread())
        dispatcher.WaitUntil([this] { return Running() == 0; });
    // The entries stay listed until joined: a thread that waits for the
    // others (the final event's) counts them through Running().
    std::lock_guard joining(FJoinLock);
    std::vector<std::shared_ptr<TEntry>> entries;
    {
        std::lock_guard lock(FLock);
        entries.assign(FEntries.begin(), FEntries.end());
    }
    for (const std::shared_ptr<TEntry>& entry : entries)
        if (entry->Thread.joinable())
            entry->Thread.join();
    std::lock_guard lock(FLock);
    for (const std::shared_ptr<TEntry>& entry : entries)
        FEntries.remove(entry);
}

void TDoTerminateThreads::JoinFinished()
{
    // Reaping is housekeeping: when WaitAll is joining, leave it to that.
    std::unique_lock joining(FJoinLock, std::try_to_lock);
    if (!joining)
        return;
    std::vector<std::shared_ptr<TEntry>> finished;
    {
        std::lock_guard lock(FLock);
        for (auto it = FEntries.begin(); it != FEntries.end();) {
            if ((*it)->Done && (*it)->Thread.get_id() != std::this_thread::get_id()) {
                finished.push_back(*it);
                it = FEntries.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const std::shared_ptr<TEntry>& entry : finished)
        entry->Thread.join();
}

}  // namespace vidrelo
