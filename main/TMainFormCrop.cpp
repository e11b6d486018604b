// "Edit" and "Edit...": the crop editor on the selected title, and its
// Apply stored into the title's settings.
#include "editing/TCropForm.h"
#include "engine/probe/BorderDetect.h"
#include "main/TMainForm.h"

#include <QAction>
#include <QToolButton>

void TMainForm::SetCropForm(TCropForm* form)
{
    FCropForm = form;
    if (!FCropForm)
        return;
    FCropForm->SetServices(&FServices.EventsLog, FServices.ProgramFolder + "LibAV");
    FCropForm->OnApply = [this](const TCropValues& values) { return StoreCropValues(values); };
    FCropForm->BorderDetector = [loader = &FServices.Engine.Loader](const std::string& source,
                                                                    vidrelo::TBorderDetection& found,
                                                                    std::string& error) {
        return vidrelo::DetectBorders(*loader, source, found, error);
    };
    if (!ShowCropForm)
        ShowCropForm = [](TCropForm& editor) { editor.exec(); };
    connect(EditButton, &QToolButton::clicked, this, &TMainForm::EditButtonClick, Qt::UniqueConnection);
    connect(actEdit, &QAction::triggered, this, &TMainForm::EditButtonClick, Qt::UniqueConnection);
}

void TMainForm::EditButtonClick()
{
    const int row = FTitles ? FTitles->SelectedRow() : -1;
    if (!FCropForm || row < 0 || !FTitles->Data(row))
        return;
    StopPreviewIfPlaying();  // the editor's players take the title
    const TVideoFile& v = FTitles->VideoFiles()[row];
    TCropValues values;
    values.CropLeft = v.CropLeft;
    values.CropTop = v.CropTop;
    values.CropRight = v.CropRight;
    values.CropBottom = v.CropBottom;
    values.AspectRatio = v.AspectRatio;
    values.Brightness = v.Brightness;
    values.Contrast = v.Contrast;
    values.Saturation = v.Saturation;
    values.SourceWidth = v.SourceWidth;
    values.SourceHeight = v.SourceHeight;
    values.DisplayAspect = v.DisplayAspect;
    values.Source = FTitles->SelectedSourceString().toStdString();
    FCropRow = row;
    FCropForm->SetValues(values);
    ShowCropForm(*FCropForm);
}

bool TMainForm::StoreCropValues(const TCropValues& values)
{
    if (!FTitles || FCropRow < 0 || FCropRow >= FTitles->RowCount() || !FTitles->Data(FCropRow))
        return false;
    TVideoFile& v = FTitles->VideoFile(FCropRow);
    v.CropLeft = values.CropLeft;
    v.CropTop = values.CropTop;
    v.CropRight = values.CropRight;
    v.CropBottom = values.CropBottom;
    v.AspectRatio = values.AspectRatio;
    v.Brightness = values.Brightness;
    v.Saturation = values.Saturation;
    v.Contrast = values.Contrast;
    FTitles->RefreshTitleColumns();
    RefreshTitleRowTexts();
    return true;
}
