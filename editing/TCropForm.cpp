#include "editing/TCropForm.h"

TCropForm::TCropForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Crop");
    setModal(true);
}
