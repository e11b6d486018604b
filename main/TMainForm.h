#pragma once
#include <QMainWindow>

// The main window: the title list of the loaded disc and every command of
// the ripping workflow.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
};
