#include "tests/fuzz/FuzzSupport.h"

#include "tests/LibAV/DvdPlugin.h"
#include "tests/support/TestPaths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vidrelo::fuzz {

namespace {

struct TWorkDir {
    std::string Path = test::MakePrivateHome();
    ~TWorkDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }
};

}  // namespace

const std::string& WorkDir()
{
    static const TWorkDir dir;
    return dir.Path;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string FuzzSourceDir() { return VIDRELO_FUZZ_SOURCE_DIR; }

std::vector<TNamedFile> SplitFiles(const uint8_t* data, std::size_t size, const std::vector<std::string>& names)
{
    std::vector<TNamedFile> files;
    std::size_t at = 0;
    while (at + 4 <= size) {
        const std::string& name = names[data[at] % names.size()];
        const std::size_t length = data[at + 1] | (data[at + 2] << 8) | (data[at + 3] << 16);
        at += 4;
        const std::size_t taken = std::min(length, size - at);
        std::string bytes(reinterpret_cast<const char*>(data + at), taken);
        at += taken;
        const auto same = std::find_if(files.begin(), files.end(), [&](const TNamedFile& f) { return f.Name == name; });
        if (same != files.end())
            same->Bytes = std::move(bytes);
        else
            files.push_back({name, std::move(bytes)});
    }
    return files;
}

std::string JoinFiles(const std::vector<TNamedFile>& files, const std::vector<std::string>& names)
{
    std::string out;
    for (const TNamedFile& f : files) {
        const auto index = std::find(names.begin(), names.end(), f.Name) - names.begin();
        const std::size_t length = f.Bytes.size();
        out += static_cast<char>(index);
        out += static_cast<char>(length & 0xFF);
        out += static_cast<char>((length >> 8) & 0xFF);
        out += static_cast<char>((length >> 16) & 0xFF);
        out += f.Bytes;
    }
    return out;
}

const std::vector<std::string>& IfoSetNames()
{
    static const std::vector<std::string> names = {"VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_01_0.IFO",
                                                   "VTS_01_0.BUP", "VTS_02_0.IFO", "VTS_02_0.BUP"};
    return names;
}

std::string WriteSeedDisc(const std::string& folder)
{
    const std::string videoTs = folder + "/VIDEO_TS";
    if (std::filesystem::exists(videoTs + "/VTS_01_1.VOB"))
        return folder;
    std::filesystem::create_directories(videoTs);
    const std::string ifos = ReadBytes(FuzzSourceDir() + "/corpus/disc_scan/discA");
    for (const TNamedFile& f : SplitFiles(reinterpret_cast<const uint8_t*>(ifos.data()), ifos.size(), IfoSetNames()))
        test::WriteFile(videoTs + "/" + f.Name, f.Bytes);
    test::WriteFile(videoTs + "/VTS_02_1.VOB", "");
    test::WriteFile(videoTs + "/VTS_01_1.VOB", ReadBytes(FuzzSourceDir() + "/corpus/title_stream/discA-vts1-start"));
    return folder;
}

}  // namespace vidrelo::fuzz
