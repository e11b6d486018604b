#pragma once
// The trim editor ("Clip"): a preview player over a timeline with two trim
// markers, the buttons that set the start and end at the playing position,
// and two time edits. The caller hands in one title's source and stored
// times, shows the window modally and, after OK, reads the chosen times
// back: nothing reaches the title before OK. The rules live in TTrimModel.
#include "editing/TTrimModel.h"
#include "engine/EngineServices.h"
#include "engine/player/TPlayerTypes.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class TPlayerSurfaceWidget;
namespace vidrelo {
class TFFPlayer;
}

// What the editor works on, and what it gives back.
struct TClipTitle {
    QString Source;          // the title's "opendvd:" source string
    int64_t TimeStart = 0;   // microseconds
    int64_t TimeEnd = 0;
    int64_t TrimmedLength = 0;  // set by the editor: TimeEnd - TimeStart
    bool DurationKnown = false; // set by the editor: the title opened and told its length
};

// How the editor reports and logs what fails (the program's error reporter
// and events log; the editor does not reach them itself).
struct TClipServices {
    QString LibAVFolder;  // the media libraries and SDL
    QString SkinFolder;   // trim_left.bmp and trim_right.bmp
    std::function<void(const QString& message, const QString& mark)> ReportError;
    std::function<void(const QString& text)> LogEvent;  // a timed line
    std::function<void(const QString& line)> LogLine;   // a line as it is
};

class TClipForm : public QDialog {
    Q_OBJECT
public:
    // The trim player uses `engine`'s services.
    explicit TClipForm(const vidrelo::TEngineServices& engine, QWidget* parent = nullptr);
    ~TClipForm() override;

    void SetServices(TClipServices services);
    // The title of the next showing; the stored times are read again each time.
    void SetTitle(const TClipTitle& title) { FTitle = title; }
    // After OK: the chosen times (TimeStart, TimeEnd, TrimmedLength).
    const TClipTitle& Title() const { return FTitle; }
    const TTrimModel& Model() const { return FModel; }
    vidrelo::TFFPlayer& Player() { return *FFPlayer2; }

    // Opens the title in the player; failures are reported and logged.
    void OpenVideo(const QString& fileName);

    // The handlers.
    void PlayButtonClick();
    void PauseButtonClick();
    void StopButtonClick();
    void PlayTrimmedClick();
    void SetStartClick();
    void SetEndClick();
    void TimeStartOkClick();
    void TimeEndOkClick();
    void ResetClick();
    void OkClick();

    TPlayerSurfaceWidget* panPreview;
    QSlider* videotrackbar2;
    QLabel* imgTrimLeft;
    QLabel* imgTrimRight;
    QFrame* TrimmedTimeLine;
    QPushButton* PlayButton;
    QPushButton* PauseButton;
    QPushButton* StopButton;
    QPushButton* spSkinButton1;  // "Set start"
    QPushButton* spSkinButton3;  // "Set end"
    QPushButton* spSkinButton2;  // "Play trimmed video"
    QLabel* lblPlayTime;
    QLineEdit* TimeStart;
    QLineEdit* TimeEnd;
    QPushButton* spSkinSpeedButton1;  // OK beside TimeStart
    QPushButton* spSkinSpeedButton2;  // OK beside TimeEnd
    QPushButton* spSkinButton4;  // "OK"
    QPushButton* spSkinButton5;  // "Cancel"
    QPushButton* spSkinButton6;  // "Reset"

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void BuildPlayerArea();
    void BuildTimeEdits();
    void ConnectControls();
    void FormShow();
    void FFPlayer2FileOpen(int64_t duration, int& screenWidth, int& screenHeight);
    void FFPlayer2Position(int64_t pts);
    void FFPlayer2State(vidrelo::TPlayState state);
    void videotrackbar2StartDrag();
    void videotrackbar2Change();
    bool MarkerMouse(TTrimModel::TMarker marker, QEvent* event);
    bool TimelineKey(int key);
    void SeekBy(int64_t delta);
    void ShowModel();
    void SetBarValue(int value);
    void LoadMarkerPictures();
    void Fail(const QString& message, const QString& mark, const QString& logText);

    std::unique_ptr<vidrelo::TFFPlayer> FFPlayer2;
    TTrimModel FModel;
    TClipTitle FTitle;
    TClipServices FServices;
    int FTrackChanging = 0;
    bool FBarDragging = false;
    int64_t FLastPosition = 0;
};
