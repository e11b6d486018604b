// The hand-over between the job's thread and a video encoder's thread: a
// short queue that makes the producer wait when full, and that a stop
// (Close) ends for both sides at once.
#include "engine/MediaEngine.h"
#include "engine/encoder/TEncoderStage.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"
#include "tests/engine/EncoderJobSupport.h"
#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace vidrelo;

namespace {

class FrameQueueTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Libraries.Loaded); }

    static AVFrame* Frame(int64_t pts)
    {
        AVFrame* frame = ff::av_frame_alloc();
        frame->pts = pts;
        return frame;
    }

    test::TEncoderLibraries Libraries;
};

TEST_F(FrameQueueTest, AFullQueueHoldsTheProducerUntilTheConsumerTakesOneInOrder)
{
    TFrameQueue queue(2);
    ASSERT_TRUE(queue.Push(Frame(0)));
    ASSERT_TRUE(queue.Push(Frame(1)));
    std::atomic<bool> third{false};
    std::thread producer([&] { third = queue.Push(Frame(2)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(third);  // still waiting for room
    for (int64_t expected = 0; expected < 3; ++expected) {
        AVFrame* frame = nullptr;
        ASSERT_TRUE(queue.Pop(frame));
        EXPECT_EQ(frame->pts, expected);
        ff::av_frame_free(&frame);
        queue.Done();
    }
    producer.join();
    EXPECT_TRUE(third);
    queue.WaitIdle();  // nothing queued, nothing being worked on: returns at once
}

TEST_F(FrameQueueTest, CloseLetsAWaitingProducerAndConsumerGoAndFreesWhatWasQueued)
{
    TFrameQueue full(1);
    ASSERT_TRUE(full.Push(Frame(0)));
    std::atomic<int> pushed{-1};
    std::thread producer([&] {
        AVFrame* frame = Frame(1);
        pushed = full.Push(frame);
        if (!pushed)
            ff::av_frame_free(&frame);  // refused: still the caller's
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    full.Close();  // the queued frame is freed (AddressSanitizer sees a leak otherwise)
    producer.join();
    EXPECT_EQ(pushed, 0);

    TFrameQueue empty(1);
    std::atomic<int> popped{-1};
    std::thread consumer([&] {
        AVFrame* frame = nullptr;
        popped = empty.Pop(frame);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    empty.Close();
    consumer.join();
    EXPECT_EQ(popped, 0);
    empty.WaitIdle();  // a closed queue never waits
}

TEST_F(FrameQueueTest, WaitIdleLastsUntilTheConsumerIsDoneWithWhatItTook)
{
    TFrameQueue queue(4);
    ASSERT_TRUE(queue.Push(Frame(0)));
    AVFrame* taken = nullptr;
    ASSERT_TRUE(queue.Pop(taken));
    std::atomic<bool> idle{false};
    std::thread drainer([&] {
        queue.WaitIdle();
        idle = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(idle);  // the frame taken is still being worked on
    ff::av_frame_free(&taken);
    queue.Done();
    drainer.join();
    EXPECT_TRUE(idle);
}

}  // namespace
