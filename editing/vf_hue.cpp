#include "editing/vf_hue.h"

#include "editing/PictureFilterCommon.h"
#include "engine/EngineError.h"
#include "engine/filter/TNativeFilterRegistry.h"
#include "engine/loader/AVBindings.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace vidrelo {
namespace {

// 128 << 16 (the chroma offset) plus 1 << 15 (rounding).
constexpr int32_t ChromaOffset = 8421376;

uint8_t Pinned(int32_t value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

// Rotates (u, v) by the hue angle and scales it by the saturation, in 16.16
// fixed point with S = sin and K = cos of the angle, times the scale.
void ProcessChroma(const HueState& state, AVFrame& frame, int y, int h, int32_t hue, int32_t saturation)
{
    const long double angle = hue * std::numbers::pi_v<long double> / 100;
    const long double scale = 65536.0L * (saturation + 100) / 100;
    const int32_t s = static_cast<int32_t>(std::floor(std::sin(angle) * scale + 0.5L));
    const int32_t k = static_cast<int32_t>(std::floor(std::cos(angle) * scale + 0.5L));
    const int first = y >> state.VShift;
    const int rows = h >> state.VShift;
    const int width = frame.width >> state.HShift;
    for (int row = first; row < first + rows; ++row) {
        uint8_t* uLine = frame.data[1] + static_cast<ptrdiff_t>(row) * frame.linesize[1];
        uint8_t* vLine = frame.data[2] + static_cast<ptrdiff_t>(row) * frame.linesize[2];
        for (int x = 0; x < width; ++x) {
            const int32_t u = uLine[x] - 128;
            const int32_t v = vLine[x] - 128;
            uLine[x] = Pinned((k * u - s * v + ChromaOffset) >> 16);
            vLine[x] = Pinned((s * u + k * v + ChromaOffset) >> 16);
        }
    }
}

class TNativeHue final : public TNativeFilterInstance {
public:
    explicit TNativeHue(const TNativeFilterDefinition& definition) : TNativeFilterInstance(definition)
    {
        FState.HueSource = &FState.Hue;
        FState.SaturationSource = &FState.Saturation;
    }

    bool Init(const std::string& text, std::string& error)
    {
        TPictureFilterOptions options;
        if (!ParsePictureFilterOptions(text, {"hue", "saturation"}, options, error))
            return false;
        FState.Hue = options.Values[0];
        FState.Saturation = options.Values[1];
        if (options.Live[0])
            FState.HueSource = options.Live[0];
        if (options.Live[1])
            FState.SaturationSource = options.Live[1];
        ReadPictureFilterValue(FState.HueSource, LogContext(), "hue", FState.LastHue);
        ReadPictureFilterValue(FState.SaturationSource, LogContext(), "saturation", FState.LastSaturation);
        LogValues();
        FState.Process = ProcessChroma;
        return true;
    }

protected:
    int ConfigureFormat(const AVPixFmtDescriptor& format, std::string&) override
    {
        FState.VShift = format.log2_chroma_h;
        FState.HShift = format.log2_chroma_w;
        return 0;
    }

    void Slice(AVFrame& frame, int y, int h) override
    {
        int32_t hue = 0, saturation = 0;
        if (ReadPictureFilterValue(FState.HueSource, LogContext(), "hue", hue))
            FState.LastHue = hue;
        if (ReadPictureFilterValue(FState.SaturationSource, LogContext(), "saturation", saturation))
            FState.LastSaturation = saturation;
        if (hue != FState.LastHue || saturation != FState.LastSaturation) {
            FState.LastHue = hue;
            FState.LastSaturation = saturation;
            LogValues();
        }
        if ((hue != 0 || saturation != 0) && FState.Process)
            FState.Process(FState, frame, y, h, hue, saturation);
    }

private:
    void LogValues()
    {
        if (ff::av_log)
            ff::av_log(LogContext(), AV_LOG_DEBUG, "hue:%d, saturation %d\n", FState.LastHue, FState.LastSaturation);
    }

    HueState FState;
};

TNativeFilterCreated CreateNativeHue(const TNativeFilterDefinition& definition, const std::string& options)
{
    auto filter = std::make_unique<TNativeHue>(definition);
    std::string error;
    if (!filter->Init(options, error))
        return {nullptr, AVERROR(EINVAL), definition.Name + ": " + error};
    return {std::move(filter), 0, {}};
}

}  // namespace

const TNativeFilterDefinition& NativeHueDefinition()
{
    static const TNativeFilterDefinition definition{"nativehue", "Software video equalizer(hue and saturation)",
                                                    PictureFilterPixelFormats(), CreateNativeHue};
    return definition;
}

void RegisterNativeHue()
{
    EngineAssert(ff::avfilter_get_by_name && ff::av_pix_fmt_desc_get && ff::av_log, "Assertion failure", "vf_hue");
    RegisterFilterOnce(NativeHueDefinition());
}

}  // namespace vidrelo
