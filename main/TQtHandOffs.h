#pragma once
// Makes the Qt event loop's thread the engine's main thread: a worker's
// hand-off wakes the event loop, and window events keep flowing while the
// main thread waits for a worker. For as long as the object lives.
class QCoreApplication;

class TQtHandOffs {
public:
    explicit TQtHandOffs(QCoreApplication& app);
    ~TQtHandOffs();
    TQtHandOffs(const TQtHandOffs&) = delete;
    TQtHandOffs& operator=(const TQtHandOffs&) = delete;
};
