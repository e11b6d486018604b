#include "engine/loader/TOpenedInput.h"

#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/MediaURL.h"
#include "engine/loader/TInterruptCB.h"
#include "engine/loader/TSourceInput.h"

#include <cerrno>

namespace vidrelo {

TOpenedInput::~TOpenedInput()
{
    CloseSourceInput(&FContext);
}

AVFormatContext* TOpenedInput::Release()
{
    AVFormatContext* context = FContext;
    FContext = nullptr;
    return context;
}

std::string TOpenedInput::Fail(TStep AStep, int ACode, std::string AText)
{
    FFailedAt = AStep;
    FCode = ACode;
    return AText;
}

std::string TOpenedInput::Open(const std::string& ASource, const TOpenSteps& ASteps)
{
    CloseSourceInput(&FContext);
    FFailedAt = TStep::None;
    FCode = 0;
    FFromSource = false;
    FHints = {};
    const auto blocking = [&](bool connecting, const std::function<void()>& step) {
        if (ASteps.Blocking)
            ASteps.Blocking(connecting, step);
        else
            step();
    };
    const std::optional<std::string> url = EncodeMediaURL(ASource);
    if (!url)
        return Fail(TStep::Open, AVERROR(EINVAL), MediaErrorText(ASource, AVERROR(EINVAL)));
    FContext = ff::avformat_alloc_context();
    if (!FContext)
        return Fail(TStep::Open, AVERROR(ENOMEM), MediaErrorText(ASource, AVERROR(ENOMEM)));
    if (ASteps.Interrupts)
        InstallInterruptCallback(FContext, *ASteps.Interrupts);
    else
        InstallInterruptCallback(FContext);
    if (ASteps.BeforeOpen)
        ASteps.BeforeOpen(FContext);
    TSourceInputResult opened;
    blocking(true, [&] { opened = OpenSourceInput(&FContext, *url, ASteps.Format, ASteps.Options); });
    FFromSource = opened.FromSource;
    FHints = std::move(opened.Hints);
    if (opened.Code < 0)
        return Fail(TStep::Open, opened.Code, opened.Error);
    if (ASteps.BeforeProbe)
        if (std::string why = ASteps.BeforeProbe(FContext); !why.empty())
            return Fail(TStep::Prepare, AVERROR(EINVAL), std::move(why));
    int found = 0;
    blocking(false, [&] { found = ff::avformat_find_stream_info(FContext, nullptr); });
    if (found < 0)
        return Fail(TStep::Probe, found, MediaErrorText(ASource, found));
    // A DVD subtitle whose first packet comes after the probe is known
    // only from the plug-in's announcement.
    if (FFromSource)
        AddHintedStreams(FContext, FHints);
    return {};
}

}  // namespace vidrelo
