// File transfers against a real server: byte-exact round trips in active
// and passive mode, ASCII type, failures, and cutting a transfer short.
#include "FtpServerFixture.h"
#include "FtpTestHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;
using ftptest::DownloadAll;
using ftptest::UploadAll;

namespace {

class FtpTransferTest : public FtpServerFixture {};

class FtpTransferModeTest : public FtpServerFixture, public ::testing::WithParamInterface<bool> {};

} // namespace

TEST_P(FtpTransferModeTest, EveryByteValueAndAnEmptyFileSurviveBothWays)
{
    auto connection = Connect(GetParam());
    ASSERT_TRUE(connection);
    const std::string bytes = ftptest::AllByteValues();
    ASSERT_TRUE(UploadAll(*connection, "bytes.bin", bytes)) << GetSystemErrorText(GetLastNetErrorCode());
    EXPECT_EQ(ReadWholeFile(m_server.Path("bytes.bin")), bytes);
    std::string back;
    ASSERT_TRUE(DownloadAll(*connection, "bytes.bin", back)) << GetSystemErrorText(GetLastNetErrorCode());
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(connection->IsPassive(), GetParam());

    ASSERT_TRUE(UploadAll(*connection, "empty", ""));
    EXPECT_EQ(ReadWholeFile(m_server.Path("empty")), "");
    ASSERT_TRUE(DownloadAll(*connection, "empty", back));
    EXPECT_EQ(back, "");
}

INSTANTIATE_TEST_SUITE_P(ActiveAndPassive, FtpTransferModeTest, ::testing::Values(false, true),
    [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST_F(FtpTransferTest, LargeAndSmallBlocksKeepEveryByte)
{
    // Reads and writes bigger than the engine's own buffer take another path.
    std::string bytes;
    while (bytes.size() < 300000)
        bytes += ftptest::AllByteValues();
    auto connection = Connect();
    ASSERT_TRUE(connection);
    ASSERT_TRUE(UploadAll(*connection, "blocks", bytes, FTP_TRANSFER_TYPE_BINARY, 200000));
    std::string back;
    ASSERT_TRUE(DownloadAll(*connection, "blocks", back, FTP_TRANSFER_TYPE_BINARY, 100000));
    EXPECT_EQ(back, bytes);
    // And in small blocks, which refill the engine's buffer many times.
    ASSERT_TRUE(DownloadAll(*connection, "blocks", back, FTP_TRANSFER_TYPE_BINARY, 1000));
    EXPECT_EQ(back, bytes);
}

// ASCII downloads are checked byte for byte where a dropped one starts again.
TEST_F(FtpTransferTest, AsciiUploadsConvertLineEndsAndBinaryOnesDoNot)
{
    auto connection = Connect();
    ASSERT_TRUE(connection);
    ASSERT_TRUE(UploadAll(*connection, "up.txt", "a\r\nb\r\n", FTP_TRANSFER_TYPE_ASCII));
    EXPECT_EQ(ReadWholeFile(m_server.Path("up.txt")), "a\nb\n");
    ASSERT_TRUE(UploadAll(*connection, "up.bin", "a\r\nb\r\n", FTP_TRANSFER_TYPE_BINARY));
    EXPECT_EQ(ReadWholeFile(m_server.Path("up.bin")), "a\r\nb\r\n");
}

TEST_F(FtpTransferTest, ConnectionIsBusyWhileAFileIsOpenUntilItIsClosedAfterItsLastByte)
{
    WriteWholeFile(m_server.Path("f"), "content");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    auto file = connection->OpenFile("f");
    ASSERT_TRUE(file);
    EXPECT_EQ(connection->CreateDirectory("d"), 0);
    EXPECT_EQ(GetLastNetErrorCode(), ERROR_FTP_TRANSFER_IN_PROGRESS);
    EXPECT_FALSE(connection->OpenFile("f"));
    CFtpFileFind finder(connection.get());
    EXPECT_FALSE(finder.FindFile("/*"));
    EXPECT_EQ(GetLastNetErrorCode(), ERROR_FTP_TRANSFER_IN_PROGRESS);

    // Every byte read, but not the end: the close still succeeds.
    char buffer[7];
    int64_t got = 0;
    for (int guard = 0; got < 7 && guard < 100; ++guard) {
        const int64_t n = file->Read(buffer + got, sizeof buffer - static_cast<size_t>(got));
        ASSERT_GT(n, 0);
        got += n;
    }
    EXPECT_TRUE(file->Close());
    EXPECT_EQ(connection->CreateDirectory("d"), 1);
}

TEST_F(FtpTransferTest, AbortEarlyCloseAndDestroyLeaveTheConnectionUsable)
{
    WriteWholeFile(m_server.Path("big.bin"), std::string(32u << 20, 'b'));
    WriteWholeFile(m_server.Path("small"), "small file");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        auto file = connection->OpenFile(round == 3 ? "partial" : "big.bin", round == 3 ? GENERIC_WRITE : GENERIC_READ);
        ASSERT_TRUE(file);
        std::vector<char> buffer(1 << 20, 'z');
        if (round == 3) {
            ASSERT_TRUE(file->Write(buffer.data(), buffer.size()));
        } else {
            ASSERT_GT(file->Read(buffer.data(), 64 * 1024), 0);
        }
        if (round == 0 || round == 3) {
            file->Abort();
            EXPECT_FALSE(file->Close());   // an aborted transfer never closes as a success
            EXPECT_FALSE(file->Write("x", 1));
        } else if (round == 1) {
            EXPECT_TRUE(file->Close());   // the caller chose to stop: that is no failure
        }
        file.reset();   // round 2: destroyed while open, which aborts it
        std::string content;
        ASSERT_TRUE(DownloadAll(*connection, "small", content));
        EXPECT_EQ(content, "small file");
    }
}

TEST_F(FtpTransferTest, DownloadCutByTheServerIsAFailure)
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
