#include "main/TMemoForm.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TMemoForm::TMemoForm(const QString& caption, QWidget* parent) : TPlainDialog(caption, 406, 305, parent)
{
    FMemo = new QPlainTextEdit(this);
    FMemo->setReadOnly(true);
    FMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    FMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* ok = new QPushButton("OK", this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FMemo);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

void TMemoForm::SetText(const QString& text)
{
    FMemo->setPlainText(text);
}

QString TMemoForm::Text() const
{
    return FMemo->toPlainText();
}
