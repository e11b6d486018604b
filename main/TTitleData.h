#pragma once
// The block a row of a valid title owns: the plug-in's record of the title
// followed by the program's own choices for it. Rows of invalid titles have
// none, and everything that reads a block must allow for that.
#include "dvd/DVDTitleInfo.h"

#include <cstddef>
#include <cstdint>

struct TTitleSelection {
    int32_t TitleIndex = 0;     // zero-based, as passed to the plug-in
    int32_t FromChapter = 0;    // from 1
    int32_t ToChapter = 0;
    int32_t AudioID = 0;        // stream ID of the chosen audio entry; 0 = no audio
    int32_t SubtitleID = 0;     // 0 = no subtitles
    int32_t AudioChannels = 0;  // channel count asked of the DVD reader
    int32_t Deinterlace = 0;    // 0 off, -1 on (the reader expects -1, not 1)
};

struct TTitleData {
    TDVDTitleInfo Info{};  // zero-filled before the plug-in fills it
    TTitleSelection Selection;
};

static_assert(sizeof(TTitleSelection) == 7 * 4);
static_assert(offsetof(TTitleData, Selection) == sizeof(TDVDTitleInfo));
