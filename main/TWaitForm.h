#pragma once
#include "main/TPlainDialog.h"

// Shown while a disc is scanned.
class TWaitForm : public TPlainDialog {
    Q_OBJECT
public:
    explicit TWaitForm(QWidget* parent = nullptr);
};
