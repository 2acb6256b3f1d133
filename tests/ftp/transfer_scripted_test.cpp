// Transfers against a server that misbehaves in ways a real one will not on
// demand: a download cut short under a success reply, renames refused.
#include "ScriptedFtpServer.h"
#include "TransferHarness.h"
#include "ftp/InternetSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

const std::string kFeatures[] = {"MLST size*;type*;", "SIZE"};
constexpr const char* kRootPwd = "257 \"/\" is the current directory";

class ScriptedTransferTest : public ::testing::Test, public TransferProgram {
protected:
    void SetUp() override
    {
        SetUpProgram();
        site.m_strAddress = "ftp://127.0.0.1:" + std::to_string(m_server.Port());
    }

    void TearDown() override
    {
        TearDownProgram();
        site.m_pConnection.reset();
        m_server.Stop();
        EXPECT_EQ(m_server.Failure(), "");
    }

    // Runs the script and gives the site a passive connection to it.
    void Connect()
    {
        m_server.Start();
        CInternetSession session(kAgentName);
        session.SetTimeouts(FtpServerFixture::ShortTimeouts());
        CInternetException error;
        site.m_pConnection = session.GetFtpConnection("127.0.0.1", "user", "pw", m_server.Port(), true, error);
        ASSERT_TRUE(site.m_pConnection) << error.m_strMessage;
    }

    // The commands of a Put of one file into /in, up to its upload to the
    // temporary name (found tells whether the target exists).
    void ScriptPutUpToTheUpload(bool found)
    {
        m_server.LogOn({std::begin(kFeatures), std::end(kFeatures)})
            .Reply("PWD", kRootPwd)
            .OfferPassive("EPSV")
            .Reply("MLSD /in", "150 listing")
            .SendData(found ? "size=3;type=file; a.txt\r\n" : "")
            .Send("226 done\r\n")
            .Reply("CWD /in", "250 ok")
            .Reply("TYPE I", "200 ok")
            .OfferPassive("EPSV")
            .Reply("STOR .a.txt.vamlo-part-", "150 go")
            .ReceiveData()
            .Send("226 stored\r\n");
    }

    void PutA()
    {
        WriteWholeFile(local.File("a.txt"), "hello");
        prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES});
        Connect();
        Put({{local.File("a.txt"), false}}, "/in");
    }

    std::string PutLog(const std::string& beforeSuccess) const
    {
        return Banner(Address()) + "\n\n===== Putting File ============\n     Source:  " + local.File("a.txt") +
               "\nDestination:  /in//a.txt" + beforeSuccess + "\n===== Success =================" +
               "\n\n===== Have successfully sent 1 of total 1 files to the remote site " + Address() + " =====" +
               EndBanner();
    }

    // A Get of /f over an older local file, where the server announces
    // `size` bytes, sends five and ends with `end`: the old file stays.
    void GetOverAnOldFile(const char* size, const char* end, const char* cause)
    {
        m_server.LogOn({std::begin(kFeatures), std::end(kFeatures)})
            .Reply("PWD", kRootPwd)
            .Reply("MLST /f", std::string("250-Listing /f\r\n size=") + size + ";type=file; /f\r\n250 End")
            .Reply("TYPE I", "200 ok")
            .OfferPassive("EPSV")
            .Reply("RETR /f", "150 here it comes")
            .SendData("12345")
            .Send(std::string(end) + "\r\n");
        const std::string target = local.File("target");
        WriteWholeFile(target + "/f", "old local");
        prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES});
        Connect();
        Get({{"/f", false}}, target);
        EXPECT_EQ(ReadWholeFile(target + "/f"), "old local");
        EXPECT_EQ(FolderEntries(target), std::vector<std::string>{"f"});
        const std::string log = Log();
        EXPECT_NE(log.find(std::string("***** Failure *****************\nCause: ") + cause), std::string::npos) << log;
        EXPECT_EQ(log.find("===== Success"), std::string::npos) << log;
        EXPECT_TRUE(doc->TransferredNames().empty());
    }

    ScriptedFtpServer m_server;
};

} // namespace

TEST_F(ScriptedTransferTest, ADownloadShorterThanItsKnownSizeIsAFailure)
{
    GetOverAnOldFile("10", "226 done", "The server sent 5 of the 10 bytes of the file");
}

TEST_F(ScriptedTransferTest, ADownloadTheServerReportsAsFailedIsAFailure)
{
    // Every byte arrived, but the server's final reply says the transfer failed.
    GetOverAnOldFile("5", "451 Local error in processing", "451 Local error in processing");
}

class RenameAsideTest : public ScriptedTransferTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RenameAsideTest, RenameRefusedOntoAnExistingFileMovesItAsideUntilTheNewOneIsIn)
{
    // The old file never goes before the new one holds its name.
    ScriptPutUpToTheUpload(true);
    m_server.Reply("SIZE .a.txt.vamlo-part-", "213 5")
        .Reply("RNFR .a.txt.vamlo-part-", "350 ready")
        .Reply("RNTO a.txt", "553 File exists")
        .Reply("RNFR a.txt", "350 ready")
        .Reply("RNTO .a.txt.vamlo-part-", "250 renamed")
        .Reply("RNFR .a.txt.vamlo-part-", "350 ready")
        .Reply("RNTO a.txt", GetParam() ? "250 renamed" : "553 Not now");
    if (!GetParam())
        m_server.Reply("RNFR .a.txt.vamlo-part-", "350 ready").Reply("RNTO a.txt", "250 back");
    m_server.Reply("DELE .a.txt.vamlo-part-", "250 deleted");
    PutA();
    EXPECT_EQ(m_server.DataReceived(), std::vector<std::string>{"hello"});
    if (GetParam())
        EXPECT_EQ(Log(), PutLog(""));
    else
        EXPECT_NE(Log().find("***** Failure *****************\nCause: 553 Not now"), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(NewFileInOrNot, RenameAsideTest, ::testing::Bool());

TEST_F(ScriptedTransferTest, AGetIntoFoldersWithoutEndFailsAtTheDepthBoundWithALine)
{
    m_server.LogOn().Reply("PWD", kRootPwd);
    for (int walk = 0; walk < 2; ++walk) {   // the count, then the Get's own walk
        std::string path = "/t";
        for (int level = 0; level <= 100; ++level, path += "/d")
            m_server.OfferPassive("EPSV").Reply("LIST " + path, "150 ok")
                .SendData("drwxr-xr-x 2 u g 0 Jan 01 2020 d\r\n").Send("226 done\r\n");
    }
    std::filesystem::create_directory(Target());
    Connect();
    Get({{"/t", true}}, Target());
    EXPECT_NE(Log().find("cannot be listed: it lies more than 100 folders deep"), std::string::npos) << Log();
}

TEST_F(ScriptedTransferTest, AnUploadTheServerHoldsShortIsAFailure)
{
    ScriptPutUpToTheUpload(true);
    m_server.Reply("SIZE .a.txt.vamlo-part-", "213 3").Reply("DELE .a.txt.vamlo-part-", "250 deleted");
    PutA();
    const std::string log = Log();
    EXPECT_NE(log.find("***** Failure *****************\nCause: The server holds 3 of the 5 bytes sent"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("===== Success"), std::string::npos) << log;
    EXPECT_TRUE(doc->TransferredNames().empty());
}

TEST_F(ScriptedTransferTest, ALinkIsTrustedWhateverSizeItsListingLineShows)
{
    // No MLST and no SIZE: the size comes from the parent's listing, where a
    // link shows the length of its own text, not of the file it leads to.
    m_server.LogOn()
        .Reply("PWD", kRootPwd)
        .OfferPassive("EPSV")
        .Reply("LIST /", "150 listing")
        .SendData("lrwxrwxrwx 1 u g 6 Jan 01 2024 link -> target\r\n")
        .Send("226 done\r\n")
        .Reply("TYPE I", "200 ok")
        .OfferPassive("EPSV")
        .Reply("RETR /link", "150 here it comes")
        .SendData("0123456789")
        .Send("226 done\r\n");
    const std::string target = local.File("target");
    Connect();
    Get({{"/link", false}}, target);
    EXPECT_EQ(ReadWholeFile(target + "/link"), "0123456789") << Log();
    EXPECT_NE(Log().find("===== Success"), std::string::npos) << Log();
}

// Cancel wakes a Get's wait for the next byte of a listing that trickles in
// (well inside the data time-out): the job ends as cancelled, telling no failure.
TEST_F(ScriptedTransferTest, CancelEndsAGetWhileItsListingTrickles)
{
    m_server.LogOn({std::begin(kFeatures), std::end(kFeatures)}).Reply("PWD", kRootPwd).OfferPassive("EPSV")
        .Reply("MLSD /f", "150 here it comes").StallData(std::string(200, 'x'), 25);
    Connect();
    doc->m_strCurrentFolder = Target();
    ASSERT_EQ(doc->StartGetJob(EntryList({{"/f", true}}, LOCATION_REMOTE), NOTIFY_LIST, nullptr, nullptr), 1);
    for (int i = 0; i < 1000 && m_server.Trickled() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    doc->m_bCancelTransfer = 1;
    doc->WaitForTransfer();
    EXPECT_LT(m_server.Trickled(), 200u);
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_NE(Log().find(CActionLog::m_strGetCanceled), std::string::npos) << Log();
    EXPECT_EQ(Log().find("Failure"), std::string::npos) << Log();
}

// A file listed with one size that comes with another is asked about once
// more: a short copy of an unchanged file fails, a file that changed since
// its listing arrives as it now is.
class ListedSizeTest : public ScriptedTransferTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ListedSizeTest, AFileThatDiffersFromItsListingIsAskedAboutOnceMore)
{
    const bool changed = GetParam();
    m_server.LogOn({std::begin(kFeatures), std::end(kFeatures)}).Reply("PWD", kRootPwd);
    for (int walk = 0; walk < 2; ++walk)   // the count, then the Get's own walk
        m_server.OfferPassive("EPSV").Reply("MLSD /d", "150 ok").SendData("size=10;type=file; f\r\n").Send("226 done\r\n");
    m_server.Reply("TYPE I", "200 ok")
        .OfferPassive("EPSV")
        .Reply("RETR /d//f", "150 here it comes")
        .SendData("12345")
        .Send("226 done\r\n")
        .Reply("MLST /d//f", std::string("250-Listing\r\n size=") + (changed ? "5" : "10") + ";type=file; /d//f\r\n250 End");
    Connect();
    Get({{"/d", true}}, Target());
    if (changed)
        EXPECT_EQ(ReadWholeFile(Target() + "/d/f"), "12345") << Log();
    else
        EXPECT_NE(Log().find("Cause: The server sent 5 of the 10 bytes of the file"), std::string::npos) << Log();
    EXPECT_EQ(FolderEntries(Target() + "/d"), changed ? std::vector<std::string>{"f"} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(ChangedOrNot, ListedSizeTest, ::testing::Bool());
