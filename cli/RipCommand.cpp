#include "cli/RipCommand.h"

#include "cli/CliCatalogue.h"
#include "cli/CliPlugin.h"
#include "cli/ConsoleEncoderRun.h"
#include "cli/FormatSettingOptions.h"
#include "cli/RipArguments.h"
#include "cli/RipBorders.h"
#include "cli/RipTitleChoices.h"
#include "engine/MediaEngine.h"
#include "engine/encoder/TFFEncoder.h"
#include "engine/loader/TFFLoader.h"
#include "main/ChapterSplit.h"
#include "main/TDiscScan.h"
#include "main/TJobBuilder.h"
#include "main/TSettingsStore.h"
#include "main/TTitleModel.h"
#include "main/TUserFolders.h"

#include <cstdio>
#include <filesystem>
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

// The folder --out names, made with its parents when missing. Nothing else
// is made: whoever names a folder wants the files there or not at all.
std::optional<QString> MadeOutputFolder(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && !std::filesystem::is_directory(folder, error))
        error = std::make_error_code(std::errc::not_a_directory);
    if (!error)
        return QString::fromStdString(folder);
    PrintError(QStringLiteral("the output folder \"%1\" cannot be created: %2")
                   .arg(QString::fromStdString(folder), QString::fromStdString(error.message())));
    return std::nullopt;
}

// Without --out as the window's Convert: its output folder, else the
// fallback folder.
std::optional<QString> RunFolder(const TRipRequest& request)
{
    if (!request.OutputFolder.empty())
        return MadeOutputFolder(request.OutputFolder);
    return RunOutputFolderFor(DefaultOutputFolder(), FallbackOutputFolder(), PrintError);
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

int Convert(const TEngineServices& services, TTitleModel& titles, const QList<TProfile>& profiles,
            const TRipRequest& request, const std::string& libav, TProgressStyle style)
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
    TFFEncoder encoder(services);
    if (!LoadEncoderLibraries(encoder, libav, "rip"))
        return 1;
    if (std::string error; request.CropAuto && !CropTitlesToBorders(services.Loader, titles, error))
        return Fail(error);
    const QList<TVideoFile> jobs =
        request.SplitChapters ? MakeChapterJobFiles(titles, sources) : TJobBuilder::MakeJobFiles(titles);
    TJobBuilder builder(profiles);
    try {
        if (!builder.QueueJobs(encoder, jobs, sources, *runFolder, request.Merge,
                               static_cast<int>(titles.VideoFiles().size()),
                               [](const QString& message, const QString&) { PrintError(message); }))
            return 1;
    } catch (const EJobBuildError& e) {
        return Fail(e.what());
    }
    // For scripts every line on standard output is JSON: the outcome lines
    // name the files instead.
    if (style == TProgressStyle::Human)
        PrintJobs(builder, jobs);
    return RunEncoderOnConsole(encoder, "rip", style);
}

// Scans the disc into `titles` in the chosen format, changed by the
// request's settings (before the scan estimates sizes with them), and
// applies the choices.
int PrepareTitles(TTitleModel& titles, TCatalogue& catalogue, const TRipRequest& request)
{
    std::string error;
    int profileInd = 0, formatInd = 0;
    if (!ChooseRipFormat(catalogue, request, profileInd, formatInd, error))
        return Fail(error);
    if (!ApplyFormatSettings(catalogue, profileInd, formatInd, request.FormatSettings, error)) {
        PrintError(QString::fromStdString(error));
        return 2;
    }
    titles.SetSelectedFormat(profileInd, formatInd);
    const TDiscScanResult scan = ScanDisc(titles, QString::fromStdString(request.Disc), TDVDTitleReader::Plugin());
    if (scan.Count < 1) {
        if (!scan.DiscError.isEmpty())
            PrintError(scan.DiscError);
        PrintError(kNoTitlesMessage);
        return 1;
    }
    if (const int status = ApplyRipChoices(titles, request, error)) {
        PrintError(QString::fromStdString(error));
        return status;
    }
    return 0;
}

}  // namespace

int RunRip(std::vector<std::string> args, const std::string& programFolder)
{
    if (args.size() == 1 && args[0] == "--help") {
        std::fputs(RipUsage, stdout);
        return 0;
    }
    TProgressStyle style = TProgressStyle::Human;
    std::string error;
    if (!TakeProgressStyle(args, style, error)) {
        std::fprintf(stderr, "vidrelo-cli rip: %s\n\n%s", error.c_str(), RipUsage);
        return 2;
    }
    const std::string libav = LibAVFolder(args, programFolder);
    std::vector<std::string> operands = args;
    DropLibAVOption(operands);
    TRipRequest request;
    if (!ParseRipArguments(operands, request, error)) {
        std::fprintf(stderr, "vidrelo-cli rip: %s\n\n%s", error.c_str(), RipUsage);
        return 2;
    }
    TMediaEngineScope engine;
    TConsoleLog log(false);
    TMediaEngine::Services().Loader.SetInstallLogger(true);
    if (!LoadPluginForCommand(args, programFolder))
        return 1;
    const auto catalogue = MakeCatalogue(request.CatalogueFolder.empty() ? programFolder + "dvd-ripper-profiles"
                                                                         : request.CatalogueFolder);
    LoadCatalogue(*catalogue, true);  // failures are printed; a missing format is caught below
    TTitleModel titles(catalogue->Profiles, catalogue->ProfileIcons);
    if (const int failed = PrepareTitles(titles, *catalogue, request))
        return failed;
    return Convert(TMediaEngine::Services(), titles, catalogue->Profiles, request, libav, style);
}

}  // namespace vidrelo::cli
