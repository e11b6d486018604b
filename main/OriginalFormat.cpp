#include "main/OriginalFormat.h"

#include "dvd/DVDPluginABI.h"

#include <QStringList>

#include <algorithm>

using namespace vidrelo;

namespace {

constexpr int32_t kVideoStreamID = 0x1E0;

// As the "mpeg" demuxer numbers a DVD audio stream: MPEG audio from 0x1C0,
// the private stream's AC-3, DTS and LPCM by their substream ids.
int32_t DemuxerAudioID(const TDVDAudioInfo& audio)
{
    return audio.StreamType == DVDStreamMPA ? 0x100 + audio.StreamID : audio.StreamID;
}

QString MapLine(int32_t id)
{
    return QStringLiteral("map=0:i:0x%1").arg(id, 0, 16);
}

// One output stream for each chosen audio track, in the chosen order.
QStringList AudioLines(const TVideoFile& job, bool mapStreams)
{
    QStringList lines;
    for (int k = 0; k < job.AudioStreamIDs.size(); ++k) {
        if (k > 0)
            lines << QStringLiteral("newaudio");
        if (mapStreams)
            lines << MapLine(job.AudioStreamIDs[k]);
    }
    return lines;
}

void AppendLines(TOutputOptions& O, const QStringList& lines)
{
    if (lines.isEmpty())
        return;
    const std::string text = lines.join('\n').toStdString();
    O.ExtOptions = O.ExtOptions.empty() ? text : O.ExtOptions + "\n" + text;
}

}  // namespace

void ChooseJobStreams(const TTitleData& data, TVideoFile& job)
{
    job.AudioStreamIDs.clear();
    const int count = DVDAudioEntries(data.Info);
    for (int i = 0; i < count; ++i) {
        const TDVDAudioInfo& audio = data.Info.Audio[i];
        if (data.Selection.AudioID == kDVDAllAudioID || audio.StreamID == data.Selection.AudioID)
            job.AudioStreamIDs << DemuxerAudioID(audio);
    }
    job.SubtitleStreamID = data.Selection.SubtitleID > 0 ? data.Selection.SubtitleID : 0;
}

void FillCopyOptions(const TVideoFile& job, bool mapStreams, TOutputOptions& O)
{
    O.VideoCodec = "copy";
    O.AudioCodec = "copy";
    O.AudioChannels = O.AudioSampleRate = O.AudioBitrate = -1;
    O.DisableAudio = job.AudioStreamIDs.isEmpty();
    QStringList lines;
    // A copy runs at the speed the disc is read; Matroska's per-cluster
    // checksums would take a third of its time.
    if (QString::fromStdString(O.FileExt).compare(".mkv", Qt::CaseInsensitive) == 0)
        lines << QStringLiteral("write_crc32=0");
    if (mapStreams)
        lines << MapLine(kVideoStreamID);
    lines << AudioLines(job, mapStreams);
    // A source's subtitles are never one of the first streams (re-encoding
    // burns them in); the copy adds its own, soft, after the sound.
    if (job.SubtitleStreamID > 0) {
        O.SubtitleCodec = "copy";
        lines << QStringLiteral("newsubtitle");
        if (mapStreams)
            lines << MapLine(job.SubtitleStreamID);
    }
    AppendLines(O, lines);
}

void AddFurtherAudioStreams(const TVideoFile& job, bool mapStreams, TOutputOptions& O)
{
    if (job.AudioStreamIDs.size() < 2 || O.DisableAudio)
        return;
    QStringList lines;
    if (mapStreams && !O.DisableVideo)
        lines << MapLine(kVideoStreamID);
    lines << AudioLines(job, mapStreams);
    AppendLines(O, lines);
}

QString MergedStreamsProblem(const QList<TVideoFile>& jobs, bool copy)
{
    if (jobs.isEmpty())
        return {};
    const TVideoFile& first = jobs.first();
    const qsizetype tracks = first.AudioStreamIDs.size();
    for (const TVideoFile& job : jobs) {
        if ((copy || tracks > 1) && job.AudioStreamIDs.size() != tracks)
            return QStringLiteral("%1 has %2 audio track(s) where %3 has %4: titles joined into one file must have "
                                  "as many. Choose the same tracks, or convert them one by one.")
                .arg(job.Source)
                .arg(job.AudioStreamIDs.size())
                .arg(first.Source)
                .arg(tracks);
        if (copy && (job.SubtitleStreamID > 0) != (first.SubtitleStreamID > 0))
            return QStringLiteral("%1 has %2 subtitle track where %3 has %4: titles joined into one file must all "
                                  "have one or none.")
                .arg(job.Source, job.SubtitleStreamID > 0 ? "a" : "no", first.Source,
                     first.SubtitleStreamID > 0 ? "one" : "none");
    }
    return {};
}

std::optional<double> EstimateCopySizeMB(int64_t trimmedLength, const TDVDTitleInfo& info)
{
    if (info.Sectors <= 0 || !(info.Length > 0))
        return std::nullopt;
    const double share = std::min(1.0, static_cast<double>(trimmedLength) / (info.Length * 1e6));
    const double bytes = static_cast<double>(info.Sectors) * 2048.0 * share;
    // Kilobytes of 1000 bytes in megabytes of 1024 of them, as the rate
    // estimates count.
    return bytes / 1000.0 / 1024.0;
}
