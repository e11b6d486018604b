#include "main/TJobBuilder.h"

#include "catalogue/FormatCheck.h"
#include "engine/DisplayAspect.h"
#include "engine/encoder/TCustomEncoder.h"
#include "engine/encoder/TPartialOutput.h"
#include "main/OriginalFormat.h"

#include <QDir>
#include <QFileInfo>

#include <cfenv>
#include <cmath>

using namespace vidrelo;

namespace {

// Extended-precision 4/3 and 16:9, as the aspect choices are defined.
constexpr long double FourThirds = 1.3333333333333333334L;
constexpr long double SixteenNinths = 1.7777777777777777778L;

int DecimalField(const QString& text, const char* name)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw EJobBuildError(QStringLiteral("'%1' is not a valid integer value (%2)").arg(text, name).toStdString());
    return value;
}

// To the nearest integer, ties to even; a value without one fails.
int RoundEven(long double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 2147483647.0L)
        throw std::range_error("Invalid floating point operation");
    std::fesetround(FE_TONEAREST);
    return static_cast<int>(std::nearbyintl(value));
}

int CheckedProduct(int a, int b)
{
    int product = 0;
    if (__builtin_mul_overflow(a, b, &product))
        throw std::range_error("Integer overflow");
    return product;
}

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

// The program names its files itself: never onto an existing one.
std::string FreeName(const QString& wanted)
{
    return NextFreeFileName(Utf8(wanted));
}

}  // namespace

QString MakeCropFilter(int SW, int SH, int CL, int CT, int CR, int CB)
{
    if (CL <= 0 && CT <= 0 && CR <= 0 && CB <= 0)
        return {};
    return QStringLiteral("crop=%1:%2:%3:%4").arg(SW - CL - CR).arg(SH - CT - CB).arg(CL).arg(CT);
}

QString MakePadFilter(int W, int H, int PadLeft, int PadRight, int PadTop, int PadBottom)
{
    if (PadLeft <= 0 && PadRight <= 0 && PadTop <= 0 && PadBottom <= 0)
        return {};
    return QStringLiteral("pad=%1:%2:%3:%4:black").arg(W + PadLeft + PadRight).arg(H + PadTop + PadBottom).arg(PadLeft).arg(PadTop);
}

void AppendVideoFilter(TOutputOptions& O, const QString& filter)
{
    if (filter.isEmpty())
        return;
    O.VideoFilters = O.VideoFilters.empty() ? Utf8(filter) : O.VideoFilters + "," + Utf8(filter);
}

int DisplayHeight(const TVideoFile& V, int CW, int CH, int TW, int TH)
{
    switch (V.AspectRatio) {
    case 1: return RoundEven(CW / (static_cast<long double>(TW) / TH));
    case 2: return RoundEven(CW / FourThirds);
    case 3: return RoundEven(CW / SixteenNinths);
    default: return V.DisplayAspect.Known() ? ShownHeight(CH, V.SourceWidth, V.SourceHeight, V.DisplayAspect) : CH;
    }
}

void Padding(int CW, int CH, int DH, int TW, int TH, int& PadX, int& PadY)
{
    PadX = PadY = 0;
    const long double frame = static_cast<long double>(TW) / TH;
    const long double picture = static_cast<long double>(CW) / DH;
    if (!std::isfinite(frame) || !std::isfinite(picture))
        throw std::range_error("Invalid floating point operation");
    if (frame >= picture) {
        const double x1 = static_cast<double>(static_cast<long double>(CheckedProduct(CW, TH)) / DH);
        PadX = RoundEven(CheckedProduct(TW, CW) / (2 * static_cast<long double>(x1)) - CW / 2.0L);
    } else {
        const double x2 = static_cast<double>(static_cast<long double>(CheckedProduct(DH, TW)) / CW);
        // The bars' height in shown rows, DH to the picture; the pad filter
        // adds stored rows, CH to the picture, so the bars take the stored
        // rows' scale (as the side bars already are in stored columns).
        const long double shown = CheckedProduct(TH, DH) / (2 * static_cast<long double>(x2)) - DH / 2.0L;
        PadY = RoundEven(shown * CH / DH);
    }
}

QString FallbackOutputFolder()
{
    return QDir::homePath() + "/Quarnix_temp";
}

std::optional<QString> RunOutputFolderFor(const QString& asked, const QString& fallback,
                                          const std::function<void(const QString&)>& warn)
{
    if (!asked.isEmpty() && QDir(asked).exists())
        return asked;
    warn(QStringLiteral("Output folder does not exit. Converting to \"%1\".").arg(fallback));
    if (!QDir(fallback).exists() && !QDir().mkdir(fallback)) {
        warn("Could not create temporary directory. Please choose another output folder.");
        return std::nullopt;
    }
    return fallback;
}

QList<TVideoFile> TJobBuilder::MakeJobFiles(const TTitleModel& titles)
{
    QList<TVideoFile> jobs;
    for (int row = 0; row < titles.RowCount(); ++row) {
        if (!titles.VideoFiles().at(row).Enabled)
            continue;
        jobs << titles.VideoFiles().at(row);
        jobs.back().Source = titles.RowCaption(row);
        if (const TTitleData* data = titles.Data(row))
            ChooseJobStreams(*data, jobs.back());
    }
    return jobs;
}

const TFormat& TJobBuilder::FormatOf(const TVideoFile& V) const
{
    if (V.ProfileInd < 0 || V.ProfileInd >= FProfiles.size() || V.FormatInd < 0 ||
        V.FormatInd >= FProfiles.at(V.ProfileInd).Formats.size())
        throw EJobBuildError("The title's output format is not in the catalogue.");
    return FProfiles.at(V.ProfileInd).Formats.at(V.FormatInd);
}

QString TJobBuilder::OutputFileName(const TVideoFile& V, const QString& runFolder) const
{
    return runFolder + "/" + V.DestinationTitle + FormatOf(V).FormatExt;
}

QString TJobBuilder::JoinedFileName(const TVideoFile& first, const QString& runFolder) const
{
    return runFolder + "/Joined" + FormatOf(first).FormatExt;
}

bool TJobBuilder::FillOptions(const TVideoFile& V, const QString& runFolder, bool merge, TInputOptions& I,
                              TOutputOptions& O, QString& failure)
{
    I = TInputOptions();
    O = TOutputOptions();
    const TFormat& F = FormatOf(V);
    // The catalogue said at load time what is wrong with this format.
    if (!F.Fault.isEmpty())
        throw EJobBuildError(QStringLiteral("The format \"%1\" cannot be used: %2").arg(F.Title, F.Fault).toStdString());
    if (!merge)
        O.FileName = Utf8(OutputFileName(V, runFolder));
    O.FileExt = Utf8(F.FormatExt);
    if (IsCopyFormat(F)) {
        FillCopyOptions(V, !merge, O);
        return true;
    }
    O.AudioCodec = Utf8(F.AudioCodecName);
    O.AudioChannels = DecimalField(F.Channel, "channel");
    O.AudioSampleRate = DecimalField(F.SampleRate, "sample_rate");
    O.AudioBitrate = DecimalField(F.AudioBitRate, "audio_bitrate");
    if (DecimalField(F.IsAudioFormat, "audio_format") == 1) {
        O.DisableVideo = true;
        AddFurtherAudioStreams(V, !merge, O);
        return true;
    }
    O.VideoCodec = Utf8(F.VideoCodecName);
    O.FrameRate = std::to_string(RoundEven(DecimalField(F.FrameRate, "frame_rate") / 1000.0L));
    O.VideoBitrate = DecimalField(F.VideoBitRate, "video_bitrate");
    if (F.Title.toLower().contains("divx"))
        O.VideoTag = "DIVX";
    if (O.VideoCodec == "libx264")
        O.VideoPreset = "libx264-default";
    if (!F.ExtraParam.isEmpty())
        O.ExtOptions = Utf8(F.ExtraParam);
    if (V.Brightness != 0 || V.Contrast != 0)
        AppendVideoFilter(O, QStringLiteral("nativeeq=%1:%2").arg(V.Brightness).arg(V.Contrast));
    if (V.Saturation != 0)
        AppendVideoFilter(O, QStringLiteral("nativehue=0:%1").arg(V.Saturation));
    try {
        SetPicture(V, F, O);
    } catch (const std::range_error& e) {
        failure = QString::fromUtf8(e.what());
        return false;
    }
    O.FrameSize = Utf8(F.Width + "x" + F.Height);
    O.FrameSize.replace(O.FrameSize.find('x'), 1, ":");
    AppendVideoFilter(O, QString::fromStdString("scale=" + O.FrameSize));
    // The padding and the scale already give the picture its shown shape in
    // the frame; without this the source's non-square pixels would be
    // stamped on the output and players would stretch it a second time.
    AppendVideoFilter(O, "setsar=1");
    O.FrameSize.clear();
    AddFurtherAudioStreams(V, !merge, O);
    return true;
}

void TJobBuilder::SetPicture(const TVideoFile& V, const TFormat& F, TOutputOptions& O)
{
    const int CW = V.SourceWidth - V.CropLeft - V.CropRight;
    const int CH = V.SourceHeight - V.CropTop - V.CropBottom;
    const int TW = DecimalField(F.Width, "width");
    const int TH = DecimalField(F.Height, "height");
    const bool cropped = V.CropLeft > 0 || V.CropTop > 0 || V.CropRight > 0 || V.CropBottom > 0;
    if (cropped && O.VideoCodec == "libxvid") {
        O.VideoCodec = "mpeg4";
        O.VideoTag = "XVID";
    }
    const int DH = DisplayHeight(V, CW, CH, TW, TH);
    int padX = 0, padY = 0;
    Padding(CW, CH, DH, TW, TH, padX, padY);
    AppendVideoFilter(O, MakeCropFilter(V.SourceWidth, V.SourceHeight, V.CropLeft, V.CropTop, V.CropRight,
                                        V.CropBottom));
    AppendVideoFilter(O, MakePadFilter(CW, CH, padX, padX, padY, padY));
}

bool TJobBuilder::QueueJobs(TCustomEncoder& encoder, const QList<TVideoFile>& jobFiles, const QStringList& sources,
                            const QString& runFolder, bool merge, int videoFilesCount, const TReportFn& report)
{
    encoder.ClearTasks();
    JobInputOptions.assign(jobFiles.size(), TInputOptions());
    JobOutputOptions.assign(jobFiles.size(), TOutputOptions());
    const bool merged = merge && videoFilesCount >= 2;
    if (merged && !jobFiles.isEmpty()) {
        const QString problem = MergedStreamsProblem(jobFiles, IsCopyFormat(FormatOf(jobFiles[0])));
        if (!problem.isEmpty()) {
            report(problem, "CLM_MergeStreams");
            return false;
        }
    }
    for (int k = 0; k < jobFiles.size(); ++k) {
        QString failure;
        if (!FillOptions(jobFiles[k], runFolder, merge, JobInputOptions[k], JobOutputOptions[k], failure)) {
            // The encoder's last error when it has one, else what failed.
            const QString last = QString::fromStdString(encoder.LastErrMsg());
            report(last.isEmpty() ? failure : last, "CLM_SetCropFilters");
            return false;
        }
        if (!QueueJob(encoder, k, jobFiles[k], sources.value(k), runFolder, merged, report))
            return false;
    }
    if (!merged || jobFiles.isEmpty())
        return true;
    TOutputOptions& O = JobOutputOptions[0];
    O.Join = true;
    O.FileName = FreeName(JoinedFileName(jobFiles[0], runFolder));
    if (!encoder.SetOutputFile(0, O.FileName, &O)) {
        report("Cannot set output file (Merge): " + QString::fromStdString(encoder.LastErrMsg()),
               "CLM_SetOutputFileMerge");
        return false;
    }
    return true;
}

void TJobBuilder::NameJobsAsQueued(QList<TVideoFile>& jobFiles) const
{
    for (int k = 0; k < jobFiles.size() && k < static_cast<int>(JobOutputOptions.size()); ++k) {
        const TOutputOptions& O = JobOutputOptions[k];
        if (O.Join || O.FileName.empty())
            continue;
        const QString name = QFileInfo(QString::fromStdString(O.FileName)).fileName();
        const QString ext = FormatOf(jobFiles[k]).FormatExt;
        if (name.endsWith(ext))
            jobFiles[k].DestinationTitle = name.chopped(ext.size());
    }
}

bool TJobBuilder::QueueJob(TCustomEncoder& encoder, int k, const TVideoFile& V, const QString& source,
                           const QString& runFolder, bool merged, const TReportFn& report)
{
    TInputOptions& I = JobInputOptions[k];
    TOutputOptions& O = JobOutputOptions[k];
    const auto lastError = [&encoder] { return QString::fromStdString(encoder.LastErrMsg()); };
    if (!merged) {
        I.TimeStart = V.TimeStart;
        O.TimeLength = V.TimeEnd - V.TimeStart;
        O.Info.TimeStamp = 0;
        const int task = encoder.AddTask(Utf8(source), &I);
        if (task < 0) {
            report(lastError(), "CLM_FFAddTaskToMeged");
            return false;
        }
        O.FileName = FreeName(OutputFileName(V, runFolder));
        if (!encoder.SetOutputFile(task, O.FileName, &O)) {
            report("Cannot set output file: " + lastError(), "CLM_SetOutputFile");
            return false;
        }
        return true;
    }
    if (encoder.TasksCount() == 0) {
        if (encoder.AddTask(Utf8(source), &I) < 0) {
            report(lastError(), "CLM_FFAddTaskToMeged");
            return false;
        }
    } else if (!encoder.AddInputFile(0, Utf8(source), &I)) {
        report(lastError(), "CLM_FFAddInputFileToMerged");
        return false;
    }
    return true;
}
