#include "diagnostics/TErrorForm.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {

constexpr int kClientWidth = 376;
constexpr int kClientHeight = 120;

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, const QRect& geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
}

}  // namespace

TErrorForm::TErrorForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("ErrorForm"));
    setWindowTitle(QStringLiteral("Error!"));
    resize(kClientWidth, kClientHeight);

    imgIcon = MakeLabel(this, QStringLiteral("imgIcon"), QString(), QRect(12, 12, 32, 32));
    imgIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    lblCaption = MakeLabel(this, QStringLiteral("lblCaption"), QStringLiteral("The following error occured:"),
                           QRect(56, 8, 310, 18));
    lblErrorText = MakeLabel(this, QStringLiteral("lblErrorText"), QString(), QRect(56, 28, 310, 34));
    lblErrorText->setWordWrap(true);
    lblErrorText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblErrorText->setTextFormat(Qt::PlainText);
    lblReportNote = MakeLabel(this, QStringLiteral("lblReportNote"),
                              QStringLiteral("Error report is generated. Please send it to developers."),
                              QRect(56, 64, 310, 18));

    btnSend = MakeButton(this, QStringLiteral("btnSend"), QStringLiteral("Send"), QRect(206, 88, 75, 25));
    btnSend->setDefault(true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("Cancel"), QRect(291, 88, 75, 25));
    connect(btnSend, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TErrorForm::Execute(const QString& AMessage)
{
    lblErrorText->setText(AMessage);
    lblErrorText->setToolTip(AMessage);
    return exec() == QDialog::Accepted;
}

void TErrorForm::showEvent(QShowEvent* event)
{
    resize(width(), kClientHeight);
    QDialog::showEvent(event);
}
