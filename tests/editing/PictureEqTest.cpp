// nativeeq on real frames: the brightness and contrast arithmetic, clamping
// with its log lines, live values, option fields, and slices.
#include "editing/PictureFilterCommon.h"
#include "editing/vf_eq.h"
#include "editing/vf_hue.h"
#include "engine/loader/AVBindings.h"
#include "tests/editing/PictureFilterFixture.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

using namespace vidrelo;
using namespace vidrelo::test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// 256 x 4 yuv420p: each luma row holds every value 0..255; chroma 60 and 200.
TFramePtr LumaRamp()
{
    return MakeFrame(AV_PIX_FMT_YUV420P, 256, 4, [](int plane, int x, int) {
        return static_cast<uint8_t>(plane == 0 ? x : plane == 1 ? 60 : 200);
    });
}

// Every luma sample p must have become expected(p); chroma stays as LumaRamp made it.
template <class TExpected>
void ExpectLuma(AVFrame& frame, TExpected expected)
{
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(Sample(frame, 0, x, y), std::clamp(expected(x), 0, 255)) << "p=" << x << " row " << y;
    for (int y = 0; y < PlaneHeight(frame, 1); ++y)
        for (int x = 0; x < PlaneWidth(frame, 1); ++x)
            ASSERT_TRUE(Sample(frame, 1, x, y) == 60 && Sample(frame, 2, x, y) == 200);
}

using PictureEqTest = PictureFilterTest;

TEST_F(PictureEqTest, BrightnessAndContrastFollowTheFixedPointFormula)
{
    struct TCase {
        const char* Options;
        int (*Expected)(int p);
    } cases[] = {
        {"100:0", [](int) { return 255; }},
        {"-100:0", [](int) { return 0; }},
        {"0:100", [](int p) { return 2 * p - 129; }},
        {"0:-100", [](int) { return 127; }},   // G = 0: the constant B
        {"50:0", [](int p) { return p + 127; }},
        // G = 91750, B = 178 - 128 - 179
        {"-30:40", [](int p) { return p * 91750 / 65536 - 129; }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Options);
        TFramePtr frame = LumaRamp();
        ASSERT_EQ(Create("nativeeq", c.Options)->ProcessFrame(frame.get()), 0);
        ExpectLuma(*frame, c.Expected);
    }
}

TEST_F(PictureEqTest, InitialisationLogsTheValuesAndPinsOutOfRangeOnes)
{
    auto eq = Create("nativeeq", "150:0");
    EXPECT_THAT(TakeLines("nativeeq"),
                ElementsAre("error Invalid brightness value 150, force to 100", "debug brightness:100, contrast 0"));
    TFramePtr frame = LumaRamp();
    ASSERT_EQ(eq->ProcessFrame(frame.get()), 0);
    ExpectLuma(*frame, [](int) { return 255; });
    EXPECT_THAT(TakeLines("nativeeq"), IsEmpty());

    Create("nativeeq", "7:-101");
    EXPECT_THAT(TakeLines("nativeeq"),
                ElementsAre("error Invalid contrast value -101, force to -100", "debug brightness:7, contrast -100"));
}

TEST_F(PictureEqTest, OptionFieldsAreTrimmedAndZeroAddressesKeepTheFixedValues)
{
    for (const char* options : {"10:20:0:0", " 10 : 20 ", "+10:20::"}) {
        SCOPED_TRACE(options);
        TFramePtr fixed = LumaRamp();
        TFramePtr plain = LumaRamp();
        ASSERT_EQ(Create("nativeeq", options)->ProcessFrame(fixed.get()), 0);
        EXPECT_THAT(TakeLines("nativeeq"), ElementsAre("debug brightness:10, contrast 20"));
        ASSERT_EQ(Create("nativeeq", "10:20")->ProcessFrame(plain.get()), 0);
        TakeLines("nativeeq");
        EXPECT_EQ(FrameBytes(*fixed), FrameBytes(*plain));
    }
    Create("nativeeq", "");
    EXPECT_THAT(TakeLines("nativeeq"), ElementsAre("debug brightness:0, contrast 0"));
}

TEST_F(PictureEqTest, FieldsThatAreNotDecimalIntegersFailInitialisation)
{
    for (const char* options : {"abc", "1.5:0", "0x10", "0:2147483648", "0:0:xyz", "0:0:-8", "0:0:3", "+-1",
                                "1:2:0:4:5"}) {
        SCOPED_TRACE(options);
        const TNativeFilterCreated created = NativeEqDefinition().Create(options);
        EXPECT_FALSE(created.Instance);
        EXPECT_EQ(created.ErrorCode, AVERROR(EINVAL));
        EXPECT_TRUE(created.ErrorText.starts_with("nativeeq: ")) << created.ErrorText;
    }
    EXPECT_EQ(NativeEqDefinition().Create("abc:0").ErrorText,
              "nativeeq: brightness \"abc\" is not a decimal 32-bit integer");
    EXPECT_EQ(NativeEqDefinition().Create("1:2:0:4:5").ErrorText,
              "nativeeq: contrast address \"4:5\" is not a decimal address");
    // An address that is not a live value's is never followed: the text may
    // come from a file, and 480 or a stranger's integer would be read and written.
    int32_t stranger = 0;
    const std::string strangerAddress = std::to_string(reinterpret_cast<uintptr_t>(&stranger));
    for (const std::string& address : {std::string("480"), strangerAddress}) {
        EXPECT_EQ(NativeEqDefinition().Create("0:0:" + address).ErrorText,
                  "nativeeq: brightness address " + address + " is not that of a live value");
        EXPECT_EQ(NativeHueDefinition().Create("0:0:0:" + address).ErrorText,
                  "nativehue: saturation address " + address + " is not that of a live value");
    }
    std::optional<TLiveFilterValue> gone(std::in_place);
    const std::string goneAddress = gone->AddressText();
    EXPECT_TRUE(NativeEqDefinition().Create("0:0:" + goneAddress).Instance);
    gone.reset();
    EXPECT_FALSE(NativeEqDefinition().Create("0:0:" + goneAddress).Instance);
}

TEST_F(PictureEqTest, LiveValuesAreReadAtEverySliceAndLoggedOnChangeOnly)
{
    TLiveFilterValue brightness;
    TLiveFilterValue contrast;
    // The value fields give way to the live values.
    auto eq = Create("nativeeq", "90:90:" + brightness.AddressText() + ":" + contrast.AddressText());
    EXPECT_THAT(TakeLines("nativeeq"), ElementsAre("debug brightness:0, contrast 0"));

    TFramePtr frame = LumaRamp();
    const std::vector<uint8_t> before = FrameBytes(*frame);
    ASSERT_EQ(eq->ProcessFrame(frame.get()), 0);
    EXPECT_EQ(FrameBytes(*frame), before);

    brightness.Store(30);
    ASSERT_EQ(eq->ProcessFrame(frame.get()), 0);
    EXPECT_THAT(TakeLines("nativeeq"), ElementsAre("debug brightness:30, contrast 0"));
    ExpectLuma(*frame, [](int p) { return p + 76; });  // B = 130 * 511 div 200 - 256
    ASSERT_EQ(eq->ProcessFrame(frame.get()), 0);
    EXPECT_THAT(TakeLines("nativeeq"), IsEmpty());

    // Out of range: pinned, written back, logged, and taken as the last value.
    contrast.Store(300);
    ASSERT_EQ(eq->ProcessSlice(frame.get(), 0, 1), 0);
    EXPECT_EQ(contrast.Load(), 100);
    EXPECT_THAT(TakeLines("nativeeq"), ElementsAre("error Invalid contrast value 300, force to 100"));
}

TEST_F(PictureEqTest, ASliceChangesOnlyItsOwnRows)
{
    TFramePtr frame = LumaRamp();
    ASSERT_EQ(Create("nativeeq", "-100")->ProcessSlice(frame.get(), 1, 2), 0);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(Sample(*frame, 0, 200, y), y == 1 || y == 2 ? 0 : 200) << "row " << y;
}

}  // namespace
