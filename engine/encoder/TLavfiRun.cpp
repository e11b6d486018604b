#include "engine/encoder/TLavfiRun.h"

#include "engine/filter/FilterChainText.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <cstdio>
#include <vector>

namespace vidrelo {
namespace {

std::string Reason(int code)
{
    const char* message = MediaErrorMessage(code);
    return message ? message : "Error number " + std::to_string(code) + " occurred";
}

// The libraries only log which filter they did not find; name it in the
// error instead.
int CheckFilterNames(const std::string& text, std::string& error)
{
    std::vector<std::string> filters;
    if (!SplitFilterChainText(text, filters, error))
        return AVERROR(EINVAL);
    for (const std::string& filter : filters) {
        std::string name = ParseFilterText(filter).Name;
        name = name.substr(0, name.find('@'));  // "scale@mine": an instance name
        if (!name.empty() && !ff::avfilter_get_by_name(name.c_str())) {
            error = "No such filter: '" + name + "'";
            return AVERROR_FILTER_NOT_FOUND;
        }
    }
    return 0;
}

std::string SourceArguments(const TLavfiPictures& in)
{
    char text[256];
    int n = std::snprintf(text, sizeof text, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                          in.Width, in.Height, static_cast<int>(in.PixFmt), in.TimeBase.num, in.TimeBase.den,
                          in.SampleAspect.num, in.SampleAspect.den);
    if (in.FrameRate.num > 0 && in.FrameRate.den > 0)
        std::snprintf(text + n, sizeof text - n, ":frame_rate=%d/%d", in.FrameRate.num, in.FrameRate.den);
    return text;
}

AVFilterInOut* Endpoint(const char* name, AVFilterContext* filter)
{
    AVFilterInOut* end = ff::avfilter_inout_alloc();
    if (!end)
        return nullptr;
    end->name = ff::av_strdup(name);
    end->filter_ctx = filter;
    end->pad_idx = 0;
    end->next = nullptr;
    return end;
}

}  // namespace

TLavfiRun::~TLavfiRun()
{
    Close();
}

void TLavfiRun::Close()
{
    ff::avfilter_graph_free(&FGraph);  // frees its filters too
    FSource = FSink = nullptr;
    FInputEnded = false;
}

int TLavfiRun::Open(const TLavfiPictures& input, const std::string& text, int swsFlags, std::string& error)
{
    Close();
    if (const int r = CheckFilterNames(text, error); r < 0)
        return r;
    FGraph = ff::avfilter_graph_alloc();
    if (!FGraph) {
        error = Reason(AVERROR(ENOMEM));
        return AVERROR(ENOMEM);
    }
    char scaler[32];
    std::snprintf(scaler, sizeof scaler, "flags=0x%X", static_cast<unsigned>(swsFlags));
    FGraph->scale_sws_opts = ff::av_strdup(scaler);
    int r = CreateEnds(input);
    if (r >= 0)
        r = Parse(text.empty() ? "null" : text);
    if (r >= 0)
        r = ff::avfilter_graph_config(FGraph, nullptr);
    if (r < 0) {
        error = Reason(r) + " in \"" + text + "\"";
        Close();
    }
    return r;
}

int TLavfiRun::CreateEnds(const TLavfiPictures& input)
{
    const int r = ff::avfilter_graph_create_filter(&FSource, ff::avfilter_get_by_name("buffer"), "src",
                                                   SourceArguments(input).c_str(), nullptr, FGraph);
    if (r < 0)
        return r;
    return ff::avfilter_graph_create_filter(&FSink, ff::avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                            FGraph);
}

int TLavfiRun::Parse(const std::string& text)
{
    // The parser's view: its input "in" is fed by our source, its output
    // "out" feeds our sink.
    AVFilterInOut* outputs = Endpoint("in", FSource);
    AVFilterInOut* inputs = Endpoint("out", FSink);
    int r = AVERROR(ENOMEM);
    if (outputs && inputs && outputs->name && inputs->name)
        r = ff::avfilter_graph_parse_ptr(FGraph, text.c_str(), &inputs, &outputs, nullptr);
    ff::avfilter_inout_free(&inputs);
    ff::avfilter_inout_free(&outputs);
    return r;
}

int TLavfiRun::Send(AVFrame* frame)
{
    if (FInputEnded)
        return AVERROR_EOF;
    FInputEnded = frame == nullptr;
    return ff::av_buffersrc_add_frame_flags(FSource, frame, 0);
}

int TLavfiRun::Receive(AVFrame* frame)
{
    return ff::av_buffersink_get_frame(FSink, frame);
}

TLavfiPictures TLavfiRun::Output() const
{
    TLavfiPictures out;
    if (!FSink)
        return out;
    out.Width = ff::av_buffersink_get_w(FSink);
    out.Height = ff::av_buffersink_get_h(FSink);
    out.PixFmt = static_cast<AVPixelFormat>(ff::av_buffersink_get_format(FSink));
    out.SampleAspect = ff::av_buffersink_get_sample_aspect_ratio(FSink);
    out.TimeBase = ff::av_buffersink_get_time_base(FSink);
    out.FrameRate = ff::av_buffersink_get_frame_rate(FSink);
    return out;
}

}  // namespace vidrelo
