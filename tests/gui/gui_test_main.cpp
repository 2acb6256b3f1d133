#include "net/NetCancel.h"

#include "ScriptedPrompts.h"
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <thread>
#include <gtest/gtest.h>

// Qt's platform and print libraries keep caches for the life of the process,
// and the leak check's thread walk can trip over the thread storage that
// they load at run time: the widget suite runs without it, whatever the
// environment says.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

// A scripted question does on the window's thread what a real box does
// before the click: a modal dialog, activated once its loop runs, takes the
// focus (ending an edit in place) and lets posted calls and deferred deletes
// through; then the window system hands the activation back.
static void RunLikeAModalBox()
{
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    const QPointer<QWidget> window = QApplication::activeWindow();
    QDialog box(window);
    box.setAttribute(Qt::WA_ShowWithoutActivating);
    int turns = 0;
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, &box, [&] {
        if (++turns == 1)
            box.activateWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if ((box.isActiveWindow() && turns >= 3) || turns > 50)
            box.accept();
    });
    turn.start(0);
    box.exec();
    QApplication::setActiveWindow(window);
}

// Widgets need one QApplication for the whole run; the platform is chosen by
// QT_QPA_PLATFORM (offscreen under ctest).
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Any network wait on the window's thread stops the run with a message.
    ForbidNetworkWaitsOn(std::this_thread::get_id());
    ScriptedPrompts::s_modalLoop = RunLikeAModalBox;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
