#include "ui/ListViewDetail.h"
#include "ui/MainFrame.h"
#include "ui/TreeViewSite.h"
#include "ui/ViewHub.h"

#include "GuiProgram.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The window as start-up opens it: boxes filled, both views made and first
// updated (the list first), then shown.
class StartupFocusTest : public ::testing::Test, protected GuiProgram {
protected:
    void SetUp() override
    {
        BuildProgram();
        ASSERT_EQ(doc->OnNewDocument(app.m_strSiteListPath), 1);
        app.m_nTransferType = 2;
        frame->RefillAddressBox();
        frame->FillTransferModeBox();
        list = new CListViewDetail(*doc, app, *frame, hub);
        tree = new CTreeViewSite(*doc, app, *frame, hub);
        tree->m_fnListVolumes = [this] { return std::vector<VolumeEntry>{{disk.Path(), "", VolumeKind::Local}}; };
        list->OnInitialUpdate();
        tree->OnInitialUpdate();
        frame->resize(900, 600);
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }

    void TearDown() override { TearDownProgram(); }

    TempDir disk;
    CViewHub hub;
    CListViewDetail* list = nullptr;
    CTreeViewSite* tree = nullptr;
};

} // namespace

// Arrow keys right after start-up must not change the transfer mode.
TEST_F(StartupFocusTest, TheKeyboardStartsInTheFolderTree)
{
    EXPECT_EQ(QApplication::focusWidget(), tree);
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Up}) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key);
    }
    EXPECT_EQ(app.m_nTransferType.load(), 2);
    EXPECT_EQ(frame->TransferModeBox()->currentText(), QStringLiteral("Binary"));
}
