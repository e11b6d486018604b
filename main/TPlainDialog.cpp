#include "main/TPlainDialog.h"

TPlainDialog::TPlainDialog(const QString& caption, int width, int height, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(width, height);
}
