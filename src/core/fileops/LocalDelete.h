#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

class CVamloDoc;
class IPrompts;

// One selected row of the file list: its name in the current folder.
struct DeleteRow {
    std::string name;
    bool isFolder = false;
};

// Deletes on the local disk, with the read-only question and the document's
// m_bDeleteYesToAll. Read-only means the owner has no write bit; clearing it
// is chmod u+w. A symbolic link is removed as a link, never walked, so a
// deletion never reaches outside the folder it deletes. Failures are told in
// message boxes.
class CLocalDelete {
public:
    // canceled is asked between entries; once it says so the walk stops,
    // leaving what it has not reached, without a failure message.
    CLocalDelete(CVamloDoc& doc, IPrompts& prompts, std::function<bool()> canceled = {});

    // The folder and everything in it; 1 when the folder is gone.
    int DeleteLocalFolder(const std::string& path);
    // The file list's Delete of rows in folder. False when the command ended
    // at once (the views are then not refreshed); a cancel is not such an end.
    bool DeleteRows(const std::string& folder, const std::vector<DeleteRow>& rows);

    size_t RemovedCount() const { return m_nRemoved; }

private:
    int DeleteFolderAt(int parentFd, const std::string& name, const std::string& path);
    // 1 to go on with the folder's other entries, 0 to stop at once.
    int DeleteEntryAt(int dirFd, const std::string& name, const std::string& full, mode_t mode);
    int RemoveFolderItself(int parentFd, const std::string& name, const std::string& path, int fd, mode_t mode);
    bool DeleteFileRow(const std::string& folder, const std::string& name);
    void Removed();
    bool Canceled() const { return m_canceled && m_canceled(); }

    CVamloDoc& m_doc;
    IPrompts& m_prompts;
    std::function<bool()> m_canceled;
    size_t m_nRemoved = 0;
    // The errno of the last failed step, for the list's own message.
    int m_nLastError = 0;
};
