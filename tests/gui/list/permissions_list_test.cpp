// Permissions... from the list's menu, driven as the user does, locally and
// on a real server; the fifth column from the header's menu.
#include "../DialogDriver.h"
#include "../ListViewHarness.h"

#include "list/ListViewDetailModel.h"
#include "list/PermissionsDlg.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QHeaderView>

#include <sys/stat.h>

namespace {

unsigned ModeOf(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 01000;
}

// Presses key in the next popup menu that opens (within a bounded wait).
void KeyInNextMenu(Qt::Key key)
{
    auto* poll = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, waited, key] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu != nullptr || (*waited += 10) > 5000) {
            poll->deleteLater();
            poll->stop();
        }
        if (menu != nullptr)
            QTest::keyClick(menu, key);
        if (menu != nullptr && menu->isVisible())
            menu->close();   // the key chose nothing: a failure, never a hang
    });
    poll->start(10);
}

// On the row's menu, Permissions...; in the dialog the owner's execute box
// is clicked, then the number typed over, and Enter pressed.
void ChangeByDialog(ListViewHarness& h, int row, const char* typed, QString* shownFirst)
{
    AnswerNextDialog<CPermissionsDlg>([typed, shownFirst](CPermissionsDlg& dialog) {
        *shownFirst = dialog.OctalEdit()->text();
        QTest::mouseClick(dialog.Box(6), Qt::LeftButton);
        *shownFirst += "," + dialog.OctalEdit()->text();
        QTest::keyClick(dialog.OctalEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(dialog.OctalEdit(), QString::fromLatin1(typed));
        *shownFirst += dialog.Box(6)->isChecked() ? ",x" : ",-";
        QTest::keyClick(dialog.OctalEdit(), Qt::Key_Return);
    });
    KeyInNextMenu(Qt::Key_P);
    QTest::mousePress(h.list->viewport(), Qt::RightButton, {}, h.RowPoint(row));
    QTest::mouseRelease(h.list->viewport(), Qt::RightButton, {}, h.RowPoint(row));
    EXPECT_TRUE(h.WaitForNetIdle());
}

} // namespace

TEST(PermissionsList, LocalFileByTheDialogAndTheColumnFromTheHeaderMenu)
{
    TempDir folder;
    WriteWholeFile(folder.File("f"), "x");
    chmod(folder.File("f").c_str(), 0644);
    ListViewHarness h;
    h.ShowFolder(1, folder.Path());
    QHeaderView* head = h.list->header();
    ASSERT_TRUE(head->isSectionHidden(CListViewDetailModel::COL_PERMISSIONS));
    KeyInNextMenu(Qt::Key_P);
    // What a right click on the header delivers.
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 5), head->viewport()->mapToGlobal(QPoint(10, 5)));
    QApplication::sendEvent(head->viewport(), &click);
    EXPECT_FALSE(head->isSectionHidden(CListViewDetailModel::COL_PERMISSIONS));
    EXPECT_EQ(h.list->RowText(h.RowOf("f"), 4), QStringLiteral("rw-r--r--"));

    QString shown;
    ChangeByDialog(h, h.RowOf("f"), "640", &shown);
    EXPECT_EQ(shown, QStringLiteral("644,744,-"));
    EXPECT_EQ(ModeOf(folder.File("f")), 0640u);
    EXPECT_EQ(h.list->RowText(h.RowOf("f"), 4), QStringLiteral("rw-r-----"));
    EXPECT_TRUE(h.prompts.Messages().empty());

    // A number that is no mode of the nine bits leaves OK greyed.
    CPermissionsDlg dialog(QStringLiteral("f"), false, 0644, true);
    QTest::keyClick(dialog.OctalEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dialog.OctalEdit(), QStringLiteral("1777"));
    EXPECT_FALSE(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
}

TEST_F(RemoteListTest, PermissionsOfARemoteFileStartFromTheListingAndReachTheServer)
{
    chmod(m_server.Path("pub/a.txt").c_str(), 0604);
    h->ShowFolder(2, "/pub", &site);
    QString shown;
    ChangeByDialog(*h, h->RowOf("a.txt"), "600", &shown);
    EXPECT_EQ(shown, QStringLiteral("604,704,-"));
    EXPECT_EQ(ModeOf(m_server.Path("pub/a.txt")), 0600u);
    EXPECT_EQ(h->list->RowText(h->RowOf("a.txt"), 4), QStringLiteral("rw-------"));
    EXPECT_NE(h->doc->GetLogText().find("600 (rw-------)  /pub//a.txt"), std::string::npos) << h->doc->GetLogText();
}
