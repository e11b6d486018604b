// The loader's companions: the SDL loader, the interrupt registry, the
// source protocol registry and the file-name hand-over.
#include "engine/MediaEngine.h"
#include "engine/ThreadId.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaURL.h"
#include "engine/loader/TFFLoader.h"
#include "engine/loader/TInterruptCB.h"
#include "engine/loader/TSDLLoader.h"
#include "engine/loader/TSourceProtocols.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace vidrelo;

namespace {

TEST(SDLLoaderTest, PlayersShareOneLibraryButBindAndFailOnTheirOwn)
{
    const std::string emptyLibAV = test::MakeTempDir("LibAV");
    TSDLLoader first;
    TSDLLoader second;
    ASSERT_TRUE(first.Load(emptyLibAV)) << first.LastErrMsg();  // not in LibAV: the system's
    ASSERT_TRUE(second.Load(emptyLibAV)) << second.LastErrMsg();
    EXPECT_TRUE(first.Load(emptyLibAV));  // asking again for the same file succeeds at once

    first.Unload();
    EXPECT_FALSE(first.Loaded());
    EXPECT_EQ(first.SDL_GetVersion, nullptr);
    SDL_version version{};
    second.SDL_GetVersion(&version);  // still mapped for the other player
    EXPECT_EQ(version.major, 2);

    const std::string broken = test::MakeTempDir("LibAV-broken");
    std::ofstream(broken + "/" + TSDLLoader::LibraryFile) << "garbage";
    EXPECT_FALSE(first.Load(broken));
    EXPECT_EQ(first.LastErrMsg().rfind("Load library " + broken + "/" + TSDLLoader::LibraryFile + " error: ", 0), 0u)
        << first.LastErrMsg();
    EXPECT_TRUE(second.Loaded());
}

bool AlwaysInterrupt(void*) { return true; }
bool NeverInterrupt(void*) { return false; }
bool AskSender(void* sender) { return static_cast<std::atomic<bool>*>(sender)->load(); }

TEST(InterruptCBTest, EntriesAreMatchedByThreadSenderAndProcedure)
{
    TInterruptCB registry;
    int senderA = 0;
    int senderB = 0;
    EXPECT_FALSE(registry.Interrupt(7));
    registry.Add(7, &senderA, NeverInterrupt);
    registry.Add(7, &senderA, NeverInterrupt);  // a duplicate is not added
    registry.Add(7, &senderB, AlwaysInterrupt);
    EXPECT_EQ(registry.Count(), 2u);
    EXPECT_FALSE(registry.Interrupt(7));  // the first entry of the thread answers
    EXPECT_FALSE(registry.Interrupt(8));
    registry.Remove(7, &senderA, AlwaysInterrupt);  // other procedure: nothing removed
    EXPECT_EQ(registry.Count(), 2u);
    registry.Remove(7, &senderA, NeverInterrupt);
    EXPECT_TRUE(registry.Interrupt(7));
    registry.Clear();
    EXPECT_EQ(registry.Count(), 0u);
}

TEST(InterruptCBTest, CallbackAnswersForTheCallingThreadOnly)
{
    TMediaEngineScope engine;
    std::atomic<bool> stop{true};
    TInterruptScope scope(&stop, AskSender);
    EXPECT_EQ(IOInterruptCallback(nullptr), 1);
    int otherThreadAnswer = -1;
    std::thread([&] { otherThreadAnswer = IOInterruptCallback(nullptr); }).join();
    EXPECT_EQ(otherThreadAnswer, 0);
    stop = false;
    EXPECT_EQ(IOInterruptCallback(nullptr), 0);
}

// A loopback port nobody listens on right now.
int FreeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

TEST(InterruptCBTest, AbandonsABlockingOpenOfTheLibraries)
{
    TMediaEngineScope engine;
    TFFLoader& loader = TMediaEngine::Loader();
    loader.SetInstallLogger(false);
    ASSERT_TRUE(loader.Load(EncoderLibraries)) << loader.LastErrMsg();

    // A listening socket blocks until a peer connects: only the interrupt
    // callback can end the wait.
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    AVFormatContext* context = ff::avformat_alloc_context();
    InstallInterruptCallback(context);
    int result;
    {
        TInterruptScope scope(&stop, AskSender);
        const std::string url = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "?listen=1";
        result = ff::avformat_open_input(&context, url.c_str(), nullptr, nullptr);
    }
    stopper.join();
    EXPECT_EQ(result, AVERROR_EXIT);
    EXPECT_EQ(context, nullptr);  // freed by the failed open
}

class TMemoryStream : public ISourceStream {
public:
    int Read(uint8_t*, int) override { return 0; }
    int64_t Seek(int64_t, int) override { return 0; }
    int64_t Size() override { return 0; }
};

TEST(SourceProtocolsTest, OpenersAreFoundByTheirPrefixOnly)
{
    TSourceProtocols registry;
    std::string opened;
    registry.Register("opendvd", [&](const std::string& url) {
        opened = url;
        TSourceOpenResult r;
        r.Stream = std::make_unique<TMemoryStream>();
        r.Hints.ForceFormat = "mpeg";
        return r;
    });
    EXPECT_FALSE(registry.Find("/media/opendvd:x"));
    EXPECT_FALSE(registry.Find("opendvdx:title"));
    EXPECT_FALSE(registry.Find("opendvd"));
    auto opener = registry.Find("opendvd:/dev/sr0|Title=1");
    ASSERT_TRUE(opener);
    EXPECT_EQ(opener("opendvd:/dev/sr0|Title=1").Hints.ForceFormat, "mpeg");
    EXPECT_EQ(opened, "opendvd:/dev/sr0|Title=1");

    registry.Register("opendvd", [](const std::string&) { return TSourceOpenResult{nullptr, {}, "replaced"}; });
    EXPECT_EQ(registry.Find("opendvd:x")("opendvd:x").Error, "replaced");
    registry.Unregister("opendvd");
    EXPECT_FALSE(registry.Find("opendvd:x"));
}

TEST(MediaURLTest, NamesTravelAsUtf8BytesAndComeBackShowable)
{
    const std::string name = "/home/ana/Vidéos/東京 2010/Title1.mp4";
    EXPECT_EQ(EncodeMediaURL(name).value(), name);
    EXPECT_EQ(EncodeMediaURL("udp://239.0.0.1:1234").value(), "udp://239.0.0.1:1234");
    EXPECT_FALSE(EncodeMediaURL(std::string("a\0b", 3)).has_value());

    EXPECT_EQ(DecodeMediaURL(name), name);
    // A name in Latin-1 on disk, an overlong encoding, a lone surrogate, a cut sequence.
    EXPECT_EQ(DecodeMediaURL("Vid\xE9os"), "Vid\xEF\xBF\xBDos");
    EXPECT_EQ(DecodeMediaURL("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(DecodeMediaURL("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(DecodeMediaURL("ok\xE6\x9D"), "ok\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
