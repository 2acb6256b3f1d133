#include <QApplication>
#include <gtest/gtest.h>

// Widgets need one QApplication for the whole run; the platform is chosen by
// QT_QPA_PLATFORM (offscreen under ctest).
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
