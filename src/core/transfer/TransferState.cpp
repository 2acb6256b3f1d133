#include "transfer/TransferState.h"

void CTransferState::AddTransferredName(const std::string& name)
{
    std::lock_guard lock(m_namesMutex);
    m_transferredNames.push_back(name);
}

void CTransferState::ClearTransferredNames()
{
    std::lock_guard lock(m_namesMutex);
    m_transferredNames.clear();
}

std::vector<std::string> CTransferState::TransferredNames() const
{
    std::lock_guard lock(m_namesMutex);
    return m_transferredNames;
}
