#include "edit/EditCopies.h"

#include "path/Paths.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

LocalStamp ReadLocalStamp(const std::string& path)
{
    LocalStamp stamp;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = static_cast<uint64_t>(info.st_dev);
    stamp.inode = static_cast<uint64_t>(info.st_ino);
    stamp.size = static_cast<uint64_t>(info.st_size);
    stamp.modifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

std::string MakePrivateFolder(const std::string& parent, std::string& error)
{
    std::string pattern = JoinLocalPath(parent, "edit-XXXXXX");
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    // mkdtemp makes the folder 0700 whatever the umask.
    if (mkdtemp(buffer.data()) == nullptr) {
        error = std::strerror(errno);
        return {};
    }
    return buffer.data();
}

void RemoveEditCopy(const std::string& path)
{
    unlink(path.c_str());
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        rmdir(path.substr(0, slash).c_str());
}

const char* EditStateText(EditState state)
{
    switch (state) {
    case EditState::Downloading: return "Downloading";
    case EditState::Open: return "Open, unchanged";
    case EditState::Changed: return "Changed, not sent";
    case EditState::Uploading: return "Sending";
    case EditState::Sent: return "Sent";
    case EditState::Failed: return "Failed";
    }
    return "";
}
