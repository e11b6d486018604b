// The main window's output format: the profile field that opens the
// chooser, the choice it makes, and "Advanced..." with the settings editor.
#include "main/TMainForm.h"

#include "catalogue/TCatalogue.h"
#include "catalogue/Tproform.h"
#include "catalogue/Tsettingsform.h"
#include "diagnostics/ReportError.h"
#include "main/ProfileChoice.h"

#include <QCheckBox>
#include <QLabel>
#include <QPixmap>

void TMainForm::SetProfileForms(Tproform* chooser, Tsettingsform* settings)
{
    Fproform = chooser;
    Fsettingsform = settings;
    if (Fproform) {
        connect(Fproform, &Tproform::FormatChosen, this, &TMainForm::proformFormatChosen);
        connect(Fproform, &Tproform::Hidden, this, &TMainForm::proformHidden);
    }
    if (!ShowSettingsForm)
        ShowSettingsForm = [](Tsettingsform& form) { form.exec(); };
}

bool TMainForm::IsProfileField(QObject* watched) const
{
    return watched == ProfileField || watched == imgProfileButton || watched == imgProfileIcon ||
           watched == lblProfile;
}

void TMainForm::imgProfileButtonMouseDown()
{
    if (!Fproform || !FCatalogue || !FTitles || FTitles->VideoFiles().isEmpty() || Fproform->isVisible())
        return;
    // Opens upward: the chooser's bottom edge on the field's top edge.
    Fproform->Popup(*FCatalogue, QRect(ProfileField->mapToGlobal(QPoint(0, 0)), ProfileField->size()));
}

void TMainForm::proformFormatChosen(int profileInd, int formatInd)
{
    const TProfileDisplay display =
        ApplyProfileChoice(*FCatalogue, *FTitles, {profileInd, formatInd}, chApplyToAll->isChecked(), ReportError);
    ShowProfileDisplay(display);
    RefreshTitleRowTexts();
    ShowCopyFormatState();
}

void TMainForm::proformHidden()
{
    FTitles->RefreshTitleColumns();
    RefreshTitleRowTexts();
    activateWindow();
}

void TMainForm::ShowProfileDisplay(const TProfileDisplay& display)
{
    if (!display.Restored)
        return;  // the field keeps what it shows
    lblProfile->setText(display.Label);
    imgProfileIcon->setPixmap(QPixmap::fromImage(display.Picture));
}

void TMainForm::btnAdvancedClick()
{
    if (!Fsettingsform || !FCatalogue || !Fsettingsform->Prepare(*FCatalogue, ReportError))
        return;
    ShowSettingsForm(*Fsettingsform);
    if (Fsettingsform->result() != QDialog::Accepted)
        return;
    if (FTitles) {
        FTitles->RefreshTitleColumns();
        RefreshTitleRowTexts();
    }
}
