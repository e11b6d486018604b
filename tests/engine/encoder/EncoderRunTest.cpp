// Running the encoder's tasks: thread and synchronous mode, the order of the
// terminate events, stopping, pausing, the progress interval, main-thread
// delivery and the hooks.
#include "engine/MainThreadDispatcher.h"
#include "engine/MediaEngine.h"
#include "tests/engine/encoder/EncoderTestSupport.h"
#include "tests/engine/run/JobRunSupport.h"
#include "tests/support/EngineServices.h"

#include <filesystem>

using namespace vidrelo;
using namespace vidrelo::test;
using namespace std::chrono_literals;

namespace {

class EncoderRunTest : public EncoderTest {
protected:
    // A source "<name>:clip" serving the long clip that stalls at a third of
    // it once armed; the gate releases it.
    std::shared_ptr<TTestStream::TGate> GatedSource(const std::string& name)
    {
        auto gate = std::make_shared<TTestStream::TGate>();
        gate->Arm(false);  // probing reads freely
        const std::string bytes = ReadAll(LongClip);
        TMediaEngine::SourceProtocols().Register(name, [=](const std::string&) {
            TSourceOpenResult result;
            result.Stream = std::make_unique<TTestStream>(bytes, gate, static_cast<int64_t>(bytes.size() / 3));
            result.Hints.ForceFormat = "mpeg";
            return result;
        });
        return gate;
    }
    static std::vector<int> Without(std::vector<int> order, int last)
    {
        EXPECT_FALSE(order.empty());
        if (!order.empty()) {
            EXPECT_EQ(order.back(), last);
            order.pop_back();
        }
        std::sort(order.begin(), order.end());
        return order;
    }
};

TEST_F(EncoderRunTest, TwoThreadsRunTwoTasksAndTheThirdStartsWhenOneEnds)
{
    TFFEncoder encoder(EngineServices());
    encoder.TriggerEventInMainThread = false;
    TEncoderEvents events;
    events.Attach(encoder);
    auto gate0 = GatedSource("gatea");
    auto gate1 = GatedSource("gateb");
    AddSimpleTask(encoder, "gatea:clip", Out + "/0.avi");
    AddSimpleTask(encoder, "gateb:clip", Out + "/1.avi");
    AddSimpleTask(encoder, ShortClip, Out + "/2.avi");
    gate0->Arm(true);
    gate1->Arm(true);
    encoder.Start(2);
    ASSERT_TRUE(gate0->WaitBlocked(10000));
    ASSERT_TRUE(gate1->WaitBlocked(10000));
    EXPECT_FALSE(encoder.Task(2)->Converting() || encoder.Task(2)->Terminated());
    gate0->Release();
    ASSERT_TRUE(WaitFor([&] { return encoder.Task(2)->Terminated(); }, 20s));
    EXPECT_FALSE(encoder.Task(1)->Terminated());
    gate1->Release();
    ASSERT_TRUE(WaitFor([&] { return events.FinalSeen(); }, 20s));
    EXPECT_TRUE(encoder.Terminated());
    EXPECT_EQ(Without(events.TerminateOrder(), -1), (std::vector<int>{0, 1, 2}));
    for (const TTerminateInfo& t : events.Terminates)
        EXPECT_TRUE(t.Finished && !t.Exception) << t.TaskIndex << ": " << t.ExceptionMsg;
    // Thread mode: the handlers run on threads of their own.
    for (const std::thread::id id : events.TerminateThreads)
        EXPECT_NE(id, std::this_thread::get_id());
    encoder.ClearTasks();
}

TEST_F(EncoderRunTest, StopBeforeTheTasksRanTheirCourseEndsEveryTaskUnfinished)
{
    TFFEncoder encoder(EngineServices());
    encoder.TriggerEventInMainThread = false;
    TEncoderEvents events;
    events.Attach(encoder);
    auto gate = GatedSource("gatec");
    AddSimpleTask(encoder, "gatec:clip", Out + "/0.avi");
    AddSimpleTask(encoder, ShortClip, Out + "/1.avi");
    AddSimpleTask(encoder, ShortClip, Out + "/2.avi");
    gate->Arm(true);
    encoder.Start(1);
    ASSERT_TRUE(gate->WaitBlocked(10000));
    encoder.Stop(true);
    ASSERT_TRUE(WaitFor([&] { return events.FinalSeen(); }, 10s));
    gate->Release();
    EXPECT_EQ(Without(events.TerminateOrder(), -1), (std::vector<int>{0, 1, 2}));
    for (const TTerminateInfo& t : events.Terminates) {
        if (t.TaskIndex >= 0) {
            EXPECT_FALSE(t.Finished) << t.TaskIndex;
        }
    }
    EXPECT_TRUE(events.Terminates.back().Finished);
    // Nothing was written for the tasks that never ran.
    EXPECT_FALSE(std::filesystem::exists(Out + "/1.avi") && std::filesystem::file_size(Out + "/1.avi") == 0);
}

TEST_F(EncoderRunTest, StartWithoutThreadsReturnsAfterEveryEventOnTheCallersThread)
{
    TFFEncoder encoder(EngineServices());
    TEncoderEvents events;
    events.Attach(encoder);
    AddSimpleTask(encoder, ShortClip, Out + "/0.avi");
    ASSERT_EQ(encoder.AddTask(ShortClip), 1);  // no output: fails when it starts
    encoder.Start(0);
    EXPECT_EQ(events.TerminateOrder(), (std::vector<int>{0, 1, -1}));
    for (const std::thread::id id : events.TerminateThreads)
        EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_TRUE(events.Terminates[0].Finished);
    EXPECT_FALSE(events.Terminates[1].Finished);
    EXPECT_TRUE(events.Terminates[1].Exception);
    EXPECT_EQ(events.Terminates[1].ExceptionMsg, "At least one output file must be specified");
    EXPECT_TRUE(encoder.Terminated());
}

TEST_F(EncoderRunTest, ProgressComesAtMostOncePerIntervalAndOnceAtTheEnd)
{
    TFFEncoder encoder(EngineServices());
    encoder.TriggerEventInMainThread = false;
    encoder.SetProgressInterval(100);
    TEncoderEvents events;
    events.Attach(encoder);
    const int index = encoder.AddTask(LongClip, "re=1");
    ASSERT_EQ(index, 0) << encoder.LastErrMsg();
    TOutputOptions options;
    options.VideoCodec = "mpeg4";
    options.TimeLength = 1000000;
    ASSERT_TRUE(encoder.SetOutputFile(0, Out + "/p.avi", &options)) << encoder.LastErrMsg();
    encoder.Start(1);
    ASSERT_TRUE(WaitFor([&] { return events.FinalSeen(); }, 20s));
    std::lock_guard lock(events.Lock);
    ASSERT_GE(events.Progress.size(), 5u);
    for (std::size_t i = 1; i + 1 < events.ProgressTimes.size(); ++i)
        EXPECT_GE(events.ProgressTimes[i] - events.ProgressTimes[i - 1], 95ms) << i;
    EXPECT_EQ(events.Progress.back().FileIndex, -1);
    EXPECT_EQ(events.Progress.back().TotalDuration, 1000000);
    EXPECT_EQ(events.Progress.back().TaskIndex, 0);
    EXPECT_GT(events.Progress.back().CurrentSize, 0);
}

TEST_F(EncoderRunTest, PauseHoldsTheTaskAndResumeOrStopEndsIt)
{
    for (const bool resume : {true, false}) {
        SCOPED_TRACE(resume ? "resume" : "stop");
        TFFEncoder encoder(EngineServices());
        encoder.TriggerEventInMainThread = false;
        TEncoderEvents events;
        events.Attach(encoder);
        auto gate = GatedSource("gated");
        const std::string output = Out + (resume ? "/resume.avi" : "/stop.avi");
        AddSimpleTask(encoder, "gated:clip", output);
        gate->Arm(true);
        encoder.Start(1);
        ASSERT_TRUE(gate->WaitBlocked(10000));
        encoder.Pause();
        EXPECT_TRUE(encoder.Paused());
        gate->Release();
        ASSERT_TRUE(WaitFor([&] { return encoder.Task(0)->WorkerParked(); }, 10s));
        const auto size = std::filesystem::file_size(output + ".part");
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(std::filesystem::file_size(output + ".part"), size);
        if (resume)
            encoder.Resume();
        else
            encoder.Stop(true);
        EXPECT_FALSE(encoder.Paused());
        ASSERT_TRUE(WaitFor([&] { return events.FinalSeen(); }, 20s));
        EXPECT_EQ(events.Terminates.at(0).Finished, resume);
        // Stopped or not, the file plays under its own name.
        EXPECT_GT(Probe(output).Duration, 0.0);
        EXPECT_FALSE(std::filesystem::exists(output + ".part"));
    }
}

TEST_F(EncoderRunTest, AFileGetsItsNameWhenTheTaskEndsAndAFailedTaskLeavesNone)
{
    TFFEncoder encoder(EngineServices());
    encoder.TriggerEventInMainThread = false;
    TEncoderEvents events;
    events.Attach(encoder);
    AddSimpleTask(encoder, ShortClip, Out + "/good.avi");
    TOutputOptions odd;
    odd.VideoCodec = "libx264";  // cannot open at an odd width: fails when the run starts
    odd.FrameSize = "161x120";
    AddSimpleTask(encoder, ShortClip, Out + "/odd.mp4", odd);
    EXPECT_TRUE(std::filesystem::exists(Out + "/good.avi.part"));
    EXPECT_FALSE(std::filesystem::exists(Out + "/good.avi"));
    encoder.Start(0);
    ASSERT_EQ(events.Terminates.size(), 3u);
    EXPECT_TRUE(events.Terminates[0].Finished) << events.Terminates[0].ExceptionMsg;
    EXPECT_NEAR(Probe(Out + "/good.avi").Duration, 1.0, 0.2);
    EXPECT_FALSE(events.Terminates[1].Finished);
    EXPECT_TRUE(events.Terminates[1].Exception);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(Out))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"good.avi"});
}

TEST_F(EncoderRunTest, EventsReachTheMainThreadThroughTheDispatcher)
{
    // The encoder's own; the process's stays unattached, so events that went
    // there would run on the workers.
    TMainThreadDispatcher dispatcher;
    dispatcher.AttachMainThread();
    {
        TFFEncoder encoder(EngineServicesWith(dispatcher));
        TEncoderEvents events;
        events.Attach(encoder);
        AddSimpleTask(encoder, LongClip, Out + "/main.avi");
        encoder.Start(1);
        dispatcher.WaitUntil([&] { return events.FinalSeen(); });
        std::lock_guard lock(events.Lock);
        ASSERT_FALSE(events.ProgressThreads.empty());
        for (const std::thread::id id : events.ProgressThreads)
            EXPECT_EQ(id, std::this_thread::get_id());
        for (const std::thread::id id : events.TerminateThreads)
            EXPECT_NE(id, std::this_thread::get_id());
    }
    dispatcher.DetachMainThread();
}

TEST_F(EncoderRunTest, HooksCarryTheTaskIndexAndAHookCanStopItself)
{
    TFFEncoder encoder(EngineServices());
    int videoCalls = 0, audioCalls = 0, audioTask = -1;
    encoder.OnVideoOutputHook = [&](TCustomEncoder*, THookInfo* info) {
        EXPECT_EQ(info->TaskIndex, 1);
        EXPECT_TRUE(info->Update);
        ASSERT_NE(info->Bitmap, nullptr);
        info->StopHook = ++videoCalls == 3;
    };
    encoder.OnAudioHook = [&](TCustomEncoder*, int task, int64_t, void*, int size, int rate, int, int) {
        ++audioCalls;
        audioTask = task;
        EXPECT_GT(size, 0);
        EXPECT_GT(rate, 0);
    };
    AddSimpleTask(encoder, ShortClip, Out + "/nohooks.avi");
    TOutputOptions options;
    options.VideoOutputHook = true;
    options.AudioHook = true;
    AddSimpleTask(encoder, ShortClip, Out + "/hooks.avi", options);
    encoder.Start(0);
    EXPECT_EQ(videoCalls, 3);
    EXPECT_GT(audioCalls, 0);
    EXPECT_EQ(audioTask, 1);
}

TEST_F(EncoderRunTest, DestroyingTheEncoderDuringARunStopsAndDeliversEveryEvent)
{
    TEncoderEvents events;
    auto gate = GatedSource("gatee");
    {
        TFFEncoder encoder(EngineServices());
        encoder.TriggerEventInMainThread = false;
        events.Attach(encoder);
        AddSimpleTask(encoder, "gatee:clip", Out + "/d.avi");
        AddSimpleTask(encoder, ShortClip, Out + "/e.avi");
        gate->Arm(true);
        encoder.Start(1);
        ASSERT_TRUE(gate->WaitBlocked(10000));
    }
    gate->Release();
    EXPECT_EQ(Without(events.TerminateOrder(), -1), (std::vector<int>{0, 1}));
}

}  // namespace
