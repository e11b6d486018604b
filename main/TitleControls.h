#pragma once
// The per-title controls of the main window (chapter range, audio and
// subtitle choosers, deinterlace box) as data: what they show for a row's
// block, and what a choice in them does to the block.
#include "main/TTitleData.h"

#include <QString>
#include <QStringList>

struct TTitleControls {
    int ChapterMin = 1;
    int ChapterMax = 0;      // the title's chapter count
    int FromChapter = 0;
    int ToChapter = 0;
    QStringList AudioItems;  // one per audio entry, then "Disable" / "No audio tracks"
    int AudioIndex = -1;     // the item shown
    QStringList SubtitleItems;
    int SubtitleIndex = -1;
    bool Deinterlace = false;
};

TTitleControls FillTitleControls(const TTitleData& data);

// A choice of item `itemIndex` in the audio chooser (-1: nothing chosen):
// stores the chosen stream ID (0 for the last item or nothing,
// kDVDAllAudioID for "All audio tracks", listed after the tracks of a title
// with two or more) and returns the Audio column's new text.
QString ChooseAudio(TTitleData& data, int itemIndex);
// The same for the subtitle chooser and the Subtitle column.
QString ChooseSubtitle(TTitleData& data, int itemIndex);
// Checks or clears deinterlacing and returns the Deinterlace column's text.
QString ChooseDeinterlace(TTitleData& data, bool checked);

// The chooser item that picks stream `streamID` (0: the closing item, no
// stream; kDVDAllAudioID: "All audio tracks"); -1 when the title has no such
// stream.
int AudioItemIndex(const TTitleData& data, int32_t streamID);
int SubtitleItemIndex(const TTitleData& data, int32_t streamID);
