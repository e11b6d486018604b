#include "engine/probe/TCustomDecoder.h"

#include "engine/EngineError.h"
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaURL.h"
#include "engine/loader/TFFLoader.h"
#include "engine/log/TFFLogger.h"
#include "engine/probe/FileInfoText.h"

#include <filesystem>

namespace vidrelo {
namespace {

const char* const FileNotLoaded = "file not loaded.";

const char* KindName(AVMediaType kind)
{
    switch (kind) {
    case AVMEDIA_TYPE_AUDIO: return "audio";
    case AVMEDIA_TYPE_VIDEO: return "video";
    default: return "subtitle";
    }
}

}  // namespace

TCustomDecoder::~TCustomDecoder()
{
    CloseFile();
}

void TCustomDecoder::SetFileHandle(AVFormatContext* value)
{
    if (value == FFileHandle)
        return;
    if (value)
        CheckLibraries();
    CloseFile();
    FFileHandle = value;
    RefreshSummary();
}

void TCustomDecoder::CloseFile()
{
    // Contexts are always the owner's: forgetting is all there is to do.
    FFileHandle = nullptr;
    RefreshSummary();
}

void TCustomDecoder::CheckLibraries() const
{
    struct TCheck {
        TLibrary Lib;
        const char* Text;
    };
    static constexpr TCheck Checks[] = {{TLibrary::avCodec, "LibAVCodec not loaded."},
                                        {TLibrary::avFormat, "LibAVFormat not loaded."},
                                        {TLibrary::avUtil, "LibAVUtil not loaded."},
                                        {TLibrary::swScale, "LibSwScale not loaded."}};
    for (const TCheck& check : Checks)
        if (!FLoader.Loaded(check.Lib))
            throw EEngineError(check.Text);
}

void TCustomDecoder::RefreshSummary()
{
    FFileSize = FStreamCount = FProgramCount = -1;
    FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = -1;
    FFirstAudioStreamIndex = FFirstVideoStreamIndex = FFirstSubtitleStreamIndex = -1;
    if (FFileHandle) {
        FFileSize = ContextFileSize();
        FStreamCount = static_cast<int>(FFileHandle->nb_streams);
        FProgramCount = static_cast<int>(FFileHandle->nb_programs);
        FAudioStreamCount = FVideoStreamCount = FSubtitleStreamCount = 0;
        for (unsigned i = 0; i < FFileHandle->nb_streams; ++i)
            CountStream(FFileHandle->streams[i], static_cast<int>(i));
    }
    SummaryRefreshed();
}

// What the input's byte source says, else the size of the file its name
// gives, else 0 (unknown).
int64_t TCustomDecoder::ContextFileSize() const
{
    const int64_t ioSize = FFileHandle->pb ? ff::avio_size(FFileHandle->pb) : 0;
    if (ioSize > 0)
        return ioSize;
    std::error_code ec;
    const std::filesystem::path path(FileName());
    if (!path.empty() && std::filesystem::is_regular_file(path, ec))
        if (const auto size = std::filesystem::file_size(path, ec); !ec)
            return static_cast<int64_t>(size);
    return ioSize < 0 ? 0 : ioSize;
}

void TCustomDecoder::CountStream(const AVStream* stream, int index)
{
    auto count = [index](int& counter, int& first) {
        ++counter;
        if (first == -1)
            first = index;
    };
    switch (stream->codecpar->codec_type) {
    case AVMEDIA_TYPE_VIDEO: count(FVideoStreamCount, FFirstVideoStreamIndex); break;
    case AVMEDIA_TYPE_AUDIO: count(FAudioStreamCount, FFirstAudioStreamIndex); break;
    case AVMEDIA_TYPE_SUBTITLE: count(FSubtitleStreamCount, FFirstSubtitleStreamIndex); break;
    default: break;  // data and attachments are not counted
    }
}

std::string TCustomDecoder::FileName() const
{
    return FFileHandle && FFileHandle->url ? DecodeMediaURL(FFileHandle->url) : std::string();
}

std::string TCustomDecoder::FormatName() const
{
    return FFileHandle && FFileHandle->iformat && FFileHandle->iformat->name ? FFileHandle->iformat->name : "";
}

std::string TCustomDecoder::FormatLongName() const
{
    const AVInputFormat* format = FFileHandle ? FFileHandle->iformat : nullptr;
    return format && format->long_name ? format->long_name : "";
}

void TCustomDecoder::Report(int avLevel, const std::string& message)
{
    FLastErrMsg = message;
    FFLogger().Log(this, AVToLogLevel(avLevel), message);
}

void TCustomDecoder::GetFileStreamInfo(TFileStreamInfo& info)
{
    info = TFileStreamInfo{};
    if (!FFileHandle) {
        Report(AV_LOG_WARNING, FileNotLoaded);
        return;
    }
    FillFileStreamInfo(FFileHandle, info);
}

AVStream* TCustomDecoder::StreamOfKind(int index, AVMediaType kind)
{
    if (!FFileHandle) {
        Report(AV_LOG_WARNING, FileNotLoaded);
        return nullptr;
    }
    if (index == -1) {
        index = kind == AVMEDIA_TYPE_AUDIO   ? FFirstAudioStreamIndex
                : kind == AVMEDIA_TYPE_VIDEO ? FFirstVideoStreamIndex
                                             : FFirstSubtitleStreamIndex;
        if (index == -1) {
            Report(AV_LOG_ERROR, Format("no %s stream.", KindName(kind)));
            return nullptr;
        }
    }
    if (index < 0 || index >= static_cast<int>(FFileHandle->nb_streams)) {
        Report(AV_LOG_ERROR, Format("stream index #%d is invalid.", index));
        return nullptr;
    }
    AVStream* stream = FFileHandle->streams[index];
    if (stream->codecpar->codec_type != kind) {
        Report(AV_LOG_ERROR, Format("stream #%d is not %s stream.", index, KindName(kind)));
        return nullptr;
    }
    return stream;
}

bool TCustomDecoder::GetAudioStreamInfo(int index, TAudioStreamInfo& info)
{
    info = TAudioStreamInfo{};
    AVStream* stream = StreamOfKind(index, AVMEDIA_TYPE_AUDIO);
    if (stream)
        FillAudioStreamInfo(stream, info);
    return stream != nullptr;
}

bool TCustomDecoder::GetVideoStreamInfo(int index, TVideoStreamInfo& info)
{
    info = TVideoStreamInfo{};
    AVStream* stream = StreamOfKind(index, AVMEDIA_TYPE_VIDEO);
    if (stream)
        FillVideoStreamInfo(stream, info);
    return stream != nullptr;
}

bool TCustomDecoder::GetSubtitleStreamInfo(int index, TSubtitleStreamInfo& info)
{
    info = TSubtitleStreamInfo{};
    AVStream* stream = StreamOfKind(index, AVMEDIA_TYPE_SUBTITLE);
    if (stream)
        FillSubtitleStreamInfo(stream, info);
    return stream != nullptr;
}

bool TCustomDecoder::IsStreamOfKind(int index, AVMediaType kind)
{
    if (!FFileHandle) {
        Report(AV_LOG_WARNING, FileNotLoaded);
        return false;
    }
    if (index < 0 || index >= static_cast<int>(FFileHandle->nb_streams)) {
        Report(AV_LOG_ERROR, Format("stream index #%d is invalid.", index));
        return false;
    }
    return FFileHandle->streams[index]->codecpar->codec_type == kind;
}

bool TCustomDecoder::IsAudioStream(int index)
{
    return IsStreamOfKind(index, AVMEDIA_TYPE_AUDIO);
}

bool TCustomDecoder::IsVideoStream(int index)
{
    return IsStreamOfKind(index, AVMEDIA_TYPE_VIDEO);
}

bool TCustomDecoder::IsSubtitleStream(int index)
{
    return IsStreamOfKind(index, AVMEDIA_TYPE_SUBTITLE);
}

std::string TCustomDecoder::GetFileInfoText()
{
    if (!FFileHandle) {
        Report(AV_LOG_WARNING, FileNotLoaded);
        return {};
    }
    return FileInfoText(FFileHandle, FFileSize);
}

bool TCustomDecoder::LoadAVLib(const std::string& path)
{
    FLoader.SetLibraryPath(path);
    if (FLoader.Load(DecoderLibraries))
        return true;
    FLastErrMsg = FLoader.LastErrMsg();
    return false;
}

bool TCustomDecoder::AVLibLoaded()
{
    return FLoader.Loaded(DecoderLibraries);
}

void TCustomDecoder::UnloadAVLib()
{
    FLoader.Unload(DecoderLibraries);
}

}  // namespace vidrelo
