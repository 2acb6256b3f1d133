// Logging on to a real server (pyftpdlib), over IPv4 and IPv6.
#include "FtpServerFixture.h"
#include "FtpTestHelpers.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using ftptest::FindAll;

namespace {

class FtpLogonTest : public FtpServerFixture {};

class FtpIpv6Test : public FtpServerFixture {
protected:
    FtpIpv6Test() : FtpServerFixture(FtpServerOptions{.bIpv6 = true}) {}
};

// A loopback port with nobody listening on it.
uint16_t ClosedPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

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

// A refused log-on leaves its cause as the error, with a message of at most 255 bytes.
TEST_F(FtpLogonTest, RefusedLogOnsGiveTheirCause)
{
    // "secret\r\nDELE x" must not become two commands.
    WriteWholeFile(m_server.Path("x"), "keep");
    struct Case {
        const char* password;
        uint16_t port;
        int error;
        const char* reply;
    };
    const Case cases[] = {
        {"wrong", m_server.Port(), ERROR_INTERNET_LOGIN_FAILURE, "530 "},
        {"secret\r\nDELE x", m_server.Port(), 0, ""},
        {"secret", ClosedPort(), ERROR_INTERNET_CANNOT_CONNECT, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password);
        CInternetSession session("Vamlo/V1.40");
        session.SetTimeouts(ShortTimeouts());
        CInternetException error;
        EXPECT_FALSE(session.GetFtpConnection("127.0.0.1", "user", c.password, c.port, false, error));
        EXPECT_NE(error.m_dwError, 0);
        if (c.error) {
            EXPECT_EQ(error.m_dwError, c.error);
            EXPECT_EQ(GetLastFtpErrorCode(), c.error);
        }
        std::string message;
        ASSERT_TRUE(error.GetErrorMessage(message));
        EXPECT_EQ(message.substr(0, std::string(c.reply).size()), c.reply) << message;
        EXPECT_LE(message.size(), 255u);
    }
    EXPECT_EQ(ReadWholeFile(m_server.Path("x")), "keep");
}

TEST_F(FtpLogonTest, ClosedSessionsAndConnectionsFailTheirCalls)
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
    EXPECT_EQ(GetLastFtpErrorCode(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    EXPECT_FALSE(connection->OpenFile("x"));
}

TEST_F(FtpIpv6Test, ActiveAndPassiveOverIpv6)
{
    WriteWholeFile(m_server.Path("six.txt"), "over ipv6");
    for (bool passive : {false, true}) {
        auto connection = Connect(passive);
        ASSERT_TRUE(connection);
        std::string content;
        ASSERT_TRUE(ftptest::DownloadAll(*connection, "six.txt", content)) << GetLastFtpResponse();
        EXPECT_EQ(content, "over ipv6");
        const auto entries = FindAll(*connection, "/*");
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].name, "six.txt");
        EXPECT_EQ(connection->IsPassive(), passive);
    }
}
