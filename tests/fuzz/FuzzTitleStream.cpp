// The title stream on damaged video: the seed disc's information files with
// the input as the first titleset's VOB. Title 1 is read to its end through
// the plug-in, with a seek back and forth, as the demuxer would; damaged
// packs, short files and wild timestamps must give a stream or a message,
// never a crash, a hang or memory sized by the damage.
#include "tests/LibAV/DvdPlugin.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace vidrelo;

namespace {

void ReadAll(TDVDSource* source, const TDVDSourceInfo& info)
{
    const test::DvdPlugin& plugin = test::DvdPlugin::Get();
    std::vector<uint8_t> buffer(65536);
    int64_t total = 0;
    for (;;) {
        const int32_t n = plugin.Source.Read(source, buffer.data(), static_cast<int32_t>(buffer.size()));
        if (n <= 0)
            break;
        total += n;
        if (total > info.Size)
            std::abort();  // a stream longer than it said it was
    }
    plugin.Source.Seek(source, info.Size / 2, SEEK_SET);
    plugin.Source.Read(source, buffer.data(), 4096);
    plugin.Source.Seek(source, 0, SEEK_SET);
    plugin.Source.Read(source, buffer.data(), 4096);
    test::SourceProblems(source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static const std::string disc = fuzz::WriteSeedDisc(fuzz::WorkDir() + "/stream-disc");
    test::WriteFile(disc + "/VIDEO_TS/VTS_01_1.VOB", {reinterpret_cast<const char*>(data), size});
    for (const char* settings : {"Title=1,AudioID=128", "Title=1,FromChapter=2,SubtitleID=32"}) {
        TDVDSourceInfo info{};
        std::string error;
        test::SourcePtr source = test::OpenSource(test::SourceString(disc, settings), info, error);
        if (source)
            ReadAll(source.get(), info);
    }
    return 0;
}
