#pragma once

#include <cstdint>
#include <deque>
#include <string>

// The figures of a running transfer for its Status window: bytes done of
// the file and of the whole action, the speed over the last few seconds,
// and the time left. Time comes in from the caller as milliseconds of any
// steady clock, so the figures follow from the calls alone.
class CTransferMeter {
public:
    // Sizes and counts below 0 are unknown. An action of one file whose size
    // was not counted takes that file's size once it starts.
    void BeginAction(int64_t totalBytes, int64_t files = -1);
    // A file starts, with `done` bytes of it already in place. The file before
    // it is over, arrived or not: its size counts as handled.
    void BeginFile(int64_t fileBytes, uint64_t done, int64_t nowMs);
    // The file's data now reaches `done` bytes (it may go back to 0 when a
    // file starts again).
    void Update(uint64_t done, int64_t nowMs);
    // Bytes another connection of the action moved.
    void AddOtherBytes(uint64_t bytes, int64_t nowMs);

    // Bytes a second over the last few seconds; 0 while not known.
    double Speed() const;
    // "12.5 MiB of 64.0 MiB at 3.2 MiB/s, 0:16 left"; parts not known are left out.
    std::string FileLine() const;
    // "All files: 40.0 MiB of 200.0 MiB, 1:05 left", or "All files: 40.0 MiB so far".
    std::string ActionLine() const;

    // The span the speed is taken over.
    static constexpr int64_t kWindowMs = 5000;

private:
    struct Sample {
        int64_t ms;
        uint64_t bytes;
    };
    void Record(int64_t nowMs);

    int64_t m_nActionTotal = -1;
    int64_t m_nActionFiles = -1;
    uint64_t m_nActionBase = 0;   // bytes of the files already over
    int64_t m_nFileTotal = -1;
    uint64_t m_nFileDone = 0;
    bool m_bInFile = false;
    uint64_t m_nMoved = 0;        // bytes moved in the action, restarts included
    int64_t m_nNowMs = 0;
    std::deque<Sample> m_samples;
};

// "512 bytes", "1.5 KiB", "12.5 MiB", "2.0 GiB".
std::string ByteSizeText(uint64_t bytes);
// "0:09", "12:05", "1:02:03"; seconds rounded up.
std::string DurationText(double seconds);
