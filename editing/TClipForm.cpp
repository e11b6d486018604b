#include "editing/TClipForm.h"

TClipForm::TClipForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Clip");
    setModal(true);
}
