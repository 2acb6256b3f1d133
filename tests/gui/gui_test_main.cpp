#include "ftp/NetCancel.h"

#include <QApplication>
#include <thread>
#include <gtest/gtest.h>

// Qt's platform and print libraries keep caches for the life of the process,
// and the leak check's thread walk can trip over the thread storage that
// they load at run time: the widget suite runs without it, whatever the
// environment says.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

// Widgets need one QApplication for the whole run; the platform is chosen by
// QT_QPA_PLATFORM (offscreen under ctest).
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Any network wait on the window's thread stops the run with a message.
    ForbidNetworkWaitsOn(std::this_thread::get_id());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
