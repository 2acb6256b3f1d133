#pragma once

#include "model/FileInfo.h"

#include <functional>
#include <string>

class CAppCore;
class CNetActions;
class CVamloSiteInfo;
class CVamloDoc;
class ITransferDoneSink;

// What Copy and Paste do the same in the tree and the list: the clipboard
// source site, the paste decision with its same-folder tests, the local copy
// and the transfer jobs.
class CClipboardCommands {
public:
    CClipboardCommands(CVamloDoc& doc, CAppCore& app);

    // Paste is offered while the clipboard holds a list of ours and the panes
    // show a folder.
    bool CanPaste() const;

    // Puts the entries on the clipboard. The source site follows the place
    // they were copied from: none for local, the site for remote, unchanged
    // for neither.
    void CopyEntries(const CFileInfoList& entries, uint8_t location, CVamloSiteInfo* site);
    // Paste refuses a site that a short network action is using.
    void SetNetActions(CNetActions* actions) { m_pNetActions = actions; }

    struct PasteTarget {
        int notifyKind;                          // NOTIFY_TREE or NOTIFY_LIST
        ITransferDoneSink* view;                 // told when a job ends
        std::function<void()> refreshAfterCopy;  // after a local copy
    };
    // The clipboard's entries into the folder that the panes show.
    void Paste(const PasteTarget& target);

    // A folder that entries go into.
    struct PastePlace {
        uint8_t location = LOCATION_NONE;
        std::string folder;
        CVamloSiteInfo* site = nullptr;
    };
    // Dragged entries: where they come from, and whether the local ones go
    // once they have all arrived.
    struct PasteSource {
        CFileInfoList entries;
        CVamloSiteInfo* site = nullptr;
        bool move = false;
    };
    // A drop does what Copy of the dragged entries and Paste on the place
    // would do, on the same road, leaving the clipboard as it was. Dropping
    // entries onto their own folder, or onto one of themselves, does nothing.
    void Drop(PasteSource source, const PastePlace& place, const PasteTarget& target);
    static bool IsDropOntoItself(const PasteSource& source, const PastePlace& place);

private:
    void PasteEntries(PasteSource source, const PastePlace& place, const PasteTarget& target);

    CVamloDoc& m_doc;
    CAppCore& m_app;
    CNetActions* m_pNetActions = nullptr;
};

inline constexpr const char* kPasteWhileTransferMessage =
    "A file transfer is still running.\nPlease paste again when it has finished.";
