#include "main/ChapterSplit.h"

#include "main/TTitleModel.h"

#include <algorithm>
#include <cmath>

std::vector<TChapterPart> ChapterParts(const TDVDTitleInfo& info, int64_t timeStart, int64_t timeEnd)
{
    const int listed = std::max(DVDChapterEntries(info), 1);
    std::vector<TChapterPart> parts;
    double startSeconds = 0;
    for (int k = 0; k < listed; ++k) {
        const int64_t start = TTitleModel::LengthToMicroseconds(startSeconds);
        // A damaged record's negative or unknown length must not move a
        // later chapter back over an earlier one.
        if (k < DVDChapterEntries(info) && std::isfinite(info.Chapters[k]) && info.Chapters[k] > 0)
            startSeconds += info.Chapters[k];
        const int64_t end = k + 1 < listed ? TTitleModel::LengthToMicroseconds(startSeconds) : timeEnd;
        TChapterPart part{k + 1, std::max(start, timeStart), std::min(end, timeEnd)};
        if (part.Start < part.End)
            parts.push_back(part);
    }
    return parts;
}

QString ChapterDestination(const QString& base, int number, int chapterCount)
{
    const int digits = std::max(2, static_cast<int>(QString::number(std::max(chapterCount, number)).size()));
    return QStringLiteral("%1 - Chapter %2").arg(base).arg(number, digits, 10, QLatin1Char('0'));
}

QList<TVideoFile> MakeChapterJobFiles(const TTitleModel& titles, QStringList& sources)
{
    QList<TVideoFile> jobs;
    QStringList chapterSources;
    int k = 0;  // the k-th Enabled entry goes with the k-th source
    for (int row = 0; row < titles.RowCount(); ++row) {
        const TVideoFile& entry = titles.VideoFiles().at(row);
        const TTitleData* data = titles.Data(row);
        if (!entry.Enabled || !data)
            continue;
        const QString source = sources.value(k++);
        for (const TChapterPart& part : ChapterParts(data->Info, entry.TimeStart, entry.TimeEnd)) {
            TVideoFile job = entry;
            job.Source = QStringLiteral("%1, Chapter %2").arg(titles.RowCaption(row)).arg(part.Number);
            job.DestinationTitle = ChapterDestination(entry.DestinationTitle, part.Number, data->Info.ChapterCount);
            job.TimeStart = part.Start;
            job.TimeEnd = part.End;
            job.TrimmedLength = part.End - part.Start;
            jobs << job;
            chapterSources << source;
        }
    }
    sources = chapterSources;
    return jobs;
}
