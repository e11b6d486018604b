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
#include "diagnostics/TErrorReporter.h"
#include "editing/TClipForm.h"
#include "engine/MediaEngine.h"
#include "main/TApplicationWindows.h"
#include "main/TMainForm.h"
#include "main/TQtHandOffs.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMouseEvent>
#include <QScreen>

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
    TApplicationWindows windows({}, QString::fromStdString(vidrelo::test::BinDir()) + "/");
    windows.Reporter().SetAskSend([](const QString& message) {
        std::fprintf(stderr, "reported: %s\n", message.toUtf8().constData());
        return false;
    });
    windows.Start();
    TMainForm& form = windows.MainForm();
    form.BuildDriveMenu({vidrelo::test::Disc("discA").path});
    form.AddButtonClick();
    Shoot(out + "/main.png");

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
    return 0;
}
