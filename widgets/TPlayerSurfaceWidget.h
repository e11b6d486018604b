#pragma once
// A player's picture in a window: the engine hands the due picture over on
// its play thread, the widget paints it on the GUI thread where the engine
// placed it (black around it), straight from the engine's buffer.
#include "engine/player/TPlayerSurface.h"

#include <QWidget>

#include <atomic>
#include <memory>
#include <mutex>

class TPlayerSurfaceWidget : public QWidget, public vidrelo::TPlayerSurface {
    Q_OBJECT
public:
    explicit TPlayerSurfaceWidget(QWidget* parent = nullptr);

    // Any thread.
    void SurfaceSize(int& width, int& height) const override;
    void Present(std::shared_ptr<const vidrelo::TSurfacePicture> picture) override;
    void Clear() override;

    // What is shown now (null: black); GUI thread.
    std::shared_ptr<const vidrelo::TSurfacePicture> ShownPicture() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Asks the GUI thread for one repaint, however many pictures arrive meanwhile.
    void ScheduleRepaint();
    Q_INVOKABLE void RepaintNow();

    mutable std::mutex FLock;  // guards FPicture only; never held while painting
    std::shared_ptr<const vidrelo::TSurfacePicture> FPicture;
    std::atomic<int> FWidth{0};
    std::atomic<int> FHeight{0};
    std::atomic<bool> FRepaintQueued{false};
};
