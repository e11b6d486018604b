#pragma once
// Title records and a catalogue built by hand, as the plug-in and the
// catalogue loader would deliver them.
#include "catalogue/TCatalogueTypes.h"
#include "dvd/DVDTitleInfo.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace titletest {

struct Stream {
    int id;
    std::string code;
    std::string name;
};

template <typename Entry>
void SetStream(Entry& e, const Stream& s)
{
    e.StreamID = s.id;
    std::memcpy(e.LanguageCode, s.code.data(), std::min(sizeof e.LanguageCode, s.code.size()));
    std::memcpy(e.LanguageName, s.name.data(), std::min(sizeof e.LanguageName, s.name.size()));
}

inline TDVDTitleInfo MakeTitle(double seconds, const std::vector<Stream>& audio = {},
                               const std::vector<Stream>& subtitles = {}, int chapters = 5)
{
    TDVDTitleInfo t{};
    t.Length = seconds;
    t.Width = 720;
    t.Height = 576;
    t.AudioCount = static_cast<int32_t>(audio.size());
    for (std::size_t i = 0; i < audio.size(); ++i)
        SetStream(t.Audio[i], audio[i]);
    t.SubtitleCount = static_cast<int32_t>(subtitles.size());
    for (std::size_t i = 0; i < subtitles.size(); ++i)
        SetStream(t.Subtitles[i], subtitles[i]);
    t.ChapterCount = chapters;
    t.IsValid = 1;
    return t;
}

inline TFormat MakeFormat(const QString& ext, const QString& title, const QString& video, const QString& audio)
{
    TFormat f;
    f.FormatExt = ext;
    f.Title = title;
    f.VideoBitRate = video;
    f.AudioBitRate = audio;
    return f;
}

inline TProfile MakeProfile(const QString& icon, const QList<TFormat>& formats)
{
    TProfile p;
    p.Icon = icon;
    p.Formats = formats;
    return p;
}

// Profile 0 "iPod" (mp4 at 1 Mbit/s + 128 kbit/s, m4a audio only), profile 1
// (avi without rates, mkv with a broken video rate) whose icon is missing.
inline QList<TProfile> MakeProfiles()
{
    return {MakeProfile("iPod", {MakeFormat(".mp4", "iPod Video", "1000000", "128000"),
                                 MakeFormat(".m4a", "iPod Audio", "", "128000")}),
            MakeProfile("nothing-like-it", {MakeFormat(".avi", "AVI", "", ""), MakeFormat(".mkv", "MKV", "fast", "")})};
}

inline QList<TProfileIcon> MakeIcons()
{
    return {TProfileIcon{"generic", {}}, TProfileIcon{"IPOD", {}}};
}

}  // namespace titletest
