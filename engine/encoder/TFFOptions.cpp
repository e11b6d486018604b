#include "engine/encoder/TFFOptions.h"

#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"

#include <new>

namespace vidrelo {
namespace {

bool ClassHas(const AVClass* cls, const char* name)
{
    return cls && ff::av_opt_find(&cls, name, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
}

// Sets `name` on a context's private options when they have it and allow
// that direction.
void SetPrivate(void* privData, const std::string& name, const std::string& value, int directionFlag)
{
    if (privData && ff::av_opt_find(privData, name.c_str(), nullptr, directionFlag, 0))
        ff::av_opt_set(privData, name.c_str(), value.c_str(), 0);
}

bool IsPrivate(const TFFOptions::TOption& option)
{
    return option.Templates == 0 && option.PrefixType < 0;
}

}  // namespace

int MediaTypeOptionFlag(AVMediaType type)
{
    switch (type) {
    case AVMEDIA_TYPE_VIDEO: return AV_OPT_FLAG_VIDEO_PARAM;
    case AVMEDIA_TYPE_AUDIO: return AV_OPT_FLAG_AUDIO_PARAM;
    case AVMEDIA_TYPE_SUBTITLE: return AV_OPT_FLAG_SUBTITLE_PARAM;
    default: return 0;
    }
}

bool IsPrivateOption(const std::string& name)
{
    void* it = nullptr;
    while (const AVCodec* codec = ff::av_codec_iterate(&it))
        if (ClassHas(codec->priv_class, name.c_str()))
            return true;
    it = nullptr;
    while (const AVOutputFormat* format = ff::av_muxer_iterate(&it))
        if (ClassHas(format->priv_class, name.c_str()))
            return true;
    return false;
}

TFFOptions::TFFOptions(int scalerFlags) : FScalerFlags(scalerFlags)
{
    CreateTemplates();
}

TFFOptions::~TFFOptions()
{
    FreeTemplates();
}

void TFFOptions::CreateTemplates()
{
    for (int type = 0; type < CodecTemplateCount; ++type) {
        FCodecTemplates[type] = ff::avcodec_alloc_context3(nullptr);
        if (!FCodecTemplates[type])
            throw std::bad_alloc();
        FCodecTemplates[type]->codec_type = static_cast<AVMediaType>(type);
    }
    FFormatTemplate = ff::avformat_alloc_context();
    FScalerTemplate = ff::sws_alloc_context();
    if (!FFormatTemplate || !FScalerTemplate)
        throw std::bad_alloc();
    ff::av_opt_set_int(FScalerTemplate, "sws_flags", FScalerFlags, 0);
}

void TFFOptions::FreeTemplates()
{
    for (AVCodecContext*& context : FCodecTemplates)
        if (context)
            ff::avcodec_free_context(&context);
    if (FFormatTemplate)
        ff::avformat_free_context(FFormatTemplate);
    FFormatTemplate = nullptr;
    if (FScalerTemplate)
        ff::sws_freeContext(FScalerTemplate);
    FScalerTemplate = nullptr;
}

void TFFOptions::Clear()
{
    FScalerFlags = ScalerFlags();
    FOptions.clear();
    FreeTemplates();
    CreateTemplates();
}

bool TFFOptions::TemplateHas(int type, const std::string& name) const
{
    return ff::av_opt_find(FCodecTemplates[type], name.c_str(), nullptr,
                           MediaTypeOptionFlag(static_cast<AVMediaType>(type)), 0) != nullptr;
}

TFFOptions::TSetOutcome TFFOptions::SetOnCodecTemplates(TOption& option)
{
    for (int type = 0; type < CodecTemplateCount; ++type) {
        // Today's libraries share "b" between audio and video; here, as in
        // the command-line tool, a bare "b" is the video bit rate ("ab" is
        // the audio one), so that setting it never changes the audio's.
        if (option.Name == "b" && type != AVMEDIA_TYPE_VIDEO)
            continue;
        if (!TemplateHas(type, option.Name))
            continue;
        if (ff::av_opt_set(FCodecTemplates[type], option.Name.c_str(), option.Value.c_str(), 0) < 0)
            return Invalid;
        option.Templates |= 1u << type;
    }
    return option.Templates ? Taken : NotFound;
}

TFFOptions::TSetOutcome TFFOptions::SetOnFormatOrScaler(TOption& option)
{
    const char* name = option.Name.c_str();
    if (ff::av_opt_find(FFormatTemplate, name, nullptr, 0, 0)) {
        option.Templates = FormatBit;
        return ff::av_opt_set(FFormatTemplate, name, option.Value.c_str(), 0) < 0 ? Invalid : Taken;
    }
    if (ff::av_opt_find(FScalerTemplate, name, nullptr, 0, 0)) {
        option.Templates = ScalerBit;
        return ff::av_opt_set(FScalerTemplate, name, option.Value.c_str(), 0) < 0 ? Invalid : Taken;
    }
    return NotFound;
}

TFFOptions::TSetOutcome TFFOptions::SetWithPrefix(TOption& option)
{
    if (option.Name.size() < 2)
        return NotFound;
    int type;
    switch (option.Name[0]) {
    case 'a': type = AVMEDIA_TYPE_AUDIO; break;
    case 'v': type = AVMEDIA_TYPE_VIDEO; break;
    case 's': type = AVMEDIA_TYPE_SUBTITLE; break;
    default: return NotFound;
    }
    const std::string rest = option.Name.substr(1);
    if (!TemplateHas(type, rest))
        return NotFound;
    option.PrefixType = type;
    return ff::av_opt_set(FCodecTemplates[type], rest.c_str(), option.Value.c_str(), 0) < 0 ? Invalid : Taken;
}

std::string TFFOptions::Set(const std::string& name, const std::string& value)
{
    TOption option{name, value};
    TSetOutcome outcome = SetOnCodecTemplates(option);
    if (outcome == NotFound)
        outcome = SetOnFormatOrScaler(option);
    if (outcome == NotFound)
        outcome = SetWithPrefix(option);
    if (outcome == NotFound && IsPrivateOption(name))
        outcome = Taken;
    if (outcome == NotFound) {
        ff::av_log(nullptr, AV_LOG_ERROR, "Unrecognized option \"%s\"\n", name.c_str());
        return Format("Unrecognized option \"%s\"", name.c_str());
    }
    if (outcome == Invalid) {
        ff::av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(), name.c_str());
        return Format("Invalid value \"%s\" for option \"%s\"", value.c_str(), name.c_str());
    }
    FOptions.push_back(std::move(option));
    return {};
}

void TFFOptions::ApplyToCodec(AVCodecContext* context, AVMediaType type, bool encoding) const
{
    if (type < 0 || type >= CodecTemplateCount)
        return;
    const int direction = encoding ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
    const int flags = MediaTypeOptionFlag(type) | direction;
    for (const TOption& option : FOptions) {
        if (IsPrivate(option)) {
            SetPrivate(context->priv_data, option.Name, option.Value, direction);
            continue;
        }
        std::string name;
        if (option.Templates & (1u << type))
            name = option.Name;
        else if (option.PrefixType == type)
            name = option.Name.substr(1);
        else
            continue;
        if (ff::av_opt_find(context, name.c_str(), nullptr, flags, 0))
            ff::av_opt_set(context, name.c_str(), option.Value.c_str(), 0);
    }
}

void TFFOptions::ApplyToFormat(AVFormatContext* context, bool output) const
{
    const int direction = output ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
    for (const TOption& option : FOptions) {
        if (IsPrivate(option))
            SetPrivate(context->priv_data, option.Name, option.Value, direction);
        else if ((option.Templates & FormatBit) && ff::av_opt_find(context, option.Name.c_str(), nullptr, direction, 0))
            ff::av_opt_set(context, option.Name.c_str(), option.Value.c_str(), 0);
    }
}

AVDictionary* TFFOptions::InputFormatOptions(const AVInputFormat* format) const
{
    AVDictionary* options = nullptr;
    for (const TOption& option : FOptions)
        if (IsPrivate(option) && (!format || ClassHas(format->priv_class, option.Name.c_str())))
            ff::av_dict_set(&options, option.Name.c_str(), option.Value.c_str(), 0);
    return options;
}

int64_t TFFOptions::CodecTemplateInt(AVMediaType type, const char* name) const
{
    int64_t value = 0;
    if (type >= 0 && type < CodecTemplateCount)
        ff::av_opt_get_int(FCodecTemplates[type], name, 0, &value);
    return value;
}

int TFFOptions::ScalerFlags() const
{
    int64_t flags = FScalerFlags;
    ff::av_opt_get_int(FScalerTemplate, "sws_flags", 0, &flags);
    return static_cast<int>(flags);
}

bool TFFOptions::DebugRequested() const
{
    for (int type = 0; type < CodecTemplateCount; ++type)
        if (CodecTemplateInt(static_cast<AVMediaType>(type), "debug") != 0)
            return true;
    int64_t formatDebug = 0;
    ff::av_opt_get_int(FFormatTemplate, "fdebug", 0, &formatDebug);
    return formatDebug != 0;
}

}  // namespace vidrelo
