#pragma once
// The profile settings editor: a modal dialog over the chosen format's
// current video and audio values. What it offers and stores is
// TFormatSettings; this dialog shows the boxes and hands back what the user
// picked.
#include "catalogue/TFormatSettings.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

class Tsettingsform : public QDialog {
    Q_OBJECT
public:
    explicit Tsettingsform(QWidget* parent = nullptr);

    // Opening (before the dialog is shown): the boxes filled from the
    // catalogue's chosen format, the empty ones disabled. False when the
    // catalogue has no chosen format.
    bool Prepare(TCatalogue& catalogue, TReportErrorFunc reportError);
    // How the resolution warning is shown (a message box; tests note it).
    std::function<void(const QString&)> ShowWarning;

    QLineEdit* edProfile;
    QComboBox* cmbVideoEncoder;
    QComboBox* cmbVideoResolution;
    QComboBox* cmbVideoBitRate;
    QComboBox* cmbVideoFrameRate;
    QComboBox* cmbAudioEncoder;
    QComboBox* cmbSampleRate;
    QComboBox* cmbAudioBitRate;
    QComboBox* cmbChannel;
    QPushButton* spSkinButton1;  // "OK"
    QPushButton* btnCancel;
    QPushButton* btnDefault;

public slots:
    // "OK": stores and closes, or warns about the resolution and stays.
    void spSkinButton1Click();
    // "Default": the boxes as they were when the dialog opened.
    void btnDefaultClick();

private:
    void BuildControls();
    void ShowBoxes(bool setEnabled);
    QComboBox* Box(TSettingBox box) const;

    std::optional<TFormatSettings> FSettings;
};
