#pragma once
// The model behind the main window's title list: one row per DVD title, in
// title order, each with its VideoFiles entry, its check mark, the texts of
// its eleven columns and, for a valid title, the data block it owns. The
// window shows what the model holds and forwards the user's actions to it;
// nothing here needs a screen.
#include "catalogue/TCatalogueTypes.h"
#include "main/TTitleData.h"
#include "main/TVideoFile.h"
#include "main/TitleControls.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// ReportError's shape: a message and the code-line mark.
using TReportFn = std::function<void(const QString& message, const QString& mark)>;
// Told about a checked row that cannot be converted (it has no data block).
using TSkippedRowFn = std::function<void(int row, const QString& caption)>;

// What selecting (or deselecting) a row shows in the main window.
struct TRowSelection {
    // The chapter range, both choosers, the deinterlace box, the profile
    // label and "Advanced..." are enabled exactly when this is true.
    bool ControlsEnabled = false;
    // What the per-title controls show when enabled; otherwise the choosers
    // are emptied and the other controls keep what they showed.
    std::optional<TTitleControls> Controls;
    QString ProfileLabel;       // the row's format's Title
    int ProfileIconIndex = -1;  // into the icons; -1 when there is none to show
};

class TTitleModel {
public:
    // Both lists belong to the caller and must outlive the model.
    TTitleModel(const QList<TProfile>& profiles, const QList<TProfileIcon>& icons, TReportFn reportError = {});
    ~TTitleModel();
    TTitleModel(const TTitleModel&) = delete;
    TTitleModel& operator=(const TTitleModel&) = delete;

    // --- rows, filled by the disc scan in title order ---
    // Appends the row of title `titleIndex` (from 0). With `info` the row gets
    // a copy of the record in its own block, an entry in the given format and
    // its size estimate; without it the row is an invalid title's row.
    void AddTitle(const TDVDTitleInfo* info, int titleIndex, int profileInd, int formatInd);
    // Removes every row with its entry and block.
    void ClearTitles();
    int RowCount() const;
    // The row's block; nullptr for an invalid title's row.
    const TTitleData* Data(int row) const;
    // Column 0 is the caption; an invalid title's row has only that.
    QString CellText(int row, int column) const;
    const QList<TVideoFile>& VideoFiles() const { return FVideoFiles; }
    // For the editors that change the selected title's settings.
    TVideoFile& VideoFile(int row);
    // The title length in microseconds, rounded to the nearest (ties to
    // even); a length that does not fit (or is not a number) is clamped / 0.
    static int64_t LengthToMicroseconds(double seconds);

    // --- main-window state ---
    const QString& DVDPath() const { return FDVDPath; }
    void SetDVDPath(const QString& path) { FDVDPath = path; }
    int SelectedProfileInd() const { return FSelectedProfileInd; }
    int SelectedFormatInd() const { return FSelectedFormatInd; }
    void SetSelectedFormat(int profileInd, int formatInd);
    // While above 0 the audio, subtitle and deinterlace handlers ignore
    // events: hold a TChanging while filling those controls.
    int Changing() const { return FChanging; }
    class TChanging {
    public:
        explicit TChanging(TTitleModel& model) : FModel(model) { ++FModel.FChanging; }
        ~TChanging() { --FModel.FChanging; }
        TChanging(const TChanging&) = delete;
        TChanging& operator=(const TChanging&) = delete;
    private:
        TTitleModel& FModel;
    };

    // --- size estimate and column texts ---
    // Recomputes the entry's EstimatedSize; on failure reports "Error getting
    // Estimated Video Size" and keeps the previous value.
    bool EstimateVideoSize(int index);
    // Estimates every row again and rewrites its Length, Size, Destination
    // and Format texts.
    void RefreshTitleColumns();

    // --- sources ---
    // The row's "opendvd:" string; empty for a row without a block.
    QString RowSourceString(int row) const;
    // The row's caption ("Title #2"); empty for a row that does not exist.
    QString RowCaption(int row) const;
    QString SelectedSourceString() const;
    // Empties `list`, then appends the source of every checked row in order,
    // marking exactly those entries Enabled. A checked row without a block
    // cannot be converted: it is left out (not Enabled) and told to `skipped`.
    // True when the list holds at least one source.
    bool BuildSourceList(QStringList& list, const TSkippedRowFn& skipped = {});

    // --- selection and the per-title controls ---
    int SelectedRow() const { return FSelectedRow; }
    // A row was selected (or deselected). Nothing happens for row -1. `show`
    // runs with Changing() raised so that the window can fill its controls
    // without the change handlers acting on it.
    std::optional<TRowSelection> SelectItem(int row, bool selected,
                                            const std::function<void(const TRowSelection&)>& show = {});
    // The handlers of the choosers and the deinterlace box; each returns true
    // when it changed the selected row (false when ignored).
    bool AudioChange(int itemIndex);
    bool SubtitleChange(int itemIndex);
    bool DeinterlaceClick(bool checked);

    // --- destination name ---
    // The text the in-place editor opens with, for the selected row; none
    // when there is no selected row or it is an invalid title's row.
    std::optional<QString> RenameText() const;
    // Stores the editor's text as it is for the selected row; false (nothing
    // stored) without a selected valid row or when the text is not a plain
    // file name (empty, "..", or holding a "/").
    bool StoreDestination(const QString& text);

    // --- trim ---
    // The trim editor's OK: the part of the title from `timeStart` to
    // `timeEnd` (microseconds) is converted; the row shows its length and a
    // new size estimate. False for a row without a block.
    bool SetTrim(int row, int64_t timeStart, int64_t timeEnd);

    // --- check marks ---
    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    void CheckAll();
    void UncheckAll();
    // The Start button is enabled exactly when a row is checked.
    bool StartEnabled() const;

    // --- "Apply to all" ---
    // When the box ends up checked, every entry takes the selected format and
    // the columns are refreshed.
    void ApplyToAllClick(bool checked);

private:
    struct TRow;
    const TFormat* FormatOf(const TVideoFile& entry) const;
    int IconIndexOf(int profileInd) const;
    TRow* RowAt(int row);
    const TRow* RowAt(int row) const;
    TTitleData* SelectedData();
    bool SetColumnText(int row, int column, const QString& text);
    QStringList ValidRowTexts(int row) const;

    const QList<TProfile>& FProfiles;
    const QList<TProfileIcon>& FIcons;
    TReportFn FReportError;
    std::vector<std::unique_ptr<TRow>> FRows;
    QList<TVideoFile> FVideoFiles;
    QString FDVDPath;
    int FChanging = 0;
    int FSelectedRow = -1;
    int FSelectedProfileInd = 0;
    int FSelectedFormatInd = 0;
};
