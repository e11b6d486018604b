#include "main/TQtHandOffs.h"

#include "engine/MainThreadDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>

TQtHandOffs::TQtHandOffs(QCoreApplication& app)
{
    auto& dispatcher = vidrelo::TMainThreadDispatcher::Instance();
    dispatcher.AttachMainThread();
    dispatcher.SetWaker([&app] {
        QMetaObject::invokeMethod(&app, [] { vidrelo::TMainThreadDispatcher::Instance().RunPending(); },
                                  Qt::QueuedConnection);
    });
    dispatcher.SetIdleHook([] { QCoreApplication::processEvents(); });
}

TQtHandOffs::~TQtHandOffs()
{
    auto& dispatcher = vidrelo::TMainThreadDispatcher::Instance();
    dispatcher.SetWaker(nullptr);
    dispatcher.SetIdleHook(nullptr);
    dispatcher.DetachMainThread();
}
