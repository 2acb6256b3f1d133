#pragma once

#include "app/AppPaths.h"
#include "connect/ConnectContext.h"
#include "model/FileInfo.h"

#include <atomic>
#include <cstdint>
#include <string>

class CActionLog;
class CVamloSiteInfo;
class IClipboard;
class ISettingsStore;
class IStatusDialogFactory;

// The values that every subsystem shares, owned by the application object.
// The GUI's application class derives from it; tests make one of their own.
class CAppCore : public IConnectContext {
public:
    CAppCore() = default;
    ~CAppCore() override = default;
    CAppCore(const CAppCore&) = delete;
    CAppCore& operator=(const CAppCore&) = delete;

    void SetPaths(const CAppPaths& paths);

    // The private clipboard format, by name: on this platform a format is
    // registered by being used under its name.
    void RegisterClipboardFormat() { m_cfFileList = kClipboardFormatName; }

    // The entry list travels as one private byte block. The caller keeps
    // ownership of the list it copies and owns the entries it pastes.
    void CopyToClipboard(const CFileInfoList& list);
    void PasteFromClipboard(CFileInfoList& list);
    int HasClipboardFileList();

    void LoadSettings(int32_t* pAutoSave, int32_t* pAutoRefresh);
    void SaveSettings(int32_t autoSave, int32_t autoRefresh);

    IPrompts& Prompts() { return *m_pPrompts; }

    IPrompts& ConnectPrompts() override { return *m_pPrompts; }
    std::string ConnectAgentName() override { return m_strAgentName; }
    std::string TrustedCertificatesPath() override;
    std::string KnownHostsPath() override;
    void ConnectLog(const std::string& text) override;

    std::string m_strAppDir;
    std::string m_strSiteListPath;
    std::string m_strAutoSavePath;
    std::string m_strTempDirPath;
    // 1 ASCII, 2 binary. Read by transfer threads while the GUI may change it.
    std::atomic<int32_t> m_nTransferType{2};
    // How many connections to a site one transfer may use (1 to
    // kMaxTransferConnections). The window's setting starts at 4; a core
    // made without it works one file at a time.
    std::atomic<int32_t> m_nTransferConnections{1};
    // Empty until start-up has created its first window, as sessions opened
    // before then carry no agent name.
    std::string m_strAgentName;
    std::string m_cfFileList;
    // The site whose folder the last Copy took its entries from; not owned.
    CVamloSiteInfo* m_pClipSourceSite = nullptr;

    IClipboard* m_pClipboard = nullptr;
    IPrompts* m_pPrompts = nullptr;
    ISettingsStore* m_pSettings = nullptr;
    IStatusDialogFactory* m_pStatusDialogFactory = nullptr;
    // Where connections note what the user should know; not owned.
    CActionLog* m_pConnectLog = nullptr;
};

inline constexpr const char* kAgentName = "Vamlo/V1.40";
inline constexpr int32_t kMaxTransferConnections = 10;
