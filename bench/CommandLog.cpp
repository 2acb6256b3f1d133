#include "CommandLog.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>

namespace {

// What a session sends to log on and set itself up, before its first other
// command. The same commands later (a TYPE before each file) are counted.
const std::set<std::string> kSetUp = {"USER", "PASS", "ACCT", "AUTH", "PBSZ", "PROT", "CCC",  "FEAT", "SYST",
                                      "OPTS", "CLNT", "HOST", "LANG", "TYPE", "MODE", "STRU", "PWD"};
const std::set<std::string> kDataConnection = {"PORT", "EPRT", "PASV", "EPSV", "LPRT", "LPSV"};
const std::set<std::string> kListings = {"MLSD", "LIST", "NLST"};
const std::set<std::string> kFileTransfers = {"RETR", "STOR", "STOU", "APPE"};

std::string Format(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

} // namespace

Contender CCommandTally::Counted(Contender contender, double target)
{
    const size_t who = m_tallies.size();
    m_tallies.push_back({contender.strName, target, 0, {}});
    auto prepare = [this, inner = contender.prepare](int rep, std::string& error) {
        if (inner && !inner(rep, error))
            return false;
        Mark();
        return true;
    };
    auto verify = [this, who, inner = contender.verify](int rep, std::string& error) {
        return (!inner || inner(rep, error)) && Collect(who, error);
    };
    return {contender.strName, prepare, contender.run, verify, contender.cleanup};
}

std::vector<CCommandTally::Line> CCommandTally::ReadNew()
{
    std::vector<Line> lines;
    std::ifstream in(m_strPath, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(m_nOffset));
    std::string text;
    while (in && std::getline(in, text) && !in.eof()) {
        m_nOffset += text.size() + 1;
        Line line;
        const size_t space = text.find(' ');
        if (space == std::string::npos)
            continue;
        line.nSession = std::atoll(text.substr(0, space).c_str());
        const size_t tab = text.find('\t', space);
        line.strVerb = text.substr(space + 1, tab == std::string::npos ? std::string::npos : tab - space - 1);
        line.bArgument = tab != std::string::npos;
        if (line.nSession > m_nLastSession)
            m_nLastSession = line.nSession;
        lines.push_back(std::move(line));
    }
    return lines;
}

void CCommandTally::Mark()
{
    ReadNew();
    m_nFirstOfRun = m_nLastSession + 1;
}

bool CCommandTally::Collect(size_t who, std::string& error)
{
    std::map<int64_t, std::vector<const Line*>> sessions;
    const std::vector<Line> lines = ReadNew();
    for (const Line& line : lines)
        if (line.nSession >= m_nFirstOfRun)
            sessions[line.nSession].push_back(&line);
    if (sessions.empty()) {
        error = "the server logged no command of this run";
        return false;
    }
    Tally& tally = m_tallies[who];
    ++tally.nRuns;
    for (const auto& [session, commands] : sessions) {
        bool settingUp = true;
        // A data connection opened but not yet used: it belongs to what uses it.
        std::string pendingData;
        for (const Line* line : commands) {
            const std::string& verb = line->strVerb;
            if (settingUp && kSetUp.count(verb))
                continue;
            settingUp = false;
            if (verb == "QUIT" || (verb == "STAT" && line->bArgument))
                continue;
            if (kListings.count(verb)) {
                pendingData.clear();
                continue;
            }
            if (kDataConnection.count(verb) || kFileTransfers.count(verb)) {
                if (!pendingData.empty())
                    ++tally.byVerb[pendingData];
                pendingData = kDataConnection.count(verb) ? verb : std::string();
                if (!pendingData.empty())
                    continue;
            }
            ++tally.byVerb[verb];
        }
        if (!pendingData.empty())
            ++tally.byVerb[pendingData];
    }
    return true;
}

namespace {
constexpr double kMaxFolderStepsPerFile = 0.05;
}

bool CCommandTally::Print() const
{
    std::set<std::string> verbs;
    for (const Tally& tally : m_tallies)
        for (const auto& [verb, count] : tally.byVerb)
            verbs.insert(verb);
    std::printf("\nCommands per file, %s (log-on and listings left out; the mean of the runs)\n", m_strTitle.c_str());
    std::printf("  %-12s", "Command");
    for (const Tally& tally : m_tallies)
        std::printf(" %28s", tally.strName.c_str());
    std::printf("\n");
    const auto perFile = [this](const Tally& tally, int64_t count) {
        return tally.nRuns == 0 ? 0.0 : static_cast<double>(count) / static_cast<double>(m_nFiles * tally.nRuns);
    };
    const auto total = [](const Tally& tally) {
        int64_t sum = 0;
        for (const auto& [verb, count] : tally.byVerb)
            sum += count;
        return sum;
    };
    for (const std::string& verb : verbs) {
        std::printf("  %-12s", verb.c_str());
        for (const Tally& tally : m_tallies) {
            const auto found = tally.byVerb.find(verb);
            std::printf(" %28s", Format(perFile(tally, found == tally.byVerb.end() ? 0 : found->second)).c_str());
        }
        std::printf("\n");
    }
    std::printf("  %-12s", "total");
    for (const Tally& tally : m_tallies)
        std::printf(" %28s", tally.nRuns ? Format(perFile(tally, total(tally))).c_str() : "-");
    std::printf("\n");
    bool allMet = true;
    for (const Tally& tally : m_tallies) {
        if (tally.dTarget <= 0 || tally.nRuns == 0)
            continue;
        // Entering and making a folder, the connection check and the
        // transfer type come once per folder or connection, not per file:
        // they are held to a small share of their own, so that one sent per
        // file still fails.
        int64_t steps = 0;
        for (const char* verb : {"CWD", "MKD", "PWD", "TYPE"})
            if (const auto found = tally.byVerb.find(verb); found != tally.byVerb.end())
                steps += found->second;
        const double perFileSteps = perFile(tally, steps);
        const double perFileRest = perFile(tally, total(tally) - steps);
        const bool met = perFileRest <= tally.dTarget && perFileSteps <= kMaxFolderStepsPerFile;
        allMet = allMet && met;
        std::printf("  target for %s: at most %.1f commands per file (%s), CWD, MKD, PWD and TYPE at most %.2f (%s)  %s\n",
                    tally.strName.c_str(), tally.dTarget, Format(perFileRest).c_str(), kMaxFolderStepsPerFile,
                    Format(perFileSteps).c_str(), met ? "met" : "MISSED");
    }
    return allMet;
}
