#include "diagnostics/TLogForm.h"

#include "diagnostics/TEventsLog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TLogForm::TLogForm(TEventsLog& ALog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("LogForm"));
    setWindowTitle(QStringLiteral("Events Log"));
    setFixedSize(406, 305);

    mmoLog = new QPlainTextEdit(this);
    mmoLog->setObjectName(QStringLiteral("mmoLog"));
    mmoLog->setReadOnly(true);
    mmoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(mmoLog, 1);
    layout->addLayout(buttons);

    for (const QString& entry : ALog.Entries())
        AppendLine(entry);
    connect(&ALog, &TEventsLog::LineAdded, this, &TLogForm::AppendLine);
}

int TLogForm::Execute()
{
    return exec();
}

void TLogForm::showEvent(QShowEvent* event)
{
    CentreOnScreen();
    QDialog::showEvent(event);
}

void TLogForm::AppendLine(const QString& ALine)
{
    // One memo line per piece, whatever line breaks the entry holds.
    for (const QString& line : TEventsLog::SplitLines(ALine))
        mmoLog->appendPlainText(line);
}

void TLogForm::CentreOnScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}
