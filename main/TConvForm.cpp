#include "main/TConvForm.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TConvForm::TConvForm(QWidget* parent) : TPlainDialog("Conversion", 420, 205, parent)
{
    setObjectName("ConvForm");
    lblConvertingTitle = new QLabel("Converting...", this);
    ProgressCurrent = new QProgressBar(this);
    ProgressTotal = new QProgressBar(this);
    for (QProgressBar* gauge : {ProgressCurrent, ProgressTotal})
        gauge->setRange(0, 100);
    PauseButton = new QPushButton("Pause", this);
    CancelButton = new QPushButton("Cancel", this);
    cbOpenOutput = new QCheckBox("Open output folder when conversion completed", this);
    cbOpenOutput->setChecked(true);
    cbShutdownPC = new QCheckBox("Shut down computer when conversion completed", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(PauseButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblConvertingTitle);
    layout->addWidget(ProgressCurrent);
    layout->addWidget(ProgressTotal);
    layout->addWidget(cbOpenOutput);
    layout->addWidget(cbShutdownPC);
    layout->addLayout(buttons);
    connect(PauseButton, &QPushButton::clicked, this, &TConvForm::PauseButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TConvForm::CancelButtonClick);
}

void TConvForm::PauseButtonClick()
{
    const bool pause = PauseButton->text() == "Pause";
    if (OnPause)
        OnPause(pause);
    PauseButton->setText(pause ? "Resume" : "Pause");
}

void TConvForm::CancelButtonClick()
{
    if (FCancelling)
        return;
    FCancelling = true;
    if (OnCancel)
        OnCancel();
    TPlainDialog::reject();
    FCancelling = false;
}

void TConvForm::reject()
{
    CancelButtonClick();
}

void TConvForm::FormShow()
{
    ProgressCurrent->setValue(0);
    ProgressTotal->setValue(0);
    lblConvertingTitle->setText("Converting...");
    PauseButton->setText("Pause");
}

void TConvForm::showEvent(QShowEvent* event)
{
    setFixedHeight(205);
    TPlainDialog::showEvent(event);
}
