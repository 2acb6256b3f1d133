#include "RecordingStatusDialog.h"

namespace {

class RecordingStatusDialog : public IStatusDialog {
public:
    RecordingStatusDialog(StatusRecord& record, std::atomic<int32_t>* cancel) : m_record(record), m_cancel(cancel) {}
    ~RecordingStatusDialog() override
    {
        Add("closed");
        std::lock_guard lock(m_record.mutex);
        --m_record.open;
    }

    void SetMessages(const std::string& message1, const std::string& message2) override
    {
        Add("messages:" + message1 + "|" + message2);
        if (m_record.onMessages)
            m_record.onMessages(message1, message2, m_cancel);
    }
    void SetMessage3(const std::string& message3) override { Add("message3:" + message3); }
    void SetFileRange(int64_t n) override { Add("fileRange:" + std::to_string(n)); }
    void SetOverallRange(int64_t n) override { Add("overallRange:" + std::to_string(n)); }
    void StepFile(int64_t steps) override { Add("stepFile:" + std::to_string(steps)); }
    void StepOverall() override { Add("stepOverall"); }

private:
    void Add(const std::string& call)
    {
        std::lock_guard lock(m_record.mutex);
        m_record.calls.push_back(call);
    }

    StatusRecord& m_record;
    std::atomic<int32_t>* m_cancel;
};

} // namespace

std::unique_ptr<IStatusDialog> RecordingStatusDialogFactory::CreateStatusDialog(const std::string& title,
                                                                                std::atomic<int32_t>* cancelFlag)
{
    {
        std::lock_guard lock(m_record.mutex);
        m_record.titles.push_back(title);
        ++m_record.open;
        ++m_record.created;
        m_record.calls.push_back("created:" + title);
    }
    return std::make_unique<RecordingStatusDialog>(m_record, cancelFlag);
}
