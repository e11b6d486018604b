#pragma once
#include <QDialog>

// The profile settings editor for the chosen format.
class Tsettingsform : public QDialog {
    Q_OBJECT
public:
    explicit Tsettingsform(QWidget* parent = nullptr);
};
