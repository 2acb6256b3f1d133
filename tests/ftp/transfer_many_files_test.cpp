#include "TransferHarness.h"

#include <gtest/gtest.h>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>

namespace {

const TempDir kCommandLogs;

// The commands a job sent, by name, from the server's own log: log-on and
// set-up, and listings with the data connection each opened, left out.
std::map<std::string, int> FileCommands(const std::string& logPath)
{
    static const std::set<std::string> setup = {"USER", "PASS", "FEAT", "SYST", "OPTS", "TYPE", "AUTH", "PBSZ", "PROT"};
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
    ManyFilesTest() : TransferFixture({.strCommandLog = kCommandLogs.File("commands-" + std::to_string(++s_nTest))}) {}
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
