#include "cli/ProfilesCommand.h"

#include "cli/CliCatalogue.h"
#include "cli/FormatSettingOptions.h"

#include <QStringList>

#include <cstdio>

namespace vidrelo::cli {

const char* const ProfilesUsage =
    "usage: vidrelo-cli profiles [--format-details P F] [--catalogue DIR]\n"
    "\n"
    "Loads the output profile catalogue and lists every format of every profile,\n"
    "tab-separated, after a header line.\n"
    "\n"
    "  --format-details P F  list the settings \"rip\" can change in format F of\n"
    "                        profile P, with the values and labels each offers\n"
    "  --catalogue DIR       the output profile catalogue (default: the\n"
    "                        dvd-ripper-profiles folder beside this program)\n";

namespace {

int Refuse(const std::string& reason)
{
    std::fprintf(stderr, "vidrelo-cli profiles: %s\n%s", reason.c_str(), ProfilesUsage);
    return 2;
}

bool ParseIndex(const std::string& text, int& index)
{
    bool ok = false;
    index = QString::fromStdString(text).toInt(&ok, 10);
    return ok && index >= 0 && text.find_first_not_of("0123456789") == std::string::npos;
}

// A tab inside a value would shift the columns after it.
QString Cell(const QString& value)
{
    QString cell = value;
    return cell.replace(u'\t', u' ');
}

void PrintFormats(const TCatalogue& catalogue)
{
    std::fputs("ProfileInd\tProfile\tFormatInd\tFormat\tExtension\tVideoCodec\tAudioCodec\tWidth\tHeight\n",
               stdout);
    for (int p = 0; p < catalogue.Profiles.size(); ++p) {
        const TProfile& profile = catalogue.Profiles[p];
        for (int k = 0; k < profile.Formats.size(); ++k) {
            const TFormat& f = profile.Formats[k];
            const QStringList row = {QString::number(p), Cell(profile.Title), QString::number(k),
                                     Cell(f.Title), Cell(f.FormatExt), Cell(f.VideoCodecName),
                                     Cell(f.AudioCodecName), Cell(f.Width), Cell(f.Height)};
            std::fputs((row.join(u'\t') + u'\n').toUtf8().constData(), stdout);
        }
    }
}

}  // namespace

int RunProfiles(const std::vector<std::string>& args, const std::string& programFolder)
{
    std::string folder = programFolder + "dvd-ripper-profiles";
    int profileInd = -1, formatInd = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--catalogue" && i + 1 < args.size()) {
            folder = args[++i];
        } else if (args[i] == "--format-details" && profileInd < 0 && i + 2 < args.size()) {
            if (!ParseIndex(args[i + 1], profileInd) || !ParseIndex(args[i + 2], formatInd))
                return Refuse("--format-details takes a profile and a format number: \"" + args[i + 1] + "\" \"" +
                              args[i + 2] + "\"");
            i += 2;
        } else {
            return Refuse("unexpected argument \"" + args[i] + "\"");
        }
    }
    const auto catalogue = MakeCatalogue(folder);
    const bool ok = LoadCatalogue(*catalogue);
    if (profileInd < 0) {
        // Whatever was built before a failure is still listed.
        PrintFormats(*catalogue);
    } else if (!PrintFormatDetails(*catalogue, profileInd, formatInd)) {
        std::fprintf(stderr, "vidrelo-cli profiles: the catalogue has no format %d in profile %d\n", formatInd,
                     profileInd);
        return 1;
    }
    return ok ? 0 : 1;
}

}  // namespace vidrelo::cli
