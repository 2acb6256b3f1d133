#pragma once

#include "transfer/StatusDialog.h"
#include "transfer/StatusDialogChannel.h"

#include <memory>

// The worker's handle on a Status window. Every call only stores the latest
// state and returns; the window, on the GUI thread, shows it at its own pace.
// Destroying the handle detaches it: the window closes and deletes itself on
// the GUI thread within one refresh period, without the worker ever waiting
// for the GUI thread.
class CStatusDialogProxy : public IStatusDialog {
public:
    explicit CStatusDialogProxy(std::shared_ptr<CStatusDialogChannel> channel);
    ~CStatusDialogProxy() override;
    CStatusDialogProxy(const CStatusDialogProxy&) = delete;
    CStatusDialogProxy& operator=(const CStatusDialogProxy&) = delete;

    void SetMessages(const std::string& message1, const std::string& message2) override;
    void SetMessage3(const std::string& message3) override;
    void SetFileRange(int64_t n) override;
    void SetOverallRange(int64_t n) override;
    void StepFile(int64_t steps = 1) override;
    void StepOverall() override;
    void SetFigures(const std::string& fileLine, const std::string& actionLine) override;
    void Show() override;

private:
    std::shared_ptr<CStatusDialogChannel> m_pChannel;
};

// Opens Status windows for workers. The window is built on the GUI thread by a
// posted call, so a worker never blocks here either, even while the GUI
// thread waits for something else; a call on the GUI thread builds it at once.
class CStatusDialogFactory : public IStatusDialogFactory {
public:
    std::unique_ptr<IStatusDialog> CreateStatusDialog(const std::string& title,
                                                      CTransferCancel* cancelFlag, bool shown) override;
};
