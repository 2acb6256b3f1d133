#pragma once

#include <string>
#include <vector>

// The applications the desktop knows for a kind of file, read from the
// freedesktop.org desktop entries and mimeapps.list files, the way the
// desktop's own file managers read them.
struct DesktopApp {
    std::string id;     // "org.example.Editor.desktop"
    std::string name;   // Name=
    std::string exec;   // Exec=
};

// The folders the lists are read from, most important first.
struct XdgFolders {
    std::vector<std::string> config;   // $XDG_CONFIG_HOME, then $XDG_CONFIG_DIRS
    std::vector<std::string> data;     // $XDG_DATA_HOME, then $XDG_DATA_DIRS
};
// From the environment, with the specification's defaults.
XdgFolders XdgFoldersFromEnvironment();

// The applications for the types (the file's type first, then the types it
// derives from): the user's defaults, then added associations, then every
// entry naming one of the types, each once. Hidden and removed ones left out.
std::vector<DesktopApp> AppsForTypes(const std::vector<std::string>& types, const XdgFolders& folders);

// The command line of an entry's Exec= for one file, field codes expanded;
// empty when the line cannot be read.
std::vector<std::string> ExecArguments(const std::string& exec, const std::string& file);
