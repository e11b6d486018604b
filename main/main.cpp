#include "engine/MainThreadDispatcher.h"
#include "engine/MediaEngine.h"
#include "main/TApplicationWindows.h"

#include <QApplication>
#include <QMetaObject>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName("Vidrelo");
    app.setOrganizationName("Quarnix");

    // Engine hand-offs run on this thread: wake the event loop when a worker
    // queues one, and keep window events flowing while we wait for workers.
    auto& dispatcher = vidrelo::TMainThreadDispatcher::Instance();
    dispatcher.AttachMainThread();
    dispatcher.SetWaker([&app] {
        QMetaObject::invokeMethod(&app, [] { vidrelo::TMainThreadDispatcher::Instance().RunPending(); },
                                  Qt::QueuedConnection);
    });
    dispatcher.SetIdleHook([] { QCoreApplication::processEvents(); });

    int result;
    {
        vidrelo::TMediaEngineScope engine;
        TApplicationWindows windows(app.arguments().mid(1), QCoreApplication::applicationDirPath() + "/");
        windows.Start();
        result = app.exec();
    }
    dispatcher.SetWaker(nullptr);
    dispatcher.DetachMainThread();
    return result;
}
