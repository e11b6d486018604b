#include "cli/ScanCommand.h"

#include "cli/CliCatalogue.h"
#include "cli/CliPlugin.h"
#include "cli/ScanJson.h"
#include "engine/MediaEngine.h"
#include "main/TDiscScan.h"
#include "main/TTitleModel.h"
#include "main/TitleColumns.h"

#include <QStringList>

#include <cstdio>

namespace vidrelo::cli {

const char* const ScanUsage =
    "usage: vidrelo-cli scan PATH [--json] [--libav DIR] [--catalogue DIR]\n"
    "\n"
    "Scans PATH (a drive such as /dev/sr0, a DVD folder or an ISO image) and prints\n"
    "the disc's information text, a blank line, then one tab-separated line per title.\n"
    "\n"
    "  --json                one JSON document of the titles instead: number, length,\n"
    "                        size estimate, chapters, audio and subtitle streams\n"
    "  --libav DIR           the folder of the DVD plug-in and the media libraries\n"
    "  --catalogue DIR       the output profile catalogue the size estimates use\n";

namespace {

void PrintLine(const QString& line, FILE* out = stdout)
{
    std::fputs((line + u'\n').toUtf8().constData(), out);
}

// An invalid title's row has only its caption.
QString RowLine(const TTitleModel& titles, int row)
{
    QStringList cells{titles.CellText(row, 0)};
    if (titles.Data(row))
        for (int c = 1; c < kTitleColumnCount; ++c)
            cells << titles.CellText(row, c);
    return cells.join(u'\t');
}

}  // namespace

int RunScan(std::vector<std::string> args, const std::string& programFolder)
{
    TMediaEngineScope engine;
    if (!LoadPluginForCommand(args, programFolder))
        return 1;
    std::string catalogueFolder = programFolder + "dvd-ripper-profiles";
    std::string path;
    bool json = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--catalogue" && i + 1 < args.size()) {
            catalogueFolder = args[++i];
        } else if (path.empty() && !args[i].starts_with("--")) {
            path = args[i];
        } else {
            std::fprintf(stderr, "vidrelo-cli scan: unexpected argument \"%s\"\n%s", args[i].c_str(), ScanUsage);
            return 2;
        }
    }
    if (path.empty()) {
        std::fputs(ScanUsage, stderr);
        return 2;
    }
    const auto catalogue = MakeCatalogue(catalogueFolder);
    LoadCatalogue(*catalogue, true);  // the sizes need a format; failures are already printed
    TTitleModel titles(catalogue->Profiles, catalogue->ProfileIcons);
    titles.SetSelectedFormat(catalogue->SelectedProfileInd, catalogue->SelectedFormatInd);
    const TDiscScanResult result = ScanDisc(titles, QString::fromStdString(path), TDVDTitleReader::Plugin());
    if (result.Count < 1) {
        if (!result.DiscError.isEmpty())
            PrintLine(result.DiscError, stderr);
        PrintLine(kNoTitlesMessage, stderr);
        return 1;
    }
    for (qsizetype i = 0; i < result.FailureLines.size(); ++i) {
        PrintLine(result.FailureLines[i], stderr);
        if (i < result.FailureReasons.size() && !result.FailureReasons[i].isEmpty())
            PrintLine(result.FailureReasons[i], stderr);
    }
    if (json) {
        std::fputs(ScanJson(QString::fromStdString(path), result.Count, titles).constData(), stdout);
        return 0;
    }
    for (const QString& line : result.InfoLines)
        PrintLine(line);
    PrintLine({});
    for (int row = 0; row < titles.RowCount(); ++row)
        PrintLine(RowLine(titles, row));
    return 0;
}

}  // namespace vidrelo::cli
