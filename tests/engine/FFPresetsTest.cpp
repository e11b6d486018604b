// Presets: the built-in libx264 table restated for today's wrapper, how a
// preset is found, and how its text is read.
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/encoder/TFFPresets.h"

#include "tests/engine/EncoderJobSupport.h"

#include <set>

using namespace vidrelo;

namespace {

std::string Lines(const std::string& spaced)
{
    std::string text;
    std::size_t start = 0;
    for (std::size_t end; (end = spaced.find(' ', start)) != std::string::npos; start = end + 1)
        text += spaced.substr(start, end - start) + "\n";
    return text + spaced.substr(start) + "\n";
}

TEST(FFPresetsTableTest, HoldsTheThirtySixPresetsUnderDistinctNames)
{
    std::set<std::string> names;
    for (const TBuiltInPreset& preset : TFFPresets::BuiltIn()) {
        EXPECT_EQ(preset.Name.rfind("libx264-", 0), 0u) << preset.Name;
        EXPECT_FALSE(preset.Text.empty()) << preset.Name;
        names.insert(preset.Name);
    }
    EXPECT_EQ(TFFPresets::BuiltIn().size(), 36u);
    EXPECT_EQ(names.size(), 36u);
}

// The three restatements checked by hand against x264's own settings line.
TEST(FFPresetsTableTest, RestatesAsTheHandCheckedTranslations)
{
    EXPECT_EQ(*TFFPresets::FindBuiltIn("libx264-default"),
              Lines("coder=1 flags=+loop cmp=+chroma partitions=i8x8,i4x4,p8x8,b8x8 me_method=hex subq=7 "
                    "me_range=16 g=250 keyint_min=25 sc_threshold=40 i_qfactor=0.71 b_strategy=1 qcomp=0.6 qmin=10 "
                    "qmax=51 qdiff=4 bf=3 refs=3 direct-pred=spatial trellis=1 mixed-refs=1 weightb=1 8x8dct=1 "
                    "fast-pskip=1 wpredp=2"));
    EXPECT_EQ(*TFFPresets::FindBuiltIn("libx264-ultrafast"),
              Lines("coder=0 flags=-loop x264-params=no-deblock=1 cmp=+chroma partitions=none me_method=dia subq=0 "
                    "me_range=16 g=250 keyint_min=25 sc_threshold=0 i_qfactor=0.71 b_strategy=0 qcomp=0.6 qmin=10 "
                    "qmax=51 qdiff=4 bf=0 refs=1 direct-pred=spatial trellis=0 b-pyramid=none mixed-refs=0 "
                    "weightb=0 8x8dct=0 fast-pskip=1 mbtree=0 wpredp=0"));
    EXPECT_EQ(*TFFPresets::FindBuiltIn("libx264-lossless_fast"),
              Lines("coder=0 flags=+loop cmp=+chroma partitions=i4x4,p8x8 me_method=hex subq=3 me_range=16 g=250 "
                    "keyint_min=25 sc_threshold=40 i_qfactor=0.71 b_strategy=1 qcomp=0.6 qmin=10 qmax=51 qdiff=4 "
                    "direct-pred=spatial fast-pskip=1 qp=0 wpredp=0"));
}

TEST(FFPresetsTableTest, RestatesEachOldSetting)
{
    struct TCase {
        const char* Key;
        const char* Value;
        std::string Expected;  // restated lines joined by spaces
    };
    const TCase cases[] = {
        {"partitions", "+parti8x8+parti4x4-partp8x8-partb8x8", "partitions=i8x8,i4x4"},
        {"partitions", "-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8", "partitions=none"},
        {"directpred", "3", "direct-pred=auto"},
        {"directpred", "0", "direct-pred=none"},
        {"flags2", "+bpyramid-wpred+mixed_refs-fastpskip", "b-pyramid=normal weightb=0 mixed-refs=1 fast-pskip=0"},
        {"flags2", "-bpyramid-mbtree", "b-pyramid=none mbtree=0"},
        {"cqp", "0", "qp=0"},
        {"flags", "-loop", "flags=-loop x264-params=no-deblock=1"},
        {"level", "13", "level=13"},
    };
    for (const TCase& c : cases) {
        std::string joined;
        for (const TPresetLine& line : TFFPresets::RestateX264Option(c.Key, c.Value))
            joined += (joined.empty() ? "" : " ") + line.Key + "=" + line.Value;
        EXPECT_EQ(joined, c.Expected) << c.Key << "=" << c.Value;
    }
}

TEST(FFPresetsTableTest, ParsesLinesAndRefusesOnesWithoutKeyOrValue)
{
    const std::vector<TPresetLine> lines = TFFPresets::Parse("mine", "\n# comment\n  g = 15 \r\n\nbf=2\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Key, "g");
    EXPECT_EQ(lines[0].Value, "15");
    EXPECT_EQ(lines[1].Line, "bf=2");
    for (const char* bad : {"novalue=", "=nokey", "justtext"}) {
        try {
            TFFPresets::Parse("mine", std::string("g=1\n") + bad);
            ADD_FAILURE() << bad;
        } catch (const FFmpegException& e) {
            EXPECT_EQ(std::string(e.what()), std::string("mine: Invalid syntax: \"") + bad + "\"");
        }
    }
}

class FFPresetsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Libraries.Loaded); }
    test::TEncoderLibraries Libraries;
};

TEST_F(FFPresetsTest, FindsBuiltInPresetsWithoutRegardToCaseThenByCodecThenAsAFile)
{
    EXPECT_EQ(TFFPresets::Text("LIBX264-Default", "", false), *TFFPresets::FindBuiltIn("libx264-default"));
    EXPECT_EQ(TFFPresets::Text("slow", "libx264", false), *TFFPresets::FindBuiltIn("libx264-slow"));
    const std::string file = test::MakeTempDir("preset") + "/my.ffpreset";
    std::ofstream(file) << "g=12\n";
    EXPECT_EQ(TFFPresets::Text(file, "libx264", false), "g=12\n");
    // "fpre" never looks in the table.
    EXPECT_THROW(TFFPresets::Text("libx264-default", "", true), FFmpegException);
    try {
        TFFPresets::Text("slow", "", false);  // no codec: not "libx264-slow"
        ADD_FAILURE();
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "Preset \"slow\" not found");
    }
}

// Every built-in preset, applied through the job's options, must give an
// x264 encoder that opens: no setting unknown to today's wrapper, none it
// refuses.
TEST_F(FFPresetsTest, EveryBuiltInPresetOpensALibx264Encoder)
{
    const std::string folder = test::MakeTempDir("presets");
    for (const TBuiltInPreset& preset : TFFPresets::BuiltIn()) {
        SCOPED_TRACE(preset.Name);
        TCustomFFmpeg job(1, test::EngineServices());
        job.SetExtOption("vcodec", "libx264");
        job.SetExtOption("vpre", preset.Name.substr(8));  // "default": the codec name completes it
        job.SetExtOption("s", "320x240");
        job.SetExtOption("pix_fmt", "yuv420p");
        job.SetExtOption("an", "1");
        ASSERT_EQ(job.OpenOutput(folder + "/out.mkv"), 0) << job.LastErrMsg();
        const TOutputStreamSetup& stream = job.OutputStreams(0).at(0);
        ASSERT_STREQ(stream.Encoder->name, "libx264");
        for (const TFFOptions::TOption& option : job.GenericOptions().Collected())
            EXPECT_NE(ff::av_opt_find(stream.Context, option.Name.c_str(), nullptr, 0, AV_OPT_SEARCH_CHILDREN),
                      nullptr)
                << option.Name << " is unknown to libx264";
        EXPECT_EQ(ff::avcodec_open2(stream.Context, stream.Encoder, nullptr), 0);
    }
}

}  // namespace
