#include "fileops/FolderNames.h"

#include <dirent.h>
#include <unistd.h>

namespace {

std::vector<std::string> ReadWhole(DIR* dir)
{
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    return names;
}

} // namespace

std::vector<std::string> FolderNames(int fd)
{
    const int copy = dup(fd);
    if (copy < 0)
        return {};
    DIR* dir = fdopendir(copy);
    if (dir == nullptr) {
        close(copy);
        return {};
    }
    return ReadWhole(dir);
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    return dir != nullptr ? ReadWhole(dir) : std::vector<std::string>{};
}
