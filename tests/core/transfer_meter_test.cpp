#include "transfer/TransferMeter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint64_t kMiB = 1024 * 1024;

// One call on the meter at a scripted time.
struct Step {
    enum Kind { Action, File, Update } kind;
    int64_t size;     // Action, File: the size (-1 unknown)
    uint64_t bytes;   // File: bytes already there; Update: bytes done
    int64_t ms;
};

std::vector<Step> Steady(int64_t fromMs, int64_t toMs, uint64_t fromBytes, uint64_t bytesPerSecond)
{
    std::vector<Step> steps;
    for (int64_t ms = fromMs; ms <= toMs; ms += 1000)
        steps.push_back({Step::Update, 0, fromBytes + bytesPerSecond * static_cast<uint64_t>(ms - fromMs) / 1000, ms});
    return steps;
}

std::vector<Step> Join(std::vector<Step> a, const std::vector<Step>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(TransferMeter, FiguresFollowTheScriptedClock)
{
    const std::vector<Step> start{{Step::Action, 200 * kMiB, 0, 0}, {Step::File, 64 * kMiB, 0, 0}};
    const std::vector<Step> steady = Join(start, Steady(1000, 10000, 2 * kMiB, 2 * kMiB));
    const struct Case {
        const char* name;
        std::vector<Step> steps;
        const char* fileLine;
        const char* actionLine;
    } cases[] = {
        {"no speed before half a second", Join(start, {{Step::Update, 0, kMiB, 200}}), "1.0 MiB of 64.0 MiB",
         "All files: 1.0 MiB of 200.0 MiB"},
        {"steady 2 MiB/s", steady, "20.0 MiB of 64.0 MiB at 2.0 MiB/s, 0:22 left",
         "All files: 20.0 MiB of 200.0 MiB, 1:30 left"},
        // The speed is that of the last seconds: the slow tail, not the average.
        {"slowing down", Join(steady, Steady(11000, 15000, 20 * kMiB + kMiB / 2, kMiB / 2)),
         "22.5 MiB of 64.0 MiB at 512.0 KiB/s, 1:23 left", "All files: 22.5 MiB of 200.0 MiB, 5:55 left"},
        {"sizes unknown", Join({{Step::Action, -1, 0, 0}, {Step::File, -1, 0, 0}}, Steady(1000, 3000, kMiB, kMiB)),
         "3.0 MiB at 1.0 MiB/s", "All files: 3.0 MiB so far"},
        // A file that ends counts whole, arrived or not; the next starts at 0.
        {"second file", Join(steady, {{Step::File, 30 * kMiB, 0, 11000}, {Step::Update, 0, 2 * kMiB, 12000}}),
         "2.0 MiB of 30.0 MiB at 1.6 MiB/s, 0:18 left", "All files: 66.0 MiB of 200.0 MiB, 1:24 left"},
        // A resumed file starts with its bytes in place; they are not speed.
        {"resumed file",
         {{Step::Action, 200 * kMiB, 0, 0}, {Step::File, 64 * kMiB, 32 * kMiB, 0}, {Step::Update, 0, 33 * kMiB, 1000}},
         "33.0 MiB of 64.0 MiB at 1.0 MiB/s, 0:31 left", "All files: 33.0 MiB of 200.0 MiB, 2:47 left"},
        // Starting over from the first byte keeps the speed of what moved.
        {"file starts again", Join(steady, {{Step::Update, 0, 0, 10500}, {Step::Update, 0, 2 * kMiB, 11000}}),
         "2.0 MiB of 64.0 MiB at 2.0 MiB/s, 0:31 left", "All files: 2.0 MiB of 200.0 MiB, 1:39 left"},
        // An action total that turns out too small shows what is known.
        {"total overrun", Join({{Step::Action, 10, 0, 0}, {Step::File, 64 * kMiB, 0, 0}}, Steady(1000, 1000, kMiB, 0)),
         "1.0 MiB of 64.0 MiB at 1.0 MiB/s, 1:03 left", "All files: 1.0 MiB so far"},
    };
    for (const Case& c : cases) {
        CTransferMeter meter;
        for (const Step& step : c.steps) {
            if (step.kind == Step::Action)
                meter.BeginAction(step.size);
            else if (step.kind == Step::File)
                meter.BeginFile(step.size, step.bytes, step.ms);
            else
                meter.Update(step.bytes, step.ms);
        }
        EXPECT_EQ(meter.FileLine(), c.fileLine) << c.name;
        EXPECT_EQ(meter.ActionLine(), c.actionLine) << c.name;
    }
}

TEST(TransferMeter, SizeAndDurationTexts)
{
    const std::pair<uint64_t, const char*> sizes[] = {
        {0, "0 bytes"},          {1023, "1023 bytes"},        {1024, "1.0 KiB"},
        {kMiB - 1, "1.0 MiB"},   {12 * kMiB + kMiB / 2, "12.5 MiB"}, {64ull << 30, "64.0 GiB"},
    };
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(ByteSizeText(bytes), text) << bytes;
    const std::pair<double, const char*> durations[] = {
        {0, "0:00"}, {0.2, "0:01"}, {59.5, "1:00"}, {3599, "59:59"}, {3723, "1:02:03"}, {-5, "0:00"},
    };
    for (const auto& [seconds, text] : durations)
        EXPECT_EQ(DurationText(seconds), text) << seconds;
}
