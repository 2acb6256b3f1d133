#pragma once

#include <cstdint>
#include <string>

// A local copy of a file opened for editing, as seen on disk: whatever an
// editor does to it (write in place, or write aside and rename over it)
// changes one of these.
struct LocalStamp {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const LocalStamp&) const = default;
};
LocalStamp ReadLocalStamp(const std::string& path);

// A new folder only this user can enter (0700) under parent; empty with the
// reason when it cannot be made.
std::string MakePrivateFolder(const std::string& parent, std::string& error);

// Removes a copy and the folder made for it; a folder holding anything else
// (an editor's backup, say) is kept.
void RemoveEditCopy(const std::string& path);

// Where a file opened for editing stands, as the "Files being edited" window
// shows it.
enum class EditState { Downloading, Open, Changed, Uploading, Sent, Failed };
const char* EditStateText(EditState state);
