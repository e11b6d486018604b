#include "engine/filter/TNativeFilter.h"

#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace vidrelo {
namespace {

const char* NativeFilterItemName(void* context)
{
    // The context is TLogContext: the class pointer, then the name.
    return static_cast<const char* const*>(context)[1];
}

AVClass MakeNativeFilterClass()
{
    AVClass cls{};
    cls.class_name = "NativeFilter";
    cls.item_name = NativeFilterItemName;
    cls.version = LIBAVUTIL_VERSION_INT;
    cls.category = AV_CLASS_CATEGORY_FILTER;
    return cls;
}

const AVClass NativeFilterClass = MakeNativeFilterClass();

std::string FormatName(int format)
{
    const char* name = ff::av_get_pix_fmt_name ? ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(format)) : nullptr;
    return name ? std::string(name) : Format("%d", format);
}

// Width in samples of plane component `c` for a picture `width` wide.
int ComponentWidth(const AVPixFmtDescriptor& desc, int c, int width)
{
    const bool chroma = (c == 1 || c == 2) && !(desc.flags & AV_PIX_FMT_FLAG_RGB);
    return chroma ? -((-width) >> desc.log2_chroma_w) : width;
}

}  // namespace

bool TNativeFilterDefinition::Accepts(int format) const
{
    return std::find(PixelFormats.begin(), PixelFormats.end(), format) != PixelFormats.end();
}

TNativeFilterCreated TNativeFilterDefinition::Create(const std::string& options) const
{
    if (!Factory)
        return {nullptr, AVERROR(ENOSYS), Name + ": the filter cannot be created"};
    return Factory(*this, options);
}

TNativeFilterInstance::TNativeFilterInstance(const TNativeFilterDefinition& definition)
    : FDefinition(definition), FLogContext{&NativeFilterClass, definition.Name.c_str()}
{
}

int TNativeFilterInstance::ProcessFrame(AVFrame* frame)
{
    return ProcessSlice(frame, 0, frame ? frame->height : 0);
}

int TNativeFilterInstance::ProcessSlice(AVFrame* frame, int y, int h)
{
    if (!frame)
        return Refuse(AVERROR(EINVAL), FDefinition.Name + ": no frame to process");
    if (const int r = CheckFrame(*frame, y, h); r < 0)
        return r;
    if (frame->format != FConfiguredFormat) {
        std::string error;
        if (const int r = ConfigureFormat(*ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format)), error);
            r < 0)
            return Refuse(r, FDefinition.Name + ": " + error);
        FConfiguredFormat = frame->format;
    }
    if (const int r = MakeWritable(*frame); r < 0)
        return r;
    Slice(*frame, y, h);
    return 0;
}

int TNativeFilterInstance::ConfigureFormat(const AVPixFmtDescriptor&, std::string&)
{
    return 0;
}

int TNativeFilterInstance::Refuse(int code, std::string text)
{
    FLastErrMsg = std::move(text);
    return code;
}

int TNativeFilterInstance::CheckFrame(const AVFrame& frame, int y, int h)
{
    if (!ff::av_pix_fmt_desc_get || !ff::av_frame_is_writable || !ff::av_frame_make_writable)
        return Refuse(AVERROR(ENOSYS), FDefinition.Name + ": the media libraries are not loaded");
    if (!FDefinition.Accepts(frame.format))
        return Refuse(AVERROR(EINVAL),
                      Format("%s: pixel format %s is not supported", FDefinition.Name.c_str(),
                             FormatName(frame.format).c_str()));
    if (frame.width <= 0 || frame.height <= 0)
        return Refuse(AVERROR(EINVAL), Format("%s: the picture is %dx%d", FDefinition.Name.c_str(), frame.width,
                                              frame.height));
    if (y < 0 || h < 0 || static_cast<int64_t>(y) + h > frame.height)
        return Refuse(AVERROR(EINVAL), Format("%s: rows %d to %d lie outside a picture of %d rows",
                                              FDefinition.Name.c_str(), y, y + h - 1, frame.height));
    const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    if (!desc)
        return Refuse(AVERROR(EINVAL), FDefinition.Name + ": unknown pixel format");
    return CheckPlanes(frame, *desc);
}

int TNativeFilterInstance::CheckPlanes(const AVFrame& frame, const AVPixFmtDescriptor& desc)
{
    for (int c = 0; c < desc.nb_components; ++c) {
        const int plane = desc.comp[c].plane;
        const int64_t rowBytes = static_cast<int64_t>(ComponentWidth(desc, c, frame.width)) * desc.comp[c].step;
        if (!frame.data[plane] || std::llabs(frame.linesize[plane]) < rowBytes)
            return Refuse(AVERROR(EINVAL), Format("%s: plane %d of the picture is missing or too narrow",
                                                  FDefinition.Name.c_str(), plane));
    }
    return 0;
}

int TNativeFilterInstance::MakeWritable(AVFrame& frame)
{
    // Planes without buffer references belong to whoever handed them in.
    if (!frame.buf[0] || ff::av_frame_is_writable(&frame))
        return 0;
    if (const int r = ff::av_frame_make_writable(&frame); r < 0)
        return Refuse(r, FDefinition.Name + ": the shared picture could not be copied");
    return 0;
}

}  // namespace vidrelo
