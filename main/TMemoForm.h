#pragma once
#include "main/TPlainDialog.h"

class QPlainTextEdit;

// A window showing a read-only text with both scroll bars and an "OK"
// button: the DVD information and the file information windows.
class TMemoForm : public TPlainDialog {
    Q_OBJECT
public:
    TMemoForm(const QString& caption, QWidget* parent = nullptr);
    void SetText(const QString& text);
    QString Text() const;

private:
    QPlainTextEdit* FMemo;
};

class TDVDInfoForm : public TMemoForm {
    Q_OBJECT
public:
    explicit TDVDInfoForm(QWidget* parent = nullptr) : TMemoForm("DVD Info", parent) {}
};

class TFileInfoForm : public TMemoForm {
    Q_OBJECT
public:
    explicit TFileInfoForm(QWidget* parent = nullptr) : TMemoForm("File Info", parent) {}
};
