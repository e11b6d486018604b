#include "cli/RipTitleChoices.h"

#include "catalogue/TCatalogue.h"
#include "main/TTitleModel.h"
#include "main/TitleText.h"

#include <algorithm>

namespace vidrelo::cli {
namespace {

bool Fail(std::string& error, const QString& reason)
{
    error = reason.toStdString();
    return false;
}

QString Hex(int32_t id)
{
    return QStringLiteral("0x%1").arg(id, 0, 16);
}

// The audio stream `id` asks for: "all" of a title with one track (or none)
// is that track (or no audio), since the chooser offers "All" only from two.
int32_t WantedAudio(const TTitleData& data, int32_t id)
{
    const int tracks = DVDAudioEntries(data.Info);
    if (id != kDVDAllAudioID || tracks >= 2)
        return id;
    return tracks == 1 ? data.Info.Audio[0].StreamID : 0;
}

bool FindFormatTitle(const TCatalogue& catalogue, const QString& title, int& profileInd, int& formatInd)
{
    for (int p = 0; p < catalogue.Profiles.size(); ++p)
        for (int k = 0; k < catalogue.Profiles[p].Formats.size(); ++k)
            if (catalogue.Profiles[p].Formats[k].Title.compare(title, Qt::CaseInsensitive) == 0) {
                profileInd = p;
                formatInd = k;
                return true;
            }
    return false;
}

bool CheckTitles(TTitleModel& titles, const std::vector<int>& numbers, std::string& error)
{
    for (int number : numbers)
        if (number > titles.RowCount())
            return Fail(error, QStringLiteral("title %1 does not exist: the disc has %2 title(s)")
                                   .arg(number)
                                   .arg(titles.RowCount()));
    titles.UncheckAll();
    for (int number : numbers)
        titles.SetChecked(number - 1, true);
    return true;
}

// Through the choosers and the deinterlace box of the selected row.
bool ChooseStreams(TTitleModel& titles, int row, const TRipRequest& r, std::string& error)
{
    const TTitleData& data = *titles.Data(row);
    const QString caption = titles.RowCaption(row);
    if (r.AudioID) {
        const int item = AudioItemIndex(data, WantedAudio(data, *r.AudioID));
        if (item < 0)
            return Fail(error, QStringLiteral("%1 has no audio stream %2").arg(caption, Hex(*r.AudioID)));
        titles.AudioChange(item);
    }
    if (r.SubtitleID) {
        const int item = SubtitleItemIndex(data, *r.SubtitleID);
        if (item < 0)
            return Fail(error, QStringLiteral("%1 has no subtitle stream %2").arg(caption, Hex(*r.SubtitleID)));
        titles.SubtitleChange(item);
    }
    if (r.Deinterlace)
        titles.DeinterlaceClick(true);
    return true;
}

// What the crop editor's Apply stores.
bool SetPicture(TVideoFile& V, const QString& caption, const TRipRequest& r, std::string& error)
{
    if (r.Crop) {
        const auto [left, top, right, bottom] = *r.Crop;
        if (left + right >= V.SourceWidth || top + bottom >= V.SourceHeight)
            return Fail(error, QStringLiteral("--crop %1,%2,%3,%4 leaves nothing of the %5x%6 picture of %7")
                                   .arg(left).arg(top).arg(right).arg(bottom)
                                   .arg(V.SourceWidth).arg(V.SourceHeight).arg(caption));
        V.CropLeft = left;
        V.CropTop = top;
        V.CropRight = right;
        V.CropBottom = bottom;
    }
    V.AspectRatio = r.AspectRatio.value_or(V.AspectRatio);
    V.Brightness = r.Brightness.value_or(V.Brightness);
    V.Contrast = r.Contrast.value_or(V.Contrast);
    V.Saturation = r.Saturation.value_or(V.Saturation);
    return true;
}

// A start at or past the end of the (untrimmed) title leaves nothing.
bool StartWithinTitle(const TTitleModel& titles, int row, const TRipRequest& r, std::string& error)
{
    const int64_t length = titles.VideoFiles().at(row).TimeEnd;
    if (r.TimeStart && *r.TimeStart >= length)
        return Fail(error, QStringLiteral("--start %1 is not within %2, which is %3 long")
                               .arg(FormatTime(*r.TimeStart), titles.RowCaption(row), FormatTime(length)));
    return true;
}

// What the trim editor's OK stores; an end beyond the title is its end.
void SetTrim(TTitleModel& titles, int row, const TRipRequest& r)
{
    if (!r.TimeStart && !r.TimeEnd)
        return;
    const int64_t length = titles.VideoFiles().at(row).TimeEnd;  // the whole title until trimmed
    titles.SetTrim(row, r.TimeStart.value_or(0), std::min(r.TimeEnd.value_or(length), length));
}

bool ApplyToRow(TTitleModel& titles, int row, const TRipRequest& request, std::string& error)
{
    if (!titles.Data(row))
        return Fail(error, QStringLiteral("title %1 cannot be read from the disc").arg(row + 1));
    titles.SelectItem(row, true);
    if (!ChooseStreams(titles, row, request, error) ||
        !SetPicture(titles.VideoFile(row), titles.RowCaption(row), request, error))
        return false;
    SetTrim(titles, row, request);
    if (request.Name)
        titles.StoreDestination(QString::fromStdString(*request.Name));
    return true;
}

}  // namespace

bool ChooseRipFormat(const TCatalogue& catalogue, const TRipRequest& request, int& profileInd, int& formatInd,
                     std::string& error)
{
    if (request.ProfileInd >= 0) {
        profileInd = request.ProfileInd;
        formatInd = request.FormatInd;
        if (!catalogue.FormatAt(profileInd, formatInd))
            return Fail(error, QStringLiteral("the catalogue has no format %1 in profile %2 "
                                              "(\"vidrelo-cli profiles\" lists them)")
                                   .arg(formatInd)
                                   .arg(profileInd));
        return true;
    }
    if (!request.FormatTitle.empty()) {
        const QString title = QString::fromStdString(request.FormatTitle);
        if (!FindFormatTitle(catalogue, title, profileInd, formatInd))
            return Fail(error, QStringLiteral("the catalogue has no format named \"%1\" "
                                              "(\"vidrelo-cli profiles\" lists them)")
                                   .arg(title));
        return true;
    }
    profileInd = catalogue.SelectedProfileInd;
    formatInd = catalogue.SelectedFormatInd;
    if (!catalogue.FormatAt(profileInd, formatInd))
        return Fail(error, QStringLiteral("the catalogue in %1 has no formats").arg(catalogue.Folder()));
    return true;
}

int ApplyRipChoices(TTitleModel& titles, const TRipRequest& request, std::string& error)
{
    if (!request.Titles.empty() && !CheckTitles(titles, request.Titles, error))
        return 1;
    for (int row = 0; row < titles.RowCount(); ++row)
        if (titles.IsChecked(row) && titles.Data(row) && !StartWithinTitle(titles, row, request, error))
            return 2;
    for (int row = 0; row < titles.RowCount(); ++row)
        if (titles.IsChecked(row) && !ApplyToRow(titles, row, request, error))
            return 1;
    return 0;
}

}  // namespace vidrelo::cli
