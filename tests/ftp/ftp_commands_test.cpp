// Directory commands against a real server: the current-directory cache,
// failures, and names that must stay one command.
#include "FtpServerFixture.h"
#include "FtpTestHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class FtpCommandsTest : public FtpServerFixture {
protected:
    void SetUp() override
    {
        FtpServerFixture::SetUp();
        m_connection = Connect();
        ASSERT_TRUE(m_connection);
    }

    std::shared_ptr<CFtpConnection> m_connection;
};

} // namespace

TEST_F(FtpCommandsTest, CurrentDirectoryFollowsChangesAndFailures)
{
    fs::create_directories(m_server.Path("a/b"));
    std::string dir;
    EXPECT_EQ(m_connection->SetCurrentDirectory("/a"), 1);
    ASSERT_EQ(m_connection->GetCurrentDirectory(dir), 1);
    EXPECT_EQ(dir, "/a");
    EXPECT_EQ(m_connection->SetCurrentDirectory("b"), 1);   // relative
    ASSERT_EQ(m_connection->GetCurrentDirectory(dir), 1);
    EXPECT_EQ(dir, "/a/b");

    EXPECT_EQ(m_connection->SetCurrentDirectory("/nowhere"), 0);
    // A failure leaves the server's reply as the calling thread's error, and the connection's.
    EXPECT_EQ(GetLastNetErrorCode(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(GetSystemErrorText(ERROR_INTERNET_EXTENDED_ERROR).substr(0, 4), "550 ");
    EXPECT_EQ(m_connection->GetLastErrorCode(), ERROR_INTERNET_EXTENDED_ERROR);
    ASSERT_EQ(m_connection->GetCurrentDirectory(dir), 1);
    EXPECT_EQ(dir, "/a/b");

    // Going back to a folder we were in must really go there (no stale cache).
    EXPECT_EQ(m_connection->SetCurrentDirectory("/a"), 1);
    EXPECT_EQ(m_connection->SetCurrentDirectory(".."), 1);
    EXPECT_EQ(m_connection->SetCurrentDirectory("/a"), 1);
    ASSERT_EQ(m_connection->GetCurrentDirectory(dir), 1);
    EXPECT_EQ(dir, "/a");

    // Quotes are doubled in PWD replies; UTF-8 passes as it is.
    for (const std::string name : {"/say \"hi\" there", "/\xc3\xbcnic\xc3\xb6" "de \xe6\x97\xa5\xe6\x9c\xac"}) {
        EXPECT_EQ(m_connection->CreateDirectory(name), 1) << name;
        ASSERT_EQ(m_connection->SetCurrentDirectory(name), 1) << name;
        ASSERT_EQ(m_connection->GetCurrentDirectory(dir), 1);
        EXPECT_EQ(dir, name);
    }
}

TEST_F(FtpCommandsTest, NamesWithLineBreaksAreRefusedBeforeSending)
{
    WriteWholeFile(m_server.Path("victim"), "x");
    EXPECT_EQ(m_connection->Remove("nothing\r\nDELE victim"), 0);
    EXPECT_EQ(GetLastNetErrorCode(), EINVAL);
    EXPECT_EQ(m_connection->CreateDirectory(std::string("a\0b", 3)), 0);
    EXPECT_TRUE(fs::exists(m_server.Path("victim")));
    std::string dir;
    EXPECT_EQ(m_connection->GetCurrentDirectory(dir), 1);   // still in step with the server
}
