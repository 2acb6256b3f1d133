// Protocol faults a real server will not produce on demand, played by a
// scripted server: hangs, floods, split and malformed replies, bad listings,
// refused active mode, and a transfer that stalls.
#include "FtpTestHelpers.h"
#include "ScriptedFtpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using ftptest::FindAll;
using ftptest::Named;

namespace {

class FtpFaultsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        m_connection.reset();
        m_server.Stop();
        EXPECT_EQ(m_server.Failure(), "");
    }

    static CFtpTimeouts Timeouts(int replyMs)
    {
        CFtpTimeouts timeouts;
        timeouts.connectMs = 5000;
        timeouts.replyMs = replyMs;
        timeouts.dataMs = 5000;
        timeouts.acceptMs = 2000;
        return timeouts;
    }

    std::shared_ptr<CFtpConnection> Connect(bool passive, CInternetException& error, int replyMs = 5000)
    {
        m_server.Start();
        CInternetSession session("Vamlo/V1.40");
        session.SetTimeouts(Timeouts(replyMs));
        return session.GetFtpConnection("127.0.0.1", "user", "pw", m_server.Port(), passive, error);
    }

    std::shared_ptr<CFtpConnection> Connect(bool passive = true)
    {
        CInternetException error;
        m_connection = Connect(passive, error);
        EXPECT_TRUE(m_connection) << error.m_dwError << " " << error.m_strMessage;
        return m_connection;
    }

    bool ReceivedCommand(const std::string& prefix) const
    {
        for (const std::string& line : m_server.Received())
            if (line.compare(0, prefix.size(), prefix) == 0)
                return true;
        return false;
    }

    ScriptedFtpServer m_server;
    std::shared_ptr<CFtpConnection> m_connection;
};

} // namespace

TEST_F(FtpFaultsTest, ServerThatHangsAfterTheGreetingTimesOut)
{
    m_server.Send("220 hello\r\n").Hang();
    CInternetException error;
    EXPECT_FALSE(Connect(false, error, 300));
    EXPECT_EQ(error.m_dwError, ERROR_INTERNET_TIMEOUT);
    EXPECT_EQ(error.m_strMessage, "The operation timed out\n");
}

TEST_F(FtpFaultsTest, SilentServerTimesOutBeforeTheGreeting)
{
    m_server.Hang();
    CInternetException error;
    EXPECT_FALSE(Connect(false, error, 300));
    EXPECT_EQ(error.m_dwError, ERROR_INTERNET_TIMEOUT);
}

TEST_F(FtpFaultsTest, SplitAndMultiLineReplies)
{
    m_server.Send("22").Pause(50).Send("0-Welcome\r\n220-more of it\r").Pause(50).Send("\n220 ready\r\n")
        .Expect("USER ").Send("331 ").Pause(50).Send("send password\r\n")
        .Reply("PASS ", "230-Logged in\r\n230-\r\n230 ok")
        .Expect("FEAT").Send("211-Features:\r\n UTF8\r\n MLST type*;size*;\r\n").Pause(50).Send("211 End\r\n")
        .Reply("OPTS UTF8 ON", "200 ok")
        .Reply("PWD", "257 \"/home/\"\"q\"\"\" is current");
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(ReceivedCommand("OPTS UTF8 ON"));
}

TEST_F(FtpFaultsTest, OneMegabyteReplyLineIsAnErrorNotAHang)
{
    m_server.Send("220 hello\r\n").Expect("USER ").Send("331 " + std::string(1 << 20, 'A') + "\r\n");
    CInternetException error;
    EXPECT_FALSE(Connect(false, error));
    EXPECT_EQ(error.m_dwError, ERROR_INTERNET_INVALID_SERVER_RESPONSE);
}

TEST_F(FtpFaultsTest, EndlessMultiLineReplyIsAnError)
{
    std::string flood = "220-start\r\n";
    for (int i = 0; i < 2000; ++i)
        flood += "220-again\r\n";
    m_server.Send(flood);
    CInternetException error;
    EXPECT_FALSE(Connect(false, error));
    EXPECT_EQ(error.m_dwError, ERROR_INTERNET_INVALID_SERVER_RESPONSE);
}

TEST_F(FtpFaultsTest, GarbageInsteadOfAReplyBreaksTheConnection)
{
    m_server.LogOn().Reply("CWD /x", "this is not ftp");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->SetCurrentDirectory("/x"), 0);
    EXPECT_EQ(GetLastFtpErrorCode(), ERROR_INTERNET_INVALID_SERVER_RESPONSE);
    EXPECT_FALSE(connection->IsOpen());
}

TEST_F(FtpFaultsTest, ServerClosingWith421)
{
    m_server.LogOn().Reply("MKD d", "421 Too many users, closing");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->CreateDirectory("d"), 0);
    EXPECT_EQ(GetLastFtpErrorCode(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(GetSystemErrorText(ERROR_INTERNET_EXTENDED_ERROR), "421 Too many users, closing\n");
    EXPECT_FALSE(connection->IsOpen());
}

TEST_F(FtpFaultsTest, LoginAskingForAnAccount)
{
    m_server.Send("220 hi\r\n")
        .Reply("USER user", "331 pw please")
        .Reply("PASS pw", "332 account please")
        .Reply("ACCT", "230 in")
        .Reply("FEAT", "500 no FEAT here")
        .Reply("PWD", "257 \"/\"");
    ASSERT_TRUE(Connect());
}

TEST_F(FtpFaultsTest, MalformedEpsvReplyIsAnError)
{
    m_server.LogOn().Reply("EPSV", "229 Entering Extended Passive Mode (|||abc|)").Reply("PWD", "257 \"/\"");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    CFtpFileFind finder(connection.get());
    EXPECT_FALSE(finder.FindFile("*"));
    EXPECT_EQ(GetLastFtpErrorCode(), ERROR_INTERNET_INVALID_SERVER_RESPONSE);
    std::string dir;
    EXPECT_EQ(connection->GetCurrentDirectory(dir), 1);   // the control connection is still in step
}

TEST_F(FtpFaultsTest, MalformedPasvReplyIsAnError)
{
    m_server.LogOn()
        .Reply("TYPE I", "200 ok")
        .Reply("EPSV", "500 EPSV not understood")
        .Reply("PASV", "227 Entering Passive Mode (127,0,0,1,999,1)")
        .Reply("PASV", "227 nothing useful here");   // EPSV is not asked again
    auto connection = Connect();
    ASSERT_TRUE(connection);
    EXPECT_FALSE(connection->OpenFile("a"));
    EXPECT_EQ(GetLastFtpErrorCode(), ERROR_INTERNET_INVALID_SERVER_RESPONSE);
    EXPECT_FALSE(connection->OpenFile("a"));
    EXPECT_EQ(GetLastFtpErrorCode(), ERROR_INTERNET_INVALID_SERVER_RESPONSE);
}

TEST_F(FtpFaultsTest, PasvAddressIsIgnoredForThePeer)
{
    // The scripted PASV names 10.9.8.7; only the control peer is ever dialled.
    m_server.LogOn()
        .Reply("EPSV", "502 no")
        .OfferPassive("PASV")
        .Reply("LIST", "150 here it comes")
        .SendData("-rw-r--r-- 1 u g 3 Jan 01 2020 a.txt\r\n")
        .Send("226 done\r\n");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    const auto entries = FindAll(*connection, "*");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "a.txt");
}

TEST_F(FtpFaultsTest, GarbageListLinesAreSkippedAndUnsafeNamesLeftOut)
{
    const std::string listing = "total 12\r\n"
                                "-rw-r--r--   1 owner group        10 Jan 01  2020 good.txt\r\n"
                                "\x01\x02 binary junk \xff\r\n"
                                "this is not a listing line\r\n"
                                "drwxr-xr-x   2 owner group      4096 Mar 03  2021 folder\r\n"
                                "-rw-r--r--   1 owner group         5 Jan 01  2020 ../x\r\n"
                                "-rw-r--r--   1 owner group         5 Jan 01  2020 a/b\r\n"
                                "drwxr-xr-x   2 owner group      4096 Mar 03  2021 .\r\n"
                                "drwxr-xr-x   2 owner group      4096 Mar 03  2021 ..\r\n"
                                "\r\n"
                                "-rw-r--r--   1 owner group 123456789012 Feb 28  2022 last one\r\n";
    m_server.LogOn().OfferPassive("EPSV").Reply("LIST /pub", "150 ok").SendData(listing).Send("226 done\r\n");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    CFtpFileFind finder(connection.get());
    ASSERT_TRUE(finder.FindFile("/pub/*"));
    std::vector<std::string> names;
    bool sawDots = false;
    for (bool more = true; more;) {
        more = finder.FindNextFile();
        if (finder.IsDots()) {
            sawDots = true;
            continue;
        }
        names.push_back(finder.GetFileName());
        EXPECT_EQ(finder.GetFilePath(), "/pub/" + finder.GetFileName());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"good.txt", "folder", "last one"}));
    EXPECT_TRUE(sawDots);   // the server listed them, so they are there, marked as dots
    EXPECT_EQ(finder.GetBadNameCount(), 2u);
}

TEST_F(FtpFaultsTest, MlsdEntryNamedDotDotSlashIsLeftOut)
{
    const std::string listing = "type=file;size=3; ok.txt\r\n"
                                "type=file;size=3; ../x\r\n"
                                "type=dir; sub\r\n"
                                "type=cdir; /pub\r\n";
    m_server.LogOn({"MLST type*;size*;modify*;"})
        .OfferPassive("EPSV")
        .Reply("MLSD /pub", "150 ok")
        .SendData(listing)
        .Send("226 done\r\n");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    const auto entries = FindAll(*connection, "/pub/*");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(Named(entries, "ok.txt"));
    EXPECT_TRUE(Named(entries, "sub") && Named(entries, "sub")->bDirectory);
}

TEST_F(FtpFaultsTest, EmptyFolderReportedAsNoFilesFound)
{
    m_server.LogOn().OfferPassive("EPSV").Reply("LIST /e", "550 No files found");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    CFtpFileFind finder(connection.get());
    EXPECT_FALSE(finder.FindFile("/e/*"));
    EXPECT_EQ(GetLastFtpErrorCode(), ERROR_NO_MORE_FILES);
}

TEST_F(FtpFaultsTest, RefusedActiveModeFallsBackToPassiveForGood)
{
    m_server.LogOn()
        .Reply("EPRT ", "500 EPRT not understood")
        .Reply("PORT ", "500 PORT refused")
        .OfferPassive("EPSV")
        .Reply("LIST", "150 ok")
        .SendData("-rw-r--r-- 1 u g 1 Jan 01 2020 one\r\n")
        .Send("226 done\r\n")
        .OfferPassive("EPSV")   // straight to passive the second time
        .Reply("LIST", "150 ok")
        .SendData("-rw-r--r-- 1 u g 1 Jan 01 2020 two\r\n")
        .Send("226 done\r\n");
    auto connection = Connect(false);
    ASSERT_TRUE(connection);
    EXPECT_FALSE(connection->IsPassive());
    auto entries = FindAll(*connection, "*");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "one");
    EXPECT_TRUE(connection->IsPassive());
    entries = FindAll(*connection, "*");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "two");
}

TEST_F(FtpFaultsTest, ServerThatNeverConnectsInActiveModeFallsBackToPassive)
{
    m_server.LogOn()
        .Reply("TYPE I", "200 ok")
        .Reply("EPRT ", "200 ok")
        .Reply("RETR f", "150 opening")   // ... and never connects
        .Expect("ABOR")
        .Expect("NOOP")
        .Send("225 nothing to abort\r\n200 noop\r\n")
        .OfferPassive("EPSV")
        .Reply("RETR f", "150 opening")
        .SendData("payload")
        .Send("226 done\r\n");
    auto connection = Connect(false);
    ASSERT_TRUE(connection);
    std::string content;
    ASSERT_TRUE(ftptest::DownloadAll(*connection, "f", content)) << GetSystemErrorText(GetLastFtpErrorCode());
    EXPECT_EQ(content, "payload");
    EXPECT_TRUE(connection->IsPassive());
}

TEST_F(FtpFaultsTest, TransferFailedByTheServerIsNeverASuccess)
{
    m_server.LogOn()
        .Reply("TYPE I", "200 ok")
        .OfferPassive("EPSV")
        .Reply("RETR f", "150 opening")
        .SendData("part of it")
        .Send("451 Local error in processing\r\n");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    std::string content;
    EXPECT_FALSE(ftptest::DownloadAll(*connection, "f", content));
    EXPECT_EQ(GetLastFtpErrorCode(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(GetSystemErrorText(ERROR_INTERNET_EXTENDED_ERROR), "451 Local error in processing\n");
}

TEST_F(FtpFaultsTest, UploadRejectedAtTheEndIsAFailure)
{
    m_server.LogOn()
        .Reply("TYPE I", "200 ok")
        .OfferPassive("EPSV")
        .Reply("STOR g", "150 go ahead")
        .StallData("")
        .Pause(200)
        .Send("552 Disk quota exceeded\r\n");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    auto file = connection->OpenFile("g", GENERIC_WRITE);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Write("data", 4));
    EXPECT_FALSE(file->Close());
    EXPECT_EQ(GetSystemErrorText(ERROR_INTERNET_EXTENDED_ERROR), "552 Disk quota exceeded\n");
}

TEST_F(FtpFaultsTest, AbortOfAStalledTransferDoesNotWaitForTheServer)
{
    m_server.LogOn().Reply("TYPE I", "200 ok").OfferPassive("EPSV").Reply("RETR f", "150 opening").StallData("abc").Hang();
    CInternetException error;
    // Long reply and data time-outs: an abort that waited for them would show.
    m_server.Start();
    CInternetSession session("Vamlo/V1.40");
    CFtpTimeouts timeouts;
    timeouts.replyMs = 30000;
    timeouts.dataMs = 30000;
    session.SetTimeouts(timeouts);
    m_connection = session.GetFtpConnection("127.0.0.1", "user", "pw", m_server.Port(), true, error);
    ASSERT_TRUE(m_connection);
    auto file = m_connection->OpenFile("f");
    ASSERT_TRUE(file);
    char buffer[16];
    ASSERT_EQ(file->Read(buffer, sizeof buffer), 3);

    const auto start = std::chrono::steady_clock::now();
    file->Abort();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(10));   // far below the 30 s time-outs
    EXPECT_TRUE(ReceivedCommand("ABOR"));
    // The server never answered ABOR: the connection is given up, not left out of step.
    EXPECT_FALSE(m_connection->IsOpen());
    std::string dir;
    EXPECT_EQ(m_connection->GetCurrentDirectory(dir), 0);
}

TEST_F(FtpFaultsTest, TypeAndDirectoryAreSentOnlyWhenTheyChange)
{
    m_server.LogOn()
        .Reply("CWD /a", "250 ok")
        .Reply("TYPE A", "200 ok")
        .OfferPassive("EPSV")
        .Reply("RETR x", "150 ok")
        .SendData("1")
        .Send("226 done\r\n")
        .OfferPassive("EPSV")
        .Reply("RETR y", "150 ok")
        .SendData("2")
        .Send("226 done\r\n")
        .Reply("TYPE I", "200 ok")
        .OfferPassive("EPSV")
        .Reply("RETR z", "150 ok")
        .SendData("3")
        .Send("226 done\r\n")
        .Reply("PWD", "257 \"/a\"");
    auto connection = Connect();
    ASSERT_TRUE(connection);
    ASSERT_EQ(connection->SetCurrentDirectory("/a"), 1);
    ASSERT_EQ(connection->SetCurrentDirectory("/a"), 1);   // no second CWD
    std::string content;
    ASSERT_TRUE(ftptest::DownloadAll(*connection, "x", content, FTP_TRANSFER_TYPE_ASCII));
    ASSERT_TRUE(ftptest::DownloadAll(*connection, "y", content, FTP_TRANSFER_TYPE_ASCII));
    ASSERT_TRUE(ftptest::DownloadAll(*connection, "z", content, FTP_TRANSFER_TYPE_BINARY));
    std::string dir;
    ASSERT_EQ(connection->GetCurrentDirectory(dir), 1);
    EXPECT_EQ(dir, "/a");
}

TEST_F(FtpFaultsTest, CloseWithoutWaitingSendsQuitAndNeedsNoReply)
{
    // The server takes QUIT and never answers: the connection is closed all
    // the same, from our side, with no reply read.
    m_server.LogOn().Expect("QUIT").Hang();
    auto connection = Connect();
    ASSERT_TRUE(connection);
    connection->CloseWithoutWaiting();
    EXPECT_FALSE(connection->IsOpen());
    std::string directory;
    EXPECT_EQ(connection->GetCurrentDirectory(directory), 0);
    // The server reads the farewell on its own thread, in its own time.
    for (int i = 0; i < 500 && !ReceivedCommand("QUIT"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    m_server.Stop();
    ASSERT_FALSE(m_server.Received().empty());
    EXPECT_EQ(m_server.Received().back(), "QUIT");
}
