#include "engine/probe/BorderDetect.h"

#include "engine/CLocale.h"
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/TFFLoader.h"
#include "engine/loader/TOpenedInput.h"
#include "engine/probe/BorderMeasure.h"
#include "engine/probe/BorderSampler.h"

namespace vidrelo {
namespace {

// Pictures looked at; the first and last twentieth of the source are left
// out, where logos, titles and credits sit on black.
constexpr int kSamples = 10;
constexpr double kSkippedShare = 0.05;

bool Fail(std::string& error, std::string text)
{
    error = std::move(text);
    return false;
}

}  // namespace

bool DetectBorders(TFFLoader& loader, const std::string& source, TBorderDetection& result, std::string& error)
{
    const TCLocaleScope numbers;
    result = TBorderDetection{};
    error.clear();
    if (!loader.Loaded(DecoderLibraries))
        return Fail(error, source + ": the media libraries are not loaded");
    TOpenedInput input;
    if (std::string why = input.Open(source); !why.empty())
        return Fail(error, std::move(why));
    TBorderSampler sampler(input.Context());
    if (!sampler.Open(error)) {
        error = source + ": " + error;
        return false;
    }
    std::vector<TBorderMargins> measured;
    for (int k = 0; k < kSamples; ++k) {
        const double at = kSkippedShare + (1 - 2 * kSkippedShare) * (k + 0.5) / kSamples;
        const std::optional<TLumaPicture> picture = sampler.PictureAt(at);
        if (!picture)
            continue;
        ++result.PicturesSampled;
        if (std::optional<TBorderMargins> margins = MeasurePicture(*picture))
            measured.push_back(*margins);
    }
    if (result.PicturesSampled == 0)
        return Fail(error, source + ": no picture could be decoded");
    result.Margins = CombineMargins(measured);
    result.FrameWidth = sampler.Width();
    result.FrameHeight = sampler.Height();
    return true;
}

}  // namespace vidrelo
