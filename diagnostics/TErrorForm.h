#pragma once
// The error window: the failure's message and the offer to send a report.
#include <QDialog>

class QLabel;
class QPushButton;

class TErrorForm : public QDialog {
    Q_OBJECT
public:
    explicit TErrorForm(QWidget* parent = nullptr);

    // Puts AMessage into lblErrorText and shows the window modally; true when
    // it was closed with "Send".
    bool Execute(const QString& AMessage);

    QLabel* imgIcon = nullptr;
    QLabel* lblCaption = nullptr;
    QLabel* lblErrorText = nullptr;
    QLabel* lblReportNote = nullptr;
    QPushButton* btnSend = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FitToText();
};
