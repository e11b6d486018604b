#include "engine/loader/TThreadKeeper.h"

#include <chrono>
#include <mutex>
#include <vector>

namespace vidrelo {
namespace {

// How long the exit waits for the threads still running, all together.
constexpr auto kExitWait = std::chrono::seconds(5);
constexpr auto kPollStep = std::chrono::milliseconds(10);

struct TKept {
    std::thread Thread;
    std::function<bool()> Ended;
};

class TKeeper {
public:
    ~TKeeper()
    {
        std::lock_guard lock(FLock);
        const auto deadline = std::chrono::steady_clock::now() + kExitWait;
        for (TKept& kept : FThreads) {
            while (!kept.Ended() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(kPollStep);
            if (kept.Ended())
                kept.Thread.join();
            else
                kept.Thread.detach();
        }
    }

    void Keep(TKept AKept)
    {
        std::lock_guard lock(FLock);
        JoinEnded();
        FThreads.push_back(std::move(AKept));
    }

    int Reap()
    {
        std::lock_guard lock(FLock);
        JoinEnded();
        return static_cast<int>(FThreads.size());
    }

private:
    void JoinEnded()
    {
        for (auto it = FThreads.begin(); it != FThreads.end();) {
            if (it->Ended()) {
                it->Thread.join();
                it = FThreads.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::mutex FLock;
    std::vector<TKept> FThreads;
};

TKeeper& Keeper()
{
    static TKeeper keeper;
    return keeper;
}

}  // namespace

void TThreadKeeper::Keep(std::thread AThread, std::function<bool()> AEnded)
{
    Keeper().Keep({std::move(AThread), std::move(AEnded)});
}

int TThreadKeeper::Reap()
{
    return Keeper().Reap();
}

}  // namespace vidrelo
