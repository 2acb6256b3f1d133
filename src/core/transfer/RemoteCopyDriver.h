#pragma once

#include "model/FileInfo.h"
#include "transfer/TransferJob.h"

#include <functional>
#include <string>

class CTransferDriver;
class CVamloDoc;
class CVamloSiteInfo;
class IPrompts;

// Copy from one site to another (or to another folder of the same site):
// every entry is got into the local temporary folder, then everything that
// arrived there is put into the target folder. The two legs are the Get and
// Put of single items, so their texts and questions are the same.
class CRemoteCopyDriver {
public:
    CRemoteCopyDriver(CVamloDoc& doc, TransferJob& job);
    CRemoteCopyDriver(const CRemoteCopyDriver&) = delete;
    CRemoteCopyDriver& operator=(const CRemoteCopyDriver&) = delete;

    void RemoteCopyEntries(const CFileInfoList& entries);

    // The bytes free on the volume of a folder, -1 when unknown.
    std::function<long long(const std::string& folder)> m_fnFreeBytes;

    // The texts of one site's connection check.
    struct SiteTexts {
        const char* brokenLead;      // "The connection to the source ftp site \""
        const char* connecting;      // Message 1 while reconnecting
        const char* failedLead;      // the failure box up to the address
        const char* failedLine;      // Message 1 and log line up to the address
    };

private:
    // False when the connection is lost and not restored: the Status window
    // is closed and the site disconnected.
    bool CheckSite(CVamloSiteInfo& site, const SiteTexts& texts);
    // One leg, item by item; false when Cancel or a lost connection ended
    // the action in it.
    // One leg over up to the user's number of connections (files: the leg's count).
    bool RunLeg(const CFileInfoList& entries, const std::function<void(const CVaFileInfo&)>& item,
                CTransferDriver& driver, int64_t files);
    // False when the counted bytes do not fit on the temporary folder's volume.
    bool RoomForBytes(long long bytes);
    // One entry per file or folder directly in the temporary folder.
    CFileInfoList TempEntries() const;

    void CreateStatusDialog(const char* title);
    void CloseStatusDialog();
    void SetMessages(const std::string& message1, const std::string& message2);

    CVamloDoc& m_doc;
    TransferJob& m_job;
    IPrompts& m_prompts;
};
