#include "list/ListViewDetail.h"
#include "tree/TreeViewSite.h"
#include "panes/ViewHub.h"

#include "../GuiProgram.h"

#include <QApplication>
#include <QComboBox>
#include <gtest/gtest.h>

// The window as start-up opens it: boxes filled, both views made and first
// updated (the list first), then shown. Arrow keys right after start-up must
// not change the transfer mode.
TEST(StartupFocusTest, TheKeyboardStartsInTheFolderTree)
{
    // The views use the hub: it goes after the program.
    TempDir disk;
    CViewHub hub;
    GuiProgram program;
    program.BuildProgram();
    CMainFrame& frame = *program.frame;
    ASSERT_EQ(program.doc->OnNewDocument(program.app.m_strSiteListPath), 1);
    program.app.m_nTransferType = 2;
    frame.RefillAddressBox();
    frame.FillTransferModeBox();
    auto* list = new CListViewDetail(*program.doc, program.app, frame, hub);
    auto* tree = new CTreeViewSite(*program.doc, program.app, frame, hub);
    tree->m_fnListVolumes = [&] { return std::vector<VolumeEntry>{{disk.Path(), "", VolumeKind::Local}}; };
    list->OnInitialUpdate();
    tree->OnInitialUpdate();
    frame.resize(900, 600);
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

    EXPECT_EQ(QApplication::focusWidget(), tree);
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Up}) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key);
    }
    EXPECT_EQ(program.app.m_nTransferType.load(), 2);
    EXPECT_EQ(frame.TransferModeBox()->currentText(), QStringLiteral("Binary"));
}
