// Folder listings and single-entry finds against a real server, with MLSD
// offered and without it (then LIST output goes through the parser).
#include "FtpServerFixture.h"
#include "FtpTestHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace fs = std::filesystem;
using ftptest::FindAll;
using ftptest::Named;

namespace {

class FtpFindTest : public FtpServerFixture, public ::testing::WithParamInterface<bool> {
protected:
    FtpFindTest() : FtpServerFixture(FtpServerOptions{.bMlsd = GetParam()}) {}

    void SetUp() override
    {
        FtpServerFixture::SetUp();
        m_connection = Connect();
        ASSERT_TRUE(m_connection);
    }

    std::shared_ptr<CFtpConnection> m_connection;
};

std::string ModeName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "Mlsd" : "List"; }

} // namespace

TEST_P(FtpFindTest, FolderListingWithFilesFoldersAndOddNames)
{
    fs::create_directories(m_server.Path("pub/sub dir"));
    WriteWholeFile(m_server.Path("pub/plain.txt"), "12345");
    WriteWholeFile(m_server.Path("pub/with space.txt"), "ab");
    WriteWholeFile(m_server.Path("pub/  two leading"), "");
    const std::string utf8 = "gr\xc3\xbc\xc3\x9f \xe6\x97\xa5\xe6\x9c\xac.txt";
    WriteWholeFile(m_server.Path("pub/" + utf8), "utf");
    const time_t stamp = 1600000000;   // 2020-09-13, far enough back for a year in LIST
    utimbuf times{stamp, stamp};
    utime(m_server.Path("pub/plain.txt").c_str(), &times);

    const auto entries = FindAll(*m_connection, "/pub/*");
    ASSERT_EQ(entries.size(), 5u);
    const auto plain = Named(entries, "plain.txt");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->bDirectory);
    EXPECT_EQ(plain->size, 5u);
    EXPECT_EQ(plain->path, "/pub/plain.txt");
    ASSERT_TRUE(plain->bHasTime);
    // LIST shows minutes at best, and only a date for old files.
    EXPECT_LE(std::llabs(static_cast<long long>(plain->time - stamp)), 86400);
    if (GetParam()) {
        EXPECT_EQ(plain->time, stamp);
    }

    const auto sub = Named(entries, "sub dir");
    ASSERT_TRUE(sub);
    EXPECT_TRUE(sub->bDirectory);
    EXPECT_FALSE(sub->bDots);
    EXPECT_TRUE(Named(entries, "with space.txt"));
    EXPECT_TRUE(Named(entries, "  two leading"));
    ASSERT_TRUE(Named(entries, utf8));
    EXPECT_EQ(Named(entries, utf8)->size, 3u);
}

// Only a last part that is "*" alone lists the folder; anything else is a
// name, looked up as it is written. Paths join without doubled slashes.
TEST_P(FtpFindTest, PathsJoinAndStarAndQuestionMarkInANameAreOrdinaryCharacters)
{
    fs::create_directories(m_server.Path("w"));
    for (const char* name : {"a.txt", "img1", "x?"})
        WriteWholeFile(m_server.Path(std::string("w/") + name), "");
    EXPECT_TRUE(FindAll(*m_connection, "/w/*.txt").empty());
    EXPECT_TRUE(FindAll(*m_connection, "/w/img*").empty());
    EXPECT_EQ(FindAll(*m_connection, "/w/x?").at(0).path, "/w/x?");
    EXPECT_EQ(FindAll(*m_connection, "/w//*").size(), 3u);
    EXPECT_EQ(Named(FindAll(*m_connection, "/*"), "w").value().path, "/w");
    ASSERT_EQ(m_connection->SetCurrentDirectory("/w"), 1);
    EXPECT_EQ(Named(FindAll(*m_connection, "*"), "img1").value().path, "img1");

    CFtpFileFind finder(m_connection.get());
    ASSERT_TRUE(finder.FindFile("/w/x?"));
    EXPECT_EQ(finder.GetFileName(), "");   // nothing current before the first step
    EXPECT_FALSE(finder.FindNextFile());   // the only entry is also the last
    EXPECT_EQ(finder.GetFileName(), "x?");  // and stays readable
    EXPECT_EQ(finder.GetFileURL(), "ftp://127.0.0.1/w/x?");
}

TEST_P(FtpFindTest, TenThousandEntriesOrNoneAtAll)
{
    fs::create_directories(m_server.Path("many"));
    for (int i = 0; i < 10000; ++i)
        std::ofstream(m_server.Path("many/file" + std::to_string(i)));
    const auto entries = FindAll(*m_connection, "/many/*");
    ASSERT_EQ(entries.size(), 10000u);
    std::set<std::string> names;
    for (const auto& entry : entries)
        names.insert(entry.name);
    EXPECT_EQ(names.size(), 10000u);
    EXPECT_TRUE(names.count("file0") && names.count("file9999"));

    fs::create_directories(m_server.Path("empty"));
    CFtpFileFind finder(m_connection.get());
    EXPECT_FALSE(finder.FindFile("/empty/*"));
    EXPECT_EQ(GetLastNetErrorCode(), ERROR_NO_MORE_FILES);
    EXPECT_FALSE(finder.FindNextFile());
    for (const char* missing : {"/nope/*", "/nope.txt"}) {
        EXPECT_FALSE(finder.FindFile(missing));
        EXPECT_NE(GetLastNetErrorCode(), 0);
    }
}

TEST_P(FtpFindTest, SingleFileAndFolderPathsKeepTheCurrentDirectory)
{
    fs::create_directories(m_server.Path("dir/inner"));
    WriteWholeFile(m_server.Path("dir/file.bin"), std::string(1234, 'x'));
    WriteWholeFile(m_server.Path("dir/t.txt"), "t");
    std::ofstream(m_server.Path("dir/huge.bin")).close();
    ASSERT_EQ(truncate(m_server.Path("dir/huge.bin").c_str(), static_cast<off_t>(5ull << 30)), 0);   // sparse
    EXPECT_EQ(FindAll(*m_connection, "/dir/huge.bin").at(0).size, 5ull << 30);
    EXPECT_EQ(Named(FindAll(*m_connection, "/dir/*"), "huge.bin").value().size, 5ull << 30);

    auto file = FindAll(*m_connection, "/dir/file.bin");
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].name, "file.bin");
    EXPECT_EQ(file[0].path, "/dir/file.bin");
    EXPECT_FALSE(file[0].bDirectory);
    EXPECT_EQ(file[0].size, 1234u);
    EXPECT_TRUE(file[0].bHasTime);

    // A folder path finds the folder itself, not what is inside it.
    auto folder = FindAll(*m_connection, "/dir");
    ASSERT_EQ(folder.size(), 1u);
    EXPECT_EQ(folder[0].name, "dir");
    EXPECT_TRUE(folder[0].bDirectory);
    // The root has no parent listing to be found in, and is found all the same.
    EXPECT_TRUE(FindAll(*m_connection, "/").at(0).bDirectory);

    // Relative to the current directory, and in ASCII type (where SIZE may be
    // refused). Bare names are resolved in the current directory afterwards:
    // a find must leave it where it was, whichever way it found its answer.
    ASSERT_EQ(m_connection->SetCurrentDirectory("/dir"), 1);
    std::string content;
    ASSERT_TRUE(ftptest::DownloadAll(*m_connection, "t.txt", content, FTP_TRANSFER_TYPE_ASCII));
    CFtpFileFind finder(m_connection.get());
    EXPECT_FALSE(finder.FindFile("missing.txt"));
    finder.Close();
    folder = FindAll(*m_connection, "inner");
    ASSERT_EQ(folder.size(), 1u);
    EXPECT_TRUE(folder[0].bDirectory);
    file = FindAll(*m_connection, "file.bin");
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].size, 1234u);
    EXPECT_EQ(file[0].path, "file.bin");
    std::string dir;
    ASSERT_EQ(m_connection->GetCurrentDirectory(dir), 1);
    EXPECT_EQ(dir, "/dir");
}

TEST_P(FtpFindTest, OneOpenSearchPerConnectionThatOutlivesIt)
{
    fs::create_directories(m_server.Path("a"));
    WriteWholeFile(m_server.Path("a/x"), "");
    CFtpFileFind first(m_connection.get());
    auto second = std::make_unique<CFtpFileFind>(m_connection.get());
    ASSERT_TRUE(first.FindFile("/a/*"));
    EXPECT_FALSE(second->FindFile("/a/*"));
    EXPECT_EQ(GetLastNetErrorCode(), ERROR_FTP_TRANSFER_IN_PROGRESS);
    // The open search may start over; other commands are not blocked by it.
    EXPECT_TRUE(first.FindFile("/a/*"));
    std::string dir;
    EXPECT_EQ(m_connection->GetCurrentDirectory(dir), 1);
    first.Close();
    ASSERT_TRUE(second->FindFile("/a/*"));
    m_connection.reset();
    second->FindNextFile();
    EXPECT_EQ(second->GetFileName(), "x");
    second.reset();
}

INSTANTIATE_TEST_SUITE_P(MlsdAndList, FtpFindTest, ::testing::Values(true, false), ModeName);
