// An SFTP site in the window against OpenSSH: its mark, browsing, a drop, refresh.
#include "../TreeHarness.h"

#include "commands/Commands.h"
#include "list/ListViewDetailModel.h"

#include "SshServerFixture.h"

#include <utime.h>

using SftpPanesTest = PanesHarness;

TEST_F(SftpPanesTest, AnSftpSiteIsBrowsedTakesADropAndRefreshes)
{
    SshServerProcess sshd;
    SshUserFolder ssh;
    ASSERT_TRUE(sshd.Start()) << sshd.LastError();
    app.m_strSshDir = ssh.dir.Path();
    ssh.AddKey(sshd.KeyFile("id_plain"));
    std::filesystem::create_directories(sshd.Path("docs/sub"));
    WriteWholeFile(sshd.Path("docs/a.txt"), std::string(3000, 'a'));
    const utimbuf stamp{1700000000, 1700000000};
    ASSERT_EQ(utime(sshd.Path("docs/a.txt").c_str(), &stamp), 0);
    std::filesystem::create_directory_symlink("/etc", sshd.Path("docs/outside"));   // never a folder here
    sshd.GiveRootToUser();
    WriteWholeFile(local.File("up.txt"), "uploaded");

    site = AddSiteRecord(sshd.User());
    site->m_strAddress = sshd.Address();
    prompts.AnswerCertificate(CertificateAnswer::AcceptOnce);
    QTreeWidgetItem* item = ShowSite(site);
    ASSERT_NE(item, nullptr) << (prompts.Texts().empty() ? "" : prompts.Texts()[0]);
    EXPECT_EQ(item->data(0, CTreeViewSite::kImageRole).toInt(), IMAGE_SFTP_SITE);
    EXPECT_EQ(item->toolTip(0).toStdString(), sshd.Address().insert(7, sshd.User() + "@") + "\nSFTP");
    QTreeWidgetItem* docs = RemoteFolder(QStringLiteral("docs"));
    Show(docs);
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"sub", "a.txt", "outside"}));
    const auto cell = [&](const char* name, int column, int role = Qt::DisplayRole) {
        return list->model()->index(RowOf(name), column).data(role);
    };
    EXPECT_EQ(cell("a.txt", CListViewDetailModel::COL_SIZE).toString(), QStringLiteral("3 KB"));
    EXPECT_EQ(cell("a.txt", CListViewDetailModel::COL_MODIFIED).toString().toStdString(), ModifiedText(1700000000));
    EXPECT_EQ(cell("outside", CListViewDetailModel::COL_SIZE).toString(), QString());
    EXPECT_NE(cell("outside", 0, Qt::DecorationRole).value<QIcon>().cacheKey(),
              cell("a.txt", 0, Qt::DecorationRole).value<QIcon>().cacheKey());

    Show(OpenLocalPath(*tree, local.Path()));
    SelectRows({"up.txt"});
    EXPECT_TRUE(Drop(tree->viewport(), OnItem(docs), list->DragData()));
    WaitForTransfer();
    EXPECT_EQ(ReadWholeFile(sshd.Path("docs/up.txt")), "uploaded");
    Show(docs);
    WriteWholeFile(sshd.Path("docs/later.txt"), "later");
    frame->Command(ID_VIEW_REFRESH)->trigger();
    Settle();
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"sub", "a.txt", "later.txt", "outside", "up.txt"}));
    EXPECT_TRUE(prompts.Texts().empty());
}
