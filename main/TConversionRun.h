#pragma once
// What the progress window shows while the encoder converts the jobs, and
// what the end of a task or of the whole run does. Plain logic for the main
// window's event handlers; nothing here needs a screen.
#include "catalogue/TCatalogueTypes.h"
#include "engine/encoder/TEncoderTypes.h"
#include "main/TVideoFile.h"

#include <QList>
#include <QString>

struct TConversionGauges {
    int Current = 0;  // 0..100, the task being converted
    int Total = 0;    // 0..100, the whole run
};

// Each task fills an equal share of the total gauge. A task whose length is
// unknown (-1) or 0 shows 0 on the current gauge, and the total counts only
// the tasks before it.
TConversionGauges ProgressGauges(const vidrelo::TProgressInfo& P, int taskCount);

// Ripping "Title #2" to "Title2.mp4"; empty for a task that is not a job.
QString RippingTitle(const QList<TVideoFile>& jobFiles, const QList<TProfile>& profiles, int taskIndex);

// The steps a terminate event asks for, in the order they are taken.
struct TEndSteps {
    bool ClearOptions = false;   // the run's option records go
    bool WriteSettings = false;  // before the shutdown
    bool Shutdown = false;
    QString ErrorReport;         // ReportError text (mark "CLM_Terminate"); empty: none
    QStringList LogEvents;       // events-log texts (the time is put in front)
    bool Close = false;          // the progress window closes
    bool OpenFolder = false;     // the run's output folder is opened
};

TEndSteps EndSteps(const vidrelo::TTerminateInfo& T, bool openOutput, bool shutdown);

// The running system in the shape the logs have always had:
// "Linux Version 6.1\r\n (Build 0: #1 SMP ...)"; empty when unknown.
QString OSVersionText();
