#include "main/TDiscFolderDialog.h"

#include <QFileInfo>

TDiscFolderDialog::TDiscFolderDialog(QWidget* parent, const QString& caption, const QString& start)
    : QFileDialog(parent, caption, start)
{
    // Qt's own dialog: a desktop's native one cannot take folders and files at once.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly, false);
    setNameFilters({QStringLiteral("DVD folders, VIDEO_TS.IFO and images (*.iso *.ISO *.ifo *.IFO)"),
                    QStringLiteral("All files (*)")});
    setLabelText(QFileDialog::Accept, QStringLiteral("Open"));
}

void TDiscFolderDialog::accept()
{
    const QStringList files = selectedFiles();
    const QString chosen = files.isEmpty() ? QString() : files.first();
    const QFileInfo info(chosen);
    if (info.isFile()) {
        // A folder dialog ignores files: take it ourselves, whatever it is,
        // so that a wrong one gets its message instead of nothing.
        FChosen = info.absoluteFilePath();
        QDialog::accept();
        return;
    }
    FChosen = chosen;
    QFileDialog::accept();
}

QString TDiscFolderDialog::Choose(QWidget* parent, const QString& caption, const QString& start)
{
    TDiscFolderDialog dialog(parent, caption, start);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.ChosenPath();
}

QString DiscPathOf(const QString& path)
{
    const QFileInfo file(path);
    if (file.isDir())
        return file.absoluteFilePath();
    if (!file.isFile())
        return {};
    if (file.suffix().compare(QStringLiteral("iso"), Qt::CaseInsensitive) == 0)
        return file.absoluteFilePath();
    if (file.suffix().compare(QStringLiteral("ifo"), Qt::CaseInsensitive) == 0)
        return file.absolutePath();
    return {};
}
