#pragma once
// Shared pieces of the transcoding job tests: clips made with the ffmpeg
// program, byte sources for test protocols, and a capture of the engine log.
#include "engine/MediaEngine.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"
#include "engine/loader/TSourceProtocols.h"
#include "engine/log/TFFLogger.h"
#include "tests/support/EngineServices.h"
#include "tests/support/MakeClip.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace vidrelo::test {

// One second of 320x240 MPEG-2 at 25 fps with MP2 audio, as a program stream.
inline std::string MakeMpegClip(const std::string& folder)
{
    const std::string clip = folder + "/clip.mpg";
    EXPECT_TRUE(MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1", "-f", "lavfi", "-i",
                          "sine=duration=1", "-c:v", "mpeg2video", "-c:a", "mp2", "-f", "vob", clip}));
    return clip;
}

// One second of video, audio and a text subtitle in Matroska.
inline std::string MakeSubtitledClip(const std::string& folder)
{
    const std::string srt = folder + "/sub.srt";
    std::ofstream(srt) << "1\n00:00:00,000 --> 00:00:00,900\nHello\n";
    const std::string clip = folder + "/subtitled.mkv";
    EXPECT_TRUE(MakeClip({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i",
                          "sine=duration=1", "-i", srt, "-map", "0", "-map", "1", "-map", "2", "-c:v", "mpeg4",
                          "-c:a", "mp2", "-c:s", "srt", clip}));
    return clip;
}

inline std::string ReadAll(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Serves bytes from memory. From `stallAt` on, Read blocks until Release().
class TTestStream : public ISourceStream {
public:
    struct TGate {
        std::mutex Lock;
        std::condition_variable Changed;
        bool Released = false;
        bool Blocked = false;  // a Read is waiting at the stall
        bool Destroyed = false;
        bool Armed = true;      // reads stall only while armed
        void Arm(bool armed)
        {
            std::lock_guard lock(Lock);
            Armed = armed;
        }
        void Release()
        {
            std::lock_guard lock(Lock);
            Released = true;
            Changed.notify_all();
        }
        // True when a Read blocked within `ms` milliseconds.
        bool WaitBlocked(int ms)
        {
            std::unique_lock lock(Lock);
            return Changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return Blocked; });
        }
        // True when the stream was destroyed within `ms` milliseconds.
        bool WaitDestroyed(int ms)
        {
            std::unique_lock lock(Lock);
            return Changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return Destroyed; });
        }
    };

    TTestStream(std::string bytes, std::shared_ptr<TGate> gate = nullptr, int64_t stallAt = -1)
        : FBytes(std::move(bytes)), FGate(std::move(gate)), FStallAt(stallAt)
    {
    }
    ~TTestStream() override
    {
        if (FGate) {
            std::lock_guard lock(FGate->Lock);
            FGate->Destroyed = true;
            FGate->Changed.notify_all();
        }
    }
    int Read(uint8_t* buffer, int size) override
    {
        bool armed = true;
        if (FGate && FStallAt >= 0) {
            std::unique_lock lock(FGate->Lock);
            armed = FGate->Armed;
            if (armed && FPosition >= FStallAt) {
                FGate->Blocked = true;
                FGate->Changed.notify_all();
                FGate->Changed.wait(lock, [&] { return FGate->Released; });
            }
        }
        int64_t end = Size();
        if (armed && FStallAt >= 0 && FPosition < FStallAt)
            end = std::min(end, FStallAt);
        const int n = static_cast<int>(std::min<int64_t>(size, end - FPosition));
        std::copy_n(FBytes.data() + FPosition, n, buffer);
        FPosition += n;
        return n;
    }
    int64_t Seek(int64_t offset, int whence) override
    {
        const int64_t base = whence == SEEK_CUR ? FPosition : whence == SEEK_END ? Size() : 0;
        if (base + offset < 0 || base + offset > Size())
            return AVERROR(EINVAL);
        return FPosition = base + offset;
    }
    int64_t Size() override { return static_cast<int64_t>(FBytes.size()); }
    int64_t Position() const { return FPosition; }

private:
    std::string FBytes;
    std::shared_ptr<TGate> FGate;
    int64_t FStallAt;
    int64_t FPosition = 0;
};

// Collects every line of the engine log, delivered on the logging thread.
class TLogCapture {
public:
    TLogCapture()
    {
        TFFLogger& logger = FFLogger();
        logger.SetTriggerEventInMainThread(false);
        logger.SetOnLog([this](void*, uint32_t, TLogLevel level, const std::string& msg) {
            std::lock_guard lock(FLock);
            FLines.push_back({level, msg});
        });
    }
    ~TLogCapture() { FFLogger().SetOnLog(nullptr); }
    bool Has(const std::string& text, TLogLevel level) const
    {
        std::lock_guard lock(FLock);
        return std::any_of(FLines.begin(), FLines.end(),
                           [&](const auto& line) { return line.second == text && line.first == level; });
    }
    int Count(const std::string& text) const
    {
        std::lock_guard lock(FLock);
        return static_cast<int>(
            std::count_if(FLines.begin(), FLines.end(), [&](const auto& line) { return line.second == text; }));
    }
    std::string Dump() const
    {
        std::lock_guard lock(FLock);
        std::string text;
        for (const auto& line : FLines)
            text += line.second + "\n";
        return text;
    }
    int CountContaining(const std::string& part) const
    {
        std::lock_guard lock(FLock);
        return static_cast<int>(std::count_if(FLines.begin(), FLines.end(), [&](const auto& line) {
            return line.second.find(part) != std::string::npos;
        }));
    }
    int CountPrefix(const std::string& prefix) const
    {
        std::lock_guard lock(FLock);
        return static_cast<int>(std::count_if(FLines.begin(), FLines.end(), [&](const auto& line) {
            return line.second.compare(0, prefix.size(), prefix) == 0;
        }));
    }

private:
    mutable std::mutex FLock;
    std::vector<std::pair<TLogLevel, std::string>> FLines;
};

// The engine with the encoder's libraries, for one test.
class TEncoderLibraries {
public:
    TEncoderLibraries()
    {
        Loaded = TMediaEngine::Loader().Load(EncoderLibraries);
        EXPECT_TRUE(Loaded) << TMediaEngine::Loader().LastErrMsg();
    }
    TMediaEngineScope Engine;
    bool Loaded = false;
};

}  // namespace vidrelo::test
