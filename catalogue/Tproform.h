#pragma once
#include <QDialog>

// The profile chooser: a pop-up above the main window's profile field.
class Tproform : public QDialog {
    Q_OBJECT
public:
    explicit Tproform(QWidget* parent = nullptr);
};
