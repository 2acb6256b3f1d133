#include "../GuiProgram.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <gtest/gtest.h>

// What the bar really holds and paints, without any mapping of a blank text:
// a hint gives way to the idle text. A toolbar button's leave clears the hint
// the same way as a closing menu, so the menu stands for both.
TEST(StatusBarTest, HintsGiveWayToReadyWhenTheMenuCloses)
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
}
