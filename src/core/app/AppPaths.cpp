#include "app/AppPaths.h"

#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace {

bool IsSet(const char* value) { return value != nullptr && value[0] != '\0'; }

std::string WithTrailingSlash(std::string dir)
{
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

std::string HomeDirectory(EnvGetter getEnv)
{
    if (const char* home = getEnv("HOME"); IsSet(home))
        return home;
    // A service started without HOME still has a password entry.
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && IsSet(entry->pw_dir))
        return entry->pw_dir;
    return "/tmp";
}

} // namespace

std::string ProgramDirectory(EnvGetter getEnv)
{
    if (const char* own = getEnv("VAMLO_HOME"); IsSet(own))
        return WithTrailingSlash(own);
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (const char* data = getEnv("XDG_DATA_HOME"); IsSet(data) && data[0] == '/')
        return WithTrailingSlash(data) + "vamlo/";
    return WithTrailingSlash(HomeDirectory(getEnv)) + ".local/share/vamlo/";
}

CAppPaths MakeAppPaths(const std::string& appDir)
{
    CAppPaths paths;
    paths.m_strAppDir = WithTrailingSlash(appDir);
    paths.m_strSiteListPath = paths.m_strAppDir + kSiteListFileName;
    paths.m_strAutoSavePath = paths.m_strAppDir + kAutoSaveFileName;
    paths.m_strTempDirPath = paths.m_strAppDir + kTempDirName;
    return paths;
}

bool EnsureDirectory(const std::string& path, std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    if (!std::filesystem::is_directory(path, ec)) {
        error = "not a folder";
        return false;
    }
    return true;
}
