// A server that goes away: the probe notices, and a new connection works
// once the server is back on the same port.
#include "FtpServerFixture.h"
#include "FtpTestHelpers.h"

#include <gtest/gtest.h>

namespace {
class FtpDroppedTest : public FtpServerFixture {};
} // namespace

TEST_F(FtpDroppedTest, ProbeFailsAndReconnectWorksOnceTheServerIsBack)
{
    WriteWholeFile(m_server.Path("f"), "still here");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    std::string dir;
    ASSERT_EQ(connection->GetCurrentDirectory(dir), 1);

    m_server.Stop();
    EXPECT_EQ(connection->GetCurrentDirectory(dir), 0);
    const int code = GetLastFtpErrorCode();
    EXPECT_TRUE(code == ERROR_INTERNET_CONNECTION_ABORTED || code == ERROR_INTERNET_CONNECTION_RESET) << code;
    EXPECT_FALSE(GetSystemErrorText(code).empty());
    EXPECT_FALSE(connection->IsOpen());
    // Once broken, it stays broken without touching the network.
    EXPECT_EQ(connection->GetCurrentDirectory(dir), 0);
    EXPECT_EQ(GetLastFtpErrorCode(), ERROR_FTP_DROPPED);
    EXPECT_FALSE(connection->OpenFile("f"));

    CInternetException error;
    EXPECT_FALSE(ConnectAs("user", "secret", false, error));
    EXPECT_EQ(error.m_dwError, ERROR_INTERNET_CANNOT_CONNECT);

    ASSERT_TRUE(m_server.Start()) << m_server.LastError();
    connection = Connect();
    ASSERT_TRUE(connection);
    std::string content;
    ASSERT_TRUE(ftptest::DownloadAll(*connection, "f", content));
    EXPECT_EQ(content, "still here");
}

TEST_F(FtpDroppedTest, DownloadCutByTheServerIsAFailure)
{
    {
        std::string big(16u << 20, 'b');
        WriteWholeFile(m_server.Path("big"), big);
    }
    auto connection = Connect(true);
    ASSERT_TRUE(connection);
    auto file = connection->OpenFile("big");
    ASSERT_TRUE(file);
    char buffer[1024];
    ASSERT_GT(file->Read(buffer, sizeof buffer), 0);
    m_server.Stop();
    int64_t n = 1;
    uint64_t total = 0;
    for (int guard = 0; n > 0 && guard < 20000; ++guard) {
        n = file->Read(buffer, sizeof buffer);
        total += n > 0 ? static_cast<uint64_t>(n) : 0;
    }
    // Whatever was buffered may arrive, but the end is never reported as a clean 0.
    EXPECT_EQ(n, -1) << "read " << total << " bytes then a clean end";
    EXPECT_FALSE(file->Close());
}
