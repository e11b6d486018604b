#include "cli/RipCommand.h"

#include "cli/CliCatalogue.h"
#include "cli/CliPlugin.h"
#include "cli/ConsoleEncoderRun.h"
#include "cli/RipArguments.h"
#include "cli/RipTitleChoices.h"
#include "engine/MediaEngine.h"
#include "engine/encoder/TFFEncoder.h"
#include "engine/loader/TFFLoader.h"
#include "main/TDiscScan.h"
#include "main/TJobBuilder.h"
#include "main/TSettingsStore.h"
#include "main/TTitleModel.h"
#include "main/TUserFolders.h"

#include <cstdio>
#include <optional>

namespace vidrelo::cli {
namespace {

void PrintError(const QString& text)
{
    std::fprintf(stderr, "vidrelo-cli rip: %s\n", text.toUtf8().constData());
}

int Fail(const std::string& reason)
{
    PrintError(QString::fromStdString(reason));
    return 1;
}

// The main window's output-folder field: the remembered folder, else the
// per-user Output folder.
QString DefaultOutputFolder()
{
    return TSettingsStore().ReadSettings(TUserFolders::Create()).OutputPath;
}

// As the window's Convert: the folder asked for, else the fallback folder.
std::optional<QString> RunFolder(const TRipRequest& request)
{
    const QString asked =
        request.OutputFolder.empty() ? DefaultOutputFolder() : QString::fromStdString(request.OutputFolder);
    return RunOutputFolderFor(asked, FallbackOutputFolder(), PrintError);
}

// Which title goes into which file (the names the queue really took), on
// standard output.
void PrintJobs(const TJobBuilder& builder, const QList<TVideoFile>& jobs)
{
    const std::vector<TOutputOptions>& outputs = builder.JobOutputOptions;
    const bool joined = !outputs.empty() && outputs[0].Join;
    for (int k = 0; k < jobs.size() && k < static_cast<int>(outputs.size()); ++k) {
        const std::string& file = outputs[joined ? 0 : k].FileName;
        std::printf("%s -> %s\n", jobs[k].Source.toUtf8().constData(), file.c_str());
    }
    std::fflush(stdout);
}

int Convert(TTitleModel& titles, const QList<TProfile>& profiles, const TRipRequest& request,
            const std::string& libav)
{
    QStringList sources;
    std::string skipped;
    titles.BuildSourceList(sources, [&skipped](int row, const QString&) {
        skipped = "title " + std::to_string(row + 1) + " cannot be read from the disc";
    });
    if (!skipped.empty())
        return Fail(skipped);
    const std::optional<QString> runFolder = RunFolder(request);
    if (!runFolder)
        return 1;
    TFFEncoder encoder;
    if (!LoadEncoderLibraries(encoder, libav, "rip"))
        return 1;
    const QList<TVideoFile> jobs = TJobBuilder::MakeJobFiles(titles);
    TJobBuilder builder(profiles);
    try {
        if (!builder.QueueJobs(encoder, jobs, sources, *runFolder, request.Merge,
                               static_cast<int>(titles.VideoFiles().size()),
                               [](const QString& message, const QString&) { PrintError(message); }))
            return 1;
    } catch (const EJobBuildError& e) {
        return Fail(e.what());
    }
    PrintJobs(builder, jobs);
    return RunEncoderOnConsole(encoder, "rip");
}

// Scans the disc into `titles` in the chosen format and applies the choices.
int PrepareTitles(TTitleModel& titles, const TCatalogue& catalogue, const TRipRequest& request)
{
    std::string error;
    int profileInd = 0, formatInd = 0;
    if (!ChooseRipFormat(catalogue, request, profileInd, formatInd, error))
        return Fail(error);
    titles.SetSelectedFormat(profileInd, formatInd);
    const TDiscScanResult scan = ScanDisc(titles, QString::fromStdString(request.Disc), TDVDTitleReader::Plugin());
    if (scan.Count < 1) {
        if (!scan.DiscError.isEmpty())
            PrintError(scan.DiscError);
        PrintError(kNoTitlesMessage);
        return 1;
    }
    if (!ApplyRipChoices(titles, request, error))
        return Fail(error);
    return 0;
}

}  // namespace

int RunRip(std::vector<std::string> args, const std::string& programFolder)
{
    if (args.size() == 1 && args[0] == "--help") {
        std::fputs(RipUsage, stdout);
        return 0;
    }
    const std::string libav = LibAVFolder(args, programFolder);
    std::vector<std::string> operands = args;
    DropLibAVOption(operands);
    TRipRequest request;
    std::string error;
    if (!ParseRipArguments(operands, request, error)) {
        std::fprintf(stderr, "vidrelo-cli rip: %s\n\n%s", error.c_str(), RipUsage);
        return 2;
    }
    TMediaEngineScope engine;
    TConsoleLog log(false);
    TMediaEngine::Loader().SetInstallLogger(true);
    if (!LoadPluginForCommand(args, programFolder))
        return 1;
    const auto catalogue = MakeCatalogue(request.CatalogueFolder.empty() ? programFolder + "dvd-ripper-profiles"
                                                                         : request.CatalogueFolder);
    LoadCatalogue(*catalogue, true);  // failures are printed; a missing format is caught below
    TTitleModel titles(catalogue->Profiles, catalogue->ProfileIcons);
    if (const int failed = PrepareTitles(titles, *catalogue, request))
        return failed;
    return Convert(titles, catalogue->Profiles, request, libav);
}

}  // namespace vidrelo::cli
