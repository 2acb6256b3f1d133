// A connection that drops in the middle of a file: the reconnect question,
// then the same file goes on from where it stopped. And the times files keep.
#include "TransferHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <sys/stat.h>
#include <thread>
#include <utime.h>

namespace {

constexpr size_t kFileBytes = 64u << 20;
constexpr uint64_t kCutKb = 1024;
// 2001-02-03 04:05:06 UTC: a time no test run could give a file by chance.
constexpr time_t kKeptTime = 981173106;

// Bytes that differ at every offset, so a resume at the wrong place shows.
std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

// The kilobytes in a progress text such as "Received 1024 kb of total 65536 kb".
uint64_t KbIn(const std::string& message2)
{
    std::smatch match;
    static const std::regex kb("^(Received|Sent) ([0-9]+) kb");
    return std::regex_search(message2, match, kb) ? std::stoull(match[2].str()) : 0;
}

// The size of the hidden upload file in folder, 0 while there is none.
uint64_t PartialUploadBytes(const std::string& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().find(".vamlo-part-") != std::string::npos)
            return entry.file_size();
    return 0;
}

time_t ModifiedTime(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

void SetModifiedTime(const std::string& path, time_t time)
{
    const utimbuf times{time, time};
    ASSERT_EQ(utime(path.c_str(), &times), 0) << path;
}

class ResumeTest : public TransferFixture {
protected:
    explicit ResumeTest(FtpServerOptions options = {}) : TransferFixture(std::move(options)) {}

    void SetUp() override
    {
        TransferFixture::SetUp();
        mkdir(local.File("src").c_str(), 0755);
        mkdir(m_server.Path("in").c_str(), 0755);
    }

    // Drops the server, with every connection to it, once the progress of
    // message1 passes about 1 MiB (and, for an upload, once the server
    // holds part of the file), and brings it back on the same port after
    // whileDown.
    void CutOnceAt(const std::string& message1, const std::string& uploadFolder = {},
                   const std::function<void()>& whileDown = {})
    {
        status.onMessages = [this, message1, uploadFolder, whileDown](const std::string& m1, const std::string& m2,
                                                                      CTransferCancel*) {
            if (m_bCut || m1 != message1 || KbIn(m2) < kCutKb)
                return;
            m_bCut = true;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!uploadFolder.empty() && PartialUploadBytes(uploadFolder) < (256u << 10) &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            m_server.Stop();
            if (whileDown)
                whileDown();
            EXPECT_TRUE(m_server.Start()) << m_server.LastError();
        };
    }

    // A 64 MiB download over target/big.bin ("old contents") whose
    // connection drops once; the bytes it should have.
    std::string GetBigFileCutOnce(const std::function<void()>& whileDown = {})
    {
        const std::string content = Pattern(kFileBytes);
        WriteWholeFile(m_server.Path("big.bin"), content);
        SetModifiedTime(m_server.Path("big.bin"), kKeptTime);   // a replacement while down shows
        WriteWholeFile(Target() + "/big.bin", "old contents");
        prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES});
        m_bCut = false;
        CutOnceAt("Getting file: /big.bin", {}, whileDown);
        Get({{"/big.bin", false}}, Target());
        EXPECT_TRUE(m_bCut);
        return content;
    }

    // A 64 MiB upload over the server's in/big.bin ("old contents") whose
    // connection drops once; the bytes it should have.
    std::string PutBigFileCutOnce()
    {
        const std::string content = Pattern(kFileBytes);
        WriteWholeFile(local.File("src/big.bin"), content);
        WriteWholeFile(m_server.Path("in/big.bin"), "old contents");
        prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES});
        m_bCut = false;
        CutOnceAt("Putting file: /in//big.bin", m_server.Path("in"));
        Put({{local.File("src/big.bin"), false}}, "/in");
        EXPECT_TRUE(m_bCut);
        return content;
    }

    // N of the "resumed at N bytes" line, or 0 when there is none.
    uint64_t ResumedAt() const
    {
        std::smatch match;
        const std::string log = Log();
        static const std::regex line("the file resumed at ([0-9]+) bytes");
        return std::regex_search(log, match, line) ? std::stoull(match[1].str()) : 0;
    }

    bool m_bCut = false;
};

// With machine listings a download takes its time from them, without from MDTM.
class FileTimesTest : public ResumeTest, public ::testing::WithParamInterface<bool> {
protected:
    FileTimesTest() : ResumeTest(FtpServerOptions{.bMlsd = GetParam()}) {}
};

} // namespace

// The server's abilities change with each restart that cuts the transfer.
TEST_F(ResumeTest, ADroppedGetGoesOnWhereItStoppedOnlyWhenAskedAndWhereTheServerCan)
{
    prompts.Answer(MsgResult::No);
    GetBigFileCutOnce();
    EXPECT_GE(std::ranges::count(prompts.Texts(), ReconnectQuestion()), 1);
    EXPECT_EQ(ReadWholeFile(Target() + "/big.bin"), "old contents");
    EXPECT_EQ(FolderEntries(Target()), std::vector<std::string>{"big.bin"});
    EXPECT_EQ(ResumedAt(), 0u);
    EXPECT_NE(Log().find("***** Failure *****************\nCause: "), std::string::npos) << Log();

    // A file replaced by one of the same size while the connection was down
    // starts again from its first byte.
    const std::string replaced(kFileBytes, 'r');
    GetBigFileCutOnce([&] { WriteWholeFile(m_server.Path("big.bin"), replaced); });
    EXPECT_EQ(ResumedAt(), 0u) << Log();
    EXPECT_NE(Log().find("may have changed while the connection was down"), std::string::npos) << Log();
    EXPECT_TRUE(ReadWholeFile(Target() + "/big.bin") == replaced);

    m_server.OfferHash(FtpServerProcess::Hash::Honest);
    std::string content = GetBigFileCutOnce();
    const uint64_t at = ResumedAt();
    EXPECT_GE(at, kCutKb * 1024) << Log();
    EXPECT_LT(at, kFileBytes);
    EXPECT_TRUE(ReadWholeFile(Target() + "/big.bin") == content);
    EXPECT_EQ(FolderEntries(Target()), std::vector<std::string>{"big.bin"});
    EXPECT_NE(Log().find("===== The SHA-256 checksums of the resumed file agree ====="), std::string::npos) << Log();
    EXPECT_NE(Log().find("===== Have successfully received 1 of total 1 files"), std::string::npos) << Log();

    m_server.RefuseRestarts();
    content = GetBigFileCutOnce();
    EXPECT_TRUE(ReadWholeFile(Target() + "/big.bin") == content);
    EXPECT_EQ(ResumedAt(), 0u);
    EXPECT_NE(Log().find("===== The server cannot go on from byte "), std::string::npos) << Log();
    EXPECT_NE(Log().find(": the file starts again from its first byte ====="), std::string::npos);

    // Line ends change an ASCII copy's size: it is not held to the server's
    // byte count, and after a drop it starts again instead of resuming.
    app.m_nTransferType = 1;
    std::string sent;
    for (const char c : GetBigFileCutOnce()) {   // the server's line ends: lone LFs become CRLF
        if (c == '\n' && (sent.empty() || sent.back() != '\r'))
            sent += '\r';
        sent += c;
    }
    EXPECT_NE(Log().find("The connection is back: the file starts again from its first byte"), std::string::npos)
        << Log();
    EXPECT_TRUE(ReadWholeFile(Target() + "/big.bin") == sent);
}

TEST_F(ResumeTest, PutGoesOnFromWhatTheServerKept)
{
    const std::string content = PutBigFileCutOnce();
    EXPECT_GE(std::ranges::count(prompts.Texts(), ReconnectQuestion()), 1);
    const uint64_t at = ResumedAt();
    EXPECT_GT(at, 0u) << Log();
    EXPECT_LT(at, kFileBytes);
    EXPECT_TRUE(ReadWholeFile(m_server.Path("in/big.bin")) == content);
    EXPECT_EQ(FolderEntries(m_server.Path("in")), std::vector<std::string>{"big.bin"});
    EXPECT_NE(Log().find("===== Have successfully sent 1 of total 1 files"), std::string::npos) << Log();
}

TEST_P(FileTimesTest, FilesKeepTheirTimesBothWays)
{
    WriteWholeFile(m_server.Path("down.txt"), "from the server");
    SetModifiedTime(m_server.Path("down.txt"), kKeptTime);
    Get({{"/down.txt", false}}, Target());
    EXPECT_EQ(ModifiedTime(Target() + "/down.txt"), kKeptTime);

    WriteWholeFile(local.File("src/up.txt"), "from here");
    SetModifiedTime(local.File("src/up.txt"), kKeptTime + 60);
    Put({{local.File("src/up.txt"), false}}, "/in");
    EXPECT_EQ(ModifiedTime(m_server.Path("in/up.txt")), kKeptTime + 60);
    EXPECT_EQ(Log().find("Failure"), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(MlsdAndMdtm, FileTimesTest, ::testing::Bool());

// A resumed copy whose checksum differs from the server's, or that the
// server offers and fails to give, never takes the old file's place.
TEST_F(ResumeTest, AResumedCopyThatDiffersKeepsTheOldFile)
{
    m_server.OfferHash(FtpServerProcess::Hash::Failing);
    GetBigFileCutOnce();
    EXPECT_EQ(ReadWholeFile(Target() + "/big.bin"), "old contents");
    EXPECT_NE(Log().find("Cause: The SHA-256 checksums of the resumed file could not be compared"), std::string::npos);

    m_server.OfferHash(FtpServerProcess::Hash::Lying);
    const std::string failure =
        "Cause: The resumed file differs from the server's copy: their SHA-256 checksums do not agree";
    GetBigFileCutOnce();
    EXPECT_GT(ResumedAt(), 0u) << Log();
    EXPECT_EQ(ReadWholeFile(Target() + "/big.bin"), "old contents");
    EXPECT_EQ(FolderEntries(Target()), std::vector<std::string>{"big.bin"});
    EXPECT_NE(Log().find(failure), std::string::npos) << Log();

    PutBigFileCutOnce();
    const size_t putStart = Log().rfind("===== Putting File");
    ASSERT_NE(putStart, std::string::npos) << Log();
    EXPECT_NE(Log().find("the file resumed at", putStart), std::string::npos) << Log();
    EXPECT_EQ(ReadWholeFile(m_server.Path("in/big.bin")), "old contents");
    EXPECT_EQ(FolderEntries(m_server.Path("in")), std::vector<std::string>{"big.bin"});
    EXPECT_NE(Log().find(failure, putStart), std::string::npos) << Log();
}
