#include "catalogue/Tproform.h"

Tproform::Tproform(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Popup);
}
