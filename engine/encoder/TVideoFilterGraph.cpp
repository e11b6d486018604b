#include "engine/encoder/TVideoFilterGraph.h"

#include "engine/encoder/TLavfiRun.h"
#include "engine/encoder/TSubtitleBurner.h"
#include "engine/filter/FilterChainText.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <algorithm>
#include <cstdio>

namespace vidrelo {
namespace {

constexpr AVRational kMicroseconds{1, 1000000};
const std::string kErrorPrefix = "Error opening filters: ";

// A step that changes the pictures of a run in place after it: a native
// filter, or the subtitles burned in.
struct TInPlaceStep {
    std::unique_ptr<TNativeFilterInstance> Native;
    TSubtitleBurner* Burner = nullptr;
};

struct TStage {
    TLavfiRun Run;
    TLavfiPictures Out;
    std::vector<TInPlaceStep> Steps;  // on every picture the run gives, in order
};

bool Contains(const std::vector<AVPixelFormat>& formats, AVPixelFormat format)
{
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

std::string Join(const std::string& a, const std::string& b)
{
    return a.empty() ? b : b.empty() ? a : a + "," + b;
}

// "format=pix_fmts=yuv420p|yuvj420p": the conversion, if any, to one of `formats`.
std::string FormatFilter(const std::vector<AVPixelFormat>& formats)
{
    std::string list;
    for (AVPixelFormat format : formats)
        if (const char* name = ff::av_get_pix_fmt_name(format))
            list += (list.empty() ? "" : "|") + std::string(name);
    return list.empty() ? "" : "format=pix_fmts=" + list;
}

std::string Deinterlacer()
{
    return ff::avfilter_get_by_name("bwdif") ? "bwdif=mode=send_frame" : "yadif=mode=send_frame";
}

std::string Reason(int code, const std::string& text)
{
    if (!text.empty())
        return text;
    const char* message = MediaErrorMessage(code);
    return message ? message : "Error number " + std::to_string(code) + " occurred";
}

}  // namespace

struct TVideoFilterGraph::TImpl {
    TVideoFilterGraphSetup Setup;
    std::vector<std::unique_ptr<TStage>> Stages;
    TLavfiPictures Current;  // what the chain built so far gives
    std::string Pending;     // libavfilter filters not in a run yet
    AVFrame* Work = nullptr;
    bool Flushed = false;
    std::string LastErrMsg;

    ~TImpl() { ff::av_frame_free(&Work); }

    void Reset()
    {
        Stages.clear();
        Pending.clear();
        Flushed = false;
        LastErrMsg.clear();
    }

    int OpenStage(const std::string& text, std::string& error)
    {
        auto stage = std::make_unique<TStage>();
        const int r = stage->Run.Open(Current, text, Setup.SwsFlags, error);
        if (r < 0)
            return r;
        stage->Out = Current = stage->Run.Output();
        Stages.push_back(std::move(stage));
        Pending.clear();
        return 0;
    }

    // Ends the pending run in a format the step accepts (a run of its own
    // when the step comes first or the format must change), then adds it.
    int AddInPlace(TInPlaceStep step, const std::vector<AVPixelFormat>& formats, std::string& error)
    {
        const bool accepted = Contains(formats, Current.PixFmt);
        if (!Pending.empty() || Stages.empty() || !accepted) {
            const int r = OpenStage(Join(Pending, Pending.empty() && accepted ? "" : FormatFilter(formats)), error);
            if (r < 0)
                return r;
        }
        Stages.back()->Steps.push_back(std::move(step));
        return 0;
    }

    bool SizeFits(const TLavfiPictures& p) const
    {
        return Setup.OutWidth <= 0 || Setup.OutHeight <= 0 ||
               (p.Width == Setup.OutWidth && p.Height == Setup.OutHeight);
    }

    std::string Scale() const
    {
        char text[96];
        std::snprintf(text, sizeof text, "scale=%d:%d:flags=0x%X", Setup.OutWidth, Setup.OutHeight,
                      static_cast<unsigned>(Setup.SwsFlags));
        return text;
    }

    // The last run: the pending filters, the encoder's size when they leave
    // another one, and the encoder's pixel formats.
    int Finish(std::string& error)
    {
        const bool formatFits = Setup.OutPixFmts.empty() || Contains(Setup.OutPixFmts, Current.PixFmt);
        if (Pending.empty() && !Stages.empty() && formatFits && SizeFits(Current))
            return 0;
        const std::string format = FormatFilter(Setup.OutPixFmts);
        const std::string pending = Pending;
        const TLavfiPictures in = Current;
        const bool scaleNow = pending.empty() && !SizeFits(in);
        int r = OpenStage(Join(Join(pending, scaleNow ? Scale() : ""), format), error);
        if (r < 0 || SizeFits(Current))
            return r;
        // The user's filters left another size: scale after them.
        Stages.pop_back();
        Current = in;
        return OpenStage(Join(Join(pending, Scale()), format), error);
    }

    int Build(std::string& error)
    {
        std::vector<TFilterChainSegment> segments;
        const bool split = Setup.Filters ? SplitFilterChainSegments(Setup.FilterText, segments, error, *Setup.Filters)
                                         : SplitFilterChainSegments(Setup.FilterText, segments, error);
        if (!split)
            return AVERROR(EINVAL);
        Current = {Setup.Width, Setup.Height, Setup.PixFmt, Setup.SampleAspect, kMicroseconds, Setup.FrameRate};
        if (Setup.Deinterlace)
            Pending = Deinterlacer();
        int r = 0;
        if (Setup.Subtitles)
            r = AddInPlace({nullptr, Setup.Subtitles}, TSubtitleBurner::PixelFormats(), error);
        for (size_t i = 0; r >= 0 && i < segments.size(); ++i) {
            const TFilterChainSegment& segment = segments[i];
            if (segment.Kind == TFilterChainSegment::Lavfi) {
                Pending = Join(Pending, segment.Text);
                continue;
            }
            TNativeFilterCreated created = segment.Definition->Create(segment.Text);
            if (!created.Instance) {
                error = Reason(created.ErrorCode, created.ErrorText);
                return created.ErrorCode < 0 ? created.ErrorCode : AVERROR(EINVAL);
            }
            r = AddInPlace({std::move(created.Instance), nullptr}, segment.Definition->PixelFormats, error);
        }
        return r < 0 ? r : Finish(error);
    }

    int RunSteps(TStage& stage, AVFrame* frame)
    {
        for (TInPlaceStep& step : stage.Steps) {
            int r = 0;
            if (step.Native) {
                r = step.Native->ProcessFrame(frame);
                if (r < 0)
                    LastErrMsg = step.Native->LastErrMsg();
            } else if (frame->pts != AV_NOPTS_VALUE) {
                r = step.Burner->Blend(frame, ff::av_rescale_q(frame->pts, stage.Out.TimeBase, kMicroseconds));
                if (r < 0)
                    LastErrMsg = "Cannot draw subtitles on " + Reason(r, "") + ".";
            }
            if (r < 0)
                return r;
        }
        return 0;
    }

    // Moves whatever each run has ready on to the next one; the last run's
    // pictures wait for Pull.
    int Pump()
    {
        for (size_t i = 0; i + 1 < Stages.size(); ++i) {
            TStage& from = *Stages[i];
            TLavfiRun& to = Stages[i + 1]->Run;
            for (;;) {
                int r = from.Run.Receive(Work);
                if (r == AVERROR(EAGAIN))
                    break;
                if (r == AVERROR_EOF) {
                    r = to.InputEnded() ? 0 : to.Send(nullptr);
                    if (r < 0)
                        return r;
                    break;
                }
                if (r >= 0)
                    r = RunSteps(from, Work);
                if (r >= 0)
                    r = to.Send(Work);
                ff::av_frame_unref(Work);
                if (r < 0)
                    return r;
            }
        }
        return 0;
    }
};

TVideoFilterGraph::TVideoFilterGraph() : FImpl(std::make_unique<TImpl>()) {}

TVideoFilterGraph::~TVideoFilterGraph() = default;

bool TVideoFilterGraph::Configure(const TVideoFilterGraphSetup& setup, std::string& error)
{
    FImpl->Reset();
    FImpl->Setup = setup;
    error.clear();
    int r = 0;
    if (setup.Width <= 0 || setup.Height <= 0 || setup.PixFmt == AV_PIX_FMT_NONE) {
        error = "the input picture size or format is unknown";
        r = AVERROR(EINVAL);
    }
    if (r >= 0 && !FImpl->Work && !(FImpl->Work = ff::av_frame_alloc()))
        r = AVERROR(ENOMEM);
    if (r >= 0)
        r = FImpl->Build(error);
    if (r >= 0)
        return true;
    error = kErrorPrefix + Reason(r, error);
    FImpl->Reset();
    return false;
}

bool TVideoFilterGraph::Configured() const
{
    return !FImpl->Stages.empty();
}

int TVideoFilterGraph::Push(const AVFrame* frame)
{
    if (!Configured())
        return AVERROR(EINVAL);
    if (FImpl->Flushed)
        return AVERROR_EOF;
    TLavfiRun& first = FImpl->Stages.front()->Run;
    int r;
    if (frame) {
        r = ff::av_frame_ref(FImpl->Work, frame);
        if (r >= 0)
            r = first.Send(FImpl->Work);
        ff::av_frame_unref(FImpl->Work);
    } else {
        FImpl->Flushed = true;
        r = first.Send(nullptr);
    }
    return r < 0 ? r : FImpl->Pump();
}

int TVideoFilterGraph::Pull(AVFrame* frame)
{
    ff::av_frame_unref(frame);
    if (!Configured())
        return AVERROR(EINVAL);
    TStage& last = *FImpl->Stages.back();
    int r = last.Run.Receive(frame);
    if (r >= 0)
        r = FImpl->RunSteps(last, frame);
    if (r < 0) {
        ff::av_frame_unref(frame);
        return r;
    }
    if (frame->pts != AV_NOPTS_VALUE)
        frame->pts = ff::av_rescale_q(frame->pts, last.Out.TimeBase, kMicroseconds);
    return 0;
}

int TVideoFilterGraph::OutWidth() const
{
    return Configured() ? FImpl->Stages.back()->Out.Width : 0;
}

int TVideoFilterGraph::OutHeight() const
{
    return Configured() ? FImpl->Stages.back()->Out.Height : 0;
}

AVPixelFormat TVideoFilterGraph::OutPixFmt() const
{
    return Configured() ? FImpl->Stages.back()->Out.PixFmt : AV_PIX_FMT_NONE;
}

AVRational TVideoFilterGraph::OutSampleAspect() const
{
    return Configured() ? FImpl->Stages.back()->Out.SampleAspect : AVRational{0, 1};
}

const std::string& TVideoFilterGraph::LastErrMsg() const
{
    return FImpl->LastErrMsg;
}

}  // namespace vidrelo
