#include "diagnostics/TErrorForm.h"
#include "diagnostics/TErrorReporter.h"
#include "diagnostics/TEngineLogHistory.h"
#include "diagnostics/TEventsLog.h"
#include "diagnostics/TLogForm.h"
#include "tests/diagnostics/TestApplication.h"
#include "tests/diagnostics/TestPrinters.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

QStringList MemoLines(const TLogForm& form)
{
    return form.mmoLog->toPlainText().split('\n');
}

bool HasNoCaptionButtons(const QWidget& window)
{
    const Qt::WindowFlags flags = window.windowFlags();
    return flags.testFlag(Qt::CustomizeWindowHint) && !flags.testFlag(Qt::WindowCloseButtonHint) &&
           !flags.testFlag(Qt::WindowMinimizeButtonHint) && !flags.testFlag(Qt::WindowMaximizeButtonHint);
}

}  // namespace

TEST(DiagnosticsForms, ErrorFormAsksSendOrCancel)
{
    TestApplication();
    TErrorForm form;
    EXPECT_EQ(form.windowTitle(), "Error!");
    EXPECT_EQ(form.size(), QSize(376, 120));
    EXPECT_TRUE(HasNoCaptionButtons(form));
    QStringList texts;
    for (const QLabel* label : form.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains("The following error occured:"));
    EXPECT_TRUE(texts.contains("Error report is generated. Please send it to developers."));
    EXPECT_EQ(form.btnSend->text(), "Send");
    EXPECT_EQ(form.btnCancel->text(), "Cancel");
    EXPECT_EQ(form.findChild<QLabel*>("lblErrorText"), form.lblErrorText);

    QTimer::singleShot(0, form.btnSend, &QPushButton::click);
    EXPECT_TRUE(form.Execute("<b>Error</b> loading profiles"));
    EXPECT_EQ(form.lblErrorText->text(), "<b>Error</b> loading profiles");
    EXPECT_EQ(form.lblErrorText->textFormat(), Qt::PlainText);

    form.resize(376, 300);
    QTimer::singleShot(0, [&form] {
        // Set again each time it is shown: the usual height, wide enough for the note.
        EXPECT_EQ(form.height(), 120);
        EXPECT_GE(form.width(), 376);
        EXPECT_GE(form.lblReportNote->width(), form.lblReportNote->sizeHint().width());
        form.btnCancel->click();
    });
    EXPECT_FALSE(form.Execute("Error loading formats"));

    // A long message and the note under it are shown whole, above the buttons.
    const QString longMessage =
        "Cannot set output file: '/home/someone/Documents/Quarnix/Vidrelo/Output/A rather long title name.mp4': "
        "Permission denied. The output folder cannot be written; choose another one in the Output field.";
    QTimer::singleShot(0, [&form] {
        for (const QLabel* label : {form.lblErrorText, form.lblReportNote}) {
            EXPECT_GE(label->height(), label->heightForWidth(label->width())) << label->objectName().toStdString();
            EXPECT_LE(label->geometry().right(), form.width());
        }
        EXPECT_LT(form.lblErrorText->geometry().bottom(), form.lblReportNote->geometry().top());
        EXPECT_LT(form.lblReportNote->geometry().bottom(), form.btnSend->geometry().top());
        EXPECT_LE(form.btnCancel->geometry().bottom(), form.height());
        EXPECT_GT(form.height(), 120);
        form.btnCancel->click();
    });
    EXPECT_FALSE(form.Execute(longMessage));
}

TEST(DiagnosticsForms, ReporterAsksThroughTheErrorForm)
{
    TestApplication();
    TEngineLogHistory history;
    TEventsLog events;
    TErrorForm form;
    TErrorReporter reporter(history, events);
    reporter.UseErrorForm(form);
    std::vector<QUrl> opened;
    reporter.SetOpenUrl([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });

    QTimer::singleShot(0, form.btnCancel, &QPushButton::click);
    reporter.Report("Error setting profile", "CLM_SettingProfile");
    EXPECT_EQ(form.lblErrorText->text(), "Error setting profile");
    EXPECT_EQ(history.Count(), 1);
    EXPECT_TRUE(opened.empty());
}

TEST(DiagnosticsForms, LogFormShowsAndFollowsTheEventsLog)
{
    TestApplication();
    TEventsLog log;
    log.AddEvent("DVD plug-in v1.0 is loaded.");
    TLogForm form(log);
    EXPECT_EQ(form.windowTitle(), "Events Log");
    EXPECT_EQ(form.size(), QSize(406, 305));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_TRUE(HasNoCaptionButtons(form));
    EXPECT_EQ(form.findChild<QPlainTextEdit*>("mmoLog"), form.mmoLog);
    EXPECT_TRUE(form.mmoLog->isReadOnly());
    EXPECT_EQ(form.mmoLog->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form.mmoLog->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form.btnOK->text(), "OK");

    log.Add("SDL failed");
    log.Add("12:00:00-> Added Video\r\nInput #0, mpeg\r\nDuration: 00:01:00");
    EXPECT_EQ(MemoLines(form), log.Lines());
    EXPECT_EQ(log.Lines().size(), 5);

    QTimer::singleShot(0, [&form] {
        const QPoint offCentre = form.frameGeometry().center() - form.screen()->availableGeometry().center();
        EXPECT_LE(offCentre.manhattanLength(), 2);
        form.btnOK->click();
    });
    EXPECT_EQ(form.Execute(), QDialog::Accepted);
    EXPECT_EQ(MemoLines(form), log.Lines());  // showing and closing change nothing
    EXPECT_EQ(log.Entries().size(), 3);
}
