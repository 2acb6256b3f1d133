// A long local step keeps the window served and can be cancelled from the
// small window that appears after a moment.
#include "ui/LocalProgress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

TEST(LocalProgressTest, TheCancelWindowComesAfterAMomentAndItsCancelStopsTheStep)
{
    QWidget window;
    window.show();
    int ticks = 0;
    bool clicked = false;
    QTimer user;
    // What the user does: watches the window being served, presses Cancel.
    QObject::connect(&user, &QTimer::timeout, &user, [&] {
        ++ticks;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(widget);
                dialog != nullptr && dialog->objectName() == QStringLiteral("LocalProgress") && dialog->isVisible()) {
                EXPECT_EQ(dialog->labelText(), QStringLiteral("Deleting /data/big"));
                EXPECT_TRUE(dialog->isModal() || dialog->windowModality() != Qt::NonModal);
                dialog->findChild<QPushButton*>()->click();
                clicked = true;
            }
    });
    user.start(5);

    CLocalProgress progress(&window, QStringLiteral("Deleting /data/big"));
    EXPECT_FALSE(progress.Canceled());   // at once: no window yet, nothing to cancel
    QElapsedTimer limit;
    limit.start();
    int steps = 0;
    while (!progress.Canceled() && limit.elapsed() < 10000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));   // a step of the work
        ++steps;
    }
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(progress.WasCanceled());
    EXPECT_TRUE(progress.Canceled());   // stays so for the rest of the walk
    EXPECT_GT(ticks, 3);                // the window was served meanwhile
    EXPECT_GT(steps, 0);
}
