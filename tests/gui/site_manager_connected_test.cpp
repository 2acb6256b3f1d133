// The Site Manager with a site that is really connected and shown in the
// folder tree.
#include "TreeHarness.h"

#include "sites/SiteManagerDlg.h"
#include "ui/Commands.h"

#include "TransferHold.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>

#include <optional>

namespace {

class SiteManagerConnectedTest : public TreeHarness {
protected:
    void SetUp() override
    {
        TreeHarness::SetUp();
        tree->OnInitialUpdate();
        m_pSite = AddSiteRecord();
        ASSERT_NE(ShowSite(m_pSite), nullptr);
        ASSERT_TRUE(m_pSite->m_pConnection);
        frame->RefillAddressBox();
    }

    // Selects the connected site's item and deletes it, answering the
    // question with answer; fn then decides OK (true) or Cancel.
    void DeleteInManager(MsgResult answer, bool ok)
    {
        frame->m_fnRunSiteManager = [&](CSiteManagerDlg& dialog) {
            QListWidget* list = dialog.AvailableList();
            EXPECT_EQ(list->count(), 1);
            list->setCurrentRow(0);
            prompts.Answer(answer);
            dialog.OnDelete();
            return ok;
        };
        frame->Command(ID_EDIT_SITE_MANAGER)->trigger();
        frame->m_fnRunSiteManager = nullptr;
    }

    std::string Question() const
    {
        return "This site is currently connected by Vamlo. Deleting this site from the Available Site List will "
               "cause the termination of this connection.\nDo you still want to delete this site?";
    }

    CVamloSiteInfo* m_pSite = nullptr;
};

} // namespace

TEST_F(SiteManagerConnectedTest, DeletingAfterYesAndOkDisconnectsAndRemovesTheTreeItem)
{
    DeleteInManager(MsgResult::Yes, true);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{Question()});
    EXPECT_TRUE(frame->m_siteList.empty());
    EXPECT_TRUE(ChildTexts(tree->InternetItem()).filter(QStringLiteral("Ftp:")).isEmpty());
    EXPECT_EQ(doc->m_pCurrentSite, nullptr);
    EXPECT_EQ(frame->m_bSiteListModified, 1);
    EXPECT_EQ(frame->AddressBox()->count(), 0);
}

TEST_F(SiteManagerConnectedTest, NoOrCancelKeepsTheConnection)
{
    DeleteInManager(MsgResult::No, true);
    DeleteInManager(MsgResult::Yes, false);
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{Question(), Question()}));
    ASSERT_EQ(frame->m_siteList.size(), 1u);
    EXPECT_EQ(frame->m_siteList.front().get(), m_pSite);
    EXPECT_TRUE(m_pSite->m_pConnection);
    EXPECT_NE(tree->FindSiteItem(m_pSite), nullptr);
    EXPECT_EQ(frame->m_bSiteListModified, 0);
}

TEST_F(SiteManagerConnectedTest, MovingTheConnectedSiteToStoredIsRefused)
{
    frame->m_fnRunSiteManager = [&](CSiteManagerDlg& dialog) {
        dialog.AvailableList()->setCurrentRow(0);
        dialog.OnMoveToStored();
        EXPECT_EQ(dialog.AvailableList()->count(), 1);
        EXPECT_EQ(dialog.StoredList()->count(), 0);
        return true;
    };
    frame->OnSiteManager();
    frame->m_fnRunSiteManager = nullptr;
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"This site is currently connected by Vamlo. Please disconnect it from the "
                                       "Vamlo window before moving this site from the Available Site List to the "
                                       "Stored Site List."});
    EXPECT_EQ(m_pSite->m_bAvailable, 1);
    EXPECT_EQ(frame->m_bSiteListModified, 0);
}

TEST_F(SiteManagerConnectedTest, ASiteThatATransferTookBeforeOkStays)
{
    std::optional<TransferHold> transfer;
    frame->m_fnRunSiteManager = [&](CSiteManagerDlg& dialog) {
        dialog.AvailableList()->setCurrentRow(0);
        prompts.Answer(MsgResult::Yes);
        dialog.OnDelete();
        transfer.emplace(*m_pSite);
        return true;
    };
    frame->OnSiteManager();
    frame->m_fnRunSiteManager = nullptr;
    transfer.reset();
    const std::string busy = "The ftp site \"" + Address() +
                             "\" is busy with a file transfer. Please try again when the transfer has finished.";
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{Question(), busy}));
    ASSERT_EQ(frame->m_siteList.size(), 1u);
    EXPECT_TRUE(m_pSite->m_pConnection);
    EXPECT_NE(tree->FindSiteItem(m_pSite), nullptr);
    EXPECT_EQ(frame->m_bSiteListModified, 0);
}
