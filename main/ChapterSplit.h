#pragma once
// "Split by chapters": each chapter of a checked title becomes a job of its
// own, cut from the whole title by the trim times at the chapter starts the
// scan read. The cut is made on the decoded title rather than by asking the
// DVD reader for one chapter: decoding starts before the chapter and the
// frames are kept by their times, so a chapter whose first pictures lean on
// the one before still starts whole, and the files follow each other
// without a gap or an overlap.
#include "dvd/DVDTitleInfo.h"
#include "main/TVideoFile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class TTitleModel;

// The part of chapter `Number` (from 1) to convert, in microseconds from
// the title's start: [Start, End).
struct TChapterPart {
    int Number = 0;
    int64_t Start = 0;
    int64_t End = 0;
};

// The parts of the chapters that overlap [timeStart, timeEnd), each cut to
// that range. A chapter runs to the next one's start; the last one the
// record lists runs to timeEnd (the title's end unless trimmed), also when
// the title has more chapters than the record can list. A title without
// chapters is one.
std::vector<TChapterPart> ChapterParts(const TDVDTitleInfo& info, int64_t timeStart, int64_t timeEnd);

// "Title1 - Chapter 07": the number with at least two digits, as many as
// the title's last chapter needs.
QString ChapterDestination(const QString& base, int number, int chapterCount);

// The jobs TJobBuilder::MakeJobFiles gives, each title's replaced by one per
// chapter part (its name, caption and trim those of the chapter), and
// `sources` (one per job, as BuildSourceList made it) repeated in step.
QList<TVideoFile> MakeChapterJobFiles(const TTitleModel& titles, QStringList& sources);
