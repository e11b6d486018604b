#include "main/TDiscScan.h"

#include "dvd/DVDPlugIn.h"
#include "main/DVDInfoText.h"
#include "main/TTitleModel.h"

TDVDTitleReader TDVDTitleReader::Plugin()
{
    return {vidrelo::EnumDVDTitles, vidrelo::GetDVDTitle, vidrelo::DVDPluginDiscError};
}

int LongestTitleRow(const TTitleModel& model)
{
    const QList<TVideoFile>& files = model.VideoFiles();
    if (files.isEmpty())
        return -1;
    int longest = 0;
    for (int i = 1; i < files.size(); ++i)
        if (files[i].TrimmedLength > files[longest].TrimmedLength)
            longest = i;
    return longest;
}

TDiscScanResult ScanDisc(TTitleModel& model, const QString& path, const TDVDTitleReader& reader)
{
    TDiscScanResult result;
    result.Count = reader.EnumTitles(path.toStdString());
    if (result.Count < 1) {
        if (reader.DiscError)
            result.DiscError = QString::fromStdString(reader.DiscError());
        return result;
    }
    model.SetDVDPath(path);
    {
        TTitleModel::TChanging changing(model);
        model.ClearTitles();
        result.InfoLines << DVDInfoHeader(result.Count, path);
        for (int i = 0; i < result.Count; ++i) {
            // A fresh record per title: a plug-in that fills only part of it
            // must not leave the previous title's values behind.
            TDVDTitleInfo info{};
            if (!reader.GetTitle(i, info)) {
                model.AddTitle(nullptr, i, model.SelectedProfileInd(), model.SelectedFormatInd());
                result.FailureLines << QString::asprintf("Calling DVDGetTitle(#%d) failed.", i);
                result.FailureReasons << (reader.DiscError ? QString::fromStdString(reader.DiscError()) : QString());
                continue;
            }
            model.AddTitle(&info, i, model.SelectedProfileInd(), model.SelectedFormatInd());
            result.InfoLines << DVDTitleInfoLines(i, info);
        }
    }
    result.PreselectedRow = LongestTitleRow(model);
    model.SetChecked(result.PreselectedRow, true);
    return result;
}
