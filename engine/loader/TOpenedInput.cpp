#include "engine/loader/TOpenedInput.h"

#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/TInterruptCB.h"
#include "engine/loader/TSourceInput.h"

namespace vidrelo {

TOpenedInput::~TOpenedInput()
{
    CloseSourceInput(&FContext);
}

std::string TOpenedInput::Open(const std::string& source)
{
    CloseSourceInput(&FContext);
    FContext = ff::avformat_alloc_context();
    if (!FContext)
        return MediaErrorText(source, AVERROR(ENOMEM));
    InstallInterruptCallback(FContext);
    const TSourceInputResult opened = OpenSourceInput(&FContext, source, nullptr, nullptr);
    if (opened.Code < 0)
        return opened.Error;
    const int found = ff::avformat_find_stream_info(FContext, nullptr);
    if (found < 0)
        return MediaErrorText(source, found);
    // A DVD subtitle whose first packet comes after the probe is known
    // only from the plug-in's announcement.
    AddHintedStreams(FContext, opened.Hints);
    return {};
}

}  // namespace vidrelo
