// The disc scan on damaged information files: the input is a set of IFO and
// BUP files (FuzzSupport's SplitFiles), written into a VIDEO_TS folder beside
// VOBs of the seed disc's sizes. The plug-in scans it as the program does,
// describes every title and opens the start of each; whatever the tables
// say, it must answer with titles or a message, never crash or hang.
#include "tests/LibAV/DvdPlugin.h"
#include "tests/fuzz/FuzzSupport.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace vidrelo;

namespace {

// The seed disc's VOB sizes: cells are checked against them.
struct TVob {
    const char* Name;
    uintmax_t Size;
};
const TVob kVobs[] = {{"VTS_01_1.VOB", 2959360}, {"VTS_02_1.VOB", 3760128}};

std::string MakeDisc(const uint8_t* data, std::size_t size)
{
    const std::string disc = fuzz::WorkDir() + "/disc";
    const std::string videoTs = disc + "/VIDEO_TS";
    std::error_code ignored;
    fs::remove_all(disc, ignored);
    fs::create_directories(videoTs);
    for (const fuzz::TNamedFile& f : fuzz::SplitFiles(data, size, fuzz::IfoSetNames()))
        test::WriteFile(videoTs + "/" + f.Name, f.Bytes);
    for (const TVob& vob : kVobs) {
        test::WriteFile(videoTs + "/" + vob.Name, "");
        fs::resize_file(videoTs + "/" + vob.Name, vob.Size);  // sparse: zeros cost nothing
    }
    return disc;
}

void ReadTitleStart(const std::string& disc, int title, const TDVDTitleInfo& record)
{
    std::string settings = "Title=" + std::to_string(title);
    if (record.AudioCount > 0)
        settings += ",AudioID=" + std::to_string(record.Audio[0].StreamID);
    TDVDSourceInfo info{};
    std::string error;
    test::SourcePtr source = test::OpenSource(test::SourceString(disc, settings), info, error);
    if (!source)
        return;
    std::vector<uint8_t> buffer(32768);
    for (int i = 0; i < 4; ++i)
        if (test::DvdPlugin::Get().Source.Read(source.get(), buffer.data(), static_cast<int32_t>(buffer.size())) <= 0)
            break;
    test::SourceProblems(source.get());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const test::DvdPlugin& plugin = test::DvdPlugin::Get();
    const std::string disc = MakeDisc(data, size);
    const int32_t titles = plugin.EnumTitle(disc.c_str());
    plugin.LastError();
    for (int32_t i = 0; i < titles; ++i) {
        TDVDTitleInfo info{};
        if (plugin.GetTitle(i, &info) && info.IsValid)
            ReadTitleStart(disc, i + 1, info);
    }
    return 0;
}
