#include "path/Paths.h"

std::string JoinLocalPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string JoinRemotePath(const std::string& folder, const std::string& name)
{
    // Server paths use the same separator as local ones.
    return JoinLocalPath(folder, name);
}

std::string JoinRemoteEntry(const std::string& folder, const std::string& name)
{
    return folder + "//" + name;
}

std::string LastPathComponent(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
