// The main window's side of trimming: "Trim" and "Trim..." open the trim
// editor on the selected title; its OK stores the chosen part in the title.
#include "main/TMainForm.h"

#include "diagnostics/ReportError.h"
#include "diagnostics/TEventsLog.h"
#include "editing/TClipForm.h"

#include <QAction>
#include <QToolButton>

void TMainForm::SetClipForm(TClipForm* form)
{
    FClipForm = form;
    if (!FClipForm)
        return;
    TEventsLog& log = FServices.EventsLog;
    FClipForm->SetServices({FServices.ProgramFolder + "LibAV", FServices.ProgramFolder + "skin-black", ReportError,
                            [&log](const QString& text) { log.AddEvent(text); },
                            [&log](const QString& line) { log.Add(line); }});
    connect(ClipButton, &QToolButton::clicked, this, &TMainForm::ClipButtonClick);
    connect(actTrim, &QAction::triggered, this, &TMainForm::ClipButtonClick);
    if (!ShowClipForm)
        ShowClipForm = [](TClipForm& clip) { clip.exec(); };
}

void TMainForm::ClipButtonClick()
{
    if (!FClipForm || !FTitles)
        return;
    const int row = FTitles->SelectedRow();
    if (!FTitles->Data(row))
        return;  // no title selected, or one that could not be read
    StopPreviewIfPlaying();  // the editor's player takes the title
    const TVideoFile& entry = FTitles->VideoFiles()[row];
    TClipTitle title;
    title.Source = FTitles->RowSourceString(row);
    title.TimeStart = entry.TimeStart;
    title.TimeEnd = entry.TimeEnd;
    FClipForm->SetTitle(title);
    ShowClipForm(*FClipForm);
    if (FClipForm->result() == QDialog::Accepted)
        FTitles->SetTrim(row, FClipForm->Title().TimeStart, FClipForm->Title().TimeEnd);
    // Whatever the editor ended with, every row shows its length and size again.
    FTitles->RefreshTitleColumns();
    RefreshTitleRowTexts();
}
