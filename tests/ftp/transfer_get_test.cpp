#include "TransferHarness.h"
#include "transfer/GetDriver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <filesystem>

namespace {

class GetTest : public TransferFixture {
protected:
    void RemoteFile(const std::string& name, const std::string& bytes) { WriteWholeFile(m_server.Path(name), bytes); }
    void RemoteFolder(const std::string& name) { mkdir(m_server.Path(name).c_str(), 0755); }
};

} // namespace

TEST_F(GetTest, NestedTreeGetsFilesBeforeSubfoldersWithDoubleSlashPaths)
{
    for (const char* folder : {"pub", "pub/docs.1", "pub/docs.1/sub", "pub/docs.1/old"})
        RemoteFolder(folder);
    RemoteFile("pub/docs.1/sub/deep.txt", "deep");
    RemoteFile("pub/docs.1/a.txt", "A");
    RemoteFile("pub/docs.1/old/skipped.txt", "not fetched");
    RemoteFile("pub/docs.1/b.txt", "BB");
    // The top-level folder exists locally and is descended into; the
    // subfolder "old" exists too and is passed over with its contents.
    mkdir(local.File("target/docs.1").c_str(), 0755);
    mkdir(local.File("target/docs.1/old").c_str(), 0755);

    TransferJob job;
    job.m_pSourceSite = &site;
    EXPECT_EQ(CGetDriver(*doc, job).CountRemoteFiles(EntryList({{"/pub//docs.1", true}}, LOCATION_REMOTE)), 4);
    EXPECT_EQ(doc->m_strFileCount, "4");
    Get({{"/pub//docs.1", true}}, Target());

    EXPECT_EQ(ReadWholeFile(local.File("target/docs.1/a.txt")), "A");
    EXPECT_EQ(ReadWholeFile(local.File("target/docs.1/b.txt")), "BB");
    EXPECT_EQ(ReadWholeFile(local.File("target/docs.1/sub/deep.txt")), "deep");
    EXPECT_FALSE(std::filesystem::exists(local.File("target/docs.1/old/skipped.txt")));

    const std::string log = Log();
    const auto at = [&](const std::string& text) { return log.find(text); };
    EXPECT_NE(at(" of total 4 files"), std::string::npos) << log;
    // Files of a level come before its subfolders; paths use "//" below the entry.
    ASSERT_NE(at("/pub//docs.1//a.txt"), std::string::npos) << log;
    ASSERT_NE(at("/pub//docs.1//b.txt"), std::string::npos);
    ASSERT_NE(at("/pub//docs.1//sub//deep.txt"), std::string::npos);
    EXPECT_LT(at("/pub//docs.1//b.txt"), at("Target Directory: " + Target() + "/docs.1/sub"));
    EXPECT_LT(at("Target Directory: " + Target() + "/docs.1/sub"), at("/pub//docs.1//sub//deep.txt"));
    EXPECT_EQ(at("old"), std::string::npos);
    EXPECT_EQ(doc->TransferredNames(), std::vector<std::string>{"docs.1"});
}

TEST_F(GetTest, ProgressTextsCountInKilobytes)
{
    RemoteFile("zero", "");
    RemoteFile("k1024", std::string(1024, 'x'));
    RemoteFile("k3000", std::string(3000, 'y'));
    RemoteFile("small", std::string(20, 'z'));
    Get({{"//zero", false}, {"//k1024", false}, {"//k3000", false}, {"//small", false}}, Target());
    const std::vector<std::string> calls = status.Calls();
    for (const std::string& call : std::vector<std::string>
         {"fileRange:1", "messages:Getting file: //k1024|Received 1 kb of total 1024 bytes", "fileRange:3",
          "messages:Getting file: //k3000|Received 3 kb of total 3 kb",
          "messages:Getting file: //small|Received 20 bytes of total 20 bytes", "overallRange:4",
          "message3:4 of total 4 files have been received from the remote site " + Address()})
        EXPECT_NE(std::find(calls.begin(), calls.end(), call), calls.end()) << call;
    EXPECT_EQ(ReadWholeFile(local.File("target/zero")), "");
    EXPECT_EQ(ReadWholeFile(local.File("target/k3000")), std::string(3000, 'y'));
    // The overall bar moves once per file received.
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "stepOverall"), 4);

    // The figures go with each block the texts count; one file's size is the action's.
    RemoteFile("big", std::string(1 << 20, 'b'));
    Get({{"//big", false}}, Target());
    const std::vector<std::string> big = status.Calls();
    for (size_t i = calls.size(); i + 2 < big.size(); ++i)
        EXPECT_TRUE(big[i].find("|Received ") == std::string::npos || big[i + 2].rfind("figures:", 0) == 0) << big[i];
    const auto total = [](const std::string& call) { return call.find("|All files: 1.0 MiB of 1.0 MiB") != call.npos; };
    EXPECT_TRUE(std::any_of(big.begin(), big.end(), total));
}

TEST_F(GetTest, ReplaceQuestionAnswersAndReadOnlyTargets)
{
    for (const char* name : {"no", "cancel", "ro1", "ro2", "all1", "all2", "ro3"}) {
        RemoteFile(name, std::string("new ") + name);
        WriteWholeFile(local.File(std::string("target/") + name), "old");
        if (name[0] == 'r')
            chmod(local.File(std::string("target/") + name).c_str(), 0444);
    }
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_NO});
    prompts.AnswerReplace({DialogResult::Cancel, REPLACE_NO_ANSWER});
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES});
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES_TO_ALL});
    Get({{"//no", false}, {"//cancel", false}, {"//ro1", false}, {"//ro2", false}, {"//all1", false},
         {"//all2", false}, {"//ro3", false}},
        Target());
    const auto questions = prompts.ReplaceQuestions();
    ASSERT_EQ(questions.size(), 4u);   // Yes to All asks no more
    EXPECT_EQ(questions[0], "The file " + Target() + "/no already exists.|Are you sure you want to replace this file?");
    for (const char* name : {"no", "cancel", "ro1", "ro2", "ro3"})
        EXPECT_EQ(ReadWholeFile(local.File(std::string("target/") + name)), "old") << name;
    EXPECT_EQ(ReadWholeFile(local.File("target/all2")), "new all2");
    const std::string log = Log();
    EXPECT_NE(log.find("***** Failure *****************\nCause: User selected not to replace the existed file."),
              std::string::npos);
    // Cancel in the question skips one file; the action still ends normally.
    EXPECT_NE(log.find("***** Failure *****************\nCause: User selected to cancel the Get action\n"),
              std::string::npos);
    EXPECT_NE(log.find("Cause: Vamlo cannot replace the read-only file\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Cause: Vamlo cannot replace the read-only file.\n"), std::string::npos);
    EXPECT_NE(log.find("Cause: Cannot replace read-only file " + Target() + "/ro3"), std::string::npos);
    EXPECT_NE(log.find(EndBanner()), std::string::npos);
    const auto readOnly = [&](const char* name) {
        return "File " + Target() + "/" + name + " is read-only.\nYou can not replace the read-only file.";
    };
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{readOnly("ro1"), readOnly("ro2"), readOnly("ro3")}));
    EXPECT_EQ(doc->TransferredNames(), (std::vector<std::string>{"all1", "all2"}));
    EXPECT_EQ(doc->m_bYesToAll, 1);

    // A later transfer (as from the tree, which keeps the flag) is not asked.
    WriteWholeFile(local.File("target/all1"), "old again");
    Get({{"//all1", false}}, Target());
    EXPECT_EQ(prompts.ReplaceQuestions().size(), 4u);
    EXPECT_EQ(ReadWholeFile(local.File("target/all1")), "new all1");
}

TEST_F(GetTest, ALostConnectionAsksToReconnectAndEndsTheActionWhenThatFailsOrIsDeclined)
{
    m_server.Stop();
    const std::string question = ReconnectQuestion();
    prompts.Answer(MsgResult::No);
    Get({{"//a.txt", false}}, Target());
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text, question);
    EXPECT_EQ(prompts.Messages()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(Log(), Banner(Address()));
    EXPECT_EQ(status.open, 0);
    EXPECT_EQ(status.created, 1);
    EXPECT_FALSE(site.m_pConnection);

    prompts.Answer(MsgResult::Yes);
    Get({{"//a.txt", false}}, Target());
    const std::vector<std::string> texts = prompts.Texts();
    ASSERT_GE(texts.size(), 4u);
    EXPECT_EQ(texts[1], question);
    EXPECT_EQ(texts.back(), "Failed to reconnect to ftp site \"" + Address() +
                                "\".\nPlease try to reconnect to the ftp site later.");
    EXPECT_EQ(Log(), Banner(Address()) + "\n***** Failed to reconnect to ftp site: " + Address());
}

TEST_F(GetTest, CancelWhileCountingStopsBeforeAnyFile)
{
    RemoteFolder("many");
    RemoteFolder("many/sub");
    RemoteFile("many/sub/x.txt", "x");
    status.onMessages = [](const std::string& m1, const std::string&, CTransferCancel* cancel) {
        if (m1.rfind("Vamlo is trying to find out the number of files", 0) == 0)
            *cancel = 1;
    };
    Get({{"/many", true}}, Target());
    EXPECT_FALSE(std::filesystem::exists(local.File("target/many")));
    EXPECT_EQ(Log(), Banner(Address()) + "\n\n***** Action \"Get\" Canceled *****" + EndBanner());
}

// Unusable names (here a CR; names beyond the name limit likewise) are left out and counted.
TEST_F(GetTest, NamesThatCannotBeUsedAreLeftOutAndCounted)
{
    RemoteFolder("d");
    RemoteFile("d/ok.txt", "ok");
    RemoteFile("d/bad\rname", "bad");
    Get({{"/d", true}}, Target());
    EXPECT_EQ(FolderEntries(Target() + "/d"), std::vector<std::string>{"ok.txt"});
    EXPECT_NE(Log().find("***** Failure *****************\nCause: Entries left out of the folder /d because their "
                         "names cannot be used here: 1"),
              std::string::npos)
        << Log();
}

namespace {

// A server that refuses to list one folder.
class GetUnlistableTest : public TransferFixture {
protected:
    GetUnlistableTest() : TransferFixture(FtpServerOptions{.strUnlistableDir = "pub/locked"}) {}
};

} // namespace

TEST_F(GetUnlistableTest, AFolderThatCannotBeListedIsAFailureNotAnEmptyFolder)
{
    WriteWholeFile(m_server.Path("pub/a.txt"), "a");
    WriteWholeFile(m_server.Path("pub/locked/secret.txt"), "s");
    const std::string target = Target();
    Get({{"/pub", true}}, target);
    EXPECT_EQ(ReadWholeFile(local.File("target/pub/a.txt")), "a");
    EXPECT_FALSE(std::filesystem::exists(local.File("target/pub/locked")));
    std::string log = Log();
    EXPECT_NE(log.find("***** Failure *****************\nCause: The folder /pub/locked cannot be listed"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Target Directory: " + target + "/pub/locked"), std::string::npos) << log;

    // At the top level: no folder, nothing recorded.
    Get({{"/pub/locked", true}}, target);
    EXPECT_FALSE(std::filesystem::exists(local.File("target/locked")));
    EXPECT_EQ(doc->TransferredNames(), std::vector<std::string>{"pub"});
}
