#pragma once
// The events log window: the log's lines in a read-only memo and "OK".
#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class TEventsLog;

class TLogForm : public QDialog {
    Q_OBJECT
public:
    // The window shows ALog's lines and follows it while it exists; the log
    // must outlive the window.
    explicit TLogForm(TEventsLog& ALog, QWidget* parent = nullptr);

    // Shows the window modally, centred on the screen.
    int Execute();

    QPlainTextEdit* mmoLog = nullptr;
    QPushButton* btnOK = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void AppendLine(const QString& ALine);
    void CentreOnScreen();
};
