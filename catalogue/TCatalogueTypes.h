#pragma once
// The output profile catalogue's records. All format values are held as the
// text the catalogue file holds; whoever uses a value converts it. An empty
// text means "not set".
#include <QImage>
#include <QList>
#include <QString>

// One output format: a container with its codecs, current parameters and the
// choice lists ("value$label,value$label") the settings editor offers.
struct TFormat {
    QString FormatExt;         // format_ext: container and file extension
    QString IsAudioFormat;     // audio_format: "1" marks an audio-only format
    QString Icon;              // icon
    QString Category;          // id: the profile this format belongs to
    QString Title;             // name
    QString Description;       // description
    QString Resolutions;       // resolutions (labels written w*h)
    QString FrameRates;        // frame_rates
    QString VideoBitRates;     // video_bitrates
    QString AudioBitRates;     // audio_bitrates
    QString SampleRates;       // sample_rates
    QString Channels;          // channels
    QString VideoCodecs;       // video_codecs
    QString AudioCodecs;       // audio_codecs
    QString VideoCodecName;    // video_codec_name
    QString Width;             // width
    QString Height;            // height
    QString KeepOriFrameRate;  // keep_ori_frame_rate
    QString FrameRate;         // frame_rate
    QString VideoBitRate;      // video_bitrate, bits per second
    QString AudioCodecName;    // audio_codec_name
    QString SampleRate;        // sample_rate
    QString AudioBitRate;      // audio_bitrate, bits per second
    QString Channel;           // channel
    QString ExtraParam;        // extra_param
    // Not an attribute: why a conversion cannot use this format (a number it
    // needs is missing or out of range), empty when it can. Such a format
    // keeps its place in the lists, so remembered indices keep their meaning.
    QString Fault;
};

// A family of targets (a device range or a file-format family).
struct TProfile {
    QString Title;
    QString ID;    // formats whose Category equals it belong here
    QString Icon;  // icon ID
    QList<TFormat> Formats;  // independent copies
};

struct TProfileIcon {
    QString ID;  // the icon file's name less ".png"
    QImage Picture;
};

// The values of the format the user edited last, as persisted between runs
// (registry value names in the comments). Empty where nothing was stored.
struct TLastEditedValues {
    QString VideoCodecName;  // videocodecname
    QString VideoBitRate;    // videobitrate
    QString FrameRate;       // framerate
    QString VideoWidth;      // videowidth
    QString VideoHeight;     // videoheight
    QString AudioCodecName;  // audiocodecname
    QString AudioBitRate;    // audiobitrate
    QString SampleRate;      // samplerate
    QString Channels;        // channels
};
