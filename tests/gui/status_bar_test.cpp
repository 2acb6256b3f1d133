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

namespace {

// What the bar really holds and paints, without any mapping of a blank text.
class StatusBarTest : public ::testing::Test, protected GuiProgram {
protected:
    void SetUp() override
    {
        BuildProgram();
        frame->resize(900, 600);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }

    QString Shown() const { return frame->statusBar()->currentMessage(); }

    QMenu* Menu(const QString& title) const
    {
        for (QAction* action : frame->menuBar()->actions())
            if (action->menu() != nullptr && action->text() == title)
                return action->menu();
        return nullptr;
    }

    QToolButton* ToolButton(CommandId id) const
    {
        auto* bar = frame->findChild<QToolBar*>(QStringLiteral("MainToolBar"));
        return bar != nullptr ? qobject_cast<QToolButton*>(bar->widgetForAction(frame->Command(id))) : nullptr;
    }
};

} // namespace

TEST_F(StatusBarTest, AMenuHintGivesWayToReadyWhenTheMenuCloses)
{
    QMenu* file = Menu(QStringLiteral("&File"));
    ASSERT_NE(file, nullptr);
    file->popup(frame->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
    file->setActiveAction(frame->Command(ID_FILE_SAVE_STATUS_LOG_AS));
    EXPECT_EQ(Shown(), QStringLiteral("Save the text in the Action Status Log view into a text file"));
    file->hide();
    EXPECT_EQ(Shown(), QStringLiteral("Ready"));
}

TEST_F(StatusBarTest, AToolbarHintGivesWayToReadyWhenThePointerLeaves)
{
    QToolButton* copy = ToolButton(ID_EDIT_COPY);
    ASSERT_NE(copy, nullptr);
    const QPointF inside(copy->width() / 2.0, copy->height() / 2.0);
    QEnterEvent enter(inside, copy->mapTo(frame.get(), inside), copy->mapToGlobal(inside));
    QApplication::sendEvent(copy, &enter);
    EXPECT_EQ(Shown(), QStringLiteral("Copy the selected files"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(copy, &leave);
    EXPECT_EQ(Shown(), QStringLiteral("Ready"));
}
