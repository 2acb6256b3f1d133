#include "BenchReport.h"

#include <cstdio>

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Rate(const ReportRow& row, const Samples& samples)
{
    if (!samples.Ok())
        return "failed";
    const double seconds = samples.Median();
    switch (row.measure) {
    case Measure::Throughput:
        return Format("%.1f MiB/s", row.dWork / kMiB / seconds);
    case Measure::FileRate:
        return Format("%.0f files/s", row.dWork / seconds) + Format(" (%.2f s)", seconds);
    case Measure::EntryRate:
        return Format("%.0f entries/s", row.dWork / seconds) + Format(" (%.3f s)", seconds);
    }
    return {};
}

// Above 1 is better for Vamlo except for FileRate, where the ratio is of
// times. The two clients ran back to back in each repetition, so the ratio
// is the median of the repetitions' own ratios: a spell of load on the
// machine then slows both sides of a pair instead of tilting the medians.
double Ratio(const ReportRow& row)
{
    const auto ratio = [&row](double vamlo, double reference) {
        return row.measure == Measure::FileRate ? vamlo / reference : reference / vamlo;
    };
    if (row.vamlo.seconds.size() != row.reference.seconds.size())
        return ratio(row.vamlo.Median(), row.reference.Median());
    Samples ratios;
    for (size_t i = 0; i < row.vamlo.seconds.size(); ++i)
        ratios.seconds.push_back(ratio(row.vamlo.seconds[i], row.reference.seconds[i]));
    return ratios.Median();
}

std::string Verdict(const ReportRow& row, double ratio, bool& met)
{
    met = true;
    if (row.dTarget <= 0)
        return "";
    const bool atMost = row.measure == Measure::FileRate;
    met = atMost ? ratio <= row.dTarget : ratio >= row.dTarget;
    return (atMost ? "<= " : ">= ") + Format("%.2fx", row.dTarget) + (met ? "  met" : "  MISSED");
}

void PrintSamples(const std::string& who, const Samples& samples)
{
    std::printf("    %-28s", who.c_str());
    for (double seconds : samples.seconds)
        std::printf(" %8.3f s", seconds);
    if (!samples.strError.empty())
        std::printf("   FAILED: %s", samples.strError.c_str());
    std::printf("\n");
}

} // namespace

ReportOutcome PrintReport(const std::vector<ReportRow>& rows, const std::optional<Samples>& localCopy,
                          double copyBytes, int repetitions)
{
    bool allMet = true;
    bool allRan = true;
    std::printf("\nMedians of %d runs; a ratio is the median of the runs' paired ratios\n"
                "(each run logs on anew; transfers in active mode unless a case says otherwise)\n\n",
                repetitions);
    std::printf("%-40s %-26s %-52s %-10s %s\n", "Case", "Vamlo", "Reference", "Ratio", "Target");
    for (const ReportRow& row : rows) {
        const std::string reference = row.strReference + ": " + Rate(row, row.reference);
        std::string ratioText = "-";
        std::string verdict;
        if (row.vamlo.Ok() && row.reference.Ok()) {
            const double ratio = Ratio(row);
            bool met = true;
            ratioText = (row.measure == Measure::FileRate ? "time " : "") + Format("%.2fx", ratio);
            verdict = Verdict(row, ratio, met);
            allMet = allMet && met;
        }
        std::printf("%-40s %-26s %-52s %-10s %s\n", row.strCase.c_str(), Rate(row, row.vamlo).c_str(),
                    reference.c_str(), ratioText.c_str(), verdict.c_str());
        allRan = allRan && row.vamlo.Ok() && row.reference.Ok();
    }
    if (localCopy) {
        const ReportRow copyRow{"", Measure::Throughput, copyBytes, *localCopy, "", {}, 0};
        std::printf("\nLocal limit: cp of the same %.0f MiB file on this disk: %s\n", copyBytes / kMiB,
                    Rate(copyRow, *localCopy).c_str());
        allRan = allRan && localCopy->Ok();
    }
    std::printf("\nEvery run, in seconds:\n");
    for (const ReportRow& row : rows) {
        std::printf("  %s\n", row.strCase.c_str());
        PrintSamples("Vamlo", row.vamlo);
        PrintSamples(row.strReference, row.reference);
    }
    if (localCopy) {
        std::printf("  local copy\n");
        PrintSamples("cp", *localCopy);
    }
    return !allRan ? ReportOutcome::RunFailed : allMet ? ReportOutcome::AllMet : ReportOutcome::TargetMissed;
}
