#pragma once

#include "model/FileInfo.h"
#include "transfer/TransferTree.h"

#include <string>

class CVamloDoc;
class IPrompts;

// Paste on the local disk: files and folders copied into the document's
// current folder on the GUI thread, with the replace question and the
// read-only rule. Failures are told in message boxes; nothing is logged.
class CLocalCopier {
public:
    CLocalCopier(CVamloDoc& doc, IPrompts& prompts);

    // Copies every entry and frees the list.
    void CopyEntriesLocally(CFileInfoList& entries);
    void CopyEntryLocally(const CVaFileInfo& entry);
    void CopyFolderContents(const CTransferTreeItem& item, const std::string& sourceFolder,
                            const std::string& targetFolder);
    // 1 when the file was copied. A replaced file is swapped in only once
    // the copy is complete.
    int CopyLocalFile(const std::string& source, const std::string& target);

private:
    bool ConfirmReplace(const std::string& target);

    CVamloDoc& m_doc;
    IPrompts& m_prompts;
};
