#include "catalogue/Tsettingsform.h"

Tsettingsform::Tsettingsform(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Settings");
}
