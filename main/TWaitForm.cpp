#include "main/TWaitForm.h"

#include <QLabel>
#include <QVBoxLayout>

TWaitForm::TWaitForm(QWidget* parent) : TPlainDialog("Vidrelo", 320, 80, parent)
{
    auto* text = new QLabel("Processing DVD content. Please wait few seconds...", this);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
}
