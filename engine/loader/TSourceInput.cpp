#include "engine/loader/TSourceInput.h"

#include "engine/CLocale.h"
#include "engine/MediaEngine.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/TSourceReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vidrelo {
namespace {

constexpr int kIOBufferSize = 64 * 1024;

// What the AVIOContext's opaque points at: the byte source it reads, read
// so that a blocked source can be given up on (TSourceReader).
struct TSourceIO {
    explicit TSourceIO(std::unique_ptr<ISourceStream> stream) : Reader(std::move(stream)) {}
    TSourceReader Reader;
};

int ReadPacket(void* opaque, uint8_t* buffer, int size)
{
    const int n = static_cast<TSourceIO*>(opaque)->Reader.Read(buffer, size);
    return n == 0 ? AVERROR_EOF : n;
}

int64_t SeekSource(void* opaque, int64_t offset, int whence)
{
    TSourceReader& reader = static_cast<TSourceIO*>(opaque)->Reader;
    if (whence & AVSEEK_SIZE) {
        const int64_t size = reader.Size();
        return size >= 0 || size == AVERROR_EXIT ? size : AVERROR(ENOSYS);
    }
    return reader.Seek(offset, whence & ~AVSEEK_FORCE);
}

// An AVIOContext over `stream`; null when memory runs out.
AVIOContext* MakeIOContext(std::unique_ptr<ISourceStream> stream)
{
    auto* buffer = static_cast<unsigned char*>(ff::av_malloc(kIOBufferSize));
    if (!buffer)
        return nullptr;
    auto io = std::make_unique<TSourceIO>(std::move(stream));
    AVIOContext* pb = ff::avio_alloc_context(buffer, kIOBufferSize, 0, io.get(), ReadPacket, nullptr, SeekSource);
    if (!pb) {
        ff::av_free(buffer);
        return nullptr;
    }
    io.release();  // owned by pb->opaque from here on
    return pb;
}

void FreeIOContext(AVIOContext** pb)
{
    if (!*pb)
        return;
    delete static_cast<TSourceIO*>((*pb)->opaque);
    ff::av_freep(&(*pb)->buffer);
    ff::avio_context_free(pb);
}

TSourceInputResult OpenBySource(AVFormatContext** context, const std::string& url, const TSourceOpener& opener,
                                const AVInputFormat* forced, AVDictionary** options)
{
    TSourceInputResult result;
    result.FromSource = true;
    TSourceOpenResult opened = opener(url);
    if (!opened.Stream) {
        ff::avformat_free_context(*context);
        *context = nullptr;
        result.Code = AVERROR(EIO);
        result.Error = opened.Error.empty() ? MediaErrorText(url, result.Code) : opened.Error;
        return result;
    }
    result.Hints = std::move(opened.Hints);
    if (!forced && !result.Hints.ForceFormat.empty())
        forced = ff::av_find_input_format(result.Hints.ForceFormat.c_str());
    AVIOContext* pb = MakeIOContext(std::move(opened.Stream));
    if (!pb) {
        ff::avformat_free_context(*context);
        *context = nullptr;
        result.Code = AVERROR(ENOMEM);
        result.Error = MediaErrorText(url, result.Code);
        return result;
    }
    (*context)->pb = pb;
    result.Code = ff::avformat_open_input(context, url.c_str(), forced, options);
    if (result.Code < 0) {
        // The libraries free the context but never a caller's I/O context.
        FreeIOContext(&pb);
        result.Error = MediaErrorText(url, result.Code);
    }
    return result;
}

// The DVD subtitle decoder reads its palette from extradata text, as
// subtitle index files carry it: "palette: rrggbb, rrggbb, ...".
std::string PaletteText(const std::vector<uint32_t>& palette)
{
    std::string text = "palette:";
    for (size_t i = 0; i < palette.size(); ++i) {
        char entry[16];
        std::snprintf(entry, sizeof entry, "%s %06x", i ? "," : "", palette[i] & 0xFFFFFFu);
        text += entry;
    }
    return text + "\n";
}

// The stream's language as the source names it, which the job copies to the
// streams it writes from this one.
void SetStreamLanguage(AVStream* stream, const std::string& language)
{
    if (!language.empty())
        ff::av_dict_set(&stream->metadata, "language", language.c_str(), AV_DICT_DONT_OVERWRITE);
}

// Gives every DVD subtitle stream that has no extradata yet the palette.
void SetSubtitlePalette(AVFormatContext* context, const std::vector<uint32_t>& palette)
{
    if (palette.empty())
        return;
    const std::string text = PaletteText(palette);
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        AVCodecParameters* par = context->streams[i]->codecpar;
        if (par->codec_id != AV_CODEC_ID_DVD_SUBTITLE || par->extradata)
            continue;
        par->extradata = static_cast<uint8_t*>(ff::av_mallocz(text.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!par->extradata)
            return;
        std::memcpy(par->extradata, text.data(), text.size());
        par->extradata_size = static_cast<int>(text.size());
    }
}

}  // namespace

TSourceInputResult OpenSourceInput(AVFormatContext** context, const std::string& url, const AVInputFormat* forced,
                                   AVDictionary** options)
{
    const TCLocaleScope numbers;
    if (TMediaEngine::Running())
        if (TSourceOpener opener = TMediaEngine::SourceProtocols().Find(url))
            return OpenBySource(context, url, opener, forced, options);
    TSourceInputResult result;
    result.Code = ff::avformat_open_input(context, url.c_str(), forced, options);
    if (result.Code < 0)
        result.Error = MediaErrorText(url, result.Code);
    return result;
}

int AddHintedStreams(AVFormatContext* context, const TSourceHints& hints)
{
    int added = 0;
    for (const TSourceStreamHint& hint : hints.Streams) {
        AVStream* stream = nullptr;
        for (unsigned i = 0; i < context->nb_streams && !stream; ++i)
            if (context->streams[i]->id == hint.Id)
                stream = context->streams[i];
        if (stream) {
            SetStreamLanguage(stream, hint.Language);
            continue;
        }
        const AVCodecDescriptor* codec = ff::avcodec_descriptor_get_by_name(hint.Codec.c_str());
        stream = ff::avformat_new_stream(context, nullptr);
        if (!stream)
            break;
        SetStreamLanguage(stream, hint.Language);
        stream->id = hint.Id;
        stream->codecpar->codec_type = hint.Kind == TSourceStreamHint::Video   ? AVMEDIA_TYPE_VIDEO
                                       : hint.Kind == TSourceStreamHint::Audio ? AVMEDIA_TYPE_AUDIO
                                                                               : AVMEDIA_TYPE_SUBTITLE;
        stream->codecpar->codec_id = codec ? codec->id : AV_CODEC_ID_NONE;
        // The "mpeg" demuxer's clock: 90 kHz.
        stream->time_base = AVRational{1, 90000};
        ++added;
    }
    SetSubtitlePalette(context, hints.SubtitlePalette);
    return added;
}

std::string SourceInputProblems(AVFormatContext* context)
{
    if (!context || !(context->flags & AVFMT_FLAG_CUSTOM_IO) || !context->pb)
        return {};
    return static_cast<TSourceIO*>(context->pb->opaque)->Reader.Problems();
}

void CloseSourceInput(AVFormatContext** context)
{
    if (!*context)
        return;
    AVIOContext* pb = ((*context)->flags & AVFMT_FLAG_CUSTOM_IO) ? (*context)->pb : nullptr;
    ff::avformat_close_input(context);
    FreeIOContext(&pb);
}

}  // namespace vidrelo
