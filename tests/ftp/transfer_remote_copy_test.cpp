#include "TransferHarness.h"
#include "transfer/RemoteCopyDriver.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Site A (the harness's site, the clipboard's source) and a second server
// with site B, the target that the panes show.
class RemoteCopyTest : public TransferFixture {
protected:
    void SetUp() override
    {
        TransferFixture::SetUp();
        ASSERT_TRUE(m_serverB.Start()) << m_serverB.LastError();
        siteB.m_strAddress = "ftp://127.0.0.1:" + std::to_string(m_serverB.Port());
        siteB.m_strUserName = "user";
        siteB.m_strPassword = "secret";
        ASSERT_EQ(siteB.Connect(app), 1);
        doc->m_pCurrentSite = &siteB;
        mkdir(m_server.Path("src").c_str(), 0755);
        mkdir(m_serverB.Path("in").c_str(), 0755);
    }

    void Copy(std::vector<std::pair<std::string, bool>> entries, const std::string& into)
    {
        doc->m_strCurrentFolder = into;
        ASSERT_EQ(doc->StartRemoteCopyJob(EntryList(entries, LOCATION_REMOTE), NOTIFY_LIST, nullptr, nullptr), 1);
        doc->WaitForTransfer();
    }

    std::string AddressB() const { return siteB.m_strAddress; }
    std::string Temp(const std::string& name = "") const
    {
        return name.empty() ? app.m_strTempDirPath : app.m_strTempDirPath + "/" + name;
    }
    std::string TransferBanner() const
    {
        return "\n\n" + std::string(65, '/') + "\n///// Source Ftp Site Address:  " + Address() +
               "\n///// Target Ftp Site Address:  " + AddressB() + "\n///// Action Started At: <time>";
    }

    FtpServerProcess m_serverB;
    CVamloSiteInfo siteB;
};

} // namespace

TEST_F(RemoteCopyTest, FolderFromOneSiteArrivesInTheOtherAndIsLoggedWhole)
{
    mkdir(m_server.Path("src/docs").c_str(), 0755);
    mkdir(m_server.Path("src/docs/sub").c_str(), 0755);
    WriteWholeFile(m_server.Path("src/docs/a.txt"), "alpha");
    WriteWholeFile(m_server.Path("src/docs/sub/b.txt"), "beta");
    WriteWholeFile(m_server.Path("src/top.txt"), "top");

    Copy({{"/src//docs", true}, {"/src//top.txt", false}}, "/in");

    EXPECT_EQ(ReadWholeFile(m_serverB.Path("in/docs/a.txt")), "alpha");
    EXPECT_EQ(ReadWholeFile(m_serverB.Path("in/docs/sub/b.txt")), "beta");
    EXPECT_EQ(ReadWholeFile(m_serverB.Path("in/top.txt")), "top");
    // What arrived stays in the temporary folder until the next copy.
    EXPECT_EQ(ReadWholeFile(Temp("docs/sub/b.txt")), "beta");
    // Made by the copy for the user alone: what passes through is no one else's to read.
    EXPECT_EQ(std::filesystem::status(Temp()).permissions(), std::filesystem::perms::owner_all);

    const std::string got = " files into the local temp directory from the remote site " + Address() + " =====";
    const std::string sent = " files from the local temp directory to the remote site " + AddressB() + " =====";
    const std::string summary = "\n\n\n///// Have successfully transferred 3 of total 3 files from the ftp site \"" +
                                Address() + "\" to the ftp site \"" + AddressB() +
                                "\".\n///// Remote to remote file transfer action ended.\n" + std::string(64, '/');
    const std::string expected =
        TransferBanner() +
        "\n\n===== Creating Directory ======\nTarget Directory: " + Temp("docs") + "\n===== Success =================" +
        "\n\n===== Getting File ============\n     Source:  /src//docs//a.txt\nDestination:  " + Temp("docs/a.txt") +
        "\n===== Success =================\n\n===== Have successfully received 1 of total 3" + got +
        "\n\n===== Creating Directory ======\nTarget Directory: " + Temp("docs/sub") +
        "\n===== Success =================" +
        "\n\n===== Getting File ============\n     Source:  /src//docs//sub//b.txt\nDestination:  " +
        Temp("docs/sub/b.txt") + "\n===== Success =================\n\n===== Have successfully received 2 of total 3" +
        got +
        "\n\n===== Getting File ============\n     Source:  /src//top.txt\nDestination:  " + Temp("top.txt") +
        "\n===== Success =================\n\n===== Have successfully received 3 of total 3" + got;
    const std::string log = Log();
    ASSERT_EQ(log.substr(0, expected.size()), expected) << log;
    // The Put leg walks the temporary folder in the order the disk gives.
    const std::string putLeg = log.substr(expected.size());
    const std::string put = "\n\n===== Putting File ============\n     Source:  ";
    const std::string done = "\n===== Success =================";
    for (const std::string& step : {"\n\n===== Creating Directory ======\nTarget Directory: /in//docs" + done,
                                    put + Temp("docs/sub/b.txt") + "\nDestination:  /in//docs//sub//b.txt" + done,
                                    put + Temp("top.txt") + "\nDestination:  /in//top.txt" + done})
        EXPECT_NE(putLeg.find(step), std::string::npos) << putLeg;
    // The summary ends the log.
    EXPECT_EQ(putLeg.substr(putLeg.find("\n\n===== Have successfully sent 3 of total 3")),
              "\n\n===== Have successfully sent 3 of total 3" + sent + summary)
        << putLeg;
    EXPECT_EQ(log.find("Action Ended At"), std::string::npos);
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(status.titles, std::vector<std::string>{"Getting data from the remote site, please wait..."});
    EXPECT_EQ(status.open, 0);
    EXPECT_EQ(status.shown, 1);
    // The list selects what arrived at the top of the target folder.
    std::vector<std::string> names = doc->TransferredNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"docs", "top.txt"}));
}

// Cancel in the middle of a large file, in a Get, a Put (to site B, the
// current one) and either leg of a copy: nothing of the file is left where
// it was going, an older file stays, and the action ends with the canceled
// line and the end banner.
TEST_F(RemoteCopyTest, CancelInTheMiddleOfAFileLeavesNothingOfItBehind)
{
    const std::string big(8 * 1024 * 1024, 'g');
    WriteWholeFile(m_server.Path("src/big.bin"), big);
    WriteWholeFile(m_server.Path("src/later.txt"), "later");
    mkdir(local.File("src").c_str(), 0755);
    WriteWholeFile(local.File("src/big.bin"), big);
    const auto nothingAt = [&](const std::string& folder) { EXPECT_TRUE(FolderEntries(folder).empty()) << folder; };
    // The older file, alone in its folder.
    const auto onlyTheOld = [](const std::string& folder) {
        EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"big.bin"});
        EXPECT_EQ(ReadWholeFile(folder + "/big.bin"), "the old contents");
        std::filesystem::remove(folder + "/big.bin");
    };
    struct Case {
        const char* what;
        std::function<void()> run;
        const char* message1;
        const char* leg;
        const char* action;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"get over an older file",
         [&] {
             WriteWholeFile(Target() + "/big.bin", "the old contents");
             Get({{"/src//big.bin", false}}, Target());
         },
         "Getting file: /src//big.bin", "Get", "Get",
         [&] { onlyTheOld(Target()); }},
        {"put", [&] { Put({{local.File("src/big.bin"), false}}, "/in"); }, "Putting file: /in//big.bin", "Put", "Put",
         [&] { nothingAt(m_serverB.Path("in")); }},
        {"put over an older file",
         [&] {
             WriteWholeFile(m_serverB.Path("in/big.bin"), "the old contents");
             Put({{local.File("src/big.bin"), false}}, "/in");
         },
         "Putting file: /in//big.bin", "Put", "Put",
         [&] { onlyTheOld(m_serverB.Path("in")); }},
        {"get leg of a copy", [&] { Copy({{"/src//big.bin", false}, {"/src//later.txt", false}}, "/in"); },
         "Getting file: /src//big.bin", "Get", "Get",
         [&] {
             nothingAt(m_serverB.Path("in"));
             nothingAt(Temp());
             EXPECT_EQ(Log().find("later.txt"), std::string::npos);
         }},
        // The Put leg walks the temporary folder in the disk's order: one file only there.
        {"put leg of a copy", [&] { Copy({{"/src//big.bin", false}}, "/in"); }, "Putting file: /in//big.bin", "Put",
         "Get",
         [&] {
             nothingAt(m_serverB.Path("in"));
             EXPECT_EQ(ReadWholeFile(Temp("big.bin")), big);   // fetched: it stays until the next copy
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES});
        const std::string message1 = c.message1;
        status.onMessages = [&](const std::string& m1, const std::string& m2, CTransferCancel* cancel) {
            if (m1 == message1 && (m2.rfind("Received 1", 0) == 0 || m2.rfind("Sent 1", 0) == 0))
                *cancel = 1;
        };
        c.run();
        c.check();
        const std::string log = Log();   // each action's banner starts the log afresh
        const std::string tail = "***** Failure *****************\nCause: " + std::string(c.leg) +
                                 " action was cancelled\n\n***** Action \"" + c.action + "\" Canceled *****" +
                                 EndBanner();
        ASSERT_GE(log.size(), tail.size());
        EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << log;
        EXPECT_EQ(log.find("Have successfully transferred"), std::string::npos);
        EXPECT_EQ(log.find(c.leg == std::string("Put") ? "Have successfully sent" : "Have successfully received"),
                  std::string::npos);
        EXPECT_TRUE(doc->TransferredNames().empty());
        EXPECT_EQ(status.open, 0);
    }
}

TEST_F(RemoteCopyTest, ALostSourceThatIsNotRestoredTransfersNothing)
{
    mkdir(Temp().c_str(), 0755);
    WriteWholeFile(Temp("stale.txt"), "stale");
    WriteWholeFile(m_server.Path("src/f.txt"), "f");
    m_server.Stop();
    prompts.Answer(MsgResult::No);

    Copy({{"/src//f.txt", false}}, "/in");

    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"The connection to the source ftp site \"" + Address() +
                                                         "\" is broken.\nDo you want to reconnect to the ftp site?"});
    EXPECT_TRUE(FolderEntries(Temp()).empty());
    EXPECT_TRUE(std::filesystem::is_empty(m_serverB.Path("in")));
    EXPECT_EQ(Log(), TransferBanner());
    EXPECT_EQ(site.m_pConnection, nullptr);
    EXPECT_NE(siteB.m_pConnection, nullptr);
    EXPECT_EQ(status.open, 0);
    EXPECT_EQ(status.shown, 0);   // shown only once the source answers
}

TEST_F(RemoteCopyTest, ATargetThatCannotBeReconnectedEndsAfterTheGetLeg)
{
    WriteWholeFile(m_server.Path("src/f.txt"), "f");
    m_serverB.Stop();
    prompts.Answer(MsgResult::Yes);
    std::vector<std::string> connecting;
    status.onMessages = [&connecting](const std::string& m1, const std::string&, CTransferCancel*) {
        if (m1.find("onnect") != std::string::npos)
            connecting.push_back(m1);
    };

    Copy({{"/src//f.txt", false}}, "/in");

    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{"The connection to the target ftp site \"" + AddressB() +
                                            "\" is broken.\nDo you want to reconnect to the ftp site?",
                                        "Failed to connect to the ftp site \"" + AddressB() +
                                            "\".\nCause: Could not connect to the server\n",
                                        "Failed to reconnect to the target ftp site \"" + AddressB() +
                                            "\".\nPlease try to reconnect to the ftp site later."}));
    EXPECT_EQ(connecting, (std::vector<std::string>{"Connecting to ftp site: " + AddressB(),
                                                    "***** Failed to reconnect to the target ftp site: " +
                                                        AddressB()}));
    EXPECT_EQ(ReadWholeFile(Temp("f.txt")), "f");
    const std::string log = Log();
    const std::string tail = " =====\n***** Failed to reconnect to the target ftp site: " + AddressB();
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << log;
    EXPECT_EQ(siteB.m_pConnection, nullptr);
    EXPECT_EQ(status.open, 0);
}

TEST_F(RemoteCopyTest, NothingIsFetchedWhenTheSourceDoesNotFitOnTheTemporaryVolume)
{
    WriteWholeFile(m_server.Path("src/f.txt"), std::string(5000, 'x'));
    mkdir(m_server.Path("src/d").c_str(), 0755);
    WriteWholeFile(m_server.Path("src/d/g.txt"), std::string(3000, 'y'));
    TransferJob job;
    job.m_pSourceSite = &site;
    job.m_pTargetSite = &siteB;
    job.m_strTargetFolder = "/in";
    CRemoteCopyDriver driver(*doc, job);
    driver.m_fnFreeBytes = [](const std::string&) { return 7999LL; };
    driver.RemoteCopyEntries(EntryList({{"/src//f.txt", false}, {"/src//d", true}}, LOCATION_REMOTE));

    const std::string cause = "The files to transfer need 8000 bytes, but only 7999 bytes are free for the "
                              "temporary directory \"" + Temp() + "\".";
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"There is not enough free disk space for the remote to remote file "
                                       "transfer.\n" + cause +
                                       "\nPlease free some disk space before trying to do remote to remote file "
                                       "transfer."});
    EXPECT_EQ(Log(), TransferBanner() + "\n***** Failure *****************\nCause: " + cause + EndBanner());
    EXPECT_TRUE(FolderEntries(Temp()).empty());
    EXPECT_TRUE(std::filesystem::is_empty(m_serverB.Path("in")));

    // Just enough room: the copy goes ahead.
    driver.m_fnFreeBytes = [](const std::string&) { return 8000LL; };
    driver.RemoteCopyEntries(EntryList({{"/src//f.txt", false}, {"/src//d", true}}, LOCATION_REMOTE));
    EXPECT_EQ(ReadWholeFile(m_serverB.Path("in/d/g.txt")), std::string(3000, 'y'));
}

// A link in place of the temporary folder is never used; leftovers of an
// earlier copy inside a real one go without a question, links not followed.
TEST_F(RemoteCopyTest, TheTemporaryFolderIsCleanedButNothingOutsideIt)
{
    mkdir(local.File("outside").c_str(), 0755);
    WriteWholeFile(local.File("outside/keep.txt"), "keep");
    ASSERT_EQ(symlink(local.File("outside").c_str(), Temp().c_str()), 0);
    WriteWholeFile(m_server.Path("src/new.txt"), "new");

    Copy({{"/src//new.txt", false}}, "/in");

    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{
                  "Failed to clean up the temporary directory \"" + Temp() +
                  "\".\nThis directory is used to hold all the files and folders temporarily in the process of "
                  "remote to remote file transfer.\nPlease make sure this directory does not contain any files or "
                  "folders before trying to do remote to remote file transfer."});
    EXPECT_EQ(FolderEntries(local.File("outside")), std::vector<std::string>{"keep.txt"});
    EXPECT_TRUE(std::filesystem::is_empty(m_serverB.Path("in")));
    // Nothing started: not even the banner.
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(status.created, 0);

    std::filesystem::remove(Temp());
    mkdir(Temp().c_str(), 0755);
    WriteWholeFile(Temp("old.txt"), "old");
    chmod(Temp("old.txt").c_str(), 0444);
    mkdir(Temp("oldfolder").c_str(), 0755);
    WriteWholeFile(Temp("oldfolder/locked.txt"), "locked");
    chmod(Temp("oldfolder/locked.txt").c_str(), 0444);
    chmod(Temp("oldfolder").c_str(), 0555);
    ASSERT_EQ(symlink(local.File("outside").c_str(), Temp("link").c_str()), 0);
    Copy({{"/src//new.txt", false}}, "/in");
    EXPECT_EQ(prompts.Texts().size(), 1u);
    EXPECT_EQ(FolderEntries(Temp()), std::vector<std::string>{"new.txt"});
    EXPECT_EQ(FolderEntries(local.File("outside")), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(FolderEntries(m_serverB.Path("in")), std::vector<std::string>{"new.txt"});
}

TEST_F(RemoteCopyTest, NothingArrivedMeansNoPutLegAndNoSummary)
{
    Copy({{"/src//missing.txt", false}}, "/in");

    ASSERT_EQ(prompts.Texts().size(), 1u);
    EXPECT_EQ(prompts.Texts()[0].rfind("Failed to find the file /src//missing.txt\nCause: ", 0), 0u);
    const std::string log = Log();
    EXPECT_EQ(log.find("Putting File"), std::string::npos) << log;
    EXPECT_EQ(log.find("Have successfully transferred"), std::string::npos);
    EXPECT_EQ(log.find("Action Ended At"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(m_serverB.Path("in")));
    EXPECT_EQ(status.open, 0);
}

// Both legs of a copy of many files go over several connections and the
// copy ends as one action.
TEST_F(RemoteCopyTest, ManyFilesGoOverSeveralConnectionsInBothLegs)
{
    app.m_nTransferConnections = 4;
    mkdir(m_server.Path("src/many").c_str(), 0755);
    for (int i = 0; i < 12; ++i)
        WriteWholeFile(m_server.Path("src/many/f" + std::to_string(i)), std::string(1000 + i, 'a' + i));
    Copy({{"/src//many", true}}, "/in");
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(ReadWholeFile(m_serverB.Path("in/many/f" + std::to_string(i))), std::string(1000 + i, 'a' + i));
    EXPECT_NE(Log().find("Have successfully transferred 12 of total 12 files"), std::string::npos) << Log();
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(status.open, 0);
}
