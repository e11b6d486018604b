#include "catalogue/TProfileChooserModel.h"

#include <algorithm>

void TProfileChooserModel::Open(int selectedProfileInd, int selectedFormatInd)
{
    HighlightedProfileInd = selectedProfileInd;
    ListedProfileInd = selectedProfileInd;
    HoverFormatInd = selectedFormatInd;
    HoverProfileRow = -1;
    FDelayRunning = false;
    FKeyboardInFormats = true;
}

int TProfileChooserModel::FormatRowCount() const
{
    if (ListedProfileInd < 0 || ListedProfileInd >= FProfiles.size())
        return 0;
    return static_cast<int>(FProfiles[ListedProfileInd].Formats.size());
}

const TFormat* TProfileChooserModel::ListedFormat(int row) const
{
    if (row < 0 || row >= FormatRowCount())
        return nullptr;
    return &FProfiles[ListedProfileInd].Formats[row];
}

TDelayTimer TProfileChooserModel::ProfileMouseMove(int row)
{
    if (row < 0 || row >= ProfileRowCount()) {
        FDelayRunning = false;
        return TDelayTimer::Stop;
    }
    HoverProfileRow = row;
    if (row == HighlightedProfileInd)
        return TDelayTimer::Keep;
    HighlightedProfileInd = row;
    FDelayRunning = true;
    return TDelayTimer::Restart;
}

void TProfileChooserModel::DelayElapsed()
{
    if (HoverProfileRow < 0)
        return;
    ListProfile(HoverProfileRow);
}

void TProfileChooserModel::ListProfile(int row)
{
    ListedProfileInd = row;
    HighlightedProfileInd = row;
    HoverFormatInd = -1;
}

TDelayTimer TProfileChooserModel::FormatMouseMove(int row)
{
    // The mouse left a profile before its formats were shown: the highlight
    // goes back to the profile whose formats these are.
    if (FDelayRunning)
        HighlightedProfileInd = ListedProfileInd;
    FDelayRunning = false;
    FKeyboardInFormats = true;
    HoverFormatInd = row >= 0 && row < FormatRowCount() ? row : -1;
    return TDelayTimer::Stop;
}

std::optional<TProfileChoice> TProfileChooserModel::Click() const
{
    if (HighlightedProfileInd < 0 || HighlightedProfileInd >= ProfileRowCount() || HoverFormatInd < 0 ||
        HoverFormatInd >= FProfiles[HighlightedProfileInd].Formats.size())
        return std::nullopt;
    return TProfileChoice{HighlightedProfileInd, HoverFormatInd};
}

std::optional<TProfileChoice> TProfileChooserModel::KeyPress(TChooserKey key, bool& close)
{
    close = false;
    FDelayRunning = false;
    HighlightedProfileInd = ListedProfileInd;  // a pending pointer move is dropped
    switch (key) {
    case TChooserKey::Up:
    case TChooserKey::Down: {
        const int delta = key == TChooserKey::Up ? -1 : 1;
        FKeyboardInFormats ? MoveFormat(delta) : MoveProfile(delta);
        break;
    }
    case TChooserKey::Left:
        FKeyboardInFormats = false;
        break;
    case TChooserKey::Right:
        FKeyboardInFormats = true;
        if (HoverFormatInd < 0 && FormatRowCount() > 0)
            HoverFormatInd = 0;
        break;
    case TChooserKey::Enter:
        return Click();
    case TChooserKey::Escape:
        close = true;
        break;
    }
    return std::nullopt;
}

void TProfileChooserModel::MoveProfile(int delta)
{
    if (ProfileRowCount() == 0)
        return;
    ListProfile(std::clamp(ListedProfileInd + delta, 0, ProfileRowCount() - 1));
}

void TProfileChooserModel::MoveFormat(int delta)
{
    if (FormatRowCount() == 0)
        return;
    HoverFormatInd = std::clamp(HoverFormatInd < 0 ? (delta > 0 ? -1 : FormatRowCount()) + delta
                                                   : HoverFormatInd + delta,
                                0, FormatRowCount() - 1);
}
