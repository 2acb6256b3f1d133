// Protocol faults a real server will not produce on demand, played by a
// scripted server: hangs, floods, split and malformed replies, bad listings,
// refused active mode, and a transfer that stalls.
#include "FtpTestHelpers.h"
#include "ScriptedFtpServer.h"
#include "ScriptedPrompts.h"
#include "fileops/RemoteDelete.h"
#include "model/SiteInfo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <tuple>
#include <thread>

using ftptest::FindAll;

namespace {

std::shared_ptr<CFtpConnection> ConnectTo(ScriptedFtpServer& server, bool passive, CInternetException& error,
    int replyMs = 5000)
{
    server.Start();
    CInternetSession session("Vamlo/V1.40");
    CFtpTimeouts timeouts;
    timeouts.connectMs = 5000;
    timeouts.replyMs = replyMs;
    timeouts.dataMs = 5000;
    timeouts.acceptMs = 2000;
    session.SetTimeouts(timeouts);
    return session.GetFtpConnection("127.0.0.1", "user", "pw", server.Port(), passive, error);
}

class FtpFaultsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        m_connection.reset();
        m_server.Stop();
        EXPECT_EQ(m_server.Failure(), "");
    }

    std::shared_ptr<CFtpConnection> Connect(bool passive = true)
    {
        CInternetException error;
        m_connection = ConnectTo(m_server, passive, error);
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

std::string Flood()
{
    std::string flood = "220-start\r\n";
    for (int i = 0; i < 2000; ++i)
        flood += "220-again\r\n";
    return flood;
}

} // namespace

TEST(FtpFaultsLogOnTest, HangsAndFloodsBeforeTheLogOnAreErrorsNotHangs)
{
    struct Case {
        const char* what;
        std::function<void(ScriptedFtpServer&)> script;
        int replyMs;
        int error;
    };
    const Case cases[] = {
        {"silent", [](ScriptedFtpServer& s) { s.Hang(); }, 300, ERROR_INTERNET_TIMEOUT},
        {"hangs after the greeting", [](ScriptedFtpServer& s) { s.Send("220 hello\r\n").Hang(); }, 300,
         ERROR_INTERNET_TIMEOUT},
        {"one megabyte line",
         [](ScriptedFtpServer& s) {
             s.Send("220 hi\r\n").Expect("USER ").Send("331 " + std::string(1 << 20, 'A') + "\r\n");
         },
         5000, ERROR_INTERNET_INVALID_SERVER_RESPONSE},
        {"endless multi-line reply", [](ScriptedFtpServer& s) { s.Send(Flood()); }, 5000,
         ERROR_INTERNET_INVALID_SERVER_RESPONSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedFtpServer server;
        c.script(server);
        CInternetException error;
        EXPECT_FALSE(ConnectTo(server, false, error, c.replyMs));
        EXPECT_EQ(error.m_dwError, c.error);
        if (c.error == ERROR_INTERNET_TIMEOUT) {
            EXPECT_EQ(error.m_strMessage, "The operation timed out\n");
        }
        server.Stop();
        EXPECT_EQ(server.Failure(), "");
    }
}

TEST_F(FtpFaultsTest, SplitAndMultiLineRepliesAndALogOnThatAsksForAnAccount)
{
    m_server.Send("22").Pause(50).Send("0-Welcome\r\n220-more of it\r").Pause(50).Send("\n220 ready\r\n")
        .Expect("USER ").Send("331 ").Pause(50).Send("send password\r\n")
        .Reply("PASS ", "332 account please")
        .Reply("ACCT", "230-Logged in\r\n230-\r\n230 ok")
        .Expect("FEAT").Send("211-Features:\r\n UTF8\r\n MLST type*;size*;\r\n").Pause(50).Send("211 End\r\n")
        .Reply("OPTS UTF8 ON", "200 ok")
        .Reply("PWD", "257 \"/home/\"\"q\"\"\" is current");
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(ReceivedCommand("OPTS UTF8 ON"));
}

// A reply that makes no sense, or a 421, leaves the connection closed with
// the cause as the thread's error.
TEST(FtpFaultsCommandTest, GarbageOrA421ClosesTheConnection)
{
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        {"MKD d", "this is not ftp", ERROR_INTERNET_INVALID_SERVER_RESPONSE, ""},
        {"MKD d", "421 Too many users, closing", ERROR_INTERNET_EXTENDED_ERROR, "421 Too many users, closing\n"},
    };
    for (const auto& [command, reply, code, text] : cases) {
        SCOPED_TRACE(reply);
        ScriptedFtpServer server;
        server.LogOn().Reply(command, reply);
        CInternetException error;
        auto connection = ConnectTo(server, true, error);
        ASSERT_TRUE(connection);
        EXPECT_EQ(connection->CreateDirectory("d"), 0);
        EXPECT_EQ(GetLastNetErrorCode(), code);
        if (*text) {
            EXPECT_EQ(GetSystemErrorText(code), text);
        }
        EXPECT_FALSE(connection->IsOpen());
        connection.reset();
        server.Stop();
        EXPECT_EQ(server.Failure(), "");
    }
}

TEST_F(FtpFaultsTest, MalformedPassiveRepliesAreErrorsAndTheControlConnectionStaysInStep)
{
    m_server.LogOn()
        .Reply("EPSV", "229 Entering Extended Passive Mode (|||abc|)")
        .Reply("PWD", "257 \"/\"")
        .Reply("TYPE I", "200 ok")
        .Reply("EPSV", "500 EPSV not understood")
        .Reply("PASV", "227 Entering Passive Mode (127,0,0,1,999,1)")
        .Reply("PASV", "227 nothing useful here");   // EPSV is not asked again
    ASSERT_TRUE(Connect());
    CFtpFileFind finder(m_connection.get());
    EXPECT_FALSE(finder.FindFile("*"));
    EXPECT_EQ(GetLastNetErrorCode(), ERROR_INTERNET_INVALID_SERVER_RESPONSE);
    std::string dir;
    EXPECT_EQ(m_connection->GetCurrentDirectory(dir), 1);
    for (int round = 0; round < 2; ++round) {
        EXPECT_FALSE(m_connection->OpenFile("a"));
        EXPECT_EQ(GetLastNetErrorCode(), ERROR_INTERNET_INVALID_SERVER_RESPONSE);
    }
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
    m_server.LogOn().OfferPassive("EPSV").Reply("LIST /pub", "150 ok").SendData(listing).Send("226 done\r\n")
        .OfferPassive("EPSV").Reply("LIST /e", "550 No files found");
    ASSERT_TRUE(Connect());
    CFtpFileFind finder(m_connection.get());
    ASSERT_TRUE(finder.FindFile("/pub/*"));
    std::vector<std::string> names;
    int dots = 0;
    for (bool more = true; more;) {
        more = finder.FindNextFile();
        if (finder.IsDots()) {
            ++dots;   // the server listed them, so they are there, marked as dots
            continue;
        }
        names.push_back(finder.GetFileName());
        EXPECT_EQ(finder.GetFilePath(), "/pub/" + finder.GetFileName());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"good.txt", "folder", "last one"}));
    EXPECT_EQ(dots, 2);
    EXPECT_EQ(finder.GetBadNameCount(), 2u);

    // Some servers say an empty folder is an error.
    EXPECT_FALSE(finder.FindFile("/e/*"));
    EXPECT_EQ(GetLastNetErrorCode(), ERROR_NO_MORE_FILES);
}

TEST_F(FtpFaultsTest, ADeleteIntoFoldersWithoutEndStopsAtTheDepthOrPathBound)
{
    const std::tuple<std::string, int, const char*> cases[] = {
        {"d", 101, "it lies more than 100 folders deep"},
        {std::string(200, 'n'), 21, "its path is longer than 4096 bytes"}};
    for (const auto& [name, lists, why] : cases) {
        ScriptedFtpServer server;   // always one more folder below
        server.LogOn();
        std::string path = "/t";
        for (int level = 0; level < lists; ++level, path += "/" + name)
            server.OfferPassive("EPSV").Reply("LIST " + path, "150 ok")
                .SendData("drwxr-xr-x 2 u g 0 Jan 01 2020 " + name + "\r\n").Send("226 done\r\n");
        CInternetException error;
        CVamloSiteInfo site;
        site.m_pConnection = ConnectTo(server, true, error);
        ScriptedPrompts prompts;
        EXPECT_EQ(CRemoteDelete(&site, prompts).DeleteRemoteFolder("/t"), 0);
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Failed to delete directory \"" + path + "\" since " + why + "."});
        EXPECT_EQ(server.Failure(), "");
    }
}

// A listing that trickles in a byte at a time fails once it falls below its
// minimum pace, instead of holding its caller for as long as the server likes.
TEST_F(FtpFaultsTest, ATricklingListingFailsInsteadOfHoldingItsCaller)
{
    m_server.LogOn().OfferPassive("EPSV").Reply("LIST /pub", "150 ok").StallData(std::string(400, 'x'), 50);
    ASSERT_TRUE(Connect());
    EXPECT_FALSE(CFtpFileFind(m_connection.get()).FindFile("/pub/*"));
    EXPECT_EQ(GetLastNetErrorCode(), ERROR_INTERNET_TIMEOUT);
    EXPECT_LT(m_server.Trickled(), 400u);
}

TEST_F(FtpFaultsTest, RefusedActiveModeFallsBackToPassiveForGoodAndDialsOnlyTheControlPeer)
{
    // The scripted PASV names 10.9.8.7; only the control peer is ever dialled.
    m_server.LogOn()
        .Reply("EPRT |1|127.0.0.1|", "500 EPRT not understood")
        .Reply("PORT 127,0,0,1,", "500 PORT refused")
        .Reply("EPSV", "502 no")
        .OfferPassive("PASV")
        .Reply("LIST", "150 ok")
        .SendData("-rw-r--r-- 1 u g 1 Jan 01 2020 one\r\n")
        .Send("226 done\r\n")
        .OfferPassive("PASV")   // straight to passive, and no EPSV, the second time
        .Reply("LIST", "150 ok")
        .SendData("-rw-r--r-- 1 u g 1 Jan 01 2020 two\r\n")
        .Send("226 done\r\n");
    ASSERT_TRUE(Connect(false));
    EXPECT_FALSE(m_connection->IsPassive());
    for (const char* name : {"one", "two"}) {
        const auto entries = FindAll(*m_connection, "*");
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].name, name);
        EXPECT_TRUE(m_connection->IsPassive());
    }
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
    ASSERT_TRUE(Connect(false));
    std::string content;
    ASSERT_TRUE(ftptest::DownloadAll(*m_connection, "f", content)) << GetSystemErrorText(GetLastNetErrorCode());
    EXPECT_EQ(content, "payload");
    EXPECT_TRUE(m_connection->IsPassive());
}

// A download whose last reply is a failure is never a success (an upload's
// is tested against a real server that ends it with 552).
TEST_F(FtpFaultsTest, TransfersFailedByTheServerAtTheEndAreFailures)
{
    m_server.LogOn()
        .Reply("TYPE I", "200 ok")
        .OfferPassive("EPSV")
        .Reply("RETR f", "150 opening")
        .SendData("part of it")
        .Send("451 Local error in processing\r\n");
    ASSERT_TRUE(Connect());
    std::string content;
    EXPECT_FALSE(ftptest::DownloadAll(*m_connection, "f", content));
    EXPECT_EQ(GetLastNetErrorCode(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(GetSystemErrorText(ERROR_INTERNET_EXTENDED_ERROR), "451 Local error in processing\n");
}

TEST_F(FtpFaultsTest, AbortOfAStalledTransferGivesUpTheConnection)
{
    m_server.LogOn().Reply("TYPE I", "200 ok").OfferPassive("EPSV").Reply("RETR f", "150 opening").StallData("abc").Hang();
    ASSERT_TRUE(Connect());
    auto file = m_connection->OpenFile("f");
    ASSERT_TRUE(file);
    char buffer[16];
    ASSERT_EQ(file->Read(buffer, sizeof buffer), 3);
    file->Abort();
    EXPECT_TRUE(ReceivedCommand("ABOR"));
    // The server never answered ABOR: the connection is given up, not left out of step.
    EXPECT_FALSE(m_connection->IsOpen());
    std::string dir;
    EXPECT_EQ(m_connection->GetCurrentDirectory(dir), 0);
}

TEST_F(FtpFaultsTest, CloseWithoutWaitingSendsQuitAndNeedsNoReply)
{
    m_server.LogOn().Expect("QUIT").Hang();
    ASSERT_TRUE(Connect());
    m_connection->CloseWithoutWaiting();
    EXPECT_FALSE(m_connection->IsOpen());
    std::string directory;
    EXPECT_EQ(m_connection->GetCurrentDirectory(directory), 0);
    // The server reads the farewell on its own thread, in its own time.
    for (int i = 0; i < 500 && !ReceivedCommand("QUIT"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    m_server.Stop();
    ASSERT_FALSE(m_server.Received().empty());
    EXPECT_EQ(m_server.Received().back(), "QUIT");
}
