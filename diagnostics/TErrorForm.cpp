#include "diagnostics/TErrorForm.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int kClientWidth = 376;
constexpr int kClientHeight = 120;
constexpr int kTextLeft = 56;
constexpr int kTextWidth = 310;
constexpr int kMaxTextWidth = 560;
constexpr int kTextHeight = 34;
constexpr int kNoteHeight = 18;

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
    lblReportNote->setWordWrap(true);

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

// The usual 376 x 120 holds two short lines; a longer message (a path,
// a library's text) and the note below it get the room they need: the
// window widens up to kMaxTextWidth for the text, then grows downwards.
void TErrorForm::FitToText()
{
    const QFontMetrics metrics(lblErrorText->font());
    const int wanted = std::max(metrics.horizontalAdvance(lblErrorText->text()),
                                QFontMetrics(lblReportNote->font()).horizontalAdvance(lblReportNote->text()));
    const int textWidth = std::clamp(wanted + 4, kTextWidth, kMaxTextWidth);
    const int textHeight = std::max(kTextHeight, lblErrorText->heightForWidth(textWidth));
    const int noteHeight = std::max(kNoteHeight, lblReportNote->heightForWidth(textWidth));
    lblCaption->setGeometry(kTextLeft, 8, textWidth, 18);
    lblErrorText->setGeometry(kTextLeft, 28, textWidth, textHeight);
    lblReportNote->setGeometry(kTextLeft, lblErrorText->geometry().bottom() + 3, textWidth, noteHeight);
    const int clientWidth = kTextLeft + textWidth + 10;
    const int buttonsTop = lblReportNote->geometry().bottom() + 7;
    btnSend->setGeometry(clientWidth - 170, buttonsTop, 75, 25);
    btnCancel->setGeometry(clientWidth - 85, buttonsTop, 75, 25);
    resize(clientWidth, buttonsTop + 25 + 7);
}

void TErrorForm::showEvent(QShowEvent* event)
{
    FitToText();
    QDialog::showEvent(event);
}
