#include "TransferHarness.h"

#include "connect/KeepAlive.h"

#include <gtest/gtest.h>

namespace {

class SiteConnectionTest : public FtpServerFixture {
protected:
    void SetUp() override
    {
        FtpServerFixture::SetUp();
        app.m_pPrompts = &prompts;
        app.m_strAgentName = kAgentName;
    }

    std::string HostPort() const { return "127.0.0.1:" + std::to_string(m_server.Port()); }

    ScriptedPrompts prompts;
    ShortTimeoutApp app;
};

} // namespace

TEST_F(SiteConnectionTest, AddressFormsConnectAndAreStoredWithTheScheme)
{
    const std::string port = std::to_string(m_server.Port());
    struct Case {
        std::string address;
        std::string portField;
        std::string stored;
    };
    // Without a port in the address the site's Port field is used; an
    // explicit port in the address wins over the field.
    const Case cases[] = {
        {HostPort(), "21", "ftp://" + HostPort()},
        {"ftp://" + HostPort() + "/pub", "21", "ftp://" + HostPort() + "/pub"},
        {"ftp://127.0.0.1", port, "ftp://127.0.0.1"},
        {"ftp://" + HostPort(), "1", "ftp://" + HostPort()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        CVamloSiteInfo site;
        site.m_strAddress = c.address;
        site.m_strPort = c.portField;
        site.m_strUserName = "user";
        site.m_strPassword = "secret";
        ASSERT_EQ(site.Connect(app), 1);
        EXPECT_EQ(site.m_strAddress, c.stored);
        ASSERT_TRUE(site.m_pSession);
        ASSERT_TRUE(site.m_pConnection);
        EXPECT_EQ(site.m_pSession->GetAgentName(), "Vamlo/V1.40");
        std::string directory;
        EXPECT_EQ(site.m_pConnection->GetCurrentDirectory(directory), 1);
        EXPECT_EQ(directory, "/");
        site.Disconnect();
        EXPECT_FALSE(site.m_pConnection);
        EXPECT_FALSE(site.m_pSession);
    }
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(SiteConnectionTest, InvalidAddressQuotesTheFormWithTheScheme)
{
    CVamloSiteInfo site;
    site.m_strAddress = "host:notaport";
    EXPECT_EQ(site.Connect(app), 0);
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text, "The ftp site address \"ftp://host:notaport\" is invalid.\nPlease make sure "
                                          "the ftp site address is correct.");
    EXPECT_EQ(prompts.Messages()[0].icon, MsgIcon::Error);
    EXPECT_EQ(site.m_strAddress, "host:notaport");
    EXPECT_FALSE(site.m_pSession);
}

TEST_F(SiteConnectionTest, KeepAliveSendsNoopOnlyWhenIdleAndLetsADroppedConnectionGo)
{
    CVamloSiteInfo site;
    site.m_strAddress = "ftp://" + HostPort();
    site.m_strUserName = "user";
    site.m_strLinkPassword = "secret";   // a link's password logs on in place of the record's
    ASSERT_EQ(site.Connect(app), 1);
    int64_t next = -1;
    EXPECT_EQ(KeepSiteAlive(site, 60000, next), KeepAliveResult::NotDue);
    EXPECT_GT(next, 0);
    EXPECT_LE(next, 60000);
    EXPECT_EQ(KeepSiteAlive(site, 0, next), KeepAliveResult::Answered);
    m_server.Stop();
    EXPECT_EQ(KeepSiteAlive(site, 0, next), KeepAliveResult::Dropped);
    EXPECT_FALSE(site.m_pConnection);
    EXPECT_FALSE(site.m_pSession);
    EXPECT_EQ(KeepSiteAlive(site, 0, next), KeepAliveResult::NotConnected);
}
