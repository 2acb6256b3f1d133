#pragma once

#include "transfer/StatusDialog.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Records every call a transfer makes on its Status window, as lines such as
// "messages:Getting file: /a|Received 1 kb of total 3 kb".
struct StatusRecord {
    std::mutex mutex;
    std::vector<std::string> calls;
    std::vector<std::string> titles;
    int open = 0;      // windows created and not yet closed
    int created = 0;
    // Called under no lock with each messages call; tests use it to press
    // Cancel at a chosen moment.
    std::function<void(const std::string& message1, const std::string& message2, std::atomic<int32_t>* cancel)>
        onMessages;

    std::vector<std::string> Calls()
    {
        std::lock_guard lock(mutex);
        return calls;
    }
};

class RecordingStatusDialogFactory : public IStatusDialogFactory {
public:
    explicit RecordingStatusDialogFactory(StatusRecord& record) : m_record(record) {}
    std::unique_ptr<IStatusDialog> CreateStatusDialog(const std::string& title,
                                                      std::atomic<int32_t>* cancelFlag) override;

private:
    StatusRecord& m_record;
};
