// The owner of short-lived threads: a finished thread is joined by whoever
// comes next, any thread may join the rest, the owner's end waits for them
// (or, with a patience, leaves a stuck one behind), and the terminate-event
// threads of the encoder wake the dispatcher they were given.
#include "engine/MainThreadDispatcher.h"
#include "engine/TThreadOwner.h"
#include "engine/encoder/TDoTerminateThreads.h"

#include "tests/engine/EncoderJobSupport.h"
#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

using namespace vidrelo;
using namespace std::chrono_literals;

namespace {

// A body that waits until the test opens the gate.
struct TGate {
    std::promise<void> Opened;
    std::shared_future<void> Wait = Opened.get_future().share();
    void Open() { Opened.set_value(); }
};

TEST(ThreadOwnerTest, AFinishedThreadIsJoinedByWhoeverComesNext)
{
    TThreadOwner owner;
    std::atomic<int> ran{0};
    owner.Start([&] { ++ran; });
    ASSERT_TRUE(test::WaitFor([&] { return owner.Running() == 0; }, 5s));
    EXPECT_EQ(owner.Reap(), 0);  // ended and joined: nothing is held any more

    TGate gate;
    owner.Start([wait = gate.Wait, &ran] {
        wait.wait();
        ++ran;
    });
    owner.Start([&] { ++ran; });  // joins nothing that still runs
    ASSERT_TRUE(test::WaitFor([&] { return owner.Running() == 1; }, 5s));
    EXPECT_EQ(owner.Reap(), 1);  // only the waiting one is held
    gate.Open();
    owner.JoinAll();
    EXPECT_EQ(ran, 3);
    EXPECT_EQ(owner.Reap(), 0);
}

TEST(ThreadOwnerTest, ThreadsStartedOnOneThreadAreJoinedFromAnother)
{
    TThreadOwner owner;
    TGate gate;
    std::atomic<bool> finished{false};
    std::thread starter([&] {
        owner.Start([wait = gate.Wait, &finished] {
            wait.wait();
            finished = true;
        });
    });
    starter.join();  // the thread that started it is gone
    EXPECT_EQ(owner.Running(), 1);
    gate.Open();
    owner.JoinAll();
    EXPECT_TRUE(finished);  // joined: its last write is done
    EXPECT_EQ(owner.Reap(), 0);
}

// The encoder's last terminate event waits on a thread of the owner's own
// for the others; such a thread may also join them without joining itself.
TEST(ThreadOwnerTest, OneOfItsOwnThreadsJoinsTheOthers)
{
    TThreadOwner owner;
    TGate gate;
    std::atomic<int> othersWhenJoined{-1};
    owner.Start([wait = gate.Wait] { wait.wait(); });
    owner.Start([&] {
        owner.JoinAll();
        othersWhenJoined = owner.Running();  // itself only
    });
    gate.Open();
    ASSERT_TRUE(test::WaitFor([&] { return othersWhenJoined >= 0; }, 5s));
    EXPECT_EQ(othersWhenJoined, 1);
    owner.JoinAll();
    EXPECT_EQ(owner.Reap(), 0);
}

TEST(ThreadOwnerTest, TheOwnersEndWaitsForItsThreads)
{
    std::atomic<bool> finished{false};
    std::atomic<int> ended{0};
    TGate gate;
    {
        TThreadOwner owner([&] { ++ended; });
        owner.Start([wait = gate.Wait, &finished] {
            wait.wait();
            finished = true;
        });
        gate.Open();
    }
    EXPECT_TRUE(finished);
    EXPECT_EQ(ended, 1);  // told once the body had returned
}

// A thread stuck in a call that never returns must not hold the exit; the
// ones that end in time are joined.
TEST(ThreadOwnerTest, WithAPatienceTheEndLeavesAStuckThreadBehind)
{
    auto gate = std::make_shared<TGate>();
    auto stuckEnded = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> quickDone{false};
    {
        TThreadOwner owner(nullptr, 0ms);
        owner.Start([wait = gate->Wait, stuckEnded] {
            wait.wait();
            *stuckEnded = true;
        });
        owner.Keep(std::thread([&] { quickDone = true; }), [&] { return quickDone.load(); });
        ASSERT_TRUE(test::WaitFor([&] { return quickDone.load(); }, 5s));
    }  // returns although the first thread still waits
    EXPECT_FALSE(*stuckEnded);
    gate->Open();  // the thread left behind still finishes on its own
    EXPECT_TRUE(test::WaitFor([&] { return stuckEnded->load(); }, 5s));
}

// A terminate event that hands work to the main thread: waiting for the
// events on the main thread of the dispatcher the set was given serves it.
TEST(DoTerminateThreadsTest, WaitingServesTheHandOffsOfTheDispatcherItWasGiven)
{
    TMainThreadDispatcher dispatcher;  // the process's stays unattached
    dispatcher.AttachMainThread();
    std::thread::id ranOn;
    {
        TDoTerminateThreads threads(dispatcher);
        threads.Start([&] { dispatcher.Invoke([&] { ranOn = std::this_thread::get_id(); }); });
        threads.WaitAll();
        EXPECT_EQ(threads.Running(), 0);
    }
    dispatcher.DetachMainThread();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

}  // namespace
