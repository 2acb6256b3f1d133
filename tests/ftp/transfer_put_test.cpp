#include "TransferHarness.h"
#include "transfer/PutDriver.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace {

class PutTest : public TransferFixture {
protected:
    PutTest() : TransferFixture({.strDropDir = "drop"}) {}
    void SetUp() override
    {
        TransferFixture::SetUp();
        mkdir(local.File("src").c_str(), 0755);
        mkdir(m_server.Path("in").c_str(), 0755);
    }
    std::string Src(const std::string& name) const { return local.File("src/" + name); }
};

class QuotaFullTest : public TransferFixture {
protected:
    QuotaFullTest() : TransferFixture({.bQuotaFull = true}) {}
};

} // namespace

// The hidden upload the server refused at its end does not stay behind.
TEST_F(QuotaFullTest, AnUploadRefusedAtTheEndLeavesNoHiddenFile)
{
    WriteWholeFile(local.File("a.txt"), "hello");
    Put({{local.File("a.txt"), false}}, "/");
    EXPECT_NE(Log().find("552 Disk quota exceeded."), std::string::npos) << Log();
    EXPECT_EQ(FolderEntries(m_server.Root()), std::vector<std::string>{});
}

TEST_F(PutTest, ReplacingOneFileLogsTheWholeActionExactlyAndLeavesOnlyThatFile)
{
    WriteWholeFile(Src("a.txt"), "hello");
    WriteWholeFile(m_server.Path("in/a.txt"), "old");
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES});
    doc->AddTransferredName("stale");
    Put({{Src("a.txt"), false}}, "/in");
    EXPECT_EQ(ReadWholeFile(m_server.Path("in/a.txt")), "hello");
    EXPECT_EQ(FolderEntries(m_server.Path("in")), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(Log(), Banner(Address()) + "\n\n===== Putting File ============\n     Source:  " + Src("a.txt") +
                         "\nDestination:  /in//a.txt\n===== Success =================\n\n===== Have successfully sent "
                         "1 of total 1 files to the remote site " + Address() + " =====" + EndBanner());
    // A Put starts a fresh list of transferred names.
    EXPECT_EQ(doc->TransferredNames(), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(status.titles.at(0), "Sending data to the remote site, please wait...");
}

// An upload-only folder: after the first refused rename, files go straight.
TEST_F(PutTest, AfterTheFirstRefusedRenameFilesGoStraightAndTheCopyLeftIsNamed)
{
    std::string first;
    for (const char* name : {"a.txt", "b.txt"}) {   // two actions
        WriteWholeFile(Src(name), name);
        Put({{Src(name), false}}, "/drop");
        first = first.empty() ? Log() : first;
    }
    const std::vector<std::string> held = FolderEntries(m_server.Path("drop"));
    ASSERT_EQ(held.size(), 3u);   // and the one hidden copy the server does not let go
    EXPECT_EQ(ReadWholeFile(m_server.Path("drop/a.txt")) + ReadWholeFile(m_server.Path("drop/b.txt")), "a.txtb.txt");
    EXPECT_EQ(first, Banner(Address()) + "\n\n===== Putting File ============\n     Source:  " + Src("a.txt") +
                         "\nDestination:  /drop//a.txt\n\n***** The server keeps the hidden file \"" + held[0] +
                         "\", which it does not let Vamlo delete.\n===== The server does not rename files here: they "
                         "are sent straight to their own names =====\n===== Success =================\n\n===== Have "
                         "successfully sent 1 of total 1 files to the remote site " + Address() + " =====" + EndBanner());
}

TEST_F(PutTest, NestedTreeSendsIntoExistingFolderAndPassesExistingSubfolders)
{
    mkdir(Src("site.v2").c_str(), 0755);
    mkdir(Src("site.v2/img").c_str(), 0755);
    mkdir(Src("site.v2/old").c_str(), 0755);
    WriteWholeFile(Src("site.v2/index.html"), "<html>");
    WriteWholeFile(Src("site.v2/img/logo.png"), "png");
    WriteWholeFile(Src("site.v2/old/gone.txt"), "never sent");
    WriteWholeFile(Src("site.v2/empty"), "");
    mkdir(m_server.Path("in/site.v2").c_str(), 0755);
    mkdir(m_server.Path("in/site.v2/old").c_str(), 0755);

    Put({{Src("site.v2"), true}}, "/in");

    EXPECT_EQ(ReadWholeFile(m_server.Path("in/site.v2/index.html")), "<html>");
    EXPECT_EQ(ReadWholeFile(m_server.Path("in/site.v2/img/logo.png")), "png");
    ASSERT_TRUE(std::filesystem::exists(m_server.Path("in/site.v2/empty")));
    EXPECT_EQ(std::filesystem::file_size(m_server.Path("in/site.v2/empty")), 0u);
    EXPECT_FALSE(std::filesystem::exists(m_server.Path("in/site.v2/old/gone.txt")));
    const std::string log = Log();
    EXPECT_NE(log.find("Target Directory: /in//site.v2//img\n===== Success"), std::string::npos) << log;
    EXPECT_NE(log.find("Destination:  /in//site.v2//img//logo.png"), std::string::npos);
    EXPECT_NE(log.find("Destination:  /in//site.v2//index.html"), std::string::npos);
    EXPECT_EQ(log.find("gone.txt"), std::string::npos);
    // The existing subfolder is passed over, not made again and failed.
    EXPECT_EQ(log.find("Target Directory: /in//site.v2//old"), std::string::npos) << log;
    EXPECT_EQ(log.find("***** Failure"), std::string::npos) << log;
    EXPECT_EQ(doc->TransferredNames(), std::vector<std::string>{"site.v2"});
}

TEST_F(PutTest, ReplaceQuestionAnswers)
{
    for (const char* name : {"y", "n", "c", "all1", "all2"}) {
        WriteWholeFile(Src(name), std::string("new ") + name);
        WriteWholeFile(m_server.Path(std::string("in/") + name), "old");
    }
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES});
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_NO});
    prompts.AnswerReplace({DialogResult::Cancel, REPLACE_NO_ANSWER});
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES_TO_ALL});
    Put({{Src("y"), false}, {Src("n"), false}, {Src("c"), false}, {Src("all1"), false}, {Src("all2"), false}}, "/in");

    EXPECT_EQ(ReadWholeFile(m_server.Path("in/y")), "new y");
    EXPECT_EQ(ReadWholeFile(m_server.Path("in/n")), "old");
    EXPECT_EQ(ReadWholeFile(m_server.Path("in/c")), "old");
    EXPECT_EQ(ReadWholeFile(m_server.Path("in/all1")), "new all1");
    EXPECT_EQ(ReadWholeFile(m_server.Path("in/all2")), "new all2");
    // The question names the bare remote file; Yes to All asks no more.
    const auto questions = prompts.ReplaceQuestions();
    ASSERT_EQ(questions.size(), 4u);
    EXPECT_EQ(questions[0], "The file y already exists.|Are you sure you want to replace this file?");
    const std::string log = Log();
    EXPECT_NE(log.find("Cause: User selected not to replace the existed file."), std::string::npos);
    EXPECT_NE(log.find("Cause: User selected to cancel the Put action."), std::string::npos);
    EXPECT_EQ(doc->TransferredNames(), (std::vector<std::string>{"y", "all1", "all2"}));
}

// The folder is asked for again in each action, and its loss is a failure
// line of its own: a log line, not a box, so the action goes on.
TEST_F(PutTest, AFolderGoneFromTheServerBetweenActionsIsLoggedAsNotSent)
{
    WriteWholeFile(Src("a.txt"), "1");
    Put({{Src("a.txt"), false}}, "/in");
    ASSERT_EQ(ReadWholeFile(m_server.Path("in/a.txt")), "1");
    std::filesystem::rename(m_server.Path("in"), m_server.Path("moved"));
    WriteWholeFile(Src("a.txt"), "2");
    Put({{Src("a.txt"), false}}, "/in");
    const std::string lead = Banner(Address()) + "\n\n===== Putting File ============\n     Source:  " + Src("a.txt") +
                             "\nDestination:  /in//a.txt\n***** Failure *****************\nCause: The "
                             "remote folder /in cannot be entered: 550 ";
    const std::string log = Log();
    EXPECT_EQ(log.substr(0, lead.size()), lead) << log;
    EXPECT_EQ(log.substr(log.size() - EndBanner().size()), EndBanner()) << log;
    EXPECT_EQ(log.find("===== Success"), std::string::npos) << log;
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_TRUE(doc->TransferredNames().empty());
    EXPECT_EQ(ReadWholeFile(m_server.Path("moved/a.txt")), "1");
    EXPECT_FALSE(std::filesystem::exists(m_server.Path("in")));
}

// Sources gone by the time they are sent: a file leaves the remote one
// alone, and a folder is a failure, not an empty folder.
TEST_F(PutTest, SourcesThatCannotBeReadLeaveTheServerAlone)
{
    WriteWholeFile(m_server.Path("in/kept.txt"), "remote original");
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES});
    Put({{Src("kept.txt"), false}, {Src("gone"), true}}, "/in");
    EXPECT_EQ(ReadWholeFile(m_server.Path("in/kept.txt")), "remote original");
    EXPECT_FALSE(std::filesystem::exists(m_server.Path("in/gone")));
    const std::string log = Log();
    for (const std::string& cause :
         {std::string("No such file or directory"), "The folder " + Src("gone") + " cannot be listed"})
        EXPECT_NE(log.find("***** Failure *****************\nCause: " + cause), std::string::npos) << log;
    EXPECT_EQ(log.find("Creating Directory"), std::string::npos) << log;
    EXPECT_TRUE(doc->TransferredNames().empty());
}

TEST_F(PutTest, ALostConnectionInAFolderAsksToReconnectBeforeTheNextFile)
{
    mkdir(Src("f").c_str(), 0755);
    for (const char* name : {"1.txt", "2.txt", "3.txt"})
        WriteWholeFile(Src(std::string("f/") + name), "x");
    status.onMessages = [this](const std::string& m1, const std::string&, CTransferCancel*) {
        if (m1 == "Vamlo is searching the following file:" && m_server.Running())
            m_server.Stop();
    };
    Put({{Src("f"), true}}, "/in");
    const std::vector<std::string> texts = prompts.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), ReconnectQuestion()), texts.end());
    // The action ends there, without an end banner.
    const std::string log = Log();
    EXPECT_NE(log.find("***** Failed to reconnect to ftp site: " + Address()), std::string::npos) << log;
    EXPECT_EQ(log.find("Action Ended At"), std::string::npos) << log;
}
