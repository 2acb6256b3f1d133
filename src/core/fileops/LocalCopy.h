#pragma once

#include "model/FileInfo.h"
#include "transfer/TransferTree.h"

#include <string>

class CVamloDoc;
class IPrompts;

// Paste on the local disk: files and folders copied into the document's
// current folder (or the folder given) on the GUI thread, with the replace
// question and the read-only rule. Failures are told in message boxes;
// nothing is logged.
class CLocalCopier {
public:
    CLocalCopier(CVamloDoc& doc, IPrompts& prompts);
    CLocalCopier(CVamloDoc& doc, IPrompts& prompts, std::string targetFolder);

    // Copies every entry and frees the list.
    void CopyEntriesLocally(CFileInfoList& entries);
    void CopyEntryLocally(const CVaFileInfo& entry);
    void CopyFolderContents(const CTransferTreeItem& item, const std::string& sourceFolder,
                            const std::string& targetFolder);
    // 1 when the file was copied. A replaced file is swapped in only once
    // the copy is complete.
    int CopyLocalFile(const std::string& source, const std::string& target);

    // Every file and folder arrived: none failed, was refused or was left out.
    bool CopiedAll() const { return m_nNotCopied == 0; }

private:
    bool ConfirmReplace(const std::string& target);
    int NotCopied();

    CVamloDoc& m_doc;
    IPrompts& m_prompts;
    std::string m_strTargetFolder;
    int64_t m_nNotCopied = 0;
};
