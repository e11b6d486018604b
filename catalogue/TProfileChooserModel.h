#pragma once
// What the profile chooser shows and does, without its widgets: which
// profile is highlighted, whose formats are listed, which format is under
// the mouse, and when the delay timer runs. Pointing at a profile lists its
// formats only after the delay, so that crossing other profiles on the way
// to the format list does not change it.
#include "catalogue/TCatalogueTypes.h"

#include <QList>

#include <optional>

// What the widget does with its delay timer after an event.
enum class TDelayTimer { Keep, Restart, Stop };

// The keys the chooser answers, as users of any pop-up list expect.
enum class TChooserKey { Up, Down, Left, Right, Enter, Escape };

struct TProfileChoice {
    int ProfileInd = -1;
    int FormatInd = -1;
};

class TProfileChooserModel {
public:
    static constexpr int DelayMilliseconds = 500;

    // The list belongs to the caller and must outlive the model.
    explicit TProfileChooserModel(const QList<TProfile>& profiles) : FProfiles(profiles) {}

    // Opening starts from the current choice.
    void Open(int selectedProfileInd, int selectedFormatInd);

    int ProfileRowCount() const { return static_cast<int>(FProfiles.size()); }
    // The listed profile's formats; 0 when it has none (or does not exist).
    int FormatRowCount() const;
    const TFormat* ListedFormat(int row) const;

    // The mouse moved over the profile list: `row` is the row under it, -1
    // outside every row.
    TDelayTimer ProfileMouseMove(int row);
    // The delay ran out: the profile last pointed at is listed.
    void DelayElapsed();
    // The mouse moved over the format list (`row` -1 below the last row).
    TDelayTimer FormatMouseMove(int row);
    // A click on the format list: the choice, when a listed format is under
    // the mouse; otherwise nothing happens and the chooser stays open.
    std::optional<TProfileChoice> Click() const;

    // Keys: Up/Down move within the list that has the keyboard (the formats
    // at first), Left/Right switch lists and Enter chooses. A profile reached
    // by key is listed at once. The choice when Enter chose; `close` is set
    // when the chooser should hide without a choice (Escape).
    std::optional<TProfileChoice> KeyPress(TChooserKey key, bool& close);
    bool KeyboardInFormats() const { return FKeyboardInFormats; }

    int HighlightedProfileInd = 0;
    int ListedProfileInd = 0;
    int HoverFormatInd = -1;
    int HoverProfileRow = -1;

private:
    void ListProfile(int row);
    void MoveProfile(int delta);
    void MoveFormat(int delta);

    const QList<TProfile>& FProfiles;
    bool FDelayRunning = false;
    bool FKeyboardInFormats = true;
};
