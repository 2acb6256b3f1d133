#include "ftp/NetCancel.h"

#include <QApplication>
#include <thread>
#include <gtest/gtest.h>

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
