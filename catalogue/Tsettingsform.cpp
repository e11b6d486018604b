#include "catalogue/Tsettingsform.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QComboBox* FixedList(QWidget* parent, const char* name)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(false);
    return box;
}

QGroupBox* Group(const QString& title, const QList<QPair<QString, QComboBox*>>& rows, QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    auto* form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const auto& [label, box] : rows)
        form->addRow(label, box);
    return group;
}

}  // namespace

Tsettingsform::Tsettingsform(QWidget* parent) : QDialog(parent)
{
    setObjectName("Tsettingsform");
    setWindowTitle("Profile Settings");
    setModal(true);
    BuildControls();
    setFixedSize(440, 307);
    ShowWarning = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text, QMessageBox::Ok); };
}

void Tsettingsform::BuildControls()
{
    edProfile = new QLineEdit(this);
    edProfile->setReadOnly(true);
    cmbVideoEncoder = FixedList(this, "cmbVideoEncoder");
    cmbVideoResolution = new QComboBox(this);
    cmbVideoResolution->setObjectName("cmbVideoResolution");
    cmbVideoResolution->setEditable(true);
    cmbVideoResolution->setInsertPolicy(QComboBox::NoInsert);
    cmbVideoBitRate = FixedList(this, "cmbVideoBitRate");
    cmbVideoFrameRate = FixedList(this, "cmbVideoFrameRate");
    cmbAudioEncoder = FixedList(this, "cmbAudioEncoder");
    cmbSampleRate = FixedList(this, "cmbSampleRate");
    cmbAudioBitRate = FixedList(this, "cmbAudioBitRate");
    cmbChannel = FixedList(this, "cmbChannel");
    spSkinButton1 = new QPushButton("OK", this);
    spSkinButton1->setDefault(true);
    btnCancel = new QPushButton("Cancel", this);
    btnDefault = new QPushButton("Default", this);

    auto* top = new QFormLayout;
    top->addRow("Profile:", edProfile);
    auto* groups = new QHBoxLayout;
    groups->addWidget(Group("Video", {{"Encoder:", cmbVideoEncoder}, {"Resolution:", cmbVideoResolution},
                                      {"Bit Rate:", cmbVideoBitRate}, {"Frame Rate:", cmbVideoFrameRate}}, this));
    groups->addWidget(Group("Audio", {{"Encoder:", cmbAudioEncoder}, {"Sample Rate:", cmbSampleRate},
                                      {"Bit Rate:", cmbAudioBitRate}, {"Channels:", cmbChannel}}, this));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnDefault);
    buttons->addStretch();
    buttons->addWidget(spSkinButton1);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(groups);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(spSkinButton1, &QPushButton::clicked, this, &Tsettingsform::spSkinButton1Click);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnDefault, &QPushButton::clicked, this, &Tsettingsform::btnDefaultClick);
}

QComboBox* Tsettingsform::Box(TSettingBox box) const
{
    const std::array<QComboBox*, sbBoxCount> boxes = {cmbVideoResolution, cmbVideoBitRate, cmbVideoFrameRate,
                                                      cmbVideoEncoder,    cmbSampleRate,   cmbChannel,
                                                      cmbAudioEncoder,    cmbAudioBitRate};
    return boxes[box];
}

bool Tsettingsform::Prepare(TCatalogue& catalogue, TReportErrorFunc reportError)
{
    FSettings.emplace(catalogue, std::move(reportError));
    if (!FSettings->Open())
        return false;
    ShowBoxes(true);
    return true;
}

void Tsettingsform::ShowBoxes(bool setEnabled)
{
    edProfile->setText(FSettings->ProfileText());
    for (int b = 0; b < sbBoxCount; ++b) {
        const TSettingBoxState& state = FSettings->Box(static_cast<TSettingBox>(b));
        QComboBox* box = Box(static_cast<TSettingBox>(b));
        box->clear();
        box->addItems(state.Items);
        // The list may be wider than the box: labels such as "Dolby Digital (AC-3)".
        box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 8);
        box->setCurrentIndex(state.Selected);
        if (box->isEditable())
            box->setEditText(state.Text);
        if (setEnabled)
            box->setEnabled(state.Enabled);
    }
}

void Tsettingsform::btnDefaultClick()
{
    if (!FSettings)
        return;
    FSettings->Default();
    ShowBoxes(false);
}

void Tsettingsform::spSkinButton1Click()
{
    if (!FSettings)
        return;
    for (int b = 0; b < sbBoxCount; ++b) {
        const auto box = static_cast<TSettingBox>(b);
        if (Box(box)->isEditable())
            FSettings->SetResolutionText(Box(box)->currentText());
        else
            FSettings->Select(box, Box(box)->currentIndex());
    }
    if (!FSettings->Ok()) {
        ShowWarning(TFormatSettings::ResolutionWarning);
        return;
    }
    accept();
}
