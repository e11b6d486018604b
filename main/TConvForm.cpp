#include "main/TConvForm.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TConvForm::TConvForm(QWidget* parent) : TPlainDialog("Conversion", 420, 205, parent)
{
    lblTitle = new QLabel(this);
    pbCurrent = new QProgressBar(this);
    pbTotal = new QProgressBar(this);
    btnPause = new QPushButton("Pause", this);
    btnCancel = new QPushButton("Cancel", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnPause);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(new QLabel("Current:", this));
    layout->addWidget(pbCurrent);
    layout->addWidget(new QLabel("Total:", this));
    layout->addWidget(pbTotal);
    layout->addLayout(buttons);
}
