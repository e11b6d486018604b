#pragma once
// Turns the checked titles into encoder tasks: for each title the input
// record (its trim start) and the output record (codecs, rates and the
// video filter chain of picture adjustment, crop, padding for the chosen
// display aspect and scaling) from its catalogue format, then the tasks —
// one per title, or in merge mode one task joining every title into one
// "Joined" file. The main window and "vidrelo-cli rip" both use it.
#include "catalogue/TCatalogueTypes.h"
#include "engine/encoder/TEncoderTypes.h"
#include "main/TTitleModel.h"
#include "main/TVideoFile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <vector>

namespace vidrelo {
class TCustomEncoder;
}

// A catalogue number that is not a decimal integer: the conversion cannot
// be set up (nothing is started).
class EJobBuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "crop=W:H:X:Y" of the area inside the margins; empty without margins.
QString MakeCropFilter(int SW, int SH, int CL, int CT, int CR, int CB);
// "pad=W:H:X:Y:black" around a W x H picture; empty without padding.
QString MakePadFilter(int W, int H, int PadLeft, int PadRight, int PadTop, int PadBottom);
// Appends `filter` to the record's chain ("," between parts).
void AppendVideoFilter(vidrelo::TOutputOptions& O, const QString& filter);

// The height the cropped CW x CH picture of V is shown at for its aspect
// choice (0 keep, 1 full screen, 2 4:3, 3 16:9) in a TW x TH frame.
// Keeping the original shape means the shape the disc shows the title at
// (V.DisplayAspect), not the stored pixels' proportions; only a title whose
// display aspect is unknown keeps those. Raises std::range_error when it
// cannot be computed (a zero size).
int DisplayHeight(const TVideoFile& V, int CW, int CH, int TW, int TH);
// The padding on each side that letterboxes or pillarboxes the CW x CH
// stored picture, shown CW x DH, into the TW x TH frame's shape: PadX in
// columns, PadY in stored rows. Raises std::range_error on overflow or a
// zero size.
void Padding(int CW, int CH, int DH, int TW, int TH, int& PadX, int& PadY);

// The output folder of a run: the folder asked for when it exists, else the
// fallback (created when missing) after `warn` with the first text; nothing
// when the fallback cannot be created either (after `warn` with the second).
std::optional<QString> RunOutputFolderFor(const QString& asked, const QString& fallback,
                                          const std::function<void(const QString&)>& warn);
QString FallbackOutputFolder();  // the home folder's "Quarnix_temp"

class TJobBuilder {
public:
    explicit TJobBuilder(const QList<TProfile>& profiles) : FProfiles(profiles) {}

    // One copy of each Enabled entry of the model, in row order, its Source
    // set to the row's caption.
    static QList<TVideoFile> MakeJobFiles(const TTitleModel& titles);

    // Fills the records of job V. False with the report in `failure` when
    // the crop or padding cannot be computed; raises EJobBuildError for a
    // catalogue number that does not parse.
    bool FillOptions(const TVideoFile& V, const QString& runFolder, bool merge, vidrelo::TInputOptions& I,
                     vidrelo::TOutputOptions& O, QString& failure);

    // Clears the encoder's tasks and queues the jobs: one task per job, or
    // with `merge` and at least two titles on the disc one task joining
    // them. False after `report` said why (ReportError's message and mark);
    // the tasks queued before the failure stay until the next run clears
    // them. Raises EJobBuildError like FillOptions.
    bool QueueJobs(vidrelo::TCustomEncoder& encoder, const QList<TVideoFile>& jobFiles, const QStringList& sources,
                   const QString& runFolder, bool merge, int videoFilesCount, const TReportFn& report);

    // After QueueJobs: each job copy that got a file of its own takes the
    // name really queued (the next free one when its own was taken) as its
    // DestinationTitle, so that what the run shows names the real file.
    void NameJobsAsQueued(QList<TVideoFile>& jobFiles) const;

    // The records of the last QueueJobs, in job order. Each output record's
    // FileName is the name really used: the next free one ("Title1 (2).mp4")
    // when the wanted name is taken; in merge mode the first record's.
    std::vector<vidrelo::TInputOptions> JobInputOptions;
    std::vector<vidrelo::TOutputOptions> JobOutputOptions;

    const TFormat& FormatOf(const TVideoFile& V) const;
    // The output file a job asks for: folder, destination title, the
    // format's extension as the catalogue has it.
    QString OutputFileName(const TVideoFile& V, const QString& runFolder) const;
    // The file a merged run joins its titles into: "Joined" with the
    // extension of the first job's format.
    QString JoinedFileName(const TVideoFile& first, const QString& runFolder) const;

private:
    void SetPicture(const TVideoFile& V, const TFormat& F, vidrelo::TOutputOptions& O);
    bool QueueJob(vidrelo::TCustomEncoder& encoder, int k, const TVideoFile& V, const QString& source,
                  const QString& runFolder, bool merged, const TReportFn& report);

    const QList<TProfile>& FProfiles;
};
