// The picture filters' option text: the input is given to every native
// filter as its options, and as a whole filter chain to the chain splitter.
// A filter that accepts the text then runs over small pictures of every
// format it takes (odd sizes, so chroma planes round), as a whole and as a
// slice. Nonsense options must be refused with a message; accepted ones
// must never write outside the picture.
#include "editing/vf_eq.h"
#include "editing/vf_hue.h"
#include "engine/MediaEngine.h"
#include "engine/filter/FilterChainText.h"
#include "engine/filter/TNativeFilterRegistry.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"
#include "engine/log/TFFLogger.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace vidrelo;

namespace {

struct TEngine {
    TMediaEngineScope Scope;
    TEngine()
    {
        if (!TMediaEngine::Loader().Load(TLibraries{TLibrary::avUtil, TLibrary::avFilter}))
            std::abort();
        FFLogger().SetTriggerEventInMainThread(false);
        FFLogger().SetOnLog([](void*, uint32_t, TLogLevel, const std::string&) {});
        RegisterNativeEq();
        RegisterNativeHue();
    }
};

struct TFrameFree {
    void operator()(AVFrame* frame) const { ff::av_frame_free(&frame); }
};

void RunOn(TNativeFilterInstance& filter, AVPixelFormat format, int width, int height)
{
    std::unique_ptr<AVFrame, TFrameFree> frame(ff::av_frame_alloc());
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (ff::av_frame_get_buffer(frame.get(), 0) < 0)
        return;
    for (int plane = 0; plane < AV_NUM_DATA_POINTERS && frame->buf[plane]; ++plane)
        std::fill_n(frame->buf[plane]->data, frame->buf[plane]->size, uint8_t(0x80));
    filter.ProcessFrame(frame.get());
    filter.ProcessSlice(frame.get(), height / 3, height / 2);
    filter.ProcessSlice(frame.get(), height - 1, 2);  // past the bottom: refused
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static TEngine engine;
    FFLogger().SetLogLevel(llQuiet);
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::vector<TFilterChainSegment> segments;
    std::string error;
    SplitFilterChainSegments(text, segments, error);

    for (const TNativeFilterDefinition* definition : TNativeFilterRegistry::Instance().Definitions()) {
        TNativeFilterCreated created = definition->Create(text);
        if (!created.Instance)
            continue;
        for (AVPixelFormat format : definition->PixelFormats) {
            RunOn(*created.Instance, format, 17, 11);
            RunOn(*created.Instance, format, 1, 1);
        }
    }
    return 0;
}
