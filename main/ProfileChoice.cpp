#include "main/ProfileChoice.h"

#include "catalogue/ProfileIcons.h"

#include <stdexcept>

namespace {

TProfileDisplay ChooseFormat(TCatalogue& catalogue, TTitleModel& titles, TProfileChoice choice, bool applyToAll)
{
    const TFormat* format = catalogue.FormatAt(choice.ProfileInd, choice.FormatInd);
    if (!format)
        throw std::out_of_range("the chosen format is not in the catalogue");
    // Without a selected title the choice still becomes the selection (and,
    // with "Apply to all", every title's format).
    if (titles.SelectedRow() >= 0 && titles.SelectedRow() < titles.VideoFiles().size()) {
        TVideoFile& entry = titles.VideoFile(titles.SelectedRow());
        entry.ProfileInd = choice.ProfileInd;
        entry.FormatInd = choice.FormatInd;
    }
    catalogue.SelectedProfileInd = catalogue.RecentProfileInd = choice.ProfileInd;
    catalogue.SelectedFormatInd = catalogue.RecentFormatInd = choice.FormatInd;
    titles.SetSelectedFormat(choice.ProfileInd, choice.FormatInd);
    TProfileDisplay display;
    display.Restored = true;
    display.Label = format->Title;
    // The profile's icon, not the format's.
    display.Picture = ProfileIconPicture(catalogue.ProfileIcons, catalogue.Profiles[choice.ProfileInd].Icon);
    // The caller refreshes every row once afterwards.
    for (int row = 0; applyToAll && row < titles.VideoFiles().size(); ++row) {
        titles.VideoFile(row).ProfileInd = choice.ProfileInd;
        titles.VideoFile(row).FormatInd = choice.FormatInd;
    }
    return display;
}

}  // namespace

TProfileDisplay ApplyProfileChoice(TCatalogue& catalogue, TTitleModel& titles, TProfileChoice choice,
                                   bool applyToAll, const TReportErrorFunc& reportError)
{
    TProfileDisplay display;
    try {
        display = ChooseFormat(catalogue, titles, choice, applyToAll);
    } catch (const std::exception&) {
        if (reportError)
            reportError(QStringLiteral("Error on profile %1, format %2 choosing")
                            .arg(catalogue.SelectedProfileInd)
                            .arg(catalogue.RecentFormatInd),
                        QStringLiteral("CLM_ProfileChoosing"));
    }
    titles.RefreshTitleColumns();
    return display;
}
