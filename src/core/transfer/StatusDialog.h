#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CTransferCancel;

// The modeless "Status" window of a running transfer, as the worker sees it.
// Every call comes from the worker thread and returns at once; the window
// shows the latest state a few tens of times a second at most. Destroying
// the object closes the window.
class IStatusDialog {
public:
    virtual ~IStatusDialog() = default;

    virtual void SetMessages(const std::string& message1, const std::string& message2) = 0;
    virtual void SetMessage3(const std::string& message3) = 0;
    // The file bar: range 0..n, position 0.
    virtual void SetFileRange(int64_t n) = 0;
    // The overall bar: range 0..n, position 0; it stays hidden until the first StepOverall.
    virtual void SetOverallRange(int64_t n) = 0;
    virtual void StepFile(int64_t steps = 1) = 0;
    // Shows the overall bar, then advances it by one.
    virtual void StepOverall() = 0;
    // The figures of the running file and of the whole action, shown below
    // the bars: bytes, speed and time left.
    virtual void SetFigures(const std::string& fileLine, const std::string& actionLine)
    {
        (void)fileLine;
        (void)actionLine;
    }
    // Shows a window that was made hidden.
    virtual void Show() {}
};

// Makes the Status window of an action, shown or, until its Show, hidden.
// Cancel and Escape in the window set *cancel to 1; the window stays until
// the worker destroys it.
class IStatusDialogFactory {
public:
    virtual ~IStatusDialogFactory() = default;

    virtual std::unique_ptr<IStatusDialog> CreateStatusDialog(const std::string& title,
                                                              CTransferCancel* cancel, bool shown) = 0;
};
