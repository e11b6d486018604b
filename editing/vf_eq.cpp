#include "editing/vf_eq.h"

#include "editing/PictureFilterCommon.h"
#include "engine/EngineError.h"
#include "engine/filter/TNativeFilterRegistry.h"
#include "engine/loader/AVBindings.h"

#include <algorithm>
#include <cstddef>

namespace vidrelo {
namespace {

// p -> ((p * G) div 65536) + B, pinned to 0..255, with G and B from contrast
// and brightness; a 256-entry table built once per slice does the rows.
void ProcessLuma(const EqState&, AVFrame& frame, int y, int h, int32_t brightness, int32_t contrast)
{
    const int32_t g = ((contrast + 100) * 65536) / 100;
    const int32_t b = ((brightness + 100) * 511) / 200 - 128 - g / 512;
    uint8_t table[256];
    for (int32_t p = 0; p < 256; ++p)
        table[p] = static_cast<uint8_t>(std::clamp((p * g) / 65536 + b, 0, 255));
    for (int row = y; row < y + h; ++row) {
        uint8_t* line = frame.data[0] + static_cast<ptrdiff_t>(row) * frame.linesize[0];
        for (int x = 0; x < frame.width; ++x)
            line[x] = table[line[x]];
    }
}

class TNativeEq final : public TNativeFilterInstance {
public:
    explicit TNativeEq(const TNativeFilterDefinition& definition) : TNativeFilterInstance(definition)
    {
        FState.BrightnessSource = &FState.Brightness;
        FState.ContrastSource = &FState.Contrast;
    }

    bool Init(const std::string& text, std::string& error)
    {
        TPictureFilterOptions options;
        if (!ParsePictureFilterOptions(text, {"brightness", "contrast"}, options, error))
            return false;
        FState.Brightness = options.Values[0];
        FState.Contrast = options.Values[1];
        if (options.Live[0])
            FState.BrightnessSource = options.Live[0];
        if (options.Live[1])
            FState.ContrastSource = options.Live[1];
        ReadPictureFilterValue(FState.BrightnessSource, LogContext(), "brightness", FState.LastBrightness);
        ReadPictureFilterValue(FState.ContrastSource, LogContext(), "contrast", FState.LastContrast);
        LogValues();
        FState.Process = ProcessLuma;
        return true;
    }

protected:
    void Slice(AVFrame& frame, int y, int h) override
    {
        int32_t brightness = 0, contrast = 0;
        if (ReadPictureFilterValue(FState.BrightnessSource, LogContext(), "brightness", brightness))
            FState.LastBrightness = brightness;
        if (ReadPictureFilterValue(FState.ContrastSource, LogContext(), "contrast", contrast))
            FState.LastContrast = contrast;
        if (brightness != FState.LastBrightness || contrast != FState.LastContrast) {
            FState.LastBrightness = brightness;
            FState.LastContrast = contrast;
            LogValues();
        }
        if ((brightness != 0 || contrast != 0) && FState.Process)
            FState.Process(FState, frame, y, h, brightness, contrast);
    }

private:
    void LogValues()
    {
        if (ff::av_log)
            ff::av_log(LogContext(), AV_LOG_DEBUG, "brightness:%d, contrast %d\n", FState.LastBrightness,
                       FState.LastContrast);
    }

    EqState FState;
};

TNativeFilterCreated CreateNativeEq(const TNativeFilterDefinition& definition, const std::string& options)
{
    auto filter = std::make_unique<TNativeEq>(definition);
    std::string error;
    if (!filter->Init(options, error))
        return {nullptr, AVERROR(EINVAL), definition.Name + ": " + error};
    return {std::move(filter), 0, {}};
}

}  // namespace

const TNativeFilterDefinition& NativeEqDefinition()
{
    static const TNativeFilterDefinition definition{"nativeeq", "Software video equalizer(brightness and contrast)",
                                                    PictureFilterPixelFormats(), CreateNativeEq};
    return definition;
}

void RegisterNativeEq()
{
    EngineAssert(ff::avfilter_get_by_name && ff::av_pix_fmt_desc_get && ff::av_log, "Assertion failure", "vf_eq");
    RegisterFilterOnce(NativeEqDefinition());
}

}  // namespace vidrelo
