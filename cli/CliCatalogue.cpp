#include "cli/CliCatalogue.h"

#include "catalogue/EInOutError.h"
#include "main/TSettingsStore.h"
#include "main/TUserFolders.h"

#include <cstdio>

namespace vidrelo::cli {

std::unique_ptr<TCatalogue> MakeCatalogue(const std::string& folder)
{
    // The reporter needs the catalogue it reports for, which exists only
    // after it: the holder is filled in once it does.
    auto holder = std::make_shared<const TCatalogue*>(nullptr);
    auto catalogue = std::make_unique<TCatalogue>(
        QString::fromStdString(folder), [holder](const QString& message, const QString& mark) {
            std::fprintf(stderr, "%s (%s)\n", message.toUtf8().constData(), mark.toUtf8().constData());
            // The reason, unless the message already carries it.
            const QString reason = *holder ? (*holder)->LastErrMsg() : QString();
            if (!reason.isEmpty() && !message.contains(reason))
                std::fprintf(stderr, "  %s\n", reason.toUtf8().constData());
        });
    *holder = catalogue.get();
    return catalogue;
}

bool LoadCatalogue(TCatalogue& catalogue, bool rememberedFormat)
{
    try {
        catalogue.LoadIcons();
        const bool profilesOk = catalogue.LoadProfiles();
        const bool formatsOk = catalogue.LoadFormats();
        if (rememberedFormat) {
            // Only the format choices are read: no per-user folder is needed,
            // so none is made.
            const TPersistedSettings settings = TSettingsStore().ReadSettings(TUserFolders{});
            catalogue.RecentProfileInd = settings.RecentProfileInd;
            catalogue.RecentFormatInd = settings.RecentFormatInd;
            // The format the user edited converts with the edited values.
            catalogue.LastEditedProfileInd = settings.LastEditedProfileInd;
            catalogue.LastEditedFormatInd = settings.LastEditedFormatInd;
            catalogue.LastEdited = settings.LastEdited;
        }
        const bool linkOk = catalogue.LinkFormats();
        return profilesOk && formatsOk && linkOk;
    } catch (const EInOutError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return false;
    }
}

}  // namespace vidrelo::cli
