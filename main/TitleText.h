#pragma once
// The texts the title list and its choosers show, and the "opendvd:" source
// string that names one title to the media engine.
#include "main/TTitleData.h"

#include <QString>
#include <QStringView>

#include <cstdint>

// "hh:mm:ss" of a count of microseconds, by truncating division; the hours
// are not wrapped at 24.
QString FormatTime(int64_t microseconds);

// "%.2f MB" with the given decimal separator (no digit grouping).
QString SizeText(double megabytes, QStringView decimalPoint);
// The same with the system's decimal separator.
QString SizeText(double megabytes);

// "Title #3" for title number 3 (from 1), and the invalid title's caption.
QString TitleCaption(int titleNumber);
QString InvalidTitleCaption(int titleNumber);
// "Title3": the destination name a new title starts with.
QString DefaultDestinationTitle(int titleNumber);

// "ID[0x80], en": the Audio or Subtitle column for a chosen stream.
QString StreamColumnText(int32_t streamID, const QString& languageCode);
// "English[0x80]": a chooser item for one stream.
QString StreamItemText(const QString& languageName, int32_t streamID);

// The Deinterlace column: "Yes" or "No".
QString DeinterlaceText(bool on);

// Text fields of the plug-in's record (UTF-8 on this platform).
QString LanguageCodeText(const TDVDAudioInfo& audio);
QString LanguageNameText(const TDVDAudioInfo& audio);
QString LanguageCodeText(const TDVDSubtitleInfo& subtitle);
QString LanguageNameText(const TDVDSubtitleInfo& subtitle);

// "opendvd:<path>|Title=..,FromChapter=..,ToChapter=..,AudioID=..,
// SubtitleID=..,AudioChannels=..,Deinterlace=..". The path goes in
// unchanged; the title number is the row index + 1 because the rows are the
// disc's titles in order.
QString SourceString(const QString& dvdPath, int row, const TTitleSelection& selection);

inline const QString kDisableText = QStringLiteral("Disable");
inline const QString kNoAudioText = QStringLiteral("No audio tracks");
// The audio chooser's item that maps every track, and the Audio column's text for it.
inline const QString kAllAudioText = QStringLiteral("All audio tracks");
inline const QString kAllAudioColumnText = QStringLiteral("All");
inline const QString kNoSubtitlesText = QStringLiteral("No subtitles");
