// Logging on to a real server (pyftpdlib), over IPv4 and IPv6.
#include "FtpServerFixture.h"
#include "FtpTestHelpers.h"

#include <gtest/gtest.h>

using ftptest::FindAll;

namespace {

class FtpLogonTest : public FtpServerFixture {};

class FtpIpv6Test : public FtpServerFixture {
protected:
    FtpIpv6Test() : FtpServerFixture(FtpServerOptions{.bIpv6 = true}) {}
};

} // namespace

TEST_F(FtpLogonTest, LogsOnAsTheUserOrAnonymouslyAndReportsTheHomeDirectory)
{
    for (const char* user : {"user", ""}) {
        CInternetException error;
        auto connection = ConnectAs(user, *user ? "secret" : "", false, error);
        ASSERT_TRUE(connection) << user << ": " << error.m_strMessage;
        std::string dir;
        ASSERT_EQ(connection->GetCurrentDirectory(dir), 1);
        EXPECT_EQ(dir, "/");
        EXPECT_EQ(connection->GetServerName(), "127.0.0.1");
        EXPECT_FALSE(connection->IsPassive());   // active mode unless asked
    }
}

// A refused log-on leaves its cause as the error, with a message of at most
// 255 bytes; a password with a line break is never sent as two commands.
TEST_F(FtpLogonTest, RefusedLogOnsGiveTheirCause)
{
    WriteWholeFile(m_server.Path("x"), "keep");
    for (const char* password : {"wrong", "secret\r\nDELE x"}) {
        SCOPED_TRACE(password);
        CInternetException error;
        EXPECT_FALSE(ConnectAs("user", password, false, error));
        EXPECT_NE(error.m_dwError, 0);
        std::string message;
        ASSERT_TRUE(error.GetErrorMessage(message));
        EXPECT_LE(message.size(), 255u);
        if (*password == 'w') {
            EXPECT_EQ(error.m_dwError, ERROR_INTERNET_LOGIN_FAILURE);
            EXPECT_EQ(GetLastNetErrorCode(), ERROR_INTERNET_LOGIN_FAILURE);
            EXPECT_EQ(message.substr(0, 4), "530 ") << message;
        }
    }
    EXPECT_EQ(ReadWholeFile(m_server.Path("x")), "keep");
}

// A closed session or connection fails its calls without the network; a
// connection whose server went away notices, stays broken, and a new one
// works once the server is back on its port.
TEST_F(FtpLogonTest, ClosedOrDroppedConnectionsFailTheirCallsAndANewOneWorksOnceTheServerIsBack)
{
    CInternetSession session("Vamlo/V1.40");
    session.Close();
    CInternetException error;
    EXPECT_FALSE(session.GetFtpConnection("127.0.0.1", "user", "secret", m_server.Port(), false, error));
    EXPECT_EQ(error.m_dwError, ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    auto connection = Connect();
    ASSERT_TRUE(connection);
    connection->Close();
    std::string dir;
    EXPECT_EQ(connection->GetCurrentDirectory(dir), 0);
    EXPECT_EQ(GetLastNetErrorCode(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    EXPECT_FALSE(connection->OpenFile("x"));

    WriteWholeFile(m_server.Path("f"), "still here");
    connection = Connect();
    ASSERT_TRUE(connection);
    ASSERT_EQ(connection->GetCurrentDirectory(dir), 1);
    m_server.Stop();
    EXPECT_EQ(connection->GetCurrentDirectory(dir), 0);
    const int code = GetLastNetErrorCode();
    EXPECT_TRUE(code == ERROR_INTERNET_CONNECTION_ABORTED || code == ERROR_INTERNET_CONNECTION_RESET) << code;
    EXPECT_FALSE(GetSystemErrorText(code).empty());
    EXPECT_FALSE(connection->IsOpen());
    // Once broken, it stays broken without touching the network.
    EXPECT_EQ(connection->GetCurrentDirectory(dir), 0);
    EXPECT_EQ(GetLastNetErrorCode(), ERROR_FTP_DROPPED);
    EXPECT_FALSE(connection->OpenFile("f"));
    EXPECT_FALSE(ConnectAs("user", "secret", false, error));
    EXPECT_EQ(error.m_dwError, ERROR_INTERNET_CANNOT_CONNECT);

    ASSERT_TRUE(m_server.Start()) << m_server.LastError();
    connection = Connect();
    ASSERT_TRUE(connection);
    std::string content;
    ASSERT_TRUE(ftptest::DownloadAll(*connection, "f", content));
    EXPECT_EQ(content, "still here");
}

TEST_F(FtpIpv6Test, ActiveAndPassiveOverIpv6)
{
    WriteWholeFile(m_server.Path("six.txt"), "over ipv6");
    for (bool passive : {false, true}) {
        auto connection = Connect(passive);
        ASSERT_TRUE(connection);
        std::string content;
        ASSERT_TRUE(ftptest::DownloadAll(*connection, "six.txt", content)) << GetLastNetResponse();
        EXPECT_EQ(content, "over ipv6");
        const auto entries = FindAll(*connection, "/*");
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].name, "six.txt");
        EXPECT_EQ(connection->IsPassive(), passive);
    }
}
