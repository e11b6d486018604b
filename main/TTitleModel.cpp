#include "main/TTitleModel.h"

#include "catalogue/FormatCheck.h"
#include "catalogue/ProfileIcons.h"
#include "engine/PlainFileName.h"
#include "main/OriginalFormat.h"
#include "main/TitleColumns.h"
#include "main/TitleText.h"
#include "main/VideoSizeEstimate.h"

#include <cmath>
#include <limits>

struct TTitleModel::TRow {
    int TitleNumber = 0;   // from 1
    QString Caption;
    QStringList SubItems;  // columns 1 to 10; empty for an invalid title
    bool Checked = false;
    std::unique_ptr<TTitleData> Data;
};

namespace {

// The shape the disc shows the title's whole frame at (its record: 0 4:3,
// 1 16:9); unknown for anything else.
vidrelo::TDisplayAspect DiscDisplayAspect(const TDVDTitleInfo& info)
{
    if (info.Aspect == 0)
        return {4, 3};
    if (info.Aspect == 1)
        return {16, 9};
    return {};
}

// How many audio tracks a conversion of the title encodes: every one for
// "All audio tracks", else the one chosen.
int EncodedAudioTracks(const TTitleData* data)
{
    if (data && data->Selection.AudioID == kDVDAllAudioID)
        return std::max(DVDAudioEntries(data->Info), 1);
    return 1;
}

}  // namespace

TTitleModel::TTitleModel(const QList<TProfile>& profiles, const QList<TProfileIcon>& icons, TReportFn reportError)
    : FProfiles(profiles), FIcons(icons), FReportError(std::move(reportError))
{
}

TTitleModel::~TTitleModel() = default;

int64_t TTitleModel::LengthToMicroseconds(double seconds)
{
    const double us = seconds * 1000000.0;
    if (std::isnan(us))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (us >= limit)
        return std::numeric_limits<int64_t>::max();
    if (us < -limit)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(std::nearbyint(us));  // default rounding: ties to even
}

void TTitleModel::AddTitle(const TDVDTitleInfo* info, int titleIndex, int profileInd, int formatInd)
{
    auto row = std::make_unique<TRow>();
    const int number = titleIndex + 1;
    row->TitleNumber = number;
    if (!info) {
        row->Caption = InvalidTitleCaption(number);
        FRows.push_back(std::move(row));
        FVideoFiles.append(TVideoFile{});
        return;
    }
    row->Data = std::make_unique<TTitleData>();
    TTitleData& data = *row->Data;
    data.Info = *info;
    data.Selection.TitleIndex = titleIndex;
    data.Selection.FromChapter = 1;
    data.Selection.ToChapter = info->ChapterCount;
    data.Selection.AudioID = DVDAudioEntries(*info) > 0 ? info->Audio[0].StreamID : 0;
    data.Selection.SubtitleID = DVDSubtitleEntries(*info) > 0 ? info->Subtitles[0].StreamID : 0;
    data.Selection.AudioChannels = 2;
    data.Selection.Deinterlace = 0;

    TVideoFile entry;
    entry.TrimmedLength = LengthToMicroseconds(info->Length);
    entry.TimeEnd = entry.TrimmedLength;
    entry.SourceWidth = info->Width;
    entry.SourceHeight = info->Height;
    entry.DisplayAspect = DiscDisplayAspect(*info);
    entry.ProfileInd = profileInd;
    entry.FormatInd = formatInd;
    entry.DestinationTitle = DefaultDestinationTitle(number);

    row->Caption = TitleCaption(number);
    FRows.push_back(std::move(row));
    FVideoFiles.append(entry);
    const int index = RowCount() - 1;
    EstimateVideoSize(index);
    FRows.back()->SubItems = ValidRowTexts(index);
}

// The ten texts a valid title's row starts with, in column order.
QStringList TTitleModel::ValidRowTexts(int row) const
{
    const TVideoFile& entry = FVideoFiles.at(row);
    const TDVDTitleInfo& info = FRows[row]->Data->Info;
    const QString chapters = QString::number(info.ChapterCount);
    const QString audio = DVDAudioEntries(info) < 1
        ? kNoAudioText
        : StreamColumnText(info.Audio[0].StreamID, LanguageCodeText(info.Audio[0]));
    const QString subtitle = DVDSubtitleEntries(info) < 1
        ? kNoSubtitlesText
        : StreamColumnText(info.Subtitles[0].StreamID, LanguageCodeText(info.Subtitles[0]));
    const TFormat* format = FormatOf(entry);
    return {FormatTime(entry.TrimmedLength), SizeText(entry.EstimatedSize), entry.DestinationTitle,
            format ? format->FormatExt : QString(), chapters, QStringLiteral("1"), chapters, audio, subtitle,
            DeinterlaceText(false)};
}

void TTitleModel::ClearTitles()
{
    FRows.clear();
    FVideoFiles.clear();
    FSelectedRow = -1;
}

int TTitleModel::RowCount() const
{
    return static_cast<int>(FRows.size());
}

TTitleModel::TRow* TTitleModel::RowAt(int row)
{
    return row >= 0 && row < RowCount() ? FRows[row].get() : nullptr;
}

const TTitleModel::TRow* TTitleModel::RowAt(int row) const
{
    return row >= 0 && row < RowCount() ? FRows[row].get() : nullptr;
}

const TTitleData* TTitleModel::Data(int row) const
{
    const TRow* r = RowAt(row);
    return r ? r->Data.get() : nullptr;
}

TTitleData* TTitleModel::SelectedData()
{
    TRow* r = RowAt(FSelectedRow);
    return r ? r->Data.get() : nullptr;
}

QString TTitleModel::CellText(int row, int column) const
{
    const TRow* r = RowAt(row);
    if (!r)
        return {};
    if (column == tcSource)
        return r->Caption;
    return r->SubItems.value(column - 1);
}

bool TTitleModel::SetColumnText(int row, int column, const QString& text)
{
    TRow* r = RowAt(row);
    if (!r || column < 1 || column > r->SubItems.size())
        return false;  // an invalid title's row has no column texts to rewrite
    r->SubItems[column - 1] = text;
    return true;
}

TVideoFile& TTitleModel::VideoFile(int row)
{
    return FVideoFiles[row];
}

void TTitleModel::SetSelectedFormat(int profileInd, int formatInd)
{
    FSelectedProfileInd = profileInd;
    FSelectedFormatInd = formatInd;
}

const TFormat* TTitleModel::FormatOf(const TVideoFile& entry) const
{
    if (entry.ProfileInd < 0 || entry.ProfileInd >= FProfiles.size())
        return nullptr;
    const QList<TFormat>& formats = FProfiles[entry.ProfileInd].Formats;
    if (entry.FormatInd < 0 || entry.FormatInd >= formats.size())
        return nullptr;
    return &formats[entry.FormatInd];
}

int TTitleModel::IconIndexOf(int profileInd) const
{
    if (profileInd < 0 || profileInd >= FProfiles.size())
        return -1;
    return ProfileIconIndex(FIcons, FProfiles[profileInd].Icon);
}

bool TTitleModel::EstimateVideoSize(int index)
{
    if (index < 0 || index >= FVideoFiles.size())
        return false;
    TVideoFile& entry = FVideoFiles[index];
    const TFormat* format = FormatOf(entry);
    std::optional<double> size;
    // A copy is as large as the part of the title it copies.
    if (format && IsCopyFormat(*format) && FRows[index]->Data)
        size = EstimateCopySizeMB(entry.TrimmedLength, FRows[index]->Data->Info);
    if (format && !size)
        size = EstimateSizeMB(entry.TrimmedLength, *format, EncodedAudioTracks(FRows[index]->Data.get()));
    if (!size) {
        if (FReportError)
            FReportError(QStringLiteral("Error getting Estimated Video Size"), QStringLiteral("CLM_EstimVideoSize"));
        return false;
    }
    entry.EstimatedSize = *size;
    return true;
}

void TTitleModel::RefreshTitleColumns()
{
    for (int i = 0; i < RowCount(); ++i) {
        // An invalid title's row has no texts beyond its caption.
        if (!FRows[i]->Data)
            continue;
        EstimateVideoSize(i);
        const TVideoFile& entry = FVideoFiles.at(i);
        const TFormat* format = FormatOf(entry);
        SetColumnText(i, tcLength, FormatTime(entry.TrimmedLength));
        SetColumnText(i, tcSize, SizeText(entry.EstimatedSize));
        SetColumnText(i, tcDestination, entry.DestinationTitle);
        SetColumnText(i, tcFormat, format ? format->FormatExt : QString());
    }
}

QString TTitleModel::RowSourceString(int row) const
{
    const TTitleData* data = Data(row);
    return data ? SourceString(FDVDPath, row, data->Selection) : QString();
}

QString TTitleModel::SelectedSourceString() const
{
    return RowSourceString(FSelectedRow);
}

QString TTitleModel::RowCaption(int row) const
{
    const TRow* r = RowAt(row);
    return r ? r->Caption : QString();
}

bool TTitleModel::BuildSourceList(QStringList& list, const TSkippedRowFn& skipped)
{
    list.clear();
    for (int i = 0; i < RowCount(); ++i) {
        const TRow& row = *FRows[i];
        const bool convertible = row.Checked && row.Data;
        // Enabled must mark exactly the rows whose sources are listed, since
        // the job list pairs the k-th Enabled entry with the k-th source.
        FVideoFiles[i].Enabled = convertible;
        if (convertible)
            list << SourceString(FDVDPath, i, row.Data->Selection);
        else if (row.Checked && skipped)
            skipped(i, TitleCaption(row.TitleNumber));  // not the invalid row's own text
    }
    return !list.isEmpty();
}

std::optional<TRowSelection> TTitleModel::SelectItem(int row, bool selected,
                                                     const std::function<void(const TRowSelection&)>& show)
{
    const TRow* r = RowAt(row);
    if (!r)
        return std::nullopt;
    if (selected)
        FSelectedRow = row;
    else if (FSelectedRow == row)
        FSelectedRow = -1;

    const TVideoFile& entry = FVideoFiles.at(row);
    SetSelectedFormat(entry.ProfileInd, entry.FormatInd);
    TRowSelection result;
    const TFormat* format = FormatOf(entry);
    result.ProfileLabel = format ? format->Title : QString();
    result.ProfileIconIndex = IconIndexOf(entry.ProfileInd);
    result.ControlsEnabled = selected && r->Data;
    if (result.ControlsEnabled)
        result.Controls = FillTitleControls(*r->Data);
    if (show) {
        TChanging changing(*this);
        show(result);
    }
    return result;
}

bool TTitleModel::AudioChange(int itemIndex)
{
    TTitleData* data = SelectedData();
    if (FChanging > 0 || !data)
        return false;
    SetColumnText(FSelectedRow, tcAudio, ChooseAudio(*data, itemIndex));
    // "All audio tracks" makes a larger file than one track.
    if (EstimateVideoSize(FSelectedRow))
        SetColumnText(FSelectedRow, tcSize, SizeText(FVideoFiles.at(FSelectedRow).EstimatedSize));
    return true;
}

bool TTitleModel::SubtitleChange(int itemIndex)
{
    TTitleData* data = SelectedData();
    if (FChanging > 0 || !data)
        return false;
    SetColumnText(FSelectedRow, tcSubtitle, ChooseSubtitle(*data, itemIndex));
    return true;
}

bool TTitleModel::DeinterlaceClick(bool checked)
{
    TTitleData* data = SelectedData();
    if (FChanging > 0 || !data)
        return false;
    SetColumnText(FSelectedRow, tcDeinterlace, ChooseDeinterlace(*data, checked));
    return true;
}

std::optional<QString> TTitleModel::RenameText() const
{
    if (!Data(FSelectedRow))
        return std::nullopt;
    return FVideoFiles.at(FSelectedRow).DestinationTitle;
}

bool TTitleModel::StoreDestination(const QString& text)
{
    if (!Data(FSelectedRow) || !vidrelo::IsPlainFileName(text.toStdString()))
        return false;
    FVideoFiles[FSelectedRow].DestinationTitle = text;
    SetColumnText(FSelectedRow, tcDestination, text);
    return true;
}

bool TTitleModel::SetTrim(int row, int64_t timeStart, int64_t timeEnd)
{
    if (!Data(row))
        return false;
    TVideoFile& entry = FVideoFiles[row];
    entry.TimeStart = timeStart;
    entry.TimeEnd = timeEnd;
    entry.TrimmedLength = timeEnd - timeStart;
    EstimateVideoSize(row);
    SetColumnText(row, tcLength, FormatTime(entry.TrimmedLength));
    SetColumnText(row, tcSize, SizeText(entry.EstimatedSize));
    return true;
}

bool TTitleModel::IsChecked(int row) const
{
    const TRow* r = RowAt(row);
    return r && r->Checked;
}

void TTitleModel::SetChecked(int row, bool checked)
{
    if (TRow* r = RowAt(row))
        r->Checked = checked;
}

void TTitleModel::CheckAll()
{
    for (auto& row : FRows)
        row->Checked = true;
}

void TTitleModel::UncheckAll()
{
    for (auto& row : FRows)
        row->Checked = false;
}

bool TTitleModel::StartEnabled() const
{
    for (const auto& row : FRows)
        if (row->Checked)
            return true;
    return false;
}

void TTitleModel::ApplyToAllClick(bool checked)
{
    if (!checked)
        return;
    for (TVideoFile& entry : FVideoFiles) {
        entry.ProfileInd = FSelectedProfileInd;
        entry.FormatInd = FSelectedFormatInd;
    }
    RefreshTitleColumns();
}
