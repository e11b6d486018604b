#pragma once
#include <QDialog>

// A fixed-size dialog with the given caption and client size, and no
// caption buttons but the frame's own. The windows that only show text and
// an "OK" button build on it.
class TPlainDialog : public QDialog {
    Q_OBJECT
public:
    TPlainDialog(const QString& caption, int width, int height, QWidget* parent = nullptr);
};
