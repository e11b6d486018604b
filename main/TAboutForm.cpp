#include "main/TAboutForm.h"

#include "diagnostics/TReportSettings.h"
#include "main/TSkinTheme.h"
#include "main/WebLinks.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutForm::TAboutForm(QWidget* parent) : TPlainDialog("About", 320, 260, parent)
{
    auto* name = lblName = new QLabel(WebLinks::ProgramName, this);
    // The window's style sheet sets every widget's font size: the name's own
    // size must be a rule of its own to win.
    name->setStyleSheet(QStringLiteral("font-size: 18pt; font-weight: bold;"));
    auto* version = new QLabel("Version 1.0", this);
    lblHome = new QLabel(this);
    lblMail = new QLabel(this);
    for (QLabel* link : {lblHome, lblMail})
        link->setOpenExternalLinks(true);
    SetLinkColour(TSkinTheme().AccentHover);
    auto* ok = new QPushButton("OK", this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : std::initializer_list<QWidget*>{name, version, lblHome, lblMail})
        layout->addWidget(w, 0, Qt::AlignHCenter);
    layout->addStretch();
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

QString TAboutForm::SupportAddress()
{
    // The address error reports go to: people write to one place.
    return BuiltInReportSettings().SupportMailbox;
}

void TAboutForm::SetLinkColour(const QColor& colour)
{
    const auto link = [&colour](const QString& target, const QString& text) {
        return QStringLiteral("<a style=\"color: %1\" href=\"%2\">%3</a>").arg(colour.name(), target, text);
    };
    lblHome->setText(link(WebLinks::HomePage, WebLinks::HomePage));
    lblMail->setText(link("mailto:" + SupportAddress(), SupportAddress()));
}
