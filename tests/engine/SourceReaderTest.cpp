// Reading a source so that a blocked Read can be given up on: the waiting
// caller is released when its interrupt procedure says so, and the bytes
// the blocked read brings later are not lost.
#include "engine/TThreadOwner.h"
#include "engine/loader/TInterruptCB.h"
#include "engine/loader/TSourceReader.h"

#include "tests/engine/EncoderJobSupport.h"
#include "tests/support/WaitFor.h"

#include <atomic>
#include <thread>

using namespace vidrelo;

namespace {

std::atomic<bool> GGiveUp{false};

bool GiveUp(void*)
{
    return GGiveUp;
}

class SourceReaderTest : public ::testing::Test {
protected:
    void SetUp() override { GGiveUp = false; }
    TMediaEngineScope Engine;  // the interrupt registry
};

TEST_F(SourceReaderTest, PassesBytesSeeksAndTheEnd)
{
    TSourceReader reader(std::make_unique<test::TTestStream>("abcdefgh"));
    uint8_t buffer[16] = {};
    ASSERT_EQ(reader.Read(buffer, 3), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), "abc");
    EXPECT_EQ(reader.Size(), 8);
    EXPECT_EQ(reader.Seek(-1, SEEK_CUR), 2);
    ASSERT_EQ(reader.Read(buffer, 16), 6);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 6), "cdefgh");
    EXPECT_EQ(reader.Read(buffer, 16), 0);
}

TEST_F(SourceReaderTest, AGivenUpReadKeepsItsBytesForTheNextRead)
{
    auto gate = std::make_shared<test::TTestStream::TGate>();
    auto stream = std::make_unique<test::TTestStream>("0123456789", gate, 4);
    {
        TSourceReader reader(std::move(stream));
        TInterruptScope scope(nullptr, GiveUp);
        uint8_t buffer[16] = {};
        ASSERT_EQ(reader.Read(buffer, 4), 4);

        std::thread giveUp([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            GGiveUp = true;
        });
        EXPECT_EQ(reader.Read(buffer, 4), AVERROR_EXIT);  // blocked at byte 4
        giveUp.join();
        EXPECT_EQ(reader.Seek(0, SEEK_CUR), AVERROR_EXIT);  // still blocked

        GGiveUp = false;
        EXPECT_EQ(reader.Problems(), "") << "asking for problems does not wait for the stalled read";
        gate->Release();
        ASSERT_EQ(reader.Read(buffer, 2), 2);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 2), "45");
        // The stream is ahead by the two bytes not handed out yet.
        EXPECT_EQ(reader.Seek(0, SEEK_CUR), 6);
        ASSERT_EQ(reader.Read(buffer, 16), 4);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "6789");
    }
    EXPECT_TRUE(gate->WaitDestroyed(1000));
}

TEST_F(SourceReaderTest, AReaderDestroyedWhileItsStreamIsBlockedLeavesTheStreamToFinish)
{
    auto gate = std::make_shared<test::TTestStream::TGate>();
    const int running = LingeringThreads().Reap();
    {
        TSourceReader reader(std::make_unique<test::TTestStream>("0123", gate, 0));
        TInterruptScope scope(nullptr, GiveUp);
        GGiveUp = true;
        uint8_t buffer[4];
        EXPECT_EQ(reader.Read(buffer, 4), AVERROR_EXIT);
    }  // must not wait for the blocked Read
    EXPECT_FALSE(gate->WaitDestroyed(0));
    EXPECT_EQ(LingeringThreads().Reap(), running + 1);  // its reading thread is kept
    gate->Release();
    EXPECT_TRUE(gate->WaitDestroyed(1000));
    // Once the read is over the thread ends and is joined.
    test::WaitFor([&] { return LingeringThreads().Reap() <= running; }, std::chrono::seconds(1));
    EXPECT_EQ(LingeringThreads().Reap(), running);
}

// Every read is a hand-off to the reading thread: the libraries' small
// reads are served from few large ones, and in order.
TEST_F(SourceReaderTest, SmallReadsAreServedFromFewLargeOnes)
{
    struct TCountingStream : test::TTestStream {
        using TTestStream::TTestStream;
        int Read(uint8_t* buffer, int size) override
        {
            ++Reads;
            return TTestStream::Read(buffer, size);
        }
        int Reads = 0;
    };
    std::string bytes(4 * 1024 * 1024, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 / 4096);
    auto owned = std::make_unique<TCountingStream>(bytes);
    TCountingStream& stream = *owned;
    TSourceReader reader(std::move(owned));
    std::string read;
    std::vector<uint8_t> buffer(64 * 1024);
    for (int n; (n = reader.Read(buffer.data(), static_cast<int>(buffer.size()))) > 0;)
        read.append(buffer.begin(), buffer.begin() + n);
    EXPECT_TRUE(read == bytes);
    EXPECT_LE(stream.Reads, 5);  // four full ones and the end
}

}  // namespace
