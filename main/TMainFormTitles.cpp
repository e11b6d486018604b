// The main window's title list and per-title controls: the list shows the
// title model's rows, and the user's actions on it go to the model.
#include "main/TMainForm.h"

#include "catalogue/TCatalogue.h"
#include "diagnostics/ReportError.h"
#include "main/TTitleListView.h"
#include "main/TitleColumns.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

void TMainForm::SetUpTitleList()
{
    FTitles = std::make_unique<TTitleModel>(FCatalogue->Profiles, FCatalogue->ProfileIcons, ReportError);
    FTitleListView->SetRowPicture(FSkin.Pictures.TableRow);
    ConnectTitleList();
}

void TMainForm::ConnectTitleList()
{
    connect(lvTitles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                // Deselection first, so that the row selected last is the one shown.
                for (const QModelIndex& index : deselected.indexes())
                    if (index.column() == 0)
                        lvTitlesSelectItem(index.row(), false);
                for (const QModelIndex& index : selected.indexes())
                    if (index.column() == 0)
                        lvTitlesSelectItem(index.row(), true);
            });
    connect(lvTitles, &QTreeWidget::itemChanged, this, &TMainForm::TitleItemChanged);
    connect(cboAudio, &QComboBox::currentIndexChanged, this, &TMainForm::cboAudioChange);
    connect(cboSubtitle, &QComboBox::currentIndexChanged, this, &TMainForm::cboSubtitleChange);
    connect(chkDeinterlace, &QCheckBox::toggled, this, &TMainForm::chkDeinterlaceClick);
    connect(btnRename, &QPushButton::clicked, this, &TMainForm::Rename1Click);
    connect(actRename, &QAction::triggered, this, &TMainForm::Rename1Click);
    connect(edDestinationTitle, &QLineEdit::returnPressed, this, &TMainForm::edDestinationTitleExit);
    connect(btnCheckAll, &QPushButton::clicked, this, &TMainForm::btnCheckAllClick);
    connect(btnUncheckAll, &QPushButton::clicked, this, &TMainForm::btnUncheckAllClick);
    connect(chApplyToAll, &QCheckBox::clicked, this, &TMainForm::chApplyToAllClick);
    // Qt reports leaving an unchanged editor to nobody, so the focus loss is
    // watched directly; the press on the list opens the editor.
    edDestinationTitle->installEventFilter(this);
    lvTitles->viewport()->installEventFilter(this);
}

void TMainForm::DisconnectTitleList()
{
    lvTitles->disconnect(this);
    lvTitles->selectionModel()->disconnect(this);
    lvTitles->viewport()->removeEventFilter(this);
    edDestinationTitle->disconnect(this);
    edDestinationTitle->removeEventFilter(this);
}

void TMainForm::FillTitleList()
{
    edDestinationTitle->hide();
    FEditingDestination = false;
    {
        // Emptying the list deselects a row the model no longer has: that
        // must not reach the model, nor may emptying the choosers.
        const QSignalBlocker blockSelection(lvTitles->selectionModel());
        const QSignalBlocker blockItems(lvTitles);
        lvTitles->clear();
        for (int row = 0; row < FTitles->RowCount(); ++row) {
            auto* item = new QTreeWidgetItem(lvTitles);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(0, FTitles->IsChecked(row) ? Qt::Checked : Qt::Unchecked);
            for (int c = 0; c < kTitleColumnCount; ++c)
                item->setText(c, FTitles->CellText(row, c));
        }
    }
    FitTitleColumns();
    ClearTitleChoosers();
    EnableTitleControls(false);
    xlvTitlesChange();
}

void TMainForm::FitTitleColumns()
{
    QList<QStringList> rows;
    for (int row = 0; row < FTitles->RowCount(); ++row) {
        QStringList texts;
        for (int c = 0; c < kTitleColumnCount; ++c)
            texts << FTitles->CellText(row, c);
        rows << texts;
    }
    // The list may still be hidden, its viewport not laid out: reckon from
    // its frame, less the vertical scroll bar when the rows will need one.
    int available = lvTitles->contentsRect().width();
    const int rowsHeight = FTitles->RowCount() * TTitleListView::RowHeight + lvTitles->header()->sizeHint().height();
    if (rowsHeight > lvTitles->contentsRect().height())
        available -= lvTitles->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lvTitles);
    const QList<int> widths =
        FittedColumnWidths(QFontMetrics(lvTitles->header()->font()), QFontMetrics(lvTitles->font()), rows, available);
    for (int c = 0; c < widths.size(); ++c)
        lvTitles->setColumnWidth(c, widths[c]);
}

void TMainForm::lvTitlesSelectItem(int row, bool selected)
{
    const auto selection =
        FTitles->SelectItem(row, selected, [this](const TRowSelection& shown) { ShowRowSelection(shown); });
    if (!selection)
        return;
    FCatalogue->SelectedProfileInd = FTitles->SelectedProfileInd();
    FCatalogue->SelectedFormatInd = FTitles->SelectedFormatInd();
}

// Runs while the model's change counter is raised: filling the choosers
// fires their change signals, which the handlers then ignore.
void TMainForm::ShowRowSelection(const TRowSelection& selection)
{
    lblProfile->setText(selection.ProfileLabel);
    const int icon = selection.ProfileIconIndex;
    if (icon >= 0 && icon < FCatalogue->ProfileIcons.size())
        imgProfileIcon->setPixmap(QPixmap::fromImage(FCatalogue->ProfileIcons[icon].Picture));
    lblProfile->update();
    ClearTitleChoosers();
    if (selection.Controls)
        FillTitleControls(*selection.Controls);
    EnableTitleControls(selection.ControlsEnabled);
    ShowCopyFormatState();
}

void TMainForm::FillTitleControls(const TTitleControls& controls)
{
    for (QSpinBox* box : {seFromChapter, seToChapter})
        box->setRange(controls.ChapterMin, controls.ChapterMax);
    seToChapter->setValue(controls.ToChapter);
    seFromChapter->setValue(controls.FromChapter);
    cboAudio->addItems(controls.AudioItems);
    cboAudio->setCurrentIndex(controls.AudioIndex);
    cboSubtitle->addItems(controls.SubtitleItems);
    cboSubtitle->setCurrentIndex(controls.SubtitleIndex);
    chkDeinterlace->setChecked(controls.Deinterlace);
}

void TMainForm::ClearTitleChoosers()
{
    const TTitleModel::TChanging changing(*FTitles);
    for (QComboBox* box : {cboAudio, cboSubtitle}) {
        box->setUpdatesEnabled(false);
        box->clear();
        box->setUpdatesEnabled(true);
    }
}

void TMainForm::EnableTitleControls(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{seFromChapter, seToChapter, cboAudio, cboSubtitle,
                                                      chkDeinterlace, lblProfile, btnAdvanced})
        w->setEnabled(enabled);
}

void TMainForm::UpdateTitleCell(int row, int column)
{
    if (QTreeWidgetItem* item = lvTitles->topLevelItem(row)) {
        const QSignalBlocker block(lvTitles);
        item->setText(column, FTitles->CellText(row, column));
    }
    lvTitles->viewport()->update();  // texts may run into the next column
}

void TMainForm::RefreshTitleRowTexts()
{
    for (int row = 0; row < FTitles->RowCount(); ++row)
        for (int c = 0; c < kTitleColumnCount; ++c)
            UpdateTitleCell(row, c);
}

void TMainForm::cboAudioChange()
{
    if (FTitles->AudioChange(cboAudio->currentIndex()))
        UpdateTitleCell(FTitles->SelectedRow(), tcAudio);
}

void TMainForm::cboSubtitleChange()
{
    if (FTitles->SubtitleChange(cboSubtitle->currentIndex()))
        UpdateTitleCell(FTitles->SelectedRow(), tcSubtitle);
}

void TMainForm::chkDeinterlaceClick()
{
    if (FTitles->DeinterlaceClick(chkDeinterlace->isChecked()))
        UpdateTitleCell(FTitles->SelectedRow(), tcDeinterlace);
}

void TMainForm::Rename1Click()
{
    OpenDestinationEditor(FTitles->SelectedRow());
}

void TMainForm::OpenDestinationEditor(int row)
{
    const std::optional<QString> text = FTitles->RenameText();
    QTreeWidgetItem* item = lvTitles->topLevelItem(row);
    if (!text || !item)
        return;
    const QRect bounds = lvTitles->visualItemRect(item);
    const QHeaderView& header = *lvTitles->header();
    edDestinationTitle->setGeometry(header.sectionViewportPosition(tcDestination), bounds.top(),
                                    header.sectionSize(tcDestination), bounds.height());
    edDestinationTitle->setText(*text);
    FEditingDestination = true;
    edDestinationTitle->show();
    edDestinationTitle->setFocus();
    edDestinationTitle->selectAll();
}

void TMainForm::edDestinationTitleExit()
{
    // Hiding the focused editor moves the focus away, which comes back here.
    if (!FEditingDestination)
        return;
    FEditingDestination = false;
    const QString text = edDestinationTitle->text();
    edDestinationTitle->hide();
    if (FTitles->StoreDestination(text))
        UpdateTitleCell(FTitles->SelectedRow(), tcDestination);
    else if (FTitles->Data(FTitles->SelectedRow()) && ShowInformation)
        ShowInformation("\"" + text + "\" cannot be a file name: the name keeps to the output folder, "
                        "without \"/\". The title keeps its name.");
}

bool TMainForm::lvTitlesMouseDown(const QPoint& pos)
{
    const QHeaderView& header = *lvTitles->header();
    QTreeWidgetItem* item = lvTitles->itemAt(pos);
    if (!item ||
        !IsInsideColumn(pos.x(), header.sectionViewportPosition(tcDestination), header.sectionSize(tcDestination)))
        return false;
    lvTitles->setCurrentItem(item);
    OpenDestinationEditor(lvTitles->indexOfTopLevelItem(item));
    return FEditingDestination;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == imgProfileButton || watched == lblProfile) &&
        (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
        const bool over = event->type() == QEvent::Enter;
        imgProfileButton->setPixmap(QPixmap::fromImage(over ? FSkin.Pictures.ProfileComboOver : FSkin.Pictures.ProfileCombo));
    }
    if (watched == ProfileField && event->type() == QEvent::Resize)
        LayOutProfileField();
    if (IsProfileField(watched) && event->type() == QEvent::MouseButtonPress) {
        imgProfileButtonMouseDown();
        return true;
    }
    if (watched == edDestinationTitle && event->type() == QEvent::FocusOut)
        edDestinationTitleExit();
    if (FTitles && watched == lvTitles->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && lvTitlesMouseDown(mouse->position().toPoint()))
            return true;  // the row is selected and the editor holds the focus
    }
    return QMainWindow::eventFilter(watched, event);
}

// The field's picture is drawn for 260 pixels, but the bottom panel's grid
// gives the field what its columns leave: the picture follows the field, so
// its right end (the arrow) is never cut.
void TMainForm::LayOutProfileField()
{
    const int width = ProfileField->width();
    imgProfileButton->setGeometry(0, 0, width, ProfileField->height());
    lblProfile->setGeometry(lblProfile->x(), 0, std::max(0, width - lblProfile->x() - 30), ProfileField->height());
}

void TMainForm::TitleItemChanged(QTreeWidgetItem* item, int column)
{
    if (column != 0)
        return;
    FTitles->SetChecked(lvTitles->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
    xlvTitlesChange();
}

void TMainForm::SetAllRowChecks(bool checked)
{
    checked ? FTitles->CheckAll() : FTitles->UncheckAll();
    {
        const QSignalBlocker block(lvTitles);
        for (int row = 0; row < lvTitles->topLevelItemCount(); ++row)
            lvTitles->topLevelItem(row)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    }
    lvTitles->viewport()->update();
    xlvTitlesChange();
}

void TMainForm::btnCheckAllClick()
{
    SetAllRowChecks(true);
}

void TMainForm::btnUncheckAllClick()
{
    SetAllRowChecks(false);
}

void TMainForm::xlvTitlesChange()
{
    const bool enabled = FTitles->StartEnabled();
    StartButton->setEnabled(enabled);
    actStartConversion->setEnabled(enabled);
}

void TMainForm::chApplyToAllClick()
{
    if (!chApplyToAll->isChecked())
        return;
    // The profile chooser changes the catalogue's choice; the model applies its own copy.
    FTitles->SetSelectedFormat(FCatalogue->SelectedProfileInd, FCatalogue->SelectedFormatInd);
    FTitles->ApplyToAllClick(true);
    RefreshTitleRowTexts();
}
