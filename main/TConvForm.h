#pragma once
#include "main/TPlainDialog.h"

class QLabel;
class QProgressBar;
class QPushButton;

// The progress window of a conversion: the title being ripped, the current
// and the total gauge, Pause/Resume and Cancel.
class TConvForm : public TPlainDialog {
    Q_OBJECT
public:
    explicit TConvForm(QWidget* parent = nullptr);

    QLabel* lblTitle;
    QProgressBar* pbCurrent;
    QProgressBar* pbTotal;
    QPushButton* btnPause;
    QPushButton* btnCancel;
};
