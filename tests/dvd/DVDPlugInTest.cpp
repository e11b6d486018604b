// The program's binding of the DVD plug-in, against stand-in plug-ins: the
// load and its failures, the wrappers, the names of the record's codes, and
// the "opendvd" source the binding registers with the engine.
#include "dvd/DVDPlugIn.h"
#include "engine/EngineError.h"
#include "engine/MediaEngine.h"
#include "engine/loader/TSourceProtocols.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace vidrelo;

namespace {

std::string Fake(const std::string& variant)
{
    return std::string(FAKE_PLUGIN_DIR) + "/" + variant;
}

int InitCount(const std::string& variant)
{
    void* handle = ::dlopen((Fake(variant) + "/libdvddec.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return -1;
    auto count = reinterpret_cast<int32_t (*)()>(::dlsym(handle, "FakeInitCount"));
    const int result = count ? count() : -1;
    ::dlclose(handle);
    return result;
}

class DVDPlugInTest : public ::testing::Test {
protected:
    void TearDown() override { UnloadDVDPlugin(); }
    TMediaEngineScope Engine;
};

TEST_F(DVDPlugInTest, LoadsInitialisesOnceAndServesTheWrappers)
{
    ASSERT_TRUE(LoadDVDPlugin(Fake("full"))) << DVDPluginLastError();
    EXPECT_TRUE(DVDPluginLoaded());
    const int inits = InitCount("full");
    EXPECT_GE(inits, 1);
    EXPECT_TRUE(LoadDVDPlugin(Fake("full")));
    EXPECT_TRUE(LoadDVDPlugin("/no/such/folder"));  // already loaded: nothing is looked up
    EXPECT_EQ(InitCount("full"), inits);

    EXPECT_EQ(DVDPluginVersion(), "1.2.3.4");
    EXPECT_EQ(EnumDVDTitles("/media/disc"), 2);
    EXPECT_EQ(EnumDVDTitles("/media/nodisc"), 0);
    EXPECT_EQ(DVDPluginDiscError(), "No DVD found at /media/nodisc.");

    TDVDTitleInfo info;
    std::memset(&info, 0x5A, sizeof info);
    ASSERT_TRUE(GetDVDTitle(1, info));
    EXPECT_DOUBLE_EQ(info.Length, 11.5);
    EXPECT_EQ(info.Audio[0].StreamID, 0x80);
    EXPECT_EQ(info.SubtitleCount, 0) << "the record is zero-filled before the plug-in fills it";
    EXPECT_EQ(info.Sectors, 0);
    EXPECT_FALSE(GetDVDTitle(2, info));
}

TEST_F(DVDPlugInTest, EveryExportIsRequiredAndAFailedLoadLeavesNothingBound)
{
    for (const char* entry :
         {"DVDInitialize", "DVDEnumTitle", "DVDGetTitle", "DVDSetParam", "DVDGetLibVersion", "DVDOpenSource"}) {
        SCOPED_TRACE(entry);
        EXPECT_FALSE(LoadDVDPlugin(Fake(std::string("without_") + entry)));
        EXPECT_FALSE(DVDPluginLoaded());
        const std::string error = DVDPluginLastError();
        EXPECT_EQ(error.rfind(std::string("Load function ") + entry + "@", 0), 0u) << error;
        EXPECT_NE(error.find("libdvddec.so error: "), std::string::npos) << error;
        EXPECT_THROW(EnumDVDTitles("/media/disc"), EEngineError);
        EXPECT_FALSE(TMediaEngine::SourceProtocols().Find("opendvd:/media/disc|Title=1"));
    }
    // The next attempt loads the whole plug-in again.
    EXPECT_TRUE(LoadDVDPlugin(Fake("full")));
}

TEST_F(DVDPlugInTest, FailuresSayWhatWentWrong)
{
    EXPECT_FALSE(LoadDVDPlugin(Fake("initfails")));
    EXPECT_NE(DVDPluginLastError().find("could not be initialised"), std::string::npos) << DVDPluginLastError();
    EXPECT_FALSE(DVDPluginLoaded());

    EXPECT_FALSE(LoadDVDPlugin("/no/such/folder"));
    EXPECT_EQ(DVDPluginLastError().rfind("Load library /no/such/folder/libdvddec.so error: ", 0), 0u)
        << DVDPluginLastError();
}

TEST_F(DVDPlugInTest, UnboundWrappersRaise)
{
    TDVDTitleInfo info{};
    for (auto call : std::vector<std::function<void()>>{
             [] { EnumDVDTitles("/dev/sr0"); }, [&] { GetDVDTitle(0, info); }, [] { DVDPluginVersion(); },
             [] { DVDPluginDiscError(); }}) {
        try {
            call();
            ADD_FAILURE() << "no error raised";
        } catch (const EEngineError& e) {
            EXPECT_STREQ(e.what(), "DVD plug-in library is not loaded.");
        }
    }
}

TEST_F(DVDPlugInTest, CodeNames)
{
    EXPECT_EQ(DVDVersionText(0x01000000), "1.0.0.0");
    EXPECT_EQ(DVDVersionText(0xFF0A0B0C), "255.10.11.12");
    const char* types[] = {"Unknown", "MPEG-1", "MPEG-2", "MPA", "AC3", "DTS", "LPCM", "SUB", "Unknown"};
    for (int code = 0; code <= 8; ++code)
        EXPECT_EQ(DVDStreamTypeName(code), types[code]) << code;
    EXPECT_EQ(DVDStreamTypeName(-1), "Unknown");
    EXPECT_EQ(DVDNormName(0), "PAL");
    EXPECT_EQ(DVDNormName(1), "NTSC");
    EXPECT_EQ(DVDNormName(2), "Unknown");
    EXPECT_EQ(DVDAspectName(0), "TV(4:3)");
    EXPECT_EQ(DVDAspectName(1), "HDTV(16:9)");
    EXPECT_EQ(DVDAspectName(-1), "Unknown");
}

TEST_F(DVDPlugInTest, TheLoadedPluginServesOpendvdSources)
{
    ASSERT_TRUE(LoadDVDPlugin(Fake("full")));
    const TSourceOpener opener = TMediaEngine::SourceProtocols().Find("opendvd:/media/disc|Title=1");
    ASSERT_TRUE(opener);

    TSourceOpenResult refused = opener("opendvd:/media/disc|Title=9");
    EXPECT_FALSE(refused.Stream);
    EXPECT_EQ(refused.Error, "Title 9 is beyond the disc's 2 titles.");

    TSourceOpenResult opened = opener("opendvd:/media/disc|Title=1");
    ASSERT_TRUE(opened.Stream) << opened.Error;
    const TSourceHints& hints = opened.Hints;
    EXPECT_EQ(hints.ForceFormat, "mpeg");
    EXPECT_EQ(hints.Duration, 10500000);
    EXPECT_EQ(hints.StartTime, 40000);
    EXPECT_EQ(hints.ChapterStarts, (std::vector<int64_t>{0, 5000000}));
    ASSERT_EQ(hints.Streams.size(), 2u);
    EXPECT_EQ(hints.Streams[0].Kind, TSourceStreamHint::Video);
    EXPECT_EQ(hints.Streams[0].Codec, "mpeg2video");
    EXPECT_EQ(hints.Streams[1].Kind, TSourceStreamHint::Subtitle);
    EXPECT_EQ(hints.Streams[1].Id, 0x20);
    EXPECT_EQ(hints.Streams[1].Codec, "dvd_subtitle");
    EXPECT_TRUE(hints.Deinterlace);
    EXPECT_EQ(hints.AudioChannels, 2);
    ASSERT_EQ(hints.SubtitlePalette.size(), 16u);
    EXPECT_EQ(hints.SubtitlePalette[1], 0x111111u);
    EXPECT_EQ(hints.SubtitlePalette[15], 0xFFFFFFu);
    EXPECT_TRUE(opener("opendvd:/media/disc|Title=2").Hints.SubtitlePalette.empty());

    ISourceStream& stream = *opened.Stream;
    EXPECT_EQ(stream.Size(), 4096);
    EXPECT_EQ(stream.Seek(1000, SEEK_SET), 1000);
    uint8_t bytes[4] = {};
    ASSERT_EQ(stream.Read(bytes, 4), 4);
    EXPECT_EQ(bytes[0], 1000 & 0xFF);
    EXPECT_EQ(stream.Seek(-4, SEEK_END), 4092);
    EXPECT_EQ(stream.Read(bytes, 4), 4);
    EXPECT_EQ(stream.Read(bytes, 4), 0);
    EXPECT_EQ(stream.Problems(), "2 damaged sector(s) skipped");

    // Unloading withdraws the source; a stream already open keeps working.
    UnloadDVDPlugin();
    EXPECT_FALSE(TMediaEngine::SourceProtocols().Find("opendvd:/media/disc|Title=1"));
    EXPECT_EQ(stream.Seek(0, SEEK_SET), 0);
}

}  // namespace
