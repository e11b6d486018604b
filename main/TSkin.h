#pragma once
// The skin folder "skin-black" beside the program: skin.ini (turned into the
// style sheet of the whole window set) and the pictures of the main window.
//
// Loading never stops start-up. A missing or unreadable picture is written to
// the log and leaves an empty (null) picture in its place; the two panel
// pictures gettingstarted.bmp and preview.bmp are optional: without them the
// panel is hidden and nothing is logged. A missing skin.ini is logged and the
// built-in colours are used.
#include "main/TSkinIni.h"
#include "main/TSkinTheme.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <array>

struct TSkinPictures {
    // open, trim, edit, then their hover pictures open_over, trim_over, edit_over
    std::array<QImage, 6> LeftButtonImages;
    // convert, convert_over
    std::array<QImage, 2> ConvertButtonImages;
    // play, pause, stop, photo, setstart, setend, playpart
    std::array<QImage, 7> PlayerImages;
    QImage ProfileComboOver;       // the profile field while the mouse is over it
    QImage ProfileCombo;           // the profile field otherwise
    QImage TableRow;               // selected title row, drawn stretched
    QImage TableColumnCaptionBar;
    QImage FilmIcon;
    QImage GettingStarted;
    QImage Preview;                // the preview area while nothing plays
    // like, tweet (like_over and tweet_over take these slots when present)
    std::array<QImage, 2> ShareButtonImages;
    QImage DragDrop;               // on the getting-started panel
    QImage OpenForGettingStarted;  // open_for_gs.png, on the getting-started panel
    QImage Volume;
};

struct TSkin {
    QString Folder;
    TSkinTheme Theme;
    QString StyleSheet;
    TSkinPictures Pictures;
    bool ShowGettingStartedPanel = false;
    bool ShowPreviewAreaPanel = false;
};

// AProgramFolder ends with "/"; the result has no trailing "/".
QString SkinFolder(const QString& AProgramFolder);
// Every picture file of the skin, in loading order.
const QStringList& SkinPictureFiles();
// Reads skin.ini and every picture from ASkinFolder; OnLog gets one line per
// problem (it may be empty).
TSkin LoadSkin(const QString& ASkinFolder, const TSkinLog& OnLog);
