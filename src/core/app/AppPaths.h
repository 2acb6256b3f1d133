#pragma once

#include <string>

// Where the program keeps its files. The names inside the folder are fixed,
// so that a user who moves from the old layout finds the same files.
struct CAppPaths {
    std::string m_strAppDir;        // with its trailing "/"
    std::string m_strSiteListPath;
    std::string m_strAutoSavePath;
    std::string m_strTempDirPath;
};

inline constexpr const char* kSiteListFileName = "__$#VAMLO_SITELIST.DAT";
inline constexpr const char* kAutoSaveFileName = "__$#VAMLO_AUTOSAVEDLOG.TXT";
inline constexpr const char* kTempDirName = "__$#Vamlo_TempDir";
// SSH host keys the user accepted Always, in OpenSSH's known_hosts form.
inline constexpr const char* kKnownHostsFileName = "__$#VAMLO_KNOWN_HOSTS";

// The program directory: $VAMLO_HOME when set and not empty, else
// $XDG_DATA_HOME/vamlo/, else $HOME/.local/share/vamlo/. Always ends in "/".
// The getter is a parameter so that tests need not touch the real environment.
using EnvGetter = const char* (*)(const char*);
std::string ProgramDirectory(EnvGetter getEnv);

CAppPaths MakeAppPaths(const std::string& appDir);

// Creates the folder and its parents; false with the reason when it cannot.
bool EnsureDirectory(const std::string& path, std::string& error);
