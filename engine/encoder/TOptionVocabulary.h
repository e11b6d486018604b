#pragma once
// The named options of a transcoding job and what each does to the job
// (used by TCustomFFmpeg::SetExtOption only). Names are compared exactly;
// a name not listed here is a generic option of the media libraries.
#include "engine/encoder/OptionValues.h"
#include "engine/encoder/TCustomFFmpeg.h"

#include <string>

namespace vidrelo {

class TOptionVocabulary {
public:
    using THandler = void (*)(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    // The handler of `name`, or null for a generic option.
    static THandler Find(const std::string& name);

private:
    static void AddGeneralOptions();
    static void AddVideoOptions();
    static void AddAudioAndSubtitleOptions();
    static void Add(const char* name, THandler handler);

    // Plain fields.
    template <bool TJobOptionState::*Field>
    static void Bool(TCustomFFmpeg& job, const std::string&, const std::string& value)
    {
        job.FOpt.*Field = OptionBool(value);
    }
    template <int TJobOptionState::*Field>
    static void Int(TCustomFFmpeg& job, const std::string&, const std::string& value)
    {
        job.FOpt.*Field = OptionInt(value);
    }
    template <double TJobOptionState::*Field>
    static void Float(TCustomFFmpeg& job, const std::string&, const std::string& value)
    {
        job.FOpt.*Field = OptionFloat(value);
    }
    template <std::string TJobOptionState::*Field>
    static void Text(TCustomFFmpeg& job, const std::string&, const std::string& value)
    {
        job.FOpt.*Field = value;
    }
    template <int64_t TJobOptionState::*Field>
    static void Duration(TCustomFFmpeg& job, const std::string& name, const std::string& value)
    {
        job.FOpt.*Field = OptionDuration(name, value);
    }

    // General and input options (TCustomFFmpegOptions.cpp).
    static void DoNothing(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void LogLevel(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void Map(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void MapMetaData(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void MapChapters(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void RecordingTime(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void FileSizeLimit(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void InputTsScale(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void Timestamp(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void Metadata(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    template <AVMediaType Type>
    static void MaxFrames(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void TimeLimit(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void Target(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void Threads(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void StreamId(TCustomFFmpeg& job, const std::string& name, const std::string& value);

    // Video options (TCustomFFmpegStreamOptions.cpp).
    static void BitRate(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void FrameRate(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void FrameSize(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void Aspect(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void PixelFormat(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void RemovedCrop(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void RemovedPad(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void QScale(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void Pass(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void VStats(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void VHook(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void IntraMatrix(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void InterMatrix(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void ForceKeyFrames(TCustomFFmpeg& job, const std::string& name, const std::string& value);

    // Per media type: codec, tag, language, another stream, bitstream filters.
    template <AVMediaType Type>
    static void Codec(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    template <AVMediaType Type>
    static void Tag(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    template <AVMediaType Type>
    static void Language(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    template <AVMediaType Type>
    static void NewStream(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    template <AVMediaType Type>
    static void BitstreamFilter(TCustomFFmpeg& job, const std::string& name, const std::string& value);

    // Audio and subtitle options.
    static void AudioQuality(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void SampleRate(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void Channels(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void SampleFormat(TCustomFFmpeg& job, const std::string& name, const std::string& value);
    static void Preset(TCustomFFmpeg& job, const std::string& name, const std::string& value);
};

}  // namespace vidrelo
