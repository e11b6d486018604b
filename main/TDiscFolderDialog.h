#pragma once
// The picker of "Open DVD Folder or Image...". A disc on disk is a folder
// (the disc's own folder or its VIDEO_TS folder) or an image file, and
// people pick whichever they see first: the folder, VIDEO_TS.IFO inside it,
// or the .iso. A plain file dialog takes either folders or files, never
// both; this one shows folders and disc files and accepts any of them.
#include <QFileDialog>

class TDiscFolderDialog : public QFileDialog {
    Q_OBJECT
public:
    TDiscFolderDialog(QWidget* parent, const QString& caption, const QString& start);

    // What was chosen: a folder or a file, as the user picked it.
    QString ChosenPath() const { return FChosen; }

    // Runs the dialog; the chosen path, empty when the user cancelled.
    static QString Choose(QWidget* parent, const QString& caption, const QString& start);

public slots:
    void accept() override;

private:
    QString FChosen;
};

// The path the disc scan takes for a chosen or dropped path: a folder as it
// is, an .iso image, or the folder of a chosen .IFO file; empty for anything
// else.
QString DiscPathOf(const QString& path);
