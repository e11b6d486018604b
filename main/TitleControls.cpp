#include "main/TitleControls.h"

#include "main/TitleText.h"

namespace {

// Items "name[0xID]" for the entries plus the closing item, and which item
// shows `chosenID`: the first entry carrying it, else the closing item.
template <typename Entry>
void FillChooser(const Entry* entries, int count, int32_t chosenID, const QString& noneText,
                 QStringList& items, int& shown)
{
    items.clear();
    shown = -1;
    for (int i = 0; i < count; ++i) {
        items << StreamItemText(LanguageNameText(entries[i]), entries[i].StreamID);
        if (shown < 0 && entries[i].StreamID == chosenID)
            shown = i;
    }
    items << (count > 0 ? kDisableText : noneText);
    if (shown < 0)
        shown = count;
}

template <typename Entry>
QString Choose(const Entry* entries, int count, int itemIndex, const QString& noneText, int32_t& chosenID)
{
    if (itemIndex >= 0 && itemIndex < count) {
        chosenID = entries[itemIndex].StreamID;
        return StreamColumnText(chosenID, LanguageCodeText(entries[itemIndex]));
    }
    chosenID = 0;
    return count > 0 ? kDisableText : noneText;
}

template <typename Entry>
int ItemIndex(const Entry* entries, int count, int32_t streamID)
{
    if (streamID == 0)
        return count;
    for (int i = 0; i < count; ++i)
        if (entries[i].StreamID == streamID)
            return i;
    return -1;
}

// The audio chooser lists "All audio tracks" after the tracks when there is
// more than one to choose from; its position, or -1 when it is not listed.
int AllAudioItem(const TTitleData& data)
{
    const int count = DVDAudioEntries(data.Info);
    return count >= 2 ? count : -1;
}

}  // namespace

TTitleControls FillTitleControls(const TTitleData& data)
{
    const TDVDTitleInfo& info = data.Info;
    const TTitleSelection& choice = data.Selection;
    TTitleControls c;
    c.ChapterMax = info.ChapterCount;
    c.FromChapter = choice.FromChapter;
    c.ToChapter = choice.ToChapter;
    FillChooser(info.Audio, DVDAudioEntries(info), choice.AudioID, kNoAudioText, c.AudioItems, c.AudioIndex);
    if (const int all = AllAudioItem(data); all >= 0) {
        c.AudioItems.insert(all, kAllAudioText);
        if (choice.AudioID == kDVDAllAudioID)
            c.AudioIndex = all;
        else if (c.AudioIndex >= all)
            ++c.AudioIndex;
    }
    FillChooser(info.Subtitles, DVDSubtitleEntries(info), choice.SubtitleID, kNoSubtitlesText, c.SubtitleItems,
                c.SubtitleIndex);
    c.Deinterlace = choice.Deinterlace != 0;
    return c;
}

QString ChooseAudio(TTitleData& data, int itemIndex)
{
    if (const int all = AllAudioItem(data); all >= 0 && itemIndex >= all) {
        if (itemIndex == all) {
            data.Selection.AudioID = kDVDAllAudioID;
            return kAllAudioColumnText;
        }
        --itemIndex;  // the closing item
    }
    return Choose(data.Info.Audio, DVDAudioEntries(data.Info), itemIndex, kNoAudioText, data.Selection.AudioID);
}

QString ChooseSubtitle(TTitleData& data, int itemIndex)
{
    return Choose(data.Info.Subtitles, DVDSubtitleEntries(data.Info), itemIndex, kNoSubtitlesText,
                  data.Selection.SubtitleID);
}

QString ChooseDeinterlace(TTitleData& data, bool checked)
{
    data.Selection.Deinterlace = checked ? -1 : 0;
    return DeinterlaceText(checked);
}

int AudioItemIndex(const TTitleData& data, int32_t streamID)
{
    const int all = AllAudioItem(data);
    if (streamID == kDVDAllAudioID)
        return all;
    const int item = ItemIndex(data.Info.Audio, DVDAudioEntries(data.Info), streamID);
    return all >= 0 && item >= all ? item + 1 : item;
}

int SubtitleItemIndex(const TTitleData& data, int32_t streamID)
{
    return ItemIndex(data.Info.Subtitles, DVDSubtitleEntries(data.Info), streamID);
}
