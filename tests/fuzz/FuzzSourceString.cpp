// The "opendvd:" source string: parsed as it stands, then opened through the
// plug-in with its path replaced by the seed disc (a fuzzed path could name
// any file of this machine), so that the numbers it carries meet a real
// disc's titles, chapters and streams.
#include "LibAV/DVDSourceString.h"
#include "tests/LibAV/DvdPlugin.h"
#include "tests/fuzz/FuzzSupport.h"

#include <string>
#include <vector>

using namespace vidrelo;

namespace {

// `text` with the part between "opendvd:" and the last '|' replaced by `path`.
std::string OnDisc(const std::string& text, const std::string& path)
{
    static const std::string prefix = "opendvd:";
    const std::size_t bar = text.rfind('|');
    if (text.compare(0, prefix.size(), prefix) != 0 || bar == std::string::npos || bar < prefix.size())
        return text;
    return prefix + path + text.substr(bar);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static const std::string disc = fuzz::WriteSeedDisc(fuzz::WorkDir() + "/source-disc");
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    dvddec::ParseDVDSource(text, error);

    const std::string source = OnDisc(text, disc);
    if (source == text)
        return 0;
    TDVDSourceInfo info{};
    test::SourcePtr opened = test::OpenSource(source, info, error);
    if (opened) {
        std::vector<uint8_t> buffer(16384);
        test::DvdPlugin::Get().Source.Read(opened.get(), buffer.data(), static_cast<int32_t>(buffer.size()));
    }
    return 0;
}
