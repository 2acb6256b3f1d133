// The Site Manager's logic without widgets: the working copies, carrying
// them back into the site list, and the port a site really connects on.
#include "app/AppCore.h"
#include "app/SiteListOwner.h"
#include "app/SiteManagerChanges.h"
#include "connect/SitePort.h"

#include "ScriptedPrompts.h"
#include "TransferHold.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::unique_ptr<CVamloSiteInfo> MakeSite(const std::string& address)
{
    auto site = std::make_unique<CVamloSiteInfo>();
    site->m_strAddress = address;
    site->m_strNotes = "notes of " + address;
    return site;
}

std::vector<std::string> Addresses(const CSiteList& list)
{
    std::vector<std::string> addresses;
    for (const auto& site : list)
        addresses.push_back(site->m_strAddress);
    return addresses;
}

class SiteManagerChangesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app.m_pPrompts = &prompts;
        for (const char* address : {"ftp://alpha", "ftp://beta", "ftp://gamma"})
            owner.m_siteList.push_back(MakeSite(address));
        work = MakeSiteWorkList(owner.m_siteList);
    }

    CVamloSiteInfo& Record(int index) { return **std::next(owner.m_siteList.begin(), index); }
    CVamloSiteInfo& Copy(int index) { return **std::next(work.begin(), index); }

    void Apply(const RemoveShownSiteFn& removeShownSite = {})
    {
        ApplySiteManagerChanges(owner, work, changed, app, removeShownSite);
    }

    ScriptedPrompts prompts;
    CAppCore app;
    CSiteListOwner owner;
    CSiteList work;
    int32_t changed = 0;
};

} // namespace

// The dialog's own tests walk the common edits; here the copies' edge cases.
TEST_F(SiteManagerChangesTest, OnlyCopiesMarkedEditedAreCarriedBackAndAddsGetNoEditId)
{
    const CVamloSiteInfo* gamma = &Record(2);
    Copy(0).m_bDeleted = 1;
    Copy(1).m_strNotes = "edited";
    Copy(1).m_bEdited = 1;
    Copy(2).m_strNotes = "changed but not marked edited";
    auto added = MakeSite("ftp://delta");
    added->m_bEdited = 1;
    work.push_back(std::move(added));

    Apply();
    EXPECT_EQ(Addresses(owner.m_siteList), (std::vector<std::string>{"ftp://beta", "ftp://gamma", "ftp://delta"}));
    EXPECT_EQ(Record(0).m_strNotes, "edited");
    EXPECT_EQ(&Record(1), gamma);
    EXPECT_EQ(Record(1).m_strNotes, "notes of ftp://gamma");
    EXPECT_EQ(Record(2).m_nEditId, 0);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(owner.m_bSiteListModified, 1);
    EXPECT_TRUE(prompts.Texts().empty());
}

// A shown site the tree cannot let go of stays, and nothing counts as changed.
TEST_F(SiteManagerChangesTest, ShownSiteThatCannotLeaveTheTreeStays)
{
    Record(1).m_hTreeItem = 0x1234;
    Copy(1).m_bDeleted = 1;
    std::vector<std::string> asked;
    Apply([&](CVamloSiteInfo& site) {
        asked.push_back(site.m_strAddress);
        return false;
    });
    EXPECT_EQ(asked, std::vector<std::string>{"ftp://beta"});
    EXPECT_EQ(Addresses(owner.m_siteList), (std::vector<std::string>{"ftp://alpha", "ftp://beta", "ftp://gamma"}));
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(owner.m_bSiteListModified, 0);
}

// A transfer that took a site while the dialog was open keeps it: deleting it would pull it from under the worker.
TEST_F(SiteManagerChangesTest, RecordHeldByATransferIsNotDeleted)
{
    Copy(0).m_bDeleted = 1;
    Copy(2).m_bDeleted = 1;
    {
        TransferHold hold(Record(0));
        Apply();
    }
    EXPECT_EQ(Addresses(owner.m_siteList), (std::vector<std::string>{"ftp://alpha", "ftp://beta"}));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"The ftp site \"ftp://alpha\" is busy with a file transfer. "
                                                        "Please try again when the transfer has finished."});
}

TEST_F(SiteManagerChangesTest, TheClipboardSourceIsForgottenOnlyWithItsRecordAndGoneRecordsAreSkipped)
{
    app.m_pClipSourceSite = &Record(1);
    Copy(0).m_bDeleted = 1;
    Apply();
    EXPECT_EQ(app.m_pClipSourceSite, &Record(0));
    Copy(0).m_bEdited = 1; // its record is gone now
    Copy(1).m_bDeleted = 1;
    Apply();
    EXPECT_EQ(app.m_pClipSourceSite, nullptr);
    EXPECT_EQ(Addresses(owner.m_siteList), std::vector<std::string>{"ftp://gamma"});
}

// The Properties dialog's test shows the common cases; here the fields that cannot be used.
TEST(SitePortTest, TheAddressPortWinsThenTheFieldThenTheDefault)
{
    struct Case {
        const char* address;
        const char* field;
        const char* shown;
    };
    const Case cases[] = {
        {"ftp://host/pub", "", "21"},
        {"ftp://host", "abc", "21"},
        {"ftp://host", "70000", "21"},
        {"ftp://host", "0", "21"},
        {"host:990", "21", "990"},
        {"host:port", "2121", "2121"},
        {"ftpes://host", "2121", "2121"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SiteConnectionPortText(c.address, c.field), c.shown) << c.address << " / " << c.field;
}
