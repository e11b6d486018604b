// Opening a job's outputs.
#include "engine/CLocale.h"
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/MediaURL.h"

#include <cerrno>
#include <ctime>
#include <filesystem>

namespace vidrelo {
namespace {

// "2011-02-03T04:05:06Z" for seconds since the epoch.
std::string CreationTime(int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace

int TCustomFFmpeg::OpenOutput(const std::string& AFileName, bool AJoin, bool AReplace)
{
    const TCLocaleScope numbers;
    Options();  // the libraries must be there
    FLastErrMsg.clear();
    if (FJoinMode) {
        FLastErrMsg = "Cannot join more than one output file.";
        return -1;
    }
    if (nb_output_files() >= FMaxFiles) {
        FLastErrMsg = Format("Too many output files (at most %d)", FMaxFiles);
        return -1;
    }
    const std::optional<std::string> url = EncodeMediaURL(AFileName);
    if (!url) {
        FLastErrMsg = MediaErrorText(AFileName, AVERROR(EINVAL));
        return -1;
    }
    if (IsOneOfTheInputs(AFileName)) {
        FLastErrMsg = Format("Cannot write to '%s': it is one of the inputs", AFileName.c_str());
        return -1;
    }
    const AVOutputFormat* format = ChooseMuxer(AFileName);
    if (!format)
        return -1;
    AVFormatContext* context = nullptr;
    if (ff::avformat_alloc_output_context2(&context, format, nullptr, url->c_str()) < 0 || !context)
        throw FFmpegException("avformat_alloc_context failed");
    InstallInterruptCallback(context, FServices.Interrupts);
    const int index = FOutputs.Add(context);
    try {
        CreateFirstStreams(context, index, AJoin);
    } catch (const FFmpegException& e) {
        return FailOutput(e.what());
    } catch (...) {
        FailOutput("");
        throw;
    }
    SetOutputMetadata(context);
    if (!OpenOutputFile(context, AFileName, AReplace))
        return FailOutput(FLastErrMsg);
    SetMuxingParameters(context);
    if (AJoin && nb_input_files() > 1)
        SwitchToJoinMode();
    return index;
}

const AVOutputFormat* TCustomFFmpeg::ChooseMuxer(const std::string& AFileName)
{
    if (!FOpt.Flast_asked_format.empty()) {
        const std::string name = std::move(FOpt.Flast_asked_format);
        FOpt.Flast_asked_format.clear();
        const AVOutputFormat* format = ff::av_guess_format(name.c_str(), nullptr, nullptr);
        if (!format)
            FLastErrMsg = Format("Requested output format '%s' is not a suitable output format", name.c_str());
        return format;
    }
    const AVOutputFormat* format = ff::av_guess_format(nullptr, AFileName.c_str(), nullptr);
    if (!format)
        FLastErrMsg = Format("Unable to find a suitable output format for '%s'", AFileName.c_str());
    return format;
}

void TCustomFFmpeg::InputKinds(bool AJoin, bool& AVideo, bool& AAudio, bool& ASubtitle) const
{
    AVideo = AAudio = ASubtitle = false;
    const std::size_t count = AJoin ? std::min<std::size_t>(1, static_cast<std::size_t>(FInputs.Count())) : static_cast<std::size_t>(FInputs.Count());
    for (std::size_t i = 0; i < count; ++i) {
        const AVFormatContext* input = FInputs.Context(i);
        for (unsigned k = 0; k < input->nb_streams; ++k) {
            const AVMediaType type = input->streams[k]->codecpar->codec_type;
            AVideo |= type == AVMEDIA_TYPE_VIDEO;
            AAudio |= type == AVMEDIA_TYPE_AUDIO;
            // A source's subpictures (a DVD's) are burned into the picture
            // by the frame processing, never written as a stream of their own.
            ASubtitle |= type == AVMEDIA_TYPE_SUBTITLE && !FInputs.Setup(i).FromSource;
        }
    }
}

void TCustomFFmpeg::WantedStreams(const AVOutputFormat* AFormat, bool AJoin, bool& AVideo, bool& AAudio,
                                  bool& ASubtitle) const
{
    AVideo = FOpt.Fvideo_stream_copy || AFormat->video_codec != AV_CODEC_ID_NONE || !FOpt.Fvideo_codec_name.empty();
    AAudio = FOpt.Faudio_stream_copy || AFormat->audio_codec != AV_CODEC_ID_NONE || !FOpt.Faudio_codec_name.empty();
    ASubtitle =
        FOpt.Fsubtitle_stream_copy || AFormat->subtitle_codec != AV_CODEC_ID_NONE || !FOpt.Fsubtitle_codec_name.empty();
    if (!FInputs.Empty()) {
        bool hasVideo, hasAudio, hasSubtitle;
        InputKinds(AJoin, hasVideo, hasAudio, hasSubtitle);
        AVideo = AVideo && hasVideo;
        AAudio = AAudio && hasAudio;
        ASubtitle = ASubtitle && hasSubtitle;
    }
    AVideo = AVideo && !FOpt.Fvideo_disable;
    AAudio = AAudio && !FOpt.Faudio_disable;
    ASubtitle = ASubtitle && !FOpt.Fsubtitle_disable;
}

void TCustomFFmpeg::CreateFirstStreams(AVFormatContext* AContext, int AFileIndex, bool AJoin)
{
    bool video, audio, subtitle;
    WantedStreams(AContext->oformat, AJoin, video, audio, subtitle);
    const auto create = [&](bool wanted, const char* what, void (TCustomFFmpeg::*make)(AVFormatContext*, int)) {
        if (!wanted)
            return;
        try {
            (this->*make)(AContext, AFileIndex);
        } catch (const FFmpegException& e) {
            throw FFmpegException(Format("%s fail: %s", what, e.what()));
        }
    };
    create(video, "new_video_stream", &TCustomFFmpeg::NewVideoStream);
    create(audio, "new_audio_stream", &TCustomFFmpeg::NewAudioStream);
    create(subtitle, "new_subtitle_stream", &TCustomFFmpeg::NewSubtitleStream);
}

void TCustomFFmpeg::SetOutputMetadata(AVFormatContext* AContext)
{
    if (FOpt.Frecording_timestamp != 0)
        ff::av_dict_set(&AContext->metadata, "creation_time", CreationTime(FOpt.Frecording_timestamp).c_str(), 0);
    if (!FOpt.Fmetadata.Empty())
        ff::av_dict_copy(&AContext->metadata, FOpt.Fmetadata.Get(), 0);
    FOpt.Fmetadata.Clear();
}

bool TCustomFFmpeg::OpenOutputFile(AVFormatContext* AContext, const std::string& AFileName, bool AReplace)
{
    const int flags = AContext->oformat->flags;
    if ((flags & AVFMT_NEEDNUMBER) && !ff::av_filename_number_test(AContext->url)) {
        FLastErrMsg = MediaErrorText(AFileName, AVERROR(EDOM));  // "Number syntax expected in filename"
        return false;
    }
    if (flags & AVFMT_NOFILE)
        return true;  // the muxer writes its files itself
    // The muxer keeps the final name (its url) for what it guesses and logs;
    // the bytes go to the temporary file.
    std::string openName = AContext->url;
    if (!StartPartialOutput(AFileName, AReplace, openName))
        return false;
    int result;
    {
        TBlockingIO io(*this, TIOPhase::Writing);
        result = ff::avio_open2(&AContext->pb, openName.c_str(), AVIO_FLAG_WRITE, &AContext->interrupt_callback,
                                nullptr);
    }
    if (result < 0 || FInterrupted) {
        FLastErrMsg = FInterrupted ? AFileName + ": " + InterruptText() : MediaErrorText(AFileName, result);
        FOutputs.SetPartial(nullptr);  // removes the temporary file
        return false;
    }
    return true;
}

// Gives the output being opened its temporary file (none: written in place)
// and the name to open in AOpenName. False with LastErrMsg when the name is
// taken.
bool TCustomFFmpeg::StartPartialOutput(const std::string& AFileName, bool AReplace, std::string& AOpenName)
{
    const std::optional<std::string> path = LocalFilePath(AFileName);
    std::error_code error;
    const std::filesystem::file_status status = path ? std::filesystem::status(*path, error)
                                                     : std::filesystem::file_status{};
    if (!path || (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)))
        return true;  // a device, a FIFO, another protocol: written in place
    std::unique_ptr<TPartialOutput> partial = TPartialOutput::Create(*path, AReplace, FLastErrMsg);
    if (!partial)
        return false;
    AOpenName = *EncodeMediaURL("file:" + partial->PartialName());
    FOutputs.SetPartial(std::move(partial));
    return true;
}

bool TCustomFFmpeg::IsOneOfTheInputs(const std::string& AFileName) const
{
    return FInputs.Reads(AFileName);
}

bool TCustomFFmpeg::IsOneOfTheOutputs(const std::string& AFileName) const
{
    return FOutputs.Writes(AFileName);
}

void TCustomFFmpeg::SetMuxingParameters(AVFormatContext* AContext)
{
    // The MPEG muxers take the preload as their own option; the loop count
    // belongs to the formats that loop (GIF).
    ff::av_opt_set_int(AContext, "preload", static_cast<int64_t>(FOpt.Fmux_preload * AV_TIME_BASE), AV_OPT_SEARCH_CHILDREN);
    AContext->max_delay = static_cast<int>(FOpt.Fmux_max_delay * AV_TIME_BASE);
    if (FOpt.Floop_output >= 0)
        ff::av_opt_set_int(AContext, "loop", FOpt.Floop_output, AV_OPT_SEARCH_CHILDREN);
    AContext->flags |= AVFMT_FLAG_NONBLOCK;
    Options().ApplyToFormat(AContext, true);
    Fstreamid_map.clear();
    FOpt.Fforced_key_frames.clear();
}

void TCustomFFmpeg::SwitchToJoinMode()
{
    FJoinMode = true;
    // The inputs play one after another: the progress total is their sum.
    int64_t total = 0;
    for (int i = 0; i < nb_input_files(); ++i)
        if (const int64_t duration = FInputs.Setup(i).Duration; duration != AV_NOPTS_VALUE && duration > 0)
            total += duration;
    FTotalOutputDuration = total > 0 ? total : -1;
}

int TCustomFFmpeg::FailOutput(const std::string& AMessage)
{
    FOutputs.RemoveLast();
    FLastErrMsg = AMessage;
    return -1;
}

}  // namespace vidrelo
