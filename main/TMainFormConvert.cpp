// The main window's conversion: "Convert" turns the checked titles into
// encoder tasks, the progress window follows the run, and the end of the
// run is logged and acted on (open the folder or shut the computer down).
#include "catalogue/TCatalogue.h"
#include "diagnostics/ReportError.h"
#include "diagnostics/TEventsLog.h"
#include "engine/MainThreadDispatcher.h"
#include "engine/encoder/TFFEncoder.h"
#include "main/ChapterSplit.h"
#include "main/SystemShutdown.h"
#include "main/TConvForm.h"
#include "main/TConversionRun.h"
#include "main/TJobBuilder.h"
#include "main/TMainForm.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QToolButton>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QUrl>

void TMainForm::SetUpEncoder()
{
    FEncoder = std::make_unique<vidrelo::TFFEncoder>(FServices.Engine);
    FJobBuilder = std::make_unique<TJobBuilder>(FCatalogue->Profiles);
    FEncoder->OnProgress = [this](vidrelo::TCustomEncoder*, vidrelo::TProgressInfo* P) { EncoderProgress(*P); };
    // Terminate events come on threads of their own: the window work is
    // handed to the main thread.
    FEncoder->OnTerminate = [this](vidrelo::TCustomEncoder*, const vidrelo::TTerminateInfo& T) {
        FServices.Engine.Dispatcher.Post([this, T] { EncoderTerminate(T); });
    };
    if (!ShowWarning)
        ShowWarning = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
    if (!ShowConvForm)
        ShowConvForm = [](TConvForm& form) { form.exec(); };
    if (!OpenFolder)
        OpenFolder = [](const QString& folder) { return QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
    if (!ShutdownComputer)
        ShutdownComputer = [] { ::ShutdownComputer(); };
    connect(btnFindTarget, &QPushButton::clicked, this, &TMainForm::spSkinButton2Click);
    connect(StartButton, &QToolButton::clicked, this, &TMainForm::StartButtonClick);
    connect(actStartConversion, &QAction::triggered, this, &TMainForm::StartButtonClick);
    ConnectConvForm();
}

void TMainForm::ConnectConvForm()
{
    if (!FConvForm)
        return;
    FConvForm->OnPause = [this](bool pause) { pause ? FEncoder->Pause() : FEncoder->Resume(); };
    FConvForm->OnCancel = [this] {
        FEncoder->Stop(true);
        FServices.EventsLog.AddEvent("Conversion cancelled by user");
    };
}

void TMainForm::StartButtonClick()
{
    // A run is on (its progress window is somehow not in front): one at a time.
    if (!FEncoder || FTitles->VideoFiles().isEmpty() || (FEncoder->Working() && !FEncoder->Terminated()))
        return;
    const std::optional<QString> folder =
        RunOutputFolderFor(edDestinationFolder->text(), FallbackOutputFolder(), ShowWarning);
    if (!folder)
        return;
    FRunOutputFolder = *folder;
    StopPreviewIfPlaying();
    QStringList sources;
    int skipped = 0;
    const bool any = FTitles->BuildSourceList(sources, [this, &skipped](int, const QString& caption) {
        FServices.EventsLog.AddEvent(caption + " is not a valid title and is not converted.");
        ++skipped;
    });
    if (!any) {
        // Pressing Convert and seeing nothing happen helps nobody.
        ShowInformation(skipped > 0 ? QStringLiteral("None of the checked titles can be converted: the disc's "
                                                     "information for them could not be read.")
                                    : QStringLiteral("No title is checked. Check the titles to convert."));
        return;
    }
    const bool split = chSplitChapters->isChecked();
    FJobFiles = split ? MakeChapterJobFiles(*FTitles, sources) : TJobBuilder::MakeJobFiles(*FTitles);
    try {
        if (!FJobBuilder->QueueJobs(*FEncoder, FJobFiles, sources, FRunOutputFolder, chMerge->isChecked() && !split,
                                    FTitles->VideoFiles().size(), ReportError))
            return;
        FJobBuilder->NameJobsAsQueued(FJobFiles);
    } catch (const std::exception& e) {
        ShowWarning(QString::fromUtf8(e.what()));
        return;
    }
    FServices.EventsLog.AddEvent("Conversion started");
    FEncoder->Start(1);
    if (!FConvForm)
        return;
    ConnectConvForm();
    FConvForm->FormShow();
    ShowConvForm(*FConvForm);
}

void TMainForm::EncoderProgress(const vidrelo::TProgressInfo& P)
{
    if (!FConvForm)
        return;
    const TConversionGauges gauges = ProgressGauges(P, FEncoder->TasksCount());
    FConvForm->ProgressCurrent->setValue(gauges.Current);
    FConvForm->ProgressTotal->setValue(gauges.Total);
    FConvForm->lblConvertingTitle->setText(RippingTitle(FJobFiles, FCatalogue->Profiles, P.TaskIndex));
}

void TMainForm::EncoderTerminate(const vidrelo::TTerminateInfo& T)
{
    if (FClosing)
        return;
    const bool openOutput = FConvForm && FConvForm->cbOpenOutput->isChecked();
    const bool shutdown = FConvForm && FConvForm->cbShutdownPC->isChecked();
    const TEndSteps steps = EndSteps(T, openOutput, shutdown);
    if (steps.ClearOptions) {
        FJobBuilder->JobInputOptions.clear();
        FJobBuilder->JobOutputOptions.clear();
    }
    if (steps.WriteSettings)
        WriteSettings();
    if (steps.Shutdown)
        ShutdownComputer();
    if (!steps.ErrorReport.isEmpty())
        ReportError(steps.ErrorReport, "CLM_Terminate");
    for (const QString& text : steps.LogEvents)
        FServices.EventsLog.AddEvent(text);
    if (steps.Close && FConvForm)
        FConvForm->done(QDialog::Accepted);
    if (steps.OpenFolder)
        ShowFolder(FRunOutputFolder);
}

void TMainForm::spSkinButton2Click()
{
    ShowFolder(edDestinationFolder->text());
}

void TMainForm::ShowFolder(const QString& folder)
{
    // Without a file manager the user would see nothing at all: at least say
    // where the files are.
    if (!OpenFolder(folder))
        FServices.EventsLog.AddEvent(QStringLiteral("No file manager could open the folder; the files are in \"%1\".")
                                         .arg(QDir::toNativeSeparators(folder)));
}
