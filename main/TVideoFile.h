#pragma once
// One title's conversion settings: entry i of the title model's VideoFiles
// belongs to list row i. The job builder copies the entries of checked rows.
#include "engine/DisplayAspect.h"

#include <QList>
#include <QString>

#include <cstdint>

struct TVideoFile {
    QString Source;             // empty here; the row caption in a job's copy
    int64_t TrimmedLength = 0;  // length to convert, microseconds
    double EstimatedSize = 0;   // megabytes
    QString DestinationTitle;   // output name without folder and extension
    bool Enabled = false;       // checked when the last conversion started
    int64_t TimeStart = 0;      // trim start, microseconds from the title start
    int64_t TimeEnd = 0;        // trim end, microseconds
    int32_t SourceWidth = 0;
    int32_t SourceHeight = 0;
    vidrelo::TDisplayAspect DisplayAspect;  // the whole frame's shown shape, from the disc
    int32_t CropLeft = 0;
    int32_t CropTop = 0;
    int32_t CropRight = 0;
    int32_t CropBottom = 0;
    int32_t AspectRatio = 0;    // 0 Keep Original, 1 Full Screen, 2 4:3, 3 16:9
    int32_t Brightness = 0;
    int32_t Saturation = 0;
    int32_t Contrast = 0;
    int32_t ProfileInd = 0;     // index into the catalogue's profiles
    int32_t FormatInd = 0;      // index into that profile's formats
    // The streams a job maps, as the source's demuxer numbers them (filled
    // in a job's copy): the chosen audio streams in disc order (every one
    // for "All audio tracks"), and the chosen subtitle stream (0: none).
    QList<int32_t> AudioStreamIDs;
    int32_t SubtitleStreamID = 0;
};
