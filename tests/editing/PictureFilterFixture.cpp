#include "tests/editing/PictureFilterFixture.h"

#include "editing/vf_eq.h"
#include "editing/vf_hue.h"
#include "engine/filter/TNativeFilterRegistry.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"

namespace vidrelo::test {

void TFrameFree::operator()(AVFrame* frame) const
{
    ff::av_frame_free(&frame);
}

TFramePtr MakeFrame(AVPixelFormat format, int width, int height,
                     const std::function<uint8_t(int plane, int x, int y)>& fill)
{
    TFramePtr frame(ff::av_frame_alloc());
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (ff::av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    for (int plane = 0; plane < 3 && frame->data[plane]; ++plane)
        for (int y = 0; y < PlaneHeight(*frame, plane); ++y)
            for (int x = 0; x < PlaneWidth(*frame, plane); ++x)
                Sample(*frame, plane, x, y) = fill(plane, x, y);
    return frame;
}

int PlaneWidth(const AVFrame& frame, int plane)
{
    const int shift = plane ? ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format))->log2_chroma_w : 0;
    return -((-frame.width) >> shift);
}

int PlaneHeight(const AVFrame& frame, int plane)
{
    const int shift = plane ? ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format))->log2_chroma_h : 0;
    return -((-frame.height) >> shift);
}

uint8_t& Sample(AVFrame& frame, int plane, int x, int y)
{
    return frame.data[plane][static_cast<ptrdiff_t>(y) * frame.linesize[plane] + x];
}

std::vector<uint8_t> FrameBytes(const AVFrame& frame)
{
    std::vector<uint8_t> bytes;
    for (int plane = 0; plane < 3; ++plane)
        bytes.insert(bytes.end(), frame.data[plane],
                     frame.data[plane] + static_cast<ptrdiff_t>(PlaneHeight(frame, plane)) * frame.linesize[plane]);
    return bytes;
}

void PictureFilterTest::SetUp()
{
    ASSERT_TRUE(TMediaEngine::Loader().Load(TLibraries{TLibrary::avUtil, TLibrary::avFilter}))
        << TMediaEngine::Loader().LastErrMsg();
    ClearLogPending();  // an earlier test's last line must not make ours a repeat
    FFLogger().SetLogLevel(llDebug);
    FFLogger().SetOnLog([this](void*, uint32_t, TLogLevel level, const std::string& text) {
        Lines.push_back({level, text});
    });
    RegisterNativeEq();
    RegisterNativeHue();
}

void PictureFilterTest::TearDown()
{
    FFLogger().SetOnLog(nullptr);
}

std::unique_ptr<TNativeFilterInstance> PictureFilterTest::Create(const std::string& name, const std::string& options)
{
    const TNativeFilterDefinition* definition = FindNativeFilter(name);
    EXPECT_NE(definition, nullptr) << name;
    if (!definition)
        return nullptr;
    TNativeFilterCreated created = definition->Create(options);
    EXPECT_TRUE(created.Instance) << created.ErrorText;
    return std::move(created.Instance);
}

std::vector<std::string> PictureFilterTest::TakeLines(const std::string& name)
{
    std::vector<std::string> taken;
    const std::string prefix = "[" + name + " @ ";
    for (const TLine& line : Lines) {
        // The engine log puts the text right after "[name @ 0x...]".
        const size_t end = line.Text.find(']');
        if (line.Text.starts_with(prefix) && end != std::string::npos)
            taken.push_back(std::string(LogLevelName(line.Level)) + " " + line.Text.substr(end + 1));
    }
    Lines.clear();
    // A new instance may live where an old one did and log the same text:
    // that must not pass for a repeat the log folds away.
    ClearLogPending();
    return taken;
}

}  // namespace vidrelo::test
