#include "main/TMainForm.h"

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle("Vidrelo");
    setFixedSize(855, 513);
}
