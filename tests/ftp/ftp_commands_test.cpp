// Directory and file commands against a real server: each one's success and
// failure, the current-directory cache, and names that must stay one command.
#include "FtpServerFixture.h"
#include "FtpTestHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

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

TEST_F(FtpCommandsTest, EachCommandDoesItsWorkThenGivesTheServersRefusal)
{
    WriteWholeFile(m_server.Path("gone.txt"), "x");
    WriteWholeFile(m_server.Path("old.txt"), "content");
    fs::create_directory(m_server.Path("olddir"));
    struct Case {
        const char* what;
        std::function<int()> command;
        std::function<bool()> done;
    };
    const Case cases[] = {
        {"MKD", [&] { return m_connection->CreateDirectory("/made"); },
         [&] { return fs::is_directory(m_server.Path("made")); }},
        {"RMD", [&] { return m_connection->RemoveDirectory("/made"); },
         [&] { return !fs::exists(m_server.Path("made")); }},
        {"DELE", [&] { return m_connection->Remove("/gone.txt"); },
         [&] { return !fs::exists(m_server.Path("gone.txt")); }},
        {"RNFR/RNTO of a file", [&] { return m_connection->Rename("/old.txt", "/new name.txt"); },
         [&] { return ReadWholeFile(m_server.Path("new name.txt")) == "content"; }},
        {"RNFR/RNTO of a folder", [&] { return m_connection->Rename("/olddir", "/newdir"); },
         [&] { return fs::is_directory(m_server.Path("newdir")); }},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.command(), 1) << c.what;
        EXPECT_TRUE(c.done()) << c.what;
        // The same again finds the work done: the server refuses it.
        EXPECT_EQ(c.command(), 0) << c.what;
        ExpectServerRefusal(c.what);
    }
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
    EXPECT_EQ(GetLastFtpErrorCode(), EINVAL);
    EXPECT_EQ(m_connection->CreateDirectory(std::string("a\0b", 3)), 0);
    EXPECT_TRUE(fs::exists(m_server.Path("victim")));
    std::string dir;
    EXPECT_EQ(m_connection->GetCurrentDirectory(dir), 1);   // still in step with the server
}
