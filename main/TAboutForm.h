#pragma once
// The About window: the program's name, version, home page and the support
// address (the one error reports are sent to).
#include "main/TPlainDialog.h"

#include <QColor>

class QLabel;

class TAboutForm : public TPlainDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    // The links in the skin's light accent, readable on its dark window.
    void SetLinkColour(const QColor& colour);
    static QString SupportAddress();

    QLabel* lblName;
    QLabel* lblHome;
    QLabel* lblMail;
};
