#pragma once

#include "BenchRunner.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Counts the commands each contender's runs sent, from the log of a server
// that writes one line per command received: "SESSION VERB", then a tab and
// the argument when there is one; sessions are numbered upwards in the order
// they connected. A run's commands are those of the sessions that first
// appear after its start. Log-on and listings are left out (see README.md).
class CCommandTally {
public:
    CCommandTally(std::string logPath, int64_t filesPerRun, std::string title)
        : m_strPath(std::move(logPath)), m_strTitle(std::move(title)), m_nFiles(filesPerRun)
    {
    }

    // The contender, counting the commands of each run it completes. A
    // target above 0 is the most commands per file it may send.
    Contender Counted(Contender contender, double target = 0);

    // The commands per file of every contender side by side, and the
    // targets; false when a target was missed.
    bool Print() const;

private:
    struct Tally {
        std::string strName;
        double dTarget = 0;
        int nRuns = 0;
        std::map<std::string, int64_t> byVerb;
    };
    struct Line {
        int64_t nSession = 0;
        std::string strVerb;
        bool bArgument = false;
    };

    // The whole lines added to the log since the last read.
    std::vector<Line> ReadNew();
    void Mark();
    bool Collect(size_t who, std::string& error);

    std::string m_strPath;
    std::string m_strTitle;
    int64_t m_nFiles;
    uint64_t m_nOffset = 0;
    int64_t m_nLastSession = 0;     // the highest session seen so far
    int64_t m_nFirstOfRun = 1;      // the run's sessions are numbered from here
    std::vector<Tally> m_tallies;
};
