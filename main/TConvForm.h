#pragma once
// The progress window of a conversion: the title being ripped, the current
// and the total gauge, Pause/Resume, Cancel and what to do at the end.
// The window only shows; the main window drives the encoder through the
// two hooks.
#include "main/TPlainDialog.h"

#include <functional>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

class TConvForm : public TPlainDialog {
    Q_OBJECT
public:
    explicit TConvForm(QWidget* parent = nullptr);

    // Pause or resume the encoder (true: pause).
    std::function<void(bool pause)> OnPause;
    // Stop the encoder and wait for its tasks.
    std::function<void()> OnCancel;

    // "Pause" pauses and then reads "Resume"; "Resume" resumes and reads
    // "Pause" again.
    void PauseButtonClick();
    // Stops the run (waiting), then closes the window. Escape and the
    // frame's close button do the same: the window never goes while the
    // run goes on.
    void CancelButtonClick();
    void reject() override;
    // Gauges to 0, the title line "Converting...", the button "Pause".
    void FormShow();

    QLabel* lblConvertingTitle;
    QProgressBar* ProgressCurrent;
    QProgressBar* ProgressTotal;
    QPushButton* PauseButton;
    QPushButton* CancelButton;
    QCheckBox* cbOpenOutput;
    QCheckBox* cbShutdownPC;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool FCancelling = false;
};
