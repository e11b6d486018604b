#pragma once
// Shared pieces of the encoder component tests: the libraries, small clips,
// and a record of the component's events.
#include "engine/encoder/TFFEncoder.h"
#include "engine/encoder/TFFmpeg.h"

#include "tests/engine/EncoderJobSupport.h"
#include "tests/support/WaitFor.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vidrelo::test {

// Every terminate and progress event of an encoder, with its thread.
struct TEncoderEvents {
    std::mutex Lock;
    std::vector<TTerminateInfo> Terminates;
    std::vector<std::thread::id> TerminateThreads;
    std::vector<TProgressInfo> Progress;
    std::vector<std::thread::id> ProgressThreads;
    std::vector<std::chrono::steady_clock::time_point> ProgressTimes;

    void Attach(TCustomEncoder& encoder)
    {
        encoder.OnTerminate = [this](TCustomEncoder*, const TTerminateInfo& info) {
            std::lock_guard lock(Lock);
            Terminates.push_back(info);
            TerminateThreads.push_back(std::this_thread::get_id());
        };
        encoder.OnProgress = [this](TCustomEncoder*, TProgressInfo* info) {
            std::lock_guard lock(Lock);
            Progress.push_back(*info);
            ProgressThreads.push_back(std::this_thread::get_id());
            ProgressTimes.push_back(std::chrono::steady_clock::now());
        };
    }
    bool FinalSeen()
    {
        std::lock_guard lock(Lock);
        return !Terminates.empty() && Terminates.back().TaskIndex == -1;
    }
    std::vector<int> TerminateOrder()
    {
        std::lock_guard lock(Lock);
        std::vector<int> order;
        for (const TTerminateInfo& t : Terminates)
            order.push_back(t.TaskIndex);
        return order;
    }
};

class EncoderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Clips = MakeTempDir("encoderclips");
        ShortClip = MakeMpegClip(Clips);
        LongClip = Clips + "/long.mpg";
        ASSERT_TRUE(MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=4", "-f", "lavfi", "-i",
                              "sine=frequency=440:duration=4", "-c:v", "mpeg2video", "-c:a", "mp2", "-f", "vob",
                              LongClip}));
    }
    void SetUp() override
    {
        ASSERT_TRUE(Libraries.Loaded);
        Out = MakeTempDir("encoderout");
    }
    // A task from `input` to `output` (mpeg4 + mp2 AVI unless the record
    // says otherwise); its index.
    int AddSimpleTask(TCustomEncoder& encoder, const std::string& input, const std::string& output,
                      TOutputOptions options = {})
    {
        const int index = encoder.AddTask(input);
        EXPECT_GE(index, 0) << encoder.LastErrMsg();
        if (options.VideoCodec.empty())
            options.VideoCodec = "mpeg4";
        if (options.AudioCodec.empty())
            options.AudioCodec = "mp2";
        EXPECT_TRUE(encoder.SetOutputFile(index, output, &options)) << encoder.LastErrMsg();
        return index;
    }

    static inline std::string Clips, ShortClip, LongClip;
    TEncoderLibraries Libraries;
    std::string Out;
};

}  // namespace vidrelo::test
