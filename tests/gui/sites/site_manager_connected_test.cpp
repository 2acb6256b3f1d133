// The Site Manager with a site that is really connected and shown in the
// folder tree.
#include "../TreeHarness.h"

#include "sites/SiteManagerDlg.h"
#include "commands/Commands.h"

#include <QComboBox>
#include <QListWidget>

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

    CVamloSiteInfo* m_pSite = nullptr;
};

} // namespace

// A connected site cannot be moved to the stored list; deleted after a Yes
// and OK, it is disconnected and leaves the tree.
TEST_F(SiteManagerConnectedTest, MovingIsRefusedAndDeletingAfterYesAndOkDisconnects)
{
    frame->m_fnRunSiteManager = [&](CSiteManagerDlg& dialog) {
        dialog.AvailableList()->setCurrentRow(0);
        dialog.OnMoveToStored();
        EXPECT_EQ(dialog.StoredList()->count(), 0);
        dialog.AvailableList()->setCurrentRow(0);
        prompts.Answer(MsgResult::Yes);
        dialog.OnDelete();
        return true;
    };
    frame->Command(ID_EDIT_SITE_MANAGER)->trigger();
    frame->m_fnRunSiteManager = nullptr;
    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{
                  "This site is currently connected by Vamlo. Please disconnect it from the Vamlo window before "
                  "moving this site from the Available Site List to the Stored Site List.",
                  "This site is currently connected by Vamlo. Deleting this site from the Available Site List will "
                  "cause the termination of this connection.\nDo you still want to delete this site?"}));
    EXPECT_TRUE(frame->m_siteList.empty());
    EXPECT_TRUE(ChildTexts(tree->InternetItem()).filter(QStringLiteral("Ftp:")).isEmpty());
    EXPECT_EQ(doc->m_pCurrentSite, nullptr);
    EXPECT_EQ(frame->m_bSiteListModified, 1);
    EXPECT_EQ(frame->AddressBox()->count(), 0);
}

