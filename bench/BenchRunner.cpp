#include "BenchRunner.h"

#include <algorithm>
#include <chrono>
#include <unistd.h>

double Samples::Median() const
{
    if (seconds.empty())
        return 0;
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const size_t mid = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

double Samples::Min() const { return seconds.empty() ? 0 : *std::min_element(seconds.begin(), seconds.end()); }

double Samples::Max() const { return seconds.empty() ? 0 : *std::max_element(seconds.begin(), seconds.end()); }

namespace {

void RunOnce(const Contender& contender, int rep, Samples& samples)
{
    std::string error;
    if (contender.prepare && !contender.prepare(rep, error)) {
        samples.strError = "setting up: " + error;
        return;
    }
    sync();
    const auto start = std::chrono::steady_clock::now();
    const bool ran = contender.run(rep, error);
    const auto end = std::chrono::steady_clock::now();
    if (ran && contender.verify && !contender.verify(rep, error))
        error = "wrong result: " + error;
    else if (ran)
        samples.seconds.push_back(std::chrono::duration<double>(end - start).count());
    if (!error.empty())
        samples.strError = error;
    if (contender.cleanup)
        contender.cleanup(rep);
}

} // namespace

std::vector<Samples> RunInterleaved(const std::vector<Contender>& contenders, int repetitions)
{
    std::vector<Samples> samples(contenders.size());
    for (int rep = 0; rep < repetitions; ++rep) {
        for (size_t i = 0; i < contenders.size(); ++i) {
            const size_t who = (i + static_cast<size_t>(rep)) % contenders.size();
            if (samples[who].strError.empty())
                RunOnce(contenders[who], rep, samples[who]);
        }
    }
    return samples;
}
