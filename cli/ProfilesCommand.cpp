#include "cli/ProfilesCommand.h"

#include "cli/CliCatalogue.h"

#include <QStringList>

#include <cstdio>

namespace vidrelo::cli {
namespace {

const char* const ProfilesUsage = "usage: vidrelo-cli profiles [--catalogue DIR]\n";

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
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--catalogue" && i + 1 < args.size()) {
            folder = args[++i];
        } else {
            std::fprintf(stderr, "vidrelo-cli profiles: unexpected argument \"%s\"\n%s", args[i].c_str(),
                         ProfilesUsage);
            return 2;
        }
    }
    const auto catalogue = MakeCatalogue(folder);
    const bool ok = LoadCatalogue(*catalogue);
    // Whatever was built before a failure is still listed.
    PrintFormats(*catalogue);
    return ok ? 0 : 1;
}

}  // namespace vidrelo::cli
