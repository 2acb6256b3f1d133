// A link (ftp://user@host:port/path) opens its site and shows its folder; a
// password that came in it logs on and is never kept or shown.
#include "../TreeHarness.h"

#include "../DialogDriver.h"

#include <QComboBox>

namespace {

class SiteLinkTest : public PanesHarness {
protected:
    void SetUp() override
    {
        PanesHarness::SetUp();
        MakeServerFolder("pub/deep er");
        WriteWholeFile(m_server.Path("pub/deep er/file.txt"), "x");
    }

    std::string Link(const std::string& login, const std::string& path) const
    {
        return "ftp://" + login + "127.0.0.1:" + std::to_string(m_server.Port()) + path;
    }
};

} // namespace

TEST_F(SiteLinkTest, ALinkShowsItsFolderAndItsPasswordIsNeverKeptOrShown)
{
    frame->OpenLink(QString::fromStdString(Link("user:secret@", "/pub/deep%20er/")));
    Settle();
    ASSERT_EQ(frame->m_siteList.size(), 1u);
    CVamloSiteInfo* added = frame->m_siteList.front().get();
    EXPECT_EQ(added->m_strAddress, Address());
    EXPECT_EQ(added->m_strUserName, "user");
    EXPECT_EQ(added->m_strPassword, "");
    EXPECT_EQ(doc->m_strCurrentFolder, "//pub/deep er");
    EXPECT_EQ(ListNames(), std::vector<std::string>{"file.txt"});
    EXPECT_EQ(frame->AddressBox()->currentText().toStdString(), Address());
    EXPECT_FALSE(frame->windowTitle().contains(QStringLiteral("secret")));
    EXPECT_TRUE(prompts.Texts().empty());

    // Disconnected, the site has no password of its own: the Login window
    // asks for it, empty, and the user types it.
    ASSERT_TRUE(tree->RemoveSiteItem(added));
    QString shownPassword = QStringLiteral("not asked");
    AnswerNextDialog<CLoginDlg>([&](CLoginDlg& dialog) {
        auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("password"));
        shownPassword = box->text();
        QTest::keyClicks(box, QStringLiteral("secret"));
        QTest::keyClick(box, Qt::Key_Return);
    });
    frame->OpenLink(QString::fromStdString(Link("", "/pub")));
    Settle();
    EXPECT_EQ(shownPassword, QString());
    EXPECT_EQ(frame->m_siteList.size(), 1u);
    EXPECT_EQ(doc->m_strCurrentFolder, "//pub");
    EXPECT_EQ(ListNames(), std::vector<std::string>{"deep er"});
    EXPECT_TRUE(prompts.Texts().empty());
}
