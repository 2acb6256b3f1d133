#include "ui/MainFrame.h"

#include "GuiProgram.h"

#include <QAction>
#include <QEnterEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

// What the bar really holds and paints, without any mapping of a blank text:
// a hint from a menu or the toolbar gives way to the idle text.
TEST(StatusBarTest, HintsGiveWayToReadyWhenTheMenuClosesOrThePointerLeaves)
{
    GuiProgram program;
    program.BuildProgram();
    CMainFrame& frame = *program.frame;
    frame.resize(900, 600);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const auto shown = [&] { return frame.statusBar()->currentMessage(); };

    QMenu* file = frame.menuBar()->actions().front()->menu();
    ASSERT_NE(file, nullptr);
    file->popup(frame.mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
    file->setActiveAction(frame.Command(ID_FILE_SAVE_STATUS_LOG_AS));
    EXPECT_EQ(shown(), QStringLiteral("Save the text in the Action Status Log view into a text file"));
    file->hide();
    EXPECT_EQ(shown(), QStringLiteral("Ready"));

    auto* bar = frame.findChild<QToolBar*>(QStringLiteral("MainToolBar"));
    ASSERT_NE(bar, nullptr);
    auto* copy = qobject_cast<QToolButton*>(bar->widgetForAction(frame.Command(ID_EDIT_COPY)));
    ASSERT_NE(copy, nullptr);
    const QPointF inside(copy->width() / 2.0, copy->height() / 2.0);
    QEnterEvent enter(inside, copy->mapTo(&frame, inside), copy->mapToGlobal(inside));
    QApplication::sendEvent(copy, &enter);
    EXPECT_EQ(shown(), QStringLiteral("Copy the selected files"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(copy, &leave);
    EXPECT_EQ(shown(), QStringLiteral("Ready"));
}
