#include "app/AppCore.h"

#include "app/Clipboard.h"
#include "app/Settings.h"
#include "ftp/CertificateTrust.h"
#include "log/ActionLog.h"

void CAppCore::SetPaths(const CAppPaths& paths)
{
    m_strAppDir = paths.m_strAppDir;
    m_strSiteListPath = paths.m_strSiteListPath;
    m_strAutoSavePath = paths.m_strAutoSavePath;
    m_strTempDirPath = paths.m_strTempDirPath;
}

void CAppCore::CopyToClipboard(const CFileInfoList& list)
{
    if (m_pClipboard == nullptr || m_cfFileList.empty())
        return;
    m_pClipboard->SetData(m_cfFileList, EncodeFileList(list));
}

void CAppCore::PasteFromClipboard(CFileInfoList& list)
{
    if (m_pClipboard == nullptr || m_cfFileList.empty())
        return;
    std::optional<std::vector<uint8_t>> bytes = m_pClipboard->GetData(m_cfFileList);
    if (!bytes)
        return;
    // Any program can put bytes under our name: an unreadable block is no list.
    CFileInfoList decoded = DecodeFileList(bytes->data(), bytes->size());
    for (auto& entry : decoded)
        list.push_back(std::move(entry));
}

int CAppCore::HasClipboardFileList()
{
    if (m_pClipboard == nullptr || m_cfFileList.empty())
        return 0;
    return m_pClipboard->HasFormat(m_cfFileList) ? 1 : 0;
}

void CAppCore::LoadSettings(int32_t* pAutoSave, int32_t* pAutoRefresh)
{
    if (m_pSettings == nullptr) {
        *pAutoSave = 0;
        *pAutoRefresh = 1;
        return;
    }
    ::LoadSettings(*m_pSettings, pAutoSave, pAutoRefresh);
}

void CAppCore::SaveSettings(int32_t autoSave, int32_t autoRefresh)
{
    if (m_pSettings != nullptr)
        ::SaveSettings(*m_pSettings, autoSave, autoRefresh);
}

std::string CAppCore::TrustedCertificatesPath()
{
    return m_strAppDir.empty() ? std::string() : m_strAppDir + kTrustedCertificatesFileName;
}

std::string CAppCore::KnownHostsPath()
{
    return m_strAppDir.empty() ? std::string() : m_strAppDir + kKnownHostsFileName;
}

void CAppCore::ConnectLog(const std::string& text)
{
    if (m_pConnectLog != nullptr)
        m_pConnectLog->AppendLog(text);
}
