// The main window's disc commands: "Load DVD" with its library steps and the
// drive choice, the disc scan into the title list, "DVD Info", "Eject DVD",
// and opening a DVD folder or image by dialog or by dropping it.
#include "main/TMainForm.h"

#include "catalogue/TCatalogue.h"
#include "diagnostics/ReportError.h"
#include "diagnostics/TEventsLog.h"
#include "dvd/DVDDrives.h"
#include "dvd/DVDPlugIn.h"
#include "engine/MediaEngine.h"
#include "engine/loader/TFFLoader.h"
#include "main/TDiscFolderDialog.h"
#include "main/TDiscScan.h"
#include "main/TMemoForm.h"
#include "main/TWaitForm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const QString kSelectDriveCaption = QStringLiteral("Select DVD Device");
const QString kOpenFolderCaption = QStringLiteral("Open DVD Folder or Image...");

bool IsDrivePath(const QString& path)
{
    return path.startsWith(QStringLiteral("/dev/"));
}

QString DroppedDiscPath(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().first().isLocalFile())
        return {};
    return DiscPathOf(data->urls().first().toLocalFile());
}

}  // namespace

void TMainForm::ConnectDiscCommands()
{
    connect(AddButton, &QToolButton::clicked, this, &TMainForm::AddButtonClick);
    connect(actLoadDVD, &QAction::triggered, this, &TMainForm::AddButtonClick);
    connect(btnDVDInfo, &QPushButton::clicked, this, &TMainForm::FileInformation1Click);
    connect(actDVDInfo, &QAction::triggered, this, &TMainForm::FileInformation1Click);
    connect(btnEject, &QPushButton::clicked, this, &TMainForm::spSkinButton4Click);
    setAcceptDrops(true);
    ShowInformation = [this](const QString& text) { QMessageBox::information(this, windowTitle(), text); };
}

void TMainForm::AddButtonClick()
{
    if (!PrepareDiscLibraries())
        return;
    const QList<QAction*> items = DriveMenu->actions();
    QAction* top = items.isEmpty() ? nullptr : items.first();
    if (!top || top->text() != kSelectDriveCaption || !top->menu()) {
        // No drive: a folder or an image is the only way to a disc.
        OpenDiscFolder();
        return;
    }
    const QList<QAction*> drives = top->menu()->actions();
    if (drives.size() == 1) {
        ScanDisc(drives.first()->text());
        return;
    }
    DriveMenu->popup(AddButton->mapToGlobal(AddButton->rect().bottomLeft()));
}

bool TMainForm::PrepareDiscLibraries()
{
    if (!LoadEncoderLibraries("CLM_FFLoadAVLib2") || !PreparePreviewLibraries())
        return false;
    if (vidrelo::DVDPluginLoaded())
        return true;
    if (!vidrelo::LoadDVDPlugin((FProgramFolder + "LibAV").toStdString())) {
        FServices.EventsLog.AddEvent(QString::fromStdString(vidrelo::DVDPluginLastError()));
        return false;
    }
    FServices.EventsLog.AddEvent(
        QString("DVD plug-in v%1 is loaded.").arg(QString::fromStdString(vidrelo::DVDPluginVersion())));
    return true;
}

void TMainForm::DoMenuClick(QObject* sender)
{
    auto* item = qobject_cast<QAction*>(sender);
    if (!item || item->menu() || item->isSeparator())
        return;
    QString caption = item->text();
    caption.remove(QLatin1Char('&'));
    if (caption == kOpenFolderCaption) {
        if (PrepareDiscLibraries())
            OpenDiscFolder();
        return;
    }
    ScanDisc(caption);
}

void TMainForm::OpenDiscFolder()
{
    const QString chosen = ChooseDiscPath ? ChooseDiscPath()
                                          : TDiscFolderDialog::Choose(this, kOpenFolderCaption, FTitles->DVDPath());
    if (chosen.isEmpty())
        return;
    const QString path = DiscPathOf(chosen);
    if (path.isEmpty()) {
        ShowInformation(QStringLiteral("\"%1\" is not a DVD. Choose the disc's folder, its VIDEO_TS folder, "
                                       "VIDEO_TS.IFO or a disc image (.iso).")
                            .arg(QDir::toNativeSeparators(chosen)));
        return;
    }
    ScanDisc(path);
}

void TMainForm::ScanDisc(const QString& path)
{
    for (QComboBox* box : {cboAudio, cboSubtitle})
        box->setEditable(false);
    if (!FWaitForm)
        FWaitForm = new TWaitForm(this);
    FWaitForm->show();
    FWaitForm->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    TDiscScanResult result;
    try {
        FTitles->SetSelectedFormat(FCatalogue->SelectedProfileInd, FCatalogue->SelectedFormatInd);
        result = ::ScanDisc(*FTitles, path, TDVDTitleReader::Plugin());
    } catch (const std::exception& e) {
        FWaitForm->hide();
        ReportError(QString::fromUtf8(e.what()), "CLM_ScanDisc");
        return;
    }
    if (result.Count < 1) {
        FWaitForm->hide();
        if (!result.DiscError.isEmpty())
            FServices.EventsLog.AddEvent(result.DiscError);
        ShowInformation(kNoTitlesMessage);
        return;
    }
    for (const QString& line : result.FailureLines)
        FServices.EventsLog.AddEvent(line);
    FDVDInfoLines = result.InfoLines;
    FillTitleList();
    if (QTreeWidgetItem* item = lvTitles->topLevelItem(result.PreselectedRow))
        lvTitles->setCurrentItem(item);
    FWaitForm->hide();
    lvTitles->setFocus();
    if (lvTitles->topLevelItemCount() > 0)
        EnableControls();
}

void TMainForm::ClearTitles()
{
    FTitles->ClearTitles();
    FillTitleList();
}

void TMainForm::EnableControls()
{
    lvTitles->setVisible(true);
    pnlGettingStarted->setVisible(false);
    for (QWidget* w : std::initializer_list<QWidget*>{EditButton, ClipButton, btnAdvanced})
        w->setEnabled(true);
    for (QAction* a : {actStartConversion, actEdit, actTrim})
        a->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{PlayButton, PauseButton, StopButton, VideoTrackBar})
        w->setEnabled(true);
    // Only drives have trays; a folder or an image has nothing to open.
    btnEject->setEnabled(IsDrivePath(FTitles->DVDPath()));
    ShowCopyFormatState();
}

void TMainForm::FileInformation1Click()
{
    if (!FDVDInfoForm)
        FDVDInfoForm = new TDVDInfoForm(this);
    FDVDInfoForm->SetText(FDVDInfoLines.join('\n'));
    FDVDInfoForm->exec();
}

void TMainForm::spSkinButton4Click()
{
    const QString path = FTitles->DVDPath();
    if (IsDrivePath(path))
        vidrelo::EjectDVDDrive(path.toStdString());
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedDiscPath(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const QString path = DroppedDiscPath(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    if (PrepareDiscLibraries())
        ScanDisc(path);
}
