#include "main/TPathField.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

TPathField::TPathField(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { setToolTip(text); });
}

QString TPathField::ShownText(int width) const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, width);
}

void TPathField::paintEvent(QPaintEvent* event)
{
    // With the keyboard in it the field behaves as usual (selecting, copying).
    if (hasFocus()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this)
                               .marginsRemoved(textMargins())
                               .adjusted(2, 0, -2, 0);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(contents, int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine),
                     ShownText(contents.width()));
}
