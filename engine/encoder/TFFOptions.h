#pragma once
// The generic options of a transcoding job: any option the media libraries
// know (a codec's "g", a format's "packetsize", a scaler's "sws_flags", an
// encoder's private "me_method"), collected one at a time and later applied
// to every codec, format and scaler context the job creates.
//
// Each option is first tried on templates that carry the libraries'
// defaults: one codec context per media type (video, audio, data, subtitle,
// attachment), a format context and a scaler context. A template that takes
// the value proves the name and the value; the collected list remembers
// which templates took it. Names no template knows are accepted when some
// codec or output format has a private option of that name; they are set on
// a context's private options when it has one.
//
// Needs the media libraries loaded for its whole life.
#include "engine/loader/MediaHeaders.h"

#include <array>
#include <string>
#include <vector>

namespace vidrelo {

class TFFOptions {
public:
    static constexpr int CodecTemplateCount = 5;  // AVMEDIA_TYPE_VIDEO .. AVMEDIA_TYPE_ATTACHMENT

    explicit TFFOptions(int scalerFlags);
    ~TFFOptions();
    TFFOptions(const TFFOptions&) = delete;
    TFFOptions& operator=(const TFFOptions&) = delete;

    // Sets one generic option. Returns the refusal text ("Unrecognized
    // option ...", "Invalid value ...", also written to the libraries' log),
    // or an empty string when the option was accepted and collected.
    std::string Set(const std::string& name, const std::string& value);

    // Applies the collected options to a context just created. Only options
    // meant for that kind of context are applied (their flags must allow
    // encoding or decoding of that media type); names the templates do not
    // hold go to the context's private options when it has them.
    void ApplyToCodec(AVCodecContext* context, AVMediaType type, bool encoding) const;
    void ApplyToFormat(AVFormatContext* context, bool output) const;
    // The private options for a demuxer that is not chosen yet, for
    // avformat_open_input: every collected name no template holds (the
    // demuxer takes the ones it has), or only the ones `format` has.
    AVDictionary* InputFormatOptions(const AVInputFormat* format) const;

    // A codec template's current value ("b" of the video template).
    int64_t CodecTemplateInt(AVMediaType type, const char* name) const;
    int ScalerFlags() const;
    // True when a codec's or the format's "debug" option is not zero.
    bool DebugRequested() const;

    struct TOption {
        std::string Name;
        std::string Value;
        unsigned Templates = 0;  // bit t: codec template t; FormatBit, ScalerBit
        int PrefixType = -1;     // "vb": the video template took "b"
    };
    const std::vector<TOption>& Collected() const { return FOptions; }
    // Forgets the collected options and gives the templates their defaults.
    void Clear();

    static constexpr unsigned FormatBit = 1u << 5;
    static constexpr unsigned ScalerBit = 1u << 6;

private:
    enum TSetOutcome { NotFound, Taken, Invalid };
    TSetOutcome SetOnCodecTemplates(TOption& option);
    TSetOutcome SetOnFormatOrScaler(TOption& option);
    TSetOutcome SetWithPrefix(TOption& option);
    void CreateTemplates();
    void FreeTemplates();
    bool TemplateHas(int type, const std::string& name) const;

    int FScalerFlags;
    std::array<AVCodecContext*, CodecTemplateCount> FCodecTemplates{};
    AVFormatContext* FFormatTemplate = nullptr;
    SwsContext* FScalerTemplate = nullptr;
    std::vector<TOption> FOptions;  // the collected list, in the order set
};

// The option flag of a media type's parameters (AV_OPT_FLAG_VIDEO_PARAM ...;
// 0 for data and attachments, whose templates take any codec option).
int MediaTypeOptionFlag(AVMediaType type);
// True when some codec or output format has a private option `name`.
bool IsPrivateOption(const std::string& name);

}  // namespace vidrelo
