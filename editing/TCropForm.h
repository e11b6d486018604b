#pragma once
#include <QDialog>

// The crop and aspect editor of the selected title.
class TCropForm : public QDialog {
    Q_OBJECT
public:
    explicit TCropForm(QWidget* parent = nullptr);
};
