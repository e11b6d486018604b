// The native filter registry and what every native instance checks before
// it touches a frame.
#include "editing/vf_eq.h"
#include "editing/vf_hue.h"
#include "engine/EngineError.h"
#include "engine/filter/TNativeFilterRegistry.h"
#include "engine/loader/AVBindings.h"
#include "tests/editing/PictureFilterFixture.h"

#include <atomic>
#include <deque>
#include <thread>
#include <vector>

using namespace vidrelo;
using namespace vidrelo::test;

namespace {

TNativeFilterDefinition TestDefinition(const std::string& name)
{
    return {name, "a test filter", {AV_PIX_FMT_YUV420P},
            [](const TNativeFilterDefinition&, const std::string&) { return TNativeFilterCreated{}; }};
}

TEST(NativeFilterRegistryTest, TheSameDefinitionIsRegisteredOnceAndFoundByItsExactName)
{
    TNativeFilterRegistry registry;
    const TNativeFilterDefinition first = TestDefinition("first");
    EXPECT_TRUE(registry.RegisterOnce(first));
    EXPECT_FALSE(registry.RegisterOnce(first));
    EXPECT_EQ(registry.Definitions().size(), 1u);
    EXPECT_EQ(registry.Find("first"), &first);
    EXPECT_EQ(registry.Find("First"), nullptr);
    EXPECT_EQ(registry.Find("firs"), nullptr);

    const TNativeFilterDefinition impostor = TestDefinition("first");
    EXPECT_THROW(registry.RegisterOnce(impostor), EAssertionFailed);
    for (TNativeFilterDefinition broken :
         {TestDefinition(""), TestDefinition("noformats"), TestDefinition("nofactory")}) {
        if (broken.Name == "noformats")
            broken.PixelFormats.clear();
        if (broken.Name == "nofactory")
            broken.Factory = nullptr;
        EXPECT_THROW(registry.RegisterOnce(broken), EAssertionFailed) << broken.Name;
    }
    EXPECT_EQ(registry.Definitions().size(), 1u);
}

TEST(NativeFilterRegistryTest, LookupsFromOtherThreadsWhileRegistering)
{
    TNativeFilterRegistry registry;
    std::deque<TNativeFilterDefinition> definitions;
    for (int i = 0; i < 200; ++i)
        definitions.push_back(TestDefinition("f" + std::to_string(i)));
    std::atomic<bool> done{false};
    std::atomic<int> mismatches{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 2; ++t)
        readers.emplace_back([&] {
            while (!done)
                for (int i = 0; i < 200; i += 37)
                    if (const TNativeFilterDefinition* found = registry.Find("f" + std::to_string(i));
                        found && found != &definitions[i])
                        ++mismatches;
        });
    for (const TNativeFilterDefinition& definition : definitions)
        registry.RegisterOnce(definition);
    done = true;
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(registry.Find("f199"), &definitions[199]);
}

TEST(NativeFilterRegistryTest, RegisteringThePictureFiltersNeedsTheFilterLibrary)
{
    ASSERT_EQ(ff::avfilter_get_by_name, nullptr);
    for (auto [registerFilter, source] :
         {std::pair(&RegisterNativeEq, "vf_eq"), std::pair(&RegisterNativeHue, "vf_hue")}) {
        try {
            registerFilter();
            ADD_FAILURE() << source << " registered without the filter library";
        } catch (const EAssertionFailed& e) {
            EXPECT_STREQ(e.what(), "Assertion failure");
            EXPECT_EQ(e.Source(), source);
        }
    }
}

using NativeFilterInstanceTest = PictureFilterTest;

TEST_F(NativeFilterInstanceTest, ThePictureFiltersAreRegisteredOnceWithTheirDefinitions)
{
    RegisterNativeEq();
    RegisterNativeHue();
    ASSERT_EQ(FindNativeFilter("nativeeq"), &NativeEqDefinition());
    ASSERT_EQ(FindNativeFilter("nativehue"), &NativeHueDefinition());
    EXPECT_EQ(NativeEqDefinition().Description, "Software video equalizer(brightness and contrast)");
    EXPECT_EQ(NativeHueDefinition().Description, "Software video equalizer(hue and saturation)");
    std::vector<std::string> names;
    for (AVPixelFormat format : NativeHueDefinition().PixelFormats)
        names.push_back(ff::av_get_pix_fmt_name(format));
    EXPECT_EQ(names, (std::vector<std::string>{"yuv420p", "yuv422p", "yuv444p", "yuv410p", "yuv411p", "yuv440p",
                                               "yuvj420p", "yuvj422p", "yuvj444p", "yuvj440p"}));
    EXPECT_EQ(NativeEqDefinition().PixelFormats, NativeHueDefinition().PixelFormats);
}

TEST_F(NativeFilterInstanceTest, FramesTheFilterCannotTakeAreRefusedUntouched)
{
    auto eq = Create("nativeeq", "100:0");
    TFramePtr rgb = MakeFrame(AV_PIX_FMT_RGB24, 16, 16, [](int, int, int) { return 9; });
    std::fill_n(rgb->data[0], rgb->linesize[0] * 16, 9);
    const std::vector<uint8_t> rgbBefore(rgb->data[0], rgb->data[0] + rgb->linesize[0] * 16);
    EXPECT_EQ(eq->ProcessFrame(rgb.get()), AVERROR(EINVAL));
    EXPECT_EQ(eq->LastErrMsg(), "nativeeq: pixel format rgb24 is not supported");
    EXPECT_EQ(std::vector<uint8_t>(rgb->data[0], rgb->data[0] + rgb->linesize[0] * 16), rgbBefore);

    TFramePtr frame = MakeFrame(AV_PIX_FMT_YUV420P, 16, 16, [](int, int, int) { return 9; });
    const std::vector<uint8_t> before = FrameBytes(*frame);
    EXPECT_EQ(eq->ProcessSlice(frame.get(), 10, 7), AVERROR(EINVAL));
    EXPECT_EQ(eq->LastErrMsg(), "nativeeq: rows 10 to 16 lie outside a picture of 16 rows");
    EXPECT_EQ(eq->ProcessSlice(frame.get(), -1, 2), AVERROR(EINVAL));
    EXPECT_EQ(eq->ProcessFrame(nullptr), AVERROR(EINVAL));
    uint8_t* chroma = frame->data[2];
    frame->data[2] = nullptr;
    EXPECT_EQ(eq->ProcessFrame(frame.get()), AVERROR(EINVAL));
    frame->data[2] = chroma;
    frame->linesize[1] = 3;  // narrower than the 8 samples of a chroma row
    EXPECT_EQ(eq->ProcessFrame(frame.get()), AVERROR(EINVAL));
    frame->linesize[1] = frame->linesize[2];
    EXPECT_EQ(FrameBytes(*frame), before);
    EXPECT_EQ(eq->ProcessFrame(frame.get()), 0);
}

TEST_F(NativeFilterInstanceTest, APictureSharedWithAnotherReferenceIsCopiedBeforeItChanges)
{
    TFramePtr frame = MakeFrame(AV_PIX_FMT_YUV420P, 16, 16, [](int, int, int) { return 40; });
    TFramePtr other(ff::av_frame_alloc());
    ASSERT_EQ(ff::av_frame_ref(other.get(), frame.get()), 0);
    ASSERT_EQ(Create("nativeeq", "100:0")->ProcessFrame(frame.get()), 0);
    EXPECT_EQ(Sample(*frame, 0, 3, 3), 255);
    EXPECT_EQ(Sample(*other, 0, 3, 3), 40);
}

TEST_F(NativeFilterInstanceTest, PlanesWithoutBufferReferencesAreChangedInPlace)
{
    uint8_t luma[4 * 2], u[2], v[2];
    std::fill(std::begin(luma), std::end(luma), 10);
    AVFrame* frame = ff::av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = 4;
    frame->height = 2;
    frame->data[0] = luma;
    frame->data[1] = u;
    frame->data[2] = v;
    frame->linesize[0] = 4;
    frame->linesize[1] = frame->linesize[2] = 2;
    EXPECT_EQ(Create("nativeeq", "-100:0")->ProcessFrame(frame), 0);
    ff::av_frame_free(&frame);
    EXPECT_TRUE(std::all_of(std::begin(luma), std::end(luma), [](uint8_t p) { return p == 0; }));
}

}  // namespace
