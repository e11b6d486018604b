// The main window with a format that copies the disc's streams: nothing is
// done to the picture, so the controls that change it are off.
#include "main/TMainForm.h"

#include "catalogue/FormatCheck.h"
#include "catalogue/TCatalogue.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QToolButton>
#include <QTreeWidget>

void TMainForm::ShowCopyFormatState()
{
    const TFormat* format =
        FTitles && FCatalogue ? FCatalogue->FormatAt(FTitles->SelectedProfileInd(), FTitles->SelectedFormatInd()) : nullptr;
    const bool copy = format && IsCopyFormat(*format);
    lblCopyNote->setVisible(copy);
    const bool titles = lvTitles->topLevelItemCount() > 0;
    EditButton->setEnabled(titles && !copy);
    actEdit->setEnabled(titles && !copy);
    // The box follows the other title controls, which a row without a
    // title turns off.
    chkDeinterlace->setEnabled(cboAudio->isEnabled() && !copy);
    for (QWidget* w : std::initializer_list<QWidget*>{EditButton, chkDeinterlace})
        w->setToolTip(copy ? lblCopyNote->text() : QString());
}
