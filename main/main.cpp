#include "engine/MediaEngine.h"
#include "main/ApplicationIcon.h"
#include "main/TApplicationWindows.h"
#include "main/TQtHandOffs.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName("Vidrelo");
    app.setOrganizationName("Quarnix");
    // Desktops match windows to the installed desktop entry by this name.
    app.setDesktopFileName("com.quarnix.Vidrelo");
    const QString programFolder = QCoreApplication::applicationDirPath() + "/";
    app.setWindowIcon(ApplicationIcon(programFolder));

    // Engine hand-offs run on this thread, woken by the event loop.
    TQtHandOffs handOffs(app);
    vidrelo::TMediaEngineScope engine;
    TApplicationWindows windows(vidrelo::TMediaEngine::Services(), app.arguments().mid(1), programFolder);
    windows.Start();
    return app.exec();
}
