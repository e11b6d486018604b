#include "main/TAboutForm.h"

#include "main/WebLinks.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutForm::TAboutForm(QWidget* parent) : TPlainDialog("About", 320, 260, parent)
{
    auto* name = new QLabel(WebLinks::ProgramName, this);
    QFont big = name->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel("Version 1.0", this);
    auto* home = new QLabel(QString("<a href=\"%1\">%1</a>").arg(WebLinks::HomePage), this);
    auto* mail = new QLabel(QString("<a href=\"mailto:%1\">%1</a>").arg(WebLinks::SupportMail), this);
    for (QLabel* link : {home, mail})
        link->setOpenExternalLinks(true);
    auto* ok = new QPushButton("OK", this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : std::initializer_list<QWidget*>{name, version, home, mail})
        layout->addWidget(w, 0, Qt::AlignHCenter);
    layout->addStretch();
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}
