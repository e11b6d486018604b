#pragma once
// The profile chooser: a borderless pop-up above the main window's profile
// field, with the catalogue's profiles on the left and the listed profile's
// formats on the right. What it shows and decides is TProfileChooserModel;
// this window draws it and turns mouse, keys and the delay timer into calls.
#include "catalogue/TProfileChooserModel.h"

#include <QImage>
#include <QWidget>

#include <optional>

class QTimer;
class TCatalogue;
class TOwnerDrawnList;

class Tproform : public QWidget {
    Q_OBJECT
public:
    static constexpr int DefaultWidth = 500;
    static constexpr int DefaultHeight = 470;

    // `programFolder` (with a trailing "/") holds the skin's arrow picture.
    Tproform(QWidget* parent, const QString& programFolder);

    // Opens on the catalogue's current choice, ChooserHeight high (the
    // default height when the catalogue gave none), right above `field`
    // (screen coordinates), left edges aligned; below it when the screen has
    // no room above but enough below.
    void Popup(const TCatalogue& catalogue, const QRect& field);
    // Shown since the last Popup; null before the first.
    const TProfileChooserModel* Model() const { return FModel ? &*FModel : nullptr; }

    TOwnerDrawnList* sgProfiles;
    TOwnerDrawnList* sgFormats;
    QTimer* ProfileChangeDelayTimer;

signals:
    // A format was chosen; the chooser hides right after.
    void FormatChosen(int profileInd, int formatInd);
    // The chooser hid (after a choice, a click elsewhere or Escape).
    void Hidden();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void sgProfilesMouseMove(int row);
    void ProfileChangeDelayTimerTimer();
    void sgFormatsMouseMove(int row);
    void sgFormatsClick();
    void Choose(const std::optional<TProfileChoice>& choice);
    void ApplyTimer(TDelayTimer action);
    void Repaint();
    void DrawProfileCell(QPainter& painter, int row, const QRect& cell);
    void DrawFormatCell(QPainter& painter, int row, const QRect& cell);
    void ReportDrawing(const QString& mark);
    void PlaceLists();

    const TCatalogue* FCatalogue = nullptr;
    std::optional<TProfileChooserModel> FModel;
    QImage FArrow;
};
