#pragma once

#include "BenchRunner.h"

#include <optional>
#include <string>
#include <vector>

// How a case is compared with its reference client.
enum class Measure {
    Throughput,   // MiB/s: higher is better; ratio = Vamlo's rate / the reference's
    FileRate,     // files/s; ratio = Vamlo's time / the reference's (the target is on time)
    EntryRate,    // entries/s; ratio = Vamlo's rate / the reference's
};

struct ReportRow {
    std::string strCase;
    Measure measure = Measure::Throughput;
    double dWork = 0;            // bytes, files or entries done by one run
    Samples vamlo;
    std::string strReference;
    Samples reference;
    // The ratio the issue asks for: at least (Throughput, EntryRate) or at
    // most (FileRate) this much; 0 for none.
    double dTarget = 0;
};

enum class ReportOutcome { AllMet, TargetMissed, RunFailed };

// The medians as a table, the ratios against the targets, the local limit
// (cp of the big file on the same disk) when it was measured, then every sample.
ReportOutcome PrintReport(const std::vector<ReportRow>& rows, const std::optional<Samples>& localCopy,
                          double copyBytes, int repetitions);
