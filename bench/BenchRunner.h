#pragma once

#include <functional>
#include <string>
#include <vector>

// One way of doing a case's work: Vamlo or another client. Only `run` is
// timed; the other steps set up, check and clear each repetition.
struct Contender {
    std::string strName;
    std::function<bool(int rep, std::string& error)> prepare;
    std::function<bool(int rep, std::string& error)> run;
    std::function<bool(int rep, std::string& error)> verify;
    std::function<void(int rep)> cleanup;
};

struct Samples {
    std::vector<double> seconds;
    std::string strError;   // the first failure; the contender was not run again

    bool Ok() const { return strError.empty() && !seconds.empty(); }
    double Median() const;
    double Min() const;
    double Max() const;
};

// Runs every contender once per repetition, rotating who goes first so that
// neither always meets a cold or a warm machine. Dirty pages are flushed
// before each timed run, so nobody pays for the one before.
std::vector<Samples> RunInterleaved(const std::vector<Contender>& contenders, int repetitions);
