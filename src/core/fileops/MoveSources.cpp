#include "fileops/MoveSources.h"

#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/VamloDoc.h"
#include "fileops/LocalCopy.h"
#include "fileops/LocalDelete.h"
#include "path/Paths.h"
#include "transfer/LocalFile.h"
#include "transfer/TransferDriver.h"
#include "transfer/TransferJob.h"

void DeleteMovedSources(CVamloDoc& doc, IPrompts& prompts, const CFileInfoList& entries)
{
    // The read-only questions start afresh, as for a Delete of the list.
    doc.m_bDeleteYesToAll = 0;
    CLocalDelete remover(doc, prompts);
    for (const auto& entry : entries) {
        if (entry == nullptr || entry->m_byLocation != LOCATION_LOCAL)
            continue;
        const std::string& path = entry->m_strPath;
        const std::size_t slash = path.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
        if (!remover.DeleteRows(folder, {{LastPathComponent(path), entry->m_bIsFolder == 1}}))
            return;
    }
}

void MoveEntriesLocally(CVamloDoc& doc, IPrompts& prompts, const std::string& targetFolder,
                        const CFileInfoList& entries)
{
    CLocalCopier copier(doc, prompts, targetFolder);
    doc.ClearTransferredNames();
    for (const auto& entry : entries)
        copier.CopyEntryLocally(*entry);
    if (copier.CopiedAll())
        DeleteMovedSources(doc, prompts, entries);
    else
        prompts.SetStatusText(kMoveKeptSourcesText);
}

void BeginPutMove(CVamloDoc& doc)
{
    doc.m_nLocalFileCount = -1;
    doc.m_nFilesSent = 0;
}

void EndPutMove(CVamloDoc& doc, const TransferJob& job)
{
    const bool complete = job.m_nFailures == 0 && doc.m_bCancelTransfer == 0 && doc.m_bContinueTransfer == 1 &&
                          doc.m_nFilesSent == doc.m_nLocalFileCount;
    if (complete)
        DeleteMovedSources(doc, doc.App().Prompts(), job.m_entries);
    else
        doc.AppendLog(std::string("***** ") + kMoveKeptSourcesText);
}
