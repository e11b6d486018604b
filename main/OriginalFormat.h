#pragma once
// Jobs that keep the disc's own streams (a catalogue format whose video
// codec is "copy"), and jobs that map more than one audio stream: the
// streams of the title each output stream takes, named by their ids so the
// order and the languages follow the disc whatever order the demuxer finds
// them in.
#include "catalogue/TCatalogueTypes.h"
#include "engine/encoder/TEncoderTypes.h"
#include "main/TTitleData.h"
#include "main/TVideoFile.h"

#include <optional>

// The demuxer ids of the streams a title's selection chooses: its audio
// streams in disc order (all of them for kDVDAllAudioID) and its subtitle.
void ChooseJobStreams(const TTitleData& data, TVideoFile& job);

// The output record of a copy format: the MPEG-2 video, the audio streams
// and the subtitle stream (soft, with its palette) as the disc has them, no
// picture filters, no rates. `mapStreams` names each stream by its id
// (off in a merged run, whose titles each choose their own).
void FillCopyOptions(const TVideoFile& job, bool mapStreams, vidrelo::TOutputOptions& O);

// A re-encoding record that maps more than one audio stream: each encoded
// with the format's audio codec and settings. Nothing for a single stream.
void AddFurtherAudioStreams(const TVideoFile& job, bool mapStreams, vidrelo::TOutputOptions& O);

// Why the jobs of a merged run cannot become one file with the streams
// their format asks for; empty when they can. Each joined title must give
// every output stream: as many audio tracks as the first title (when it
// maps more than one, or copies), and for a copy a subtitle track when the
// first has one, and none when it has none.
QString MergedStreamsProblem(const QList<TVideoFile>& jobs, bool copy);

// The size of a copy of `trimmedLength` microseconds of the title, from its
// sectors: megabytes as the other estimates count them. Empty when the
// title's size is unknown.
std::optional<double> EstimateCopySizeMB(int64_t trimmedLength, const TDVDTitleInfo& info);
