#include "transfer/TransferMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Samples closer together than this add nothing to a speed over seconds.
constexpr int64_t kSampleGapMs = 100;
// A speed over less time than this says little; none is shown before.
constexpr int64_t kLeastSpanMs = 500;

} // namespace

std::string ByteSizeText(uint64_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + " bytes";
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes) / 1024.0;
    size_t unit = 0;
    // 1023.96 KiB would print as "1024.0 KiB": it goes up a unit instead.
    while (value >= 1023.95 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string DurationText(double seconds)
{
    const auto total = static_cast<int64_t>(std::ceil(std::max(seconds, 0.0)));
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(total / 3600),
                      static_cast<long long>(total / 60 % 60), static_cast<long long>(total % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(total / 60),
                      static_cast<long long>(total % 60));
    return text;
}

void CTransferMeter::BeginAction(int64_t totalBytes, int64_t files)
{
    *this = CTransferMeter();
    m_nActionTotal = totalBytes;
    m_nActionFiles = files;
}

void CTransferMeter::BeginFile(int64_t fileBytes, uint64_t done, int64_t nowMs)
{
    if (m_bInFile)
        m_nActionBase += m_nFileTotal >= 0 ? std::max<uint64_t>(static_cast<uint64_t>(m_nFileTotal), m_nFileDone)
                                           : m_nFileDone;
    else if (m_nActionTotal < 0 && m_nActionFiles == 1)
        m_nActionTotal = fileBytes;
    m_bInFile = true;
    m_nFileTotal = fileBytes;
    m_nFileDone = done;
    Record(nowMs);
}

void CTransferMeter::Update(uint64_t done, int64_t nowMs)
{
    if (done > m_nFileDone)
        m_nMoved += done - m_nFileDone;
    m_nFileDone = done;
    Record(nowMs);
}

void CTransferMeter::AddOtherBytes(uint64_t bytes, int64_t nowMs)
{
    m_nMoved += bytes;
    m_nActionBase += bytes;
    Record(nowMs);
}

void CTransferMeter::Record(int64_t nowMs)
{
    m_nNowMs = nowMs;
    if (m_samples.empty() || nowMs - m_samples.back().ms >= kSampleGapMs)
        m_samples.push_back({nowMs, m_nMoved});
    // One sample at or before the window's start stays, as its left edge.
    while (m_samples.size() >= 2 && m_samples[1].ms <= nowMs - kWindowMs)
        m_samples.pop_front();
}

double CTransferMeter::Speed() const
{
    if (m_samples.empty())
        return 0;
    const int64_t span = m_nNowMs - m_samples.front().ms;
    if (span < kLeastSpanMs)
        return 0;
    return static_cast<double>(m_nMoved - m_samples.front().bytes) * 1000.0 / static_cast<double>(span);
}

std::string CTransferMeter::FileLine() const
{
    std::string line = ByteSizeText(m_nFileDone);
    if (m_nFileTotal >= 0)
        line += " of " + ByteSizeText(static_cast<uint64_t>(m_nFileTotal));
    const double speed = Speed();
    if (speed <= 0)
        return line;
    line += " at " + ByteSizeText(static_cast<uint64_t>(speed)) + "/s";
    if (m_nFileTotal >= 0 && static_cast<uint64_t>(m_nFileTotal) >= m_nFileDone)
        line += ", " + DurationText(static_cast<double>(static_cast<uint64_t>(m_nFileTotal) - m_nFileDone) / speed) +
                " left";
    return line;
}

std::string CTransferMeter::ActionLine() const
{
    const uint64_t done = m_nActionBase + m_nFileDone;
    if (m_nActionTotal < 0 || static_cast<uint64_t>(m_nActionTotal) < done)
        return "All files: " + ByteSizeText(done) + " so far";
    std::string line = "All files: " + ByteSizeText(done) + " of " + ByteSizeText(static_cast<uint64_t>(m_nActionTotal));
    const double speed = Speed();
    if (speed > 0)
        line += ", " + DurationText(static_cast<double>(static_cast<uint64_t>(m_nActionTotal) - done) / speed) +
                " left";
    return line;
}
