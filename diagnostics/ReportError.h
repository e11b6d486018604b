#pragma once
// The one way the program reports a caught failure: a message and a
// code-line mark ("CLM_..."), the fixed name of the guarded operation.
#include <QString>

class TErrorReporter;

// Shows the error window and, on "Send", sends the report (TErrorReporter).
// Never raises. Without an installed reporter or application the failure is
// written to the standard error stream. Called from a thread other than the
// application's, the report is handed to the application's thread and this
// returns at once, since windows belong to that thread.
void ReportError(const QString& AMessage, const QString& ACodeLineMark);

// The application installs its reporter once its windows exist and removes
// it (nullptr) before destroying it.
void InstallErrorReporter(TErrorReporter* AReporter);
TErrorReporter* InstalledErrorReporter();
