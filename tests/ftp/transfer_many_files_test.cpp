#include "TransferHarness.h"

#include <gtest/gtest.h>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sys/stat.h>

namespace {

const TempDir kCommandLogs;

// The commands a job sent, by name, from the server's own log: log-on and
// set-up, and listings with the data connection each opened, left out.
std::map<std::string, int> FileCommands(const std::string& logPath)
{
    static const std::set<std::string> setup = {"USER", "PASS", "FEAT", "SYST", "OPTS", "TYPE", "AUTH", "PBSZ", "PROT",
                                                "QUIT"};
    static const std::set<std::string> listings = {"MLSD", "LIST", "NLST"};
    static const std::set<std::string> dataOpeners = {"EPRT", "PORT", "EPSV", "PASV"};
    std::map<std::string, int> counts;
    std::map<std::string, std::string> lastOpener;   // by connection
    std::ifstream log(logPath);
    std::string connection, command;
    while (log >> connection >> command) {
        if (setup.count(command) != 0)
            continue;
        if (listings.count(command) != 0) {
            if (auto opener = lastOpener.find(connection); opener != lastOpener.end()) {
                --counts[opener->second];
                lastOpener.erase(opener);
            }
            continue;
        }
        if (dataOpeners.count(command) != 0)
            lastOpener[connection] = command;
        else
            lastOpener.erase(connection);
        ++counts[command];
    }
    return counts;
}

int Total(const std::map<std::string, int>& counts)
{
    int total = 0;
    for (const auto& [name, n] : counts)
        total += n;
    return total;
}

std::string Describe(const std::map<std::string, int>& counts)
{
    std::string text;
    for (const auto& [name, n] : counts)
        text += name + "=" + std::to_string(n) + " ";
    return text;
}

class ManyFilesTest : public TransferFixture {
protected:
    static constexpr int kFiles = 30;
    // One log per test; one test runs at a time.
    explicit ManyFilesTest(int maxConnections = 0)
        : TransferFixture({.strCommandLog = kCommandLogs.File("commands-" + std::to_string(++s_nTest)),
                           .nMaxConnectionsPerAddress = maxConnections})
    {
    }
    static std::string CommandLog() { return kCommandLogs.File("commands-" + std::to_string(s_nTest)); }
    void SetUp() override
    {
        TransferFixture::SetUp();
        mkdir(local.File("many").c_str(), 0755);
        for (int i = 0; i < kFiles; ++i)
            WriteWholeFile(local.File("many/f" + std::to_string(i)), std::string(2048, static_cast<char>('a' + i % 26)) +
                                                                        std::to_string(i));
    }
    void ExpectSameFiles(const std::string& from, const std::string& to)
    {
        ASSERT_EQ(FolderEntries(from), FolderEntries(to));
        for (const std::string& name : FolderEntries(from))
            EXPECT_EQ(ReadWholeFile(from + "/" + name), ReadWholeFile(to + "/" + name)) << name;
    }
    // The log is exactly the job's: its head, each file's lines as one block
    // (in the order of their counts, the files in any order), and its end.
    void ExpectExactLog(const std::string& head, const std::function<std::string(int, int)>& block)
    {
        const std::string log = Log();
        ASSERT_EQ(log.substr(0, head.size()), head) << log;
        size_t at = head.size();
        std::set<int> seen;
        for (int count = 1; count <= kFiles; ++count) {
            int file = 0;
            while (file < kFiles && (seen.count(file) != 0 || log.compare(at, block(file, count).size(),
                                                                            block(file, count)) != 0))
                ++file;
            ASSERT_LT(file, kFiles) << "count " << count << "\n" << log.substr(at);
            seen.insert(file);
            at += block(file, count).size();
        }
        EXPECT_EQ(log.substr(at), EndBanner()) << log;
    }
    void ExpectExactPutLog()
    {
        ExpectExactLog(Banner(Address()) + "\n\n===== Creating Directory ======\nTarget Directory: ///many" +
                                 kSuccess,
                       [this](int file, int count) {
                           const std::string name = "f" + std::to_string(file);
                           return "\n\n===== Putting File ============\n     Source:  " + local.File("many/" + name) +
                                  "\nDestination:  ///many//" + name + kSuccess + "\n\n===== Have successfully sent " +
                                  std::to_string(count) + " of total 30 files to the remote site " + Address() +
                                  " =====";
                       });
    }
    static constexpr const char* kSuccess = "\n===== Success =================";
    // The connections that carried a command, from the server's log.
    static size_t ConnectionsThatSent(const std::string& command)
    {
        std::set<std::string> connections;
        std::ifstream log(CommandLog());
        std::string connection, name;
        while (log >> connection >> name)
            if (name == command)
                connections.insert(connection);
        return connections.size();
    }
    static inline int s_nTest = 0;
};

} // namespace

// Per file a Put sends the data connection, STOR, the size check and the
// rename's two commands and MFMT; a Get the data connection and RETR. The
// log-on's PWD and the job's connection check come once, and a Put's new
// folder and its one folder change.
TEST_F(ManyFilesTest, AFolderOfFilesTakesNoCommandPerFileThatTheJobAlreadyKnows)
{
    Put({{local.File("many"), true}}, "/");
    ExpectSameFiles(local.File("many"), m_server.Path("many"));
    const std::map<std::string, int> put = FileCommands(CommandLog());
    EXPECT_LE(Total(put), 6 * kFiles + 4) << Describe(put);
    EXPECT_EQ(put.count("MLST"), 0u) << Describe(put);
    EXPECT_EQ(put.at("STOR"), kFiles) << Describe(put);

    std::ofstream(CommandLog(), std::ios::trunc).close();
    Get({{"/many", true}}, Target());
    ExpectSameFiles(m_server.Path("many"), Target() + "/many");
    const std::map<std::string, int> get = FileCommands(CommandLog());
    EXPECT_LE(Total(get), 2 * kFiles + 2) << Describe(get);
    EXPECT_EQ(get.at("RETR"), kFiles) << Describe(get);
    EXPECT_NE(Log().find("Have successfully received " + std::to_string(kFiles) + " of total"), std::string::npos)
        << Log();
}

// Four connections: every file arrives, each file's lines stay together, the
// counts run through once, and the commands per file stay as few.
TEST_F(ManyFilesTest, FourConnectionsMoveAFolderBothWaysWithEachFilesLinesTogether)
{
    app.m_nTransferConnections = 4;
    Put({{local.File("many"), true}}, "/");
    ExpectSameFiles(local.File("many"), m_server.Path("many"));
    ExpectExactPutLog();
    EXPECT_GT(ConnectionsThatSent("STOR"), 1u);
    const std::map<std::string, int> put = FileCommands(CommandLog());
    // Each extra connection's log-on PWD and its one folder change.
    EXPECT_LE(Total(put), 6 * kFiles + 4 + 2 * 3) << Describe(put);
    EXPECT_EQ(status.created, 1);
    EXPECT_EQ(status.open, 0);

    std::ofstream(CommandLog(), std::ios::trunc).close();
    Get({{"/many", true}}, Target());
    ExpectSameFiles(m_server.Path("many"), Target() + "/many");
    ExpectExactLog(
                   Banner(Address()) + "\n\n===== Creating Directory ======\nTarget Directory: " + Target() +
                       "/many" + kSuccess,
                   [this](int file, int count) {
                       const std::string name = "f" + std::to_string(file);
                       return "\n\n===== Getting File ============\n     Source:  /many//" + name +
                              "\nDestination:  " + Target() + "/many/" + name + kSuccess +
                              "\n\n===== Have successfully received " + std::to_string(count) +
                              " of total 30 files from the remote site " + Address() + " =====";
                   });
    EXPECT_GT(ConnectionsThatSent("RETR"), 1u);
    EXPECT_LE(Total(FileCommands(CommandLog())), 2 * kFiles + 2 + 3);
}

class TwoConnectionServerTest : public ManyFilesTest {
protected:
    TwoConnectionServerTest() : ManyFilesTest(2) {}
};

// A server that takes two connections from us: the others are refused with
// 421 and the job goes on without them, asking nothing.
TEST_F(TwoConnectionServerTest, ExtraConnectionsTheServerRefusesAreNoFailure)
{
    app.m_nTransferConnections = 4;
    Put({{local.File("many"), true}}, "/");
    ExpectSameFiles(local.File("many"), m_server.Path("many"));
    ExpectExactPutLog();
    EXPECT_EQ(ConnectionsThatSent("STOR"), 2u);
    EXPECT_TRUE(prompts.Texts().empty());
}

// Cancel in the middle of a Get over four connections: every old file is
// either still the old one or wholly the new one, and nothing half-written
// is left beside them.
TEST_F(ManyFilesTest, CancelOverFourConnectionsLeavesOldFilesWholeOrReplaced)
{
    app.m_nTransferConnections = 4;
    Put({{local.File("many"), true}}, "/");
    mkdir((Target() + "/many").c_str(), 0755);
    for (int i = 0; i < kFiles; ++i)
        WriteWholeFile(Target() + "/many/f" + std::to_string(i), "old");
    doc->m_bYesToAll = 1;
    int opened = 0;
    status.onMessages = [&](const std::string& message1, const std::string&, CTransferCancel* cancel) {
        if (message1.rfind("Getting file: ", 0) == 0 && ++opened == 6)
            *cancel = 1;
    };
    // The folder exists: the Get passes over it unless its files are named.
    std::vector<std::pair<std::string, bool>> files;
    for (int i = 0; i < kFiles; ++i)
        files.push_back({"/many/f" + std::to_string(i), false});
    Get(files, Target() + "/many");
    int replaced = 0;
    for (int i = 0; i < kFiles; ++i) {
        const std::string now = ReadWholeFile(Target() + "/many/f" + std::to_string(i));
        replaced += now != "old";
        if (now != "old") {
            EXPECT_EQ(now, ReadWholeFile(local.File("many/f" + std::to_string(i)))) << i;
        }
    }
    EXPECT_LT(replaced, kFiles);
    // Files still waiting for a connection when Cancel came are not begun.
    size_t begun = 0;
    for (size_t at = Log().find("===== Getting File"); at != std::string::npos; at = Log().find("===== Getting File", at + 1))
        ++begun;
    EXPECT_LT(begun, static_cast<size_t>(kFiles)) << Log();
    EXPECT_EQ(FolderEntries(Target() + "/many").size(), static_cast<size_t>(kFiles));
    EXPECT_NE(Log().find(CActionLog::m_strGetCanceled), std::string::npos) << Log();
}

// Over four connections the replace questions come one at a time and in the
// order of the files, the same order as over one.
TEST_F(ManyFilesTest, ReplaceQuestionsComeInTheOrderOfTheFiles)
{
    Put({{local.File("many"), true}}, "/");
    std::vector<std::vector<std::string>> asked;
    for (const int connections : {1, 4}) {
        app.m_nTransferConnections = connections;
        const size_t before = prompts.ReplaceQuestions().size();
        Put({{local.File("many"), true}}, "/");
        const std::vector<std::string> all = prompts.ReplaceQuestions();
        asked.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    }
    ASSERT_EQ(asked[0].size(), static_cast<size_t>(kFiles));
    EXPECT_EQ(asked[1], asked[0]);
    ExpectSameFiles(local.File("many"), m_server.Path("many"));
}

// With files side by side the Status window follows one file at a time: its
// texts name one file until that file's data has moved, and the file bar
// never runs past its range.
TEST_F(ManyFilesTest, TheStatusWindowFollowsOneFileAtATime)
{
    app.m_nTransferConnections = 4;
    mkdir(m_server.Path("big").c_str(), 0755);
    for (int i = 0; i < 6; ++i)
        WriteWholeFile(m_server.Path("big/b" + std::to_string(i)), std::string(3000000, static_cast<char>('a' + i)));
    Get({{"/big", true}}, Target());
    std::set<std::string> left;
    std::string shown;
    int64_t range = 0, steps = 0;
    for (const std::string& call : status.Calls()) {
        if (call.rfind("messages:Getting file: ", 0) == 0) {
            const std::string file = call.substr(0, call.find('|'));
            if (file != shown) {
                EXPECT_EQ(left.count(file), 0u) << file << " shown again";
                left.insert(shown);
                shown = file;
            }
        } else if (call.rfind("fileRange:", 0) == 0) {
            range = std::stoll(call.substr(10));
            steps = 0;
        } else if (call.rfind("stepFile:", 0) == 0) {
            // A short read still moves the bar a step: a little past its end
            // at most, never the other files' steps on top.
            steps += std::stoll(call.substr(9));
            EXPECT_LE(steps, range + range / 10) << shown;
        }
    }
    EXPECT_FALSE(shown.empty());
}
