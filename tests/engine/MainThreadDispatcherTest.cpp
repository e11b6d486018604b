#include "engine/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using vidrelo::TMainThreadDispatcher;

namespace {

class DispatcherTest : public ::testing::Test {
protected:
    TMainThreadDispatcher D;
    void SetUp() override { D.AttachMainThread(); }
    void TearDown() override { D.DetachMainThread(); }
};

TEST_F(DispatcherTest, CallOnMainThreadRunsAtOnce)
{
    bool ran = false;
    D.Invoke([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(D.RunPending(), 0u);
}

TEST_F(DispatcherTest, WorkerHandOffWhileMainWaitsForThatWorkerCompletes)
{
    std::atomic<bool> finished{false};
    std::thread::id ranOn;
    std::thread worker([&] {
        D.Invoke([&] { ranOn = std::this_thread::get_id(); });
        finished = true;
        D.Notify();
    });
    D.WaitUntil([&] { return finished.load(); });
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST_F(DispatcherTest, CallsFromOneWorkerRunInOrder)
{
    std::vector<int> seen;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            D.Post([&seen, i] { seen.push_back(i); });
        D.Invoke([&seen] { seen.push_back(50); });
        finished = true;
    });
    D.WaitUntil([&] { return finished.load(); });
    worker.join();
    ASSERT_EQ(seen.size(), 51u);
    for (int i = 0; i <= 50; ++i)
        EXPECT_EQ(seen[i], i);
}

TEST_F(DispatcherTest, ExceptionOfAHandedOffCallReachesTheWorker)
{
    std::atomic<bool> finished{false};
    std::string caught;
    std::thread worker([&] {
        try {
            D.Invoke([] { throw std::runtime_error("handler failed"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
        finished = true;
    });
    D.WaitUntil([&] { return finished.load(); });
    worker.join();
    EXPECT_EQ(caught, "handler failed");
}

TEST_F(DispatcherTest, WakerIsCalledWhenAWorkerQueues)
{
    std::atomic<int> wakes{0};
    D.SetWaker([&] { ++wakes; });
    std::thread worker([&] { D.Post([] {}); });
    worker.join();
    D.SetWaker(nullptr);
    EXPECT_EQ(wakes.load(), 1);
    EXPECT_EQ(D.RunPending(), 1u);
}

TEST_F(DispatcherTest, DetachRunsWhatIsQueuedAndLaterCallsRunOnTheirCaller)
{
    bool queuedRan = false;
    std::thread([&] { D.Post([&] { queuedRan = true; }); }).join();
    D.DetachMainThread();
    EXPECT_TRUE(queuedRan);
    std::thread::id ranOn;
    std::thread worker([&] { D.Invoke([&] { ranOn = std::this_thread::get_id(); }); });
    const auto workerId = worker.get_id();
    worker.join();
    EXPECT_EQ(ranOn, workerId);
}

}  // namespace
