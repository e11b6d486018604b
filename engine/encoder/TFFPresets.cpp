#include "engine/encoder/TFFPresets.h"

#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TextUtils.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

namespace vidrelo {
namespace {

using TLines = std::vector<std::pair<std::string, std::string>>;

// The presets as written for the libx264 wrapper of 2010. Most presets are
// "libx264-default" with a few values changed; the rest have lines of their
// own.
const char* const kDefaultLines =
    "coder=1, flags=+loop, cmp=+chroma, partitions=+parti8x8+parti4x4+partp8x8+partb8x8, me_method=hex, subq=7, "
    "me_range=16, g=250, keyint_min=25, sc_threshold=40, i_qfactor=0.71, b_strategy=1, qcomp=0.6, qmin=10, "
    "qmax=51, qdiff=4, bf=3, refs=3, directpred=1, trellis=1, flags2=+mixed_refs+wpred+dct8x8+fastpskip, wpredp=2";

struct TPresetSource {
    const char* Name;
    bool FromDefault;  // Lines change values of the default lines
    const char* Lines;
};

const TPresetSource kPresetSources[] = {
    {"default", true, ""},
    {"fast", true, "subq=6, refs=2, flags2=+bpyramid+mixed_refs+wpred+dct8x8+fastpskip"},
    {"fast_firstpass", true,
     "partitions=-parti8x8-parti4x4-partp8x8-partb8x8, me_method=dia, subq=2, refs=1, trellis=0, "
     "flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip"},
    {"faster", true, "subq=4, refs=2, flags2=+bpyramid-mixed_refs+wpred+dct8x8+fastpskip, wpredp=1"},
    {"faster_firstpass", true,
     "partitions=-parti8x8-parti4x4-partp8x8-partb8x8, me_method=dia, subq=2, refs=1, trellis=0, "
     "flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip, wpredp=1"},
    {"fastfirstpass", true,
     "partitions=-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8, me_method=dia, subq=2, refs=1, directpred=3, "
     "trellis=0, flags2=-bpyramid-wpred-mixed_refs-dct8x8+fastpskip, wpredp=2"},
    {"hq", true, "me_method=umh, subq=8, b_strategy=2, refs=4, directpred=3, flags2=+wpred+mixed_refs+dct8x8+fastpskip"},
    {"max", true,
     "partitions=+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8, me_method=tesa, subq=10, me_range=24, "
     "b_strategy=2, refs=16, directpred=3, trellis=2, flags2=+wpred+mixed_refs+dct8x8-fastpskip"},
    {"medium", true, "flags2=+bpyramid+mixed_refs+wpred+dct8x8+fastpskip"},
    {"medium_firstpass", true,
     "partitions=-parti8x8-parti4x4-partp8x8-partb8x8, me_method=dia, subq=2, refs=1, trellis=0, "
     "flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip"},
    {"normal", true, "subq=6, refs=2, directpred=3, trellis=0, flags2=+wpred+dct8x8+fastpskip"},
    {"placebo", true,
     "partitions=+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8, me_method=tesa, subq=10, me_range=24, "
     "b_strategy=2, bf=16, refs=16, directpred=3, trellis=2, flags2=+bpyramid+mixed_refs+wpred+dct8x8-fastpskip"},
    {"placebo_firstpass", true,
     "partitions=+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8, me_method=tesa, subq=10, me_range=24, "
     "b_strategy=2, bf=16, refs=16, directpred=3, trellis=2, flags2=+bpyramid+mixed_refs+wpred+dct8x8-fastpskip"},
    {"slow", true,
     "me_method=umh, subq=8, b_strategy=2, refs=5, directpred=3, flags2=+bpyramid+mixed_refs+wpred+dct8x8+fastpskip"},
    {"slow_firstpass", true,
     "partitions=-parti8x8-parti4x4-partp8x8-partb8x8, me_method=dia, subq=2, b_strategy=2, refs=1, directpred=3, "
     "trellis=0, flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip"},
    {"slower", true,
     "partitions=+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8, me_method=umh, subq=9, b_strategy=2, refs=8, "
     "directpred=3, trellis=2, flags2=+bpyramid+mixed_refs+wpred+dct8x8+fastpskip"},
    {"slower_firstpass", true,
     "partitions=-parti8x8-parti4x4-partp8x8-partb8x8, me_method=dia, subq=2, b_strategy=2, refs=1, directpred=3, "
     "trellis=0, flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip"},
    {"slowfirstpass", true, "subq=6, b_strategy=2, refs=1, directpred=3, trellis=0, flags2=+wpred+dct8x8+fastpskip"},
    {"superfast", true,
     "partitions=+parti8x8+parti4x4-partp8x8-partb8x8, me_method=dia, subq=1, refs=1, trellis=0, "
     "flags2=+bpyramid-mixed_refs+wpred+dct8x8+fastpskip-mbtree, wpredp=0"},
    {"superfast_firstpass", true,
     "partitions=-parti8x8-parti4x4-partp8x8-partb8x8, me_method=dia, subq=1, refs=1, trellis=0, "
     "flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip-mbtree, wpredp=0"},
    {"ultrafast", true,
     "coder=0, flags=-loop, partitions=-parti8x8-parti4x4-partp8x8-partb8x8, me_method=dia, subq=0, "
     "sc_threshold=0, b_strategy=0, bf=0, refs=1, trellis=0, "
     "flags2=-bpyramid-mixed_refs-wpred-dct8x8+fastpskip-mbtree, wpredp=0"},
    {"ultrafast_firstpass", true,
     "coder=0, flags=-loop, partitions=-parti8x8-parti4x4-partp8x8-partb8x8, me_method=dia, subq=0, "
     "sc_threshold=0, b_strategy=0, bf=0, refs=1, trellis=0, "
     "flags2=-bpyramid-mixed_refs-wpred-dct8x8+fastpskip-mbtree, wpredp=0"},
    {"veryfast", true, "subq=2, refs=1, trellis=0, flags2=+bpyramid-mixed_refs+wpred+dct8x8+fastpskip-mbtree, wpredp=0"},
    {"veryfast_firstpass", true,
     "partitions=-parti8x8-parti4x4-partp8x8-partb8x8, me_method=dia, subq=2, refs=1, trellis=0, "
     "flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip-mbtree, wpredp=0"},
    {"veryslow", true,
     "partitions=+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8, me_method=umh, subq=10, me_range=24, "
     "b_strategy=2, bf=8, refs=16, directpred=3, trellis=2, flags2=+bpyramid+mixed_refs+wpred+dct8x8+fastpskip"},
    {"veryslow_firstpass", true,
     "partitions=-parti8x8-parti4x4-partp8x8-partb8x8, me_method=dia, subq=2, me_range=24, b_strategy=2, bf=8, "
     "refs=1, directpred=3, trellis=0, flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip"},
    {"baseline", false, "coder=0, bf=0, flags2=-wpred-dct8x8, wpredp=0"},
    {"ipod320", false, "coder=0, bf=0, flags2=-wpred-dct8x8, level=13, maxrate=768000, bufsize=3000000, wpredp=0"},
    {"ipod640", false,
     "coder=0, bf=0, refs=1, flags2=-wpred-dct8x8, level=30, maxrate=10000000, bufsize=10000000, wpredp=0"},
    {"lossless_fast", false,
     "coder=0, flags=+loop, cmp=+chroma, partitions=-parti8x8+parti4x4+partp8x8-partp4x4-partb8x8, me_method=hex, "
     "subq=3, me_range=16, g=250, keyint_min=25, sc_threshold=40, i_qfactor=0.71, b_strategy=1, qcomp=0.6, "
     "qmin=10, qmax=51, qdiff=4, directpred=1, flags2=+fastpskip, cqp=0, wpredp=0"},
    {"lossless_max", false,
     "coder=1, flags=+loop, cmp=+chroma, partitions=+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8, me_method=esa, "
     "subq=8, me_range=16, g=250, keyint_min=25, sc_threshold=40, i_qfactor=0.71, b_strategy=1, qcomp=0.6, "
     "qmin=10, qmax=51, qdiff=4, refs=16, directpred=1, flags2=+mixed_refs+dct8x8+fastpskip, cqp=0, wpredp=2"},
    {"lossless_medium", false,
     "coder=1, flags=+loop, cmp=+chroma, partitions=-parti8x8+parti4x4+partp8x8+partp4x4-partb8x8, me_method=hex, "
     "subq=5, me_range=16, g=250, keyint_min=25, sc_threshold=40, i_qfactor=0.71, b_strategy=1, qcomp=0.6, "
     "qmin=10, qmax=51, qdiff=4, directpred=1, flags2=+fastpskip, cqp=0, wpredp=2"},
    {"lossless_slow", false,
     "coder=1, flags=+loop, cmp=+chroma, partitions=+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8, me_method=umh, "
     "subq=6, me_range=16, g=250, keyint_min=25, sc_threshold=40, i_qfactor=0.71, b_strategy=1, qcomp=0.6, "
     "qmin=10, qmax=51, qdiff=4, refs=2, directpred=1, flags2=+dct8x8+fastpskip, cqp=0, wpredp=2"},
    {"lossless_slower", false,
     "coder=1, flags=+loop, cmp=+chroma, partitions=+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8, me_method=umh, "
     "subq=8, me_range=16, g=250, keyint_min=25, sc_threshold=40, i_qfactor=0.71, b_strategy=1, qcomp=0.6, "
     "qmin=10, qmax=51, qdiff=4, refs=4, directpred=1, flags2=+mixed_refs+dct8x8+fastpskip, cqp=0, wpredp=2"},
    {"lossless_ultrafast", false,
     "coder=0, flags=+loop, cmp=+chroma, partitions=-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8, me_method=dia, "
     "subq=0, me_range=16, g=250, keyint_min=25, sc_threshold=40, i_qfactor=0.71, b_strategy=1, qcomp=0.6, "
     "qmin=10, qmax=51, qdiff=4, directpred=1, flags2=+fastpskip, cqp=0"},
    {"main", false, "flags2=-dct8x8"},
};

// "a=1, b=2" as ordered pairs.
TLines SplitLines(const std::string& lines)
{
    TLines result;
    std::stringstream in(lines);
    std::string item;
    while (std::getline(in, item, ',')) {
        item = Trim(item);
        if (item.empty())
            continue;
        const std::size_t eq = item.find('=');
        result.emplace_back(item.substr(0, eq), item.substr(eq + 1));
    }
    return result;
}

TLines SourceLines(const TPresetSource& source)
{
    if (!source.FromDefault)
        return SplitLines(source.Lines);
    TLines lines = SplitLines(kDefaultLines);
    for (const auto& [key, value] : SplitLines(source.Lines))
        for (auto& line : lines)
            if (line.first == key)
                line.second = value;
    return lines;
}

std::string RestatedText(const TLines& lines)
{
    std::string text;
    for (const auto& [key, value] : lines)
        for (const TPresetLine& line : TFFPresets::RestateX264Option(key, value))
            text += line.Key + "=" + line.Value + "\n";
    return text;
}

// "+parti8x8-parti4x4+partp8x8" and the like: each item with its sign.
std::vector<std::pair<bool, std::string>> SignedItems(const std::string& value)
{
    std::vector<std::pair<bool, std::string>> items;
    std::size_t i = 0;
    while (i < value.size()) {
        const bool on = value[i] != '-';
        if (value[i] == '+' || value[i] == '-')
            ++i;
        const std::size_t end = value.find_first_of("+-", i);
        items.emplace_back(on, value.substr(i, end == std::string::npos ? std::string::npos : end - i));
        i = end == std::string::npos ? value.size() : end;
    }
    return items;
}

// The partitions the 2010 flags switch on, in today's list syntax.
std::string RestatePartitions(const std::string& value)
{
    std::string list;
    for (const auto& [on, item] : SignedItems(value)) {
        if (!on)
            continue;
        const std::string name = item.rfind("part", 0) == 0 ? item.substr(4) : item;
        list += (list.empty() ? "" : ",") + name;
    }
    return list.empty() ? "none" : list;
}

// The 2010 "flags2" switches as today's private options.
std::vector<TPresetLine> RestateFlags2(const std::string& value)
{
    static const std::pair<const char*, const char*> names[] = {
        {"mixed_refs", "mixed-refs"}, {"wpred", "weightb"}, {"dct8x8", "8x8dct"}, {"fastpskip", "fast-pskip"},
        {"mbtree", "mbtree"},         {"aud", "aud"},       {"psy", "psy"},       {"ssim", "ssim"}};
    std::vector<TPresetLine> lines;
    for (const auto& [on, item] : SignedItems(value)) {
        if (item == "bpyramid") {
            lines.push_back({"b-pyramid", on ? "normal" : "none", {}});
            continue;
        }
        for (const auto& [oldName, newName] : names)
            if (item == oldName)
                lines.push_back({newName, on ? "1" : "0", {}});
    }
    return lines;
}

std::string RestateDirectPred(const std::string& value)
{
    static const char* const modes[] = {"none", "spatial", "temporal", "auto"};
    const int mode = value.size() == 1 && value[0] >= '0' && value[0] <= '3' ? value[0] - '0' : -1;
    return mode >= 0 ? modes[mode] : value;
}

std::vector<TBuiltInPreset> MakeBuiltIn()
{
    std::vector<TBuiltInPreset> presets;
    for (const TPresetSource& source : kPresetSources)
        presets.push_back({std::string("libx264-") + source.Name, RestatedText(SourceLines(source))});
    return presets;
}

}  // namespace

std::vector<TPresetLine> TFFPresets::RestateX264Option(const std::string& key, const std::string& value)
{
    if (key == "flags" && value == "-loop")
        // The wrapper sets "flags" before x264 applies its own preset, which
        // turns the loop filter back on; only x264's own switch holds.
        return {{"flags", value, {}}, {"x264-params", "no-deblock=1", {}}};
    if (key == "partitions")
        return {{"partitions", RestatePartitions(value), {}}};
    if (key == "directpred")
        return {{"direct-pred", RestateDirectPred(value), {}}};
    if (key == "flags2")
        return RestateFlags2(value);
    if (key == "cqp")
        return {{"qp", value, {}}};
    return {{key, value, {}}};
}

const std::vector<TBuiltInPreset>& TFFPresets::BuiltIn()
{
    static const std::vector<TBuiltInPreset> presets = MakeBuiltIn();
    return presets;
}

const std::string* TFFPresets::FindBuiltIn(const std::string& name)
{
    for (const TBuiltInPreset& preset : BuiltIn())
        if (SameText(preset.Name, name))
            return &preset.Text;
    return nullptr;
}

std::string TFFPresets::Text(const std::string& value, const std::string& codecName, bool fileOnly)
{
    if (!fileOnly) {
        if (const std::string* text = FindBuiltIn(value))
            return *text;
        if (!codecName.empty())
            if (const std::string* text = FindBuiltIn(codecName + "-" + value))
                return *text;
    }
    std::ifstream file(value, std::ios::binary);
    if (!file)
        throw FFmpegException(Format("Preset \"%s\" not found", value.c_str()));
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<TPresetLine> TFFPresets::Parse(const std::string& presetName, const std::string& text)
{
    std::vector<TPresetLine> lines;
    std::stringstream in(Trim(text));
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t eq = line.find('=');
        const std::string key = eq == std::string::npos ? std::string() : Trim(line.substr(0, eq));
        const std::string value = eq == std::string::npos ? std::string() : Trim(line.substr(eq + 1));
        if (key.empty() || value.empty())
            throw FFmpegException(Format("%s: Invalid syntax: \"%s\"", presetName.c_str(), line.c_str()));
        lines.push_back({key, value, line});
    }
    return lines;
}

}  // namespace vidrelo
