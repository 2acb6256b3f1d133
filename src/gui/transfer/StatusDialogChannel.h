#pragma once

#include "transfer/TransferCancel.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

// What the Status window shows, as one value that the GUI copies whole.
struct StatusDialogState {
    std::string message1;
    std::string message2;
    std::string message3;
    int64_t fileRange = 0;
    int64_t filePos = 0;
    int64_t overallRange = 0;
    int64_t overallPos = 0;
    bool overallVisible = false;
    bool shown = true;           // false while the worker keeps the window hidden
    std::string fileFigures;     // bytes, speed and time left of the file
    std::string actionFigures;   // the same for the whole action
};

// The meeting point of a worker and its Status window. The worker writes the
// latest state and returns at once; the window takes it a few tens of times a
// second. Both sides share ownership, so neither can outlive what it touches:
// once the worker detaches, the window closes itself and a late Cancel click
// no longer reaches the worker's flag.
class CStatusDialogChannel {
public:
    CStatusDialogChannel(CTransferCancel* cancelFlag, bool shown) : m_pCancelFlag(cancelFlag)
    {
        m_state.shown = shown;
    }
    CStatusDialogChannel(const CStatusDialogChannel&) = delete;
    CStatusDialogChannel& operator=(const CStatusDialogChannel&) = delete;

    // Worker side.
    void SetMessages(const std::string& message1, const std::string& message2);
    void SetMessage3(const std::string& message3);
    void SetFileRange(int64_t n);
    void SetOverallRange(int64_t n);
    void StepFile(int64_t steps);
    void StepOverall();
    void SetFigures(const std::string& fileLine, const std::string& actionLine);
    void Show();
    // The worker is done with the window: it closes, and Cancel reaches nobody.
    void Detach();

    // GUI side. True, with the state copied, when something changed since the last take.
    bool TakeChanges(StatusDialogState& state);
    bool IsDetached() const;
    // Raises the worker's cancel flag unless the worker has already detached.
    void RequestCancel();

private:
    mutable std::mutex m_mutex;
    StatusDialogState m_state;
    bool m_bChanged = false;
    bool m_bDetached = false;
    CTransferCancel* m_pCancelFlag;
};
