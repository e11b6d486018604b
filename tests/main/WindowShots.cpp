// vidrelo_window_shots OUTDIR: pictures of the real windows for a person to
// look at, taken on an X display (run under xvfb-run after the test discs
// were made). Not a test: nothing is checked. The settings go to a private
// home, so the user's are never touched.
//
//   xvfb-run -s "-screen 0 1280x1024x24" build/tests/main/vidrelo_window_shots /tmp/shots
#include "catalogue/TCatalogue.h"
#include "catalogue/TOwnerDrawnList.h"
#include "catalogue/Tproform.h"
#include "catalogue/Tsettingsform.h"
#include "diagnostics/TErrorForm.h"
#include "diagnostics/TErrorReporter.h"
#include "diagnostics/TEventsLog.h"
#include "editing/TClipForm.h"
#include "editing/TCropForm.h"
#include "engine/MediaEngine.h"
#include "main/TAboutForm.h"
#include "main/TApplicationWindows.h"
#include "main/TConvForm.h"
#include "main/TMainForm.h"
#include "main/TQtHandOffs.h"
#include "tests/support/EngineServices.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>

namespace {

void Serve(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Shoot(const QString& file)
{
    Serve(400);
    const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(file);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", file.toUtf8().constData());
}

void Move(QWidget* widget, QPoint pos)
{
    QMouseEvent event(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vidrelo_window_shots OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    vidrelo::test::MakePrivateHome();
    setenv("QT_QPA_PLATFORM", "xcb", 1);  // the real display, not the tests' offscreen one
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Quarnix");
    QCoreApplication::setApplicationName("Vidrelo");
    QDir().mkpath(out);
    vidrelo::TMediaEngineScope engine;
    TQtHandOffs handOffs(app);
    TApplicationWindows windows(vidrelo::test::EngineServices(), {},
                                QString::fromStdString(vidrelo::test::BinDir()) + "/");
    windows.Reporter().SetAskSend([](const QString& message) {
        std::fprintf(stderr, "reported: %s\n", message.toUtf8().constData());
        return false;
    });
    windows.Start();
    TMainForm& form = windows.MainForm();
    Shoot(out + "/start.png");
    form.BuildDriveMenu({vidrelo::test::Disc("discA").path});
    form.AddButtonClick();
    Shoot(out + "/main.png");

    // The drive menu of "Load DVD".
    form.DriveMenu->popup(form.AddButton->mapToGlobal(form.AddButton->rect().bottomLeft()));
    Shoot(out + "/dvdmenu.png");
    form.DriveMenu->hide();

    // The title list after the user widened the Source column.
    form.lvTitles->header()->resizeSection(0, form.lvTitles->header()->sectionSize(0) + 60);
    Shoot(out + "/columns.png");
    form.FitTitleColumns();

    // The first title playing in the preview, a snapshot taken, the snapshot menu open.
    form.PlayButton->click();
    Serve(1500);
    Shoot(out + "/playing.png");
    form.ChooseSnapshotFolder = [&out](const QString&) { return out; };
    form.actChangeSnapshotFolder->trigger();
    form.actSnapshot->trigger();
    std::printf("snapshot %s\n", QDir(out).entryList({"*.jpg"}).join(", ").toUtf8().constData());
    form.SnapshotMenu->popup(form.SnapshotButton->mapToGlobal(form.SnapshotButton->rect().bottomLeft()));
    Shoot(out + "/snapshotmenu.png");
    form.SnapshotMenu->hide();
    form.StopButtonClick();

    // The progress window while converting; Escape then cancels the run as
    // the Cancel button does (the events log says so).
    form.edDestinationFolder->setText(out);
    form.ShowConvForm = [](TConvForm& conv) { conv.open(); };
    form.StartButtonClick();
    Serve(150);
    QGuiApplication::primaryScreen()->grabWindow(0).save(out + "/converting.png");
    auto* conv = form.findChild<TConvForm*>();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(conv, &escape);
    Serve(500);
    std::printf("after Escape: progress window %s; log: %s\n", conv->isVisible() ? "shown" : "closed",
                windows.EventsLog().Lines().filter("cancelled").join(" | ").toUtf8().constData());

    // The error window with a long message.
    TErrorForm error(&form);
    QTimer::singleShot(1200, &error, [&] {
        Shoot(out + "/error.png");
        error.reject();
    });
    error.Execute("Cannot set output file: /home/someone/Videos/Converted from DVD/A film with a long name/"
                  "Title1.mp4: Permission denied. The folder is on a disk that is mounted read-only, or the "
                  "user has no right to write into it; choose another output folder and convert again.");

    // The chooser, opened from the profile field, with the mouse on a format.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), form.lblProfile->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.lblProfile, &press);
    auto* chooser = form.findChild<Tproform*>();
    Move(chooser->sgProfiles->viewport(), {60, 10});
    Move(chooser->sgFormats->viewport(), {100, 57 * 4 + 30});
    Shoot(out + "/chooser.png");
    chooser->hide();

    auto* editor = form.findChild<Tsettingsform*>();
    editor->Prepare(form.Catalogue(), {});
    editor->show();
    Shoot(out + "/editor.png");
    editor->hide();

    auto* about = form.findChild<TAboutForm*>();
    about->SetLinkColour(QColor(0x4F, 0xA3, 0xEC));
    about->show();
    Shoot(out + "/about.png");
    about->hide();

    // The crop editor on the second title, playing, the brightness raised.
    form.lvTitles->setCurrentItem(form.lvTitles->topLevelItem(1));
    form.ShowCropForm = [](TCropForm& crop) { crop.open(); };
    form.EditButtonClick();
    auto* crop = form.findChild<TCropForm*>();
    crop->chBrightness->setChecked(true);
    crop->tbBrightness->setValue(30);
    crop->btnDetectBorders->setEnabled(true);  // as it is once the detector is assigned
    Serve(1500);
    Shoot(out + "/crop.png");
    crop->btnCancel->click();

    // The copy format on the first title: the picture controls are off and
    // a note says why; then back to the first format.
    form.lvTitlesSelectItem(0, true);
    for (int p = 0; p < form.Catalogue().Profiles.size(); ++p)
        if (form.Catalogue().Profiles[p].Title == "Archive")
            emit chooser->FormatChosen(p, 0);
    Shoot(out + "/original.png");
    editor->Prepare(form.Catalogue(), {});
    editor->show();
    Shoot(out + "/original-editor.png");
    editor->hide();
    emit chooser->FormatChosen(0, 0);

    // The trim editor on the first title, playing, with a part marked.
    form.lvTitlesSelectItem(0, true);
    form.ShowClipForm = [&out](TClipForm& clip) {
        clip.show();
        Serve(1500);
        clip.TimeStart->setText("00:00:02");
        clip.spSkinSpeedButton1->click();
        clip.TimeEnd->setText("00:00:06");
        clip.spSkinSpeedButton2->click();
        Shoot(out + "/trim.png");
        clip.reject();
    };
    form.ClipButtonClick();

    // A letterboxed title: the borders found and shown as the rectangle.
    form.BuildDriveMenu({vidrelo::test::Disc("discD").path});
    form.AddButtonClick();
    form.EditButtonClick();
    Serve(800);
    crop->btnDetectBorders->click();
    Serve(1200);
    Shoot(out + "/crop-borders.png");
    crop->btnCancel->click();
    return 0;
}
