#pragma once
#include "main/TPlainDialog.h"

class TAboutForm : public TPlainDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
};
