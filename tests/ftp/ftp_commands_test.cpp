// Directory and file commands against a real server: each one's success and
// failure, the current-directory cache, and names that must stay one command.
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

    // A failure must leave the server's reply as the calling thread's error.
    void ExpectServerRefusal(const char* what)
    {
        EXPECT_EQ(GetLastFtpErrorCode(), ERROR_INTERNET_EXTENDED_ERROR) << what;
        const std::string text = GetSystemErrorText(ERROR_INTERNET_EXTENDED_ERROR);
        EXPECT_EQ(text.substr(0, 1), "5") << what << ": " << text;
        EXPECT_EQ(m_connection->GetLastErrorCode(), ERROR_INTERNET_EXTENDED_ERROR) << what;
    }

    std::shared_ptr<CFtpConnection> m_connection;
};

} // namespace

TEST_F(FtpCommandsTest, CreateAndRemoveDirectory)
{
    EXPECT_EQ(m_connection->CreateDirectory("/made"), 1);
    EXPECT_TRUE(fs::is_directory(m_server.Path("made")));
    EXPECT_EQ(m_connection->CreateDirectory("/made"), 0);
    ExpectServerRefusal("MKD of an existing folder");

    EXPECT_EQ(m_connection->RemoveDirectory("/made"), 1);
    EXPECT_FALSE(fs::exists(m_server.Path("made")));
    EXPECT_EQ(m_connection->RemoveDirectory("/made"), 0);
    ExpectServerRefusal("RMD of a missing folder");
}

TEST_F(FtpCommandsTest, RemoveFile)
{
    WriteWholeFile(m_server.Path("gone.txt"), "x");
    EXPECT_EQ(m_connection->Remove("/gone.txt"), 1);
    EXPECT_FALSE(fs::exists(m_server.Path("gone.txt")));
    EXPECT_EQ(m_connection->Remove("/gone.txt"), 0);
    ExpectServerRefusal("DELE of a missing file");
}

TEST_F(FtpCommandsTest, RenameFileAndFolder)
{
    WriteWholeFile(m_server.Path("old.txt"), "content");
    fs::create_directory(m_server.Path("olddir"));
    EXPECT_EQ(m_connection->Rename("/old.txt", "/new name.txt"), 1);
    EXPECT_EQ(ReadWholeFile(m_server.Path("new name.txt")), "content");
    EXPECT_EQ(m_connection->Rename("/olddir", "/newdir"), 1);
    EXPECT_TRUE(fs::is_directory(m_server.Path("newdir")));

    EXPECT_EQ(m_connection->Rename("/missing", "/other"), 0);
    ExpectServerRefusal("RNFR of a missing file");
}

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
    ExpectServerRefusal("CWD to a missing folder");
    ASSERT_EQ(m_connection->GetCurrentDirectory(dir), 1);
    EXPECT_EQ(dir, "/a/b");

    // Going back to a folder we were in must really go there (no stale cache).
    EXPECT_EQ(m_connection->SetCurrentDirectory("/a"), 1);
    EXPECT_EQ(m_connection->SetCurrentDirectory(".."), 1);
    EXPECT_EQ(m_connection->SetCurrentDirectory("/a"), 1);
    ASSERT_EQ(m_connection->GetCurrentDirectory(dir), 1);
    EXPECT_EQ(dir, "/a");
}

TEST_F(FtpCommandsTest, DirectoryNameWithQuotesAndSpaces)
{
    const std::string name = "say \"hi\" there";
    fs::create_directory(m_server.Path(name));
    ASSERT_EQ(m_connection->SetCurrentDirectory("/" + name), 1);
    std::string dir;
    ASSERT_EQ(m_connection->GetCurrentDirectory(dir), 1);
    EXPECT_EQ(dir, "/" + name);
}

TEST_F(FtpCommandsTest, NamesWithLineBreaksAreRefusedBeforeSending)
{
    WriteWholeFile(m_server.Path("victim"), "x");
    EXPECT_EQ(m_connection->Remove("nothing\r\nDELE victim"), 0);
    EXPECT_EQ(GetLastFtpErrorCode(), EINVAL);
    EXPECT_EQ(m_connection->CreateDirectory(std::string("a\0b", 3)), 0);
    EXPECT_TRUE(fs::exists(m_server.Path("victim")));
    std::string dir;
    EXPECT_EQ(m_connection->GetCurrentDirectory(dir), 1);   // still in step with the server
}

TEST_F(FtpCommandsTest, Utf8Names)
{
    const std::string name = "\xc3\xbcnic\xc3\xb6" "de \xe6\x97\xa5\xe6\x9c\xac";
    EXPECT_EQ(m_connection->CreateDirectory("/" + name), 1);
    EXPECT_TRUE(fs::is_directory(m_server.Path(name)));
    EXPECT_EQ(m_connection->SetCurrentDirectory("/" + name), 1);
    std::string dir;
    ASSERT_EQ(m_connection->GetCurrentDirectory(dir), 1);
    EXPECT_EQ(dir, "/" + name);
}
