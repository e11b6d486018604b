// The chapters of the outputs: gathered from the inputs when the run starts,
// attached when the output's muxer can still take them at their true times.
//
// The MP4/MOV and Matroska muxers write chapters at the trailer when there
// were none at the header. Theirs therefore wait until the end and are
// clipped to what was really written: chapters given at the header would
// describe the planned run, and MP4's chapter track (made at the header)
// would stretch a stopped run's file to the planned length. Other muxers
// read chapters only at their header and get the planned ones there.
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vidrelo {
namespace {

// Appends a chapter to an output; the context frees it with its chapters.
AVChapter* NewChapter(AVFormatContext* output, AVRational timeBase, int64_t start, int64_t end)
{
    auto* chapter = static_cast<AVChapter*>(ff::av_mallocz(sizeof(AVChapter)));
    auto** list = static_cast<AVChapter**>(ff::av_malloc((output->nb_chapters + 1) * sizeof(AVChapter*)));
    if (!chapter || !list) {
        ff::av_free(chapter);
        ff::av_free(list);
        throw std::bad_alloc();
    }
    if (output->nb_chapters)
        std::memcpy(list, output->chapters, output->nb_chapters * sizeof(AVChapter*));
    ff::av_free(output->chapters);
    output->chapters = list;
    // Numbered by their place, so that joined inputs' chapters stay unique.
    chapter->id = output->nb_chapters;
    output->chapters[output->nb_chapters++] = chapter;
    chapter->time_base = timeBase;
    chapter->start = start;
    chapter->end = end;
    return chapter;
}

bool TakesChaptersAtTrailer(const AVFormatContext* output)
{
    static const char* const names[] = {"mov", "mp4", "ipod", "psp", "3gp", "3g2", "ismv", "matroska", "webm"};
    return std::any_of(std::begin(names), std::end(names),
                       [&](const char* name) { return std::strcmp(output->oformat->name, name) == 0; });
}

std::vector<std::pair<std::string, std::string>> Entries(const AVDictionary* metadata)
{
    std::vector<std::pair<std::string, std::string>> entries;
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = ff::av_dict_get(metadata, "", entry, AV_DICT_IGNORE_SUFFIX)))
        entries.emplace_back(entry->key, entry->value);
    return entries;
}

}  // namespace

void TCustomFFmpeg::CopyAllChapters()
{
    FPendingChapters.assign(static_cast<std::size_t>(FOutputs.Count()), {});
    FSegmentStarts.assign(1, 0);
    std::vector<bool> mapped(static_cast<std::size_t>(FOutputs.Count()), false);
    for (const TAVChapterMap& map : Fchapter_maps) {
        if (map.in_file < 0 || map.in_file >= nb_input_files())
            throw FFmpegException(Format("Invalid input file index %d in chapter mapping.", map.in_file));
        if (map.out_file < 0 || map.out_file >= nb_output_files())
            throw FFmpegException(Format("Invalid output file index %d in chapter mapping.", map.out_file));
        CopyChapters(map.out_file, map.in_file);
        mapped[map.out_file] = true;
    }
    if (Fmetadata_chapters_autocopy)
        CopyChaptersAutomatically(mapped);
    const std::vector<int64_t> planned = PlannedSegmentStarts();
    for (int output = 0; output < nb_output_files(); ++output)
        if (!TakesChaptersAtTrailer(FOutputs.Context(output)))
            AttachChapters(output, planned, INT64_MAX);
}

// The outputs without a chapter map take the first input's chapters, or in
// join mode every input's.
void TCustomFFmpeg::CopyChaptersAutomatically(const std::vector<bool>& AMapped)
{
    std::vector<bool> has(static_cast<std::size_t>(FInputs.Count()));
    for (int input = 0; input < nb_input_files(); ++input)
        has[input] = FInputs.Context(input)->nb_chapters > 0 || FInputs.Setup(input).Hints.ChapterStarts.size() > 1;
    // In join mode every input's chapters follow one another, and an input
    // without any is one chapter, once some input has chapters.
    const bool joined = FJoinMode && std::find(has.begin(), has.end(), true) != has.end();
    for (int output = 0; output < nb_output_files(); ++output) {
        if (AMapped[output])
            continue;
        for (int input = 0; input < nb_input_files(); ++input) {
            if (!has[input] && !joined)
                continue;
            CopyChapters(output, input);
            if (!FJoinMode)
                break;
        }
    }
}

void TCustomFFmpeg::CopyChapters(int AOutput, int AInput)
{
    const AVFormatContext* input = FInputs.Context(AInput);
    const TInputFileSetup& setup = FInputs.Setup(AInput);
    std::vector<TPendingChapter>& pending = FPendingChapters[AOutput];
    TPendingChapter chapter;
    chapter.Segment = FJoinMode ? AInput : 0;
    // Where the input's timestamps land on the output's timeline: its own
    // offset (its start and "ss" taken off), and the output's "ss" on the
    // first segment; later segments move by where they begin.
    const int64_t shift = FInputs.TimestampOffset(AInput) - (chapter.Segment == 0 ? FOpt.Fstart_time : 0);
    if (input->nb_chapters > 0) {
        for (unsigned i = 0; i < input->nb_chapters; ++i) {
            const AVChapter* c = input->chapters[i];
            chapter.TimeBase = c->time_base;
            chapter.Start = c->start + ff::av_rescale_q(shift, AV_TIME_BASE_Q, c->time_base);
            chapter.End = c->end + ff::av_rescale_q(shift, AV_TIME_BASE_Q, c->time_base);
            chapter.Metadata = Fmetadata_chapters_autocopy ? Entries(c->metadata)
                                                           : std::vector<std::pair<std::string, std::string>>{};
            pending.push_back(chapter);
        }
        return;
    }
    // A source that knows its chapters (a DVD title) gives their starts from
    // its own start; a source without any is one chapter (in a join).
    std::vector<int64_t> starts = setup.Hints.ChapterStarts;
    if (starts.empty())
        starts.push_back(0);
    const int64_t base = (input->start_time == AV_NOPTS_VALUE ? 0 : input->start_time) + shift;
    chapter.TimeBase = AV_TIME_BASE_Q;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        chapter.Start = base + starts[i];
        if (i + 1 < starts.size())
            chapter.End = base + starts[i + 1];
        else
            chapter.End = setup.Duration != AV_NOPTS_VALUE ? base + setup.Duration : INT64_MAX;
        pending.push_back(chapter);
    }
}

// Where each join segment should begin, from the inputs' lengths; for the
// outputs that take their chapters at the header.
std::vector<int64_t> TCustomFFmpeg::PlannedSegmentStarts() const
{
    std::vector<int64_t> starts = {0};
    int64_t at = -FOpt.Fstart_time;
    for (int input = 0; FJoinMode && input + 1 < nb_input_files(); ++input) {
        at += FInputs.Setup(input).Duration != AV_NOPTS_VALUE ? FInputs.Setup(input).Duration : 0;
        starts.push_back(at);
    }
    return starts;
}

void TCustomFFmpeg::AttachChapters(int AFile)
{
    if (TakesChaptersAtTrailer(FOutputs.Context(AFile)))
        AttachChapters(AFile, FSegmentStarts, FOutputs.WrittenEnd(AFile));
}

void TCustomFFmpeg::AttachChapters(int AFile, const std::vector<int64_t>& ASegmentStarts, int64_t AWrittenEnd)
{
    if (AFile >= static_cast<int>(FPendingChapters.size()))
        return;
    // Chapters end with the recording ("t") and with what was written.
    const int64_t end = std::min(AWrittenEnd, FOpt.Frecording_time);
    for (const TPendingChapter& chapter : FPendingChapters[AFile]) {
        // A segment the run never reached has nothing in the file.
        if (chapter.Segment >= static_cast<int>(ASegmentStarts.size()))
            continue;
        AddChapter(FOutputs.Context(AFile), chapter, ASegmentStarts[chapter.Segment], end);
    }
    FPendingChapters[AFile].clear();
}

void TCustomFFmpeg::AddChapter(AVFormatContext* AOutput, const TPendingChapter& AChapter, int64_t AShift,
                               int64_t AEnd)
{
    const AVRational tb = AChapter.TimeBase;
    const int64_t shift = ff::av_rescale_q(AShift, AV_TIME_BASE_Q, tb);
    const int64_t last = AEnd == INT64_MAX ? INT64_MAX : ff::av_rescale_q(AEnd, AV_TIME_BASE_Q, tb);
    const int64_t start = std::max<int64_t>(AChapter.Start + shift, 0);
    const int64_t end = std::min(AChapter.End == INT64_MAX ? INT64_MAX : AChapter.End + shift, last);
    if (end <= start)
        return;
    AVChapter* chapter = NewChapter(AOutput, tb, start, end);
    for (const auto& [key, value] : AChapter.Metadata)
        ff::av_dict_set(&chapter->metadata, key.c_str(), value.c_str(), 0);
    // Players show a name, and MP4's chapter track leaves untitled ones out.
    if (!ff::av_dict_get(chapter->metadata, "title", nullptr, 0))
        ff::av_dict_set(&chapter->metadata, "title", Format("Chapter %u", AOutput->nb_chapters).c_str(), 0);
}

}  // namespace vidrelo
