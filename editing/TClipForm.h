#pragma once
#include <QDialog>

// The trim editor of the selected title.
class TClipForm : public QDialog {
    Q_OBJECT
public:
    explicit TClipForm(QWidget* parent = nullptr);
};
