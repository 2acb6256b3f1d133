#include "transfer/StatusDialogChannel.h"

#include <algorithm>

namespace {

// position lies in 0..range; the sum is clamped to the same span without
// ever computing a value that could overflow.
int64_t ClampedAdd(int64_t position, int64_t steps, int64_t range)
{
    if (steps >= 0)
        return steps >= range - position ? range : position + steps;
    return steps <= -position ? 0 : position + steps;
}

} // namespace

void CStatusDialogChannel::SetMessages(const std::string& message1, const std::string& message2)
{
    std::lock_guard lock(m_mutex);
    m_state.message1 = message1;
    m_state.message2 = message2;
    m_bChanged = true;
}

void CStatusDialogChannel::SetMessage3(const std::string& message3)
{
    std::lock_guard lock(m_mutex);
    m_state.message3 = message3;
    m_bChanged = true;
}

void CStatusDialogChannel::SetFileRange(int64_t n)
{
    std::lock_guard lock(m_mutex);
    m_state.fileRange = std::max<int64_t>(n, 0);
    m_state.filePos = 0;
    m_bChanged = true;
}

void CStatusDialogChannel::SetOverallRange(int64_t n)
{
    std::lock_guard lock(m_mutex);
    m_state.overallRange = std::max<int64_t>(n, 0);
    m_state.overallPos = 0;
    m_bChanged = true;
}

void CStatusDialogChannel::StepFile(int64_t steps)
{
    std::lock_guard lock(m_mutex);
    m_state.filePos = ClampedAdd(m_state.filePos, steps, m_state.fileRange);
    m_bChanged = true;
}

void CStatusDialogChannel::StepOverall()
{
    std::lock_guard lock(m_mutex);
    m_state.overallVisible = true;
    m_state.overallPos = ClampedAdd(m_state.overallPos, 1, m_state.overallRange);
    m_bChanged = true;
}

void CStatusDialogChannel::SetFigures(const std::string& fileLine, const std::string& actionLine)
{
    std::lock_guard lock(m_mutex);
    m_state.fileFigures = fileLine;
    m_state.actionFigures = actionLine;
    m_bChanged = true;
}

void CStatusDialogChannel::Show()
{
    std::lock_guard lock(m_mutex);
    m_state.shown = true;
    m_bChanged = true;
}

void CStatusDialogChannel::Detach()
{
    std::lock_guard lock(m_mutex);
    m_bDetached = true;
    m_pCancelFlag = nullptr;
}

bool CStatusDialogChannel::TakeChanges(StatusDialogState& state)
{
    std::lock_guard lock(m_mutex);
    if (!m_bChanged)
        return false;
    state = m_state;
    m_bChanged = false;
    return true;
}

bool CStatusDialogChannel::IsDetached() const
{
    std::lock_guard lock(m_mutex);
    return m_bDetached;
}

void CStatusDialogChannel::RequestCancel()
{
    std::lock_guard lock(m_mutex);
    if (m_pCancelFlag != nullptr)
        m_pCancelFlag->store(1);
}
