#pragma once
// The crop and aspect editor: the selected title's crop rectangle, output
// aspect, brightness, contrast and saturation, over two players: the input
// preview with the crop rectangle drawn on it, and the output preview that
// shows the cropped region in the chosen aspect with the adjustments live.
// Nothing reaches the title until Apply or OK.
#include "editing/PictureFilterCommon.h"
#include "editing/TCropGeometry.h"
#include "engine/DisplayAspect.h"
#include "engine/player/TCustomPlayer.h"
#include "engine/probe/BorderDetect.h"

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;
class TCropHandleWidget;
class TCropLineWidget;
class TEventsLog;
class TPlayerSurfaceWidget;

// What the editor reads from the title and gives back on Apply.
struct TCropValues {
    int32_t CropLeft = 0;  // pixels cut off at each edge of the stored frame
    int32_t CropTop = 0;
    int32_t CropRight = 0;
    int32_t CropBottom = 0;
    int32_t AspectRatio = 0;  // 0 Keep Original, 1 Full Screen, 2 4:3, 3 16:9
    int32_t Brightness = 0;   // -100..100
    int32_t Contrast = 0;
    int32_t Saturation = 0;
    int32_t SourceWidth = 0;  // the stored frame
    int32_t SourceHeight = 0;
    vidrelo::TDisplayAspect DisplayAspect;  // the whole frame's shown shape, from the disc
    std::string Source;                     // what the players open
};

class TCropForm : public QDialog {
    Q_OBJECT
public:
    // Both preview players use `engine`'s services.
    explicit TCropForm(const vidrelo::TEngineServices& engine, QWidget* parent = nullptr);
    ~TCropForm() override;

    // Where the players' libraries are and where player failures are logged.
    void SetServices(TEventsLog* eventsLog, const QString& libAVFolder);
    // The title to edit at the next showing.
    void SetValues(const TCropValues& values);
    const TCropValues& Values() const { return FValues; }
    // Stores Apply's values into the title; false when it could not.
    std::function<bool(const TCropValues&)> OnApply;
    // Finds the black bars of a source; null disables "Detect borders".
    std::function<bool(const std::string&, vidrelo::TBorderDetection&, std::string&)> BorderDetector;

    // The design's operations.
    void FormShow();
    void FormClose();
    void OpenVideo(const std::string& fileName, bool IsPaused);
    void UpdateVideoFilters();
    void CropAreaToEdits(bool isReset, bool isWindowJustOpen);
    void ValuesToCropArea();
    void ValuesToPreviewArea();
    double SourceAspectRatio();
    const vidrelo::TCropGeometry& Geometry() const { return FGeometry; }

    // Handlers.
    void PlayButtonClick();
    void PauseButtonClick();
    void StopButtonClick();
    void btnApplyClick();
    void btnOKClick();
    void btnResetAllClick();
    void btnDetectBordersClick();
    void cmbAspectRatioChange();
    void EditChange();

    // Controls.
    TPlayerSurfaceWidget* panPreview1;
    QWidget* Panel1;
    QWidget* Panel2;
    TPlayerSurfaceWidget* panPreview2;
    std::array<TCropHandleWidget*, vidrelo::kCropHandleCount> Handles{};
    std::array<TCropLineWidget*, vidrelo::kCropLineCount> Lines{};
    QSlider* videotrackbar;
    QToolButton* PlayButton;
    QToolButton* PauseButton;
    QToolButton* StopButton;
    QSpinBox* edLeft;
    QSpinBox* edTop;
    QSpinBox* edWidth;
    QSpinBox* edHeight;
    QComboBox* cmbAspectRatio;
    QCheckBox* chBrightness;
    QCheckBox* chContrast;
    QCheckBox* chSaturation;
    QSlider* tbBrightness;
    QSlider* tbContrast;
    QSlider* tbSaturation;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPushButton* btnApply;
    QPushButton* btnResetAll;
    QPushButton* btnDetectBorders;

    vidrelo::TFFPlayer FFPlayer1;  // input
    vidrelo::TFFPlayer FFPlayer2;  // output: the filters and the output aspect
    // The live values the output player's filters read.
    vidrelo::TLiveFilterValue FBrightness;
    vidrelo::TLiveFilterValue FContrast;
    vidrelo::TLiveFilterValue FSaturation;
    vidrelo::TLiveFilterValue FHue;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildPreviews();
    void BuildHandles();
    void BuildPlayback();
    void BuildEdits();
    void BuildAdjustments();
    void BuildButtons();
    void ConnectPlayers();
    void SetPanelColour(QWidget* panel, const QColor& colour);
    static const QColor kIdleColour;  // the previews' idle background
    bool PrepareLibraries(vidrelo::TFFPlayer& player, int number);
    void FFPlayer1FileOpen(int64_t ADuration, int AFrameWidth, int AFrameHeight);
    void FFPlayer1Position(int64_t APTS);
    void FFPlayer1State(vidrelo::TPlayState AState);
    void FFPlayer2State(vidrelo::TPlayState APlayState);
    void videotrackbarChange();
    void AdjustmentStart(QCheckBox* box);
    void HandleMouseDown(TCropHandleWidget& handle, QPoint pos);
    void HandleMouseMove(TCropHandleWidget& handle, QPoint pos);
    void ShowCropArea();
    void ShowEdits();
    void SetAspectItem(int index);
    void ReportPlayerFailure(vidrelo::TFFPlayer& player, const QString& mark);
    QString FrameText() const;

    vidrelo::TCropGeometry FGeometry;
    TCropValues FValues;
    TEventsLog* FEventsLog = nullptr;
    QString FLibAVFolder;
    TPlayerSurfaceWidget* FScreenControl1 = nullptr;
    TPlayerSurfaceWidget* FScreenControl2 = nullptr;
    int64_t FDuration = 0;
    bool FTrackChanging = false;
    int FX0 = 0;
    int FY0 = 0;
    bool FHandleDragging = false;
    bool FTrackBarDragging = false;
    bool FFirstFileOpen = false;
    int FChanging = 0;  // programmatic changes of the edits and the aspect box
    vidrelo::TPlayState FPlayer1State = vidrelo::TPlayState::psStop;
};
