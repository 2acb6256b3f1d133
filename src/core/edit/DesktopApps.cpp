#include "edit/DesktopApps.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Files of these kinds are small; a longer one is not read past this.
constexpr std::size_t kMaxLines = 20000;
constexpr int kMaxEntryDepth = 4;

using Groups = std::map<std::string, std::map<std::string, std::string>>;

Groups ReadKeyFile(const fs::path& path)
{
    Groups groups;
    std::ifstream in(path);
    std::string line;
    std::string group;
    for (std::size_t count = 0; count < kMaxLines && std::getline(in, line); ++count) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        key.erase(key.find_last_not_of(' ') + 1);
        std::string value = line.substr(equals + 1);
        value.erase(0, value.find_first_not_of(' '));
        groups[group].emplace(std::move(key), std::move(value));
    }
    return groups;
}

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> items;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ';'))
        if (!item.empty())
            items.push_back(item);
    return items;
}

std::vector<std::string> Split(const char* value, const char* fallback)
{
    std::vector<std::string> items;
    std::stringstream in(value != nullptr && *value != '\0' ? value : fallback);
    std::string item;
    while (std::getline(in, item, ':'))
        if (!item.empty())
            items.push_back(item);
    return items;
}

// Every desktop entry under the applications folders, by id; the first
// folder that has an id wins.
std::map<std::string, Groups> ReadEntries(const XdgFolders& folders)
{
    std::map<std::string, Groups> entries;
    for (const std::string& data : folders.data) {
        const fs::path root = fs::path(data) / "applications";
        std::error_code error;
        fs::recursive_directory_iterator walk(root, error), end;
        for (; !error && walk != end; walk.increment(error)) {
            if (walk.depth() >= kMaxEntryDepth)
                walk.disable_recursion_pending();
            if (walk->path().extension() != ".desktop" || !walk->is_regular_file(error))
                continue;
            std::string id = fs::relative(walk->path(), root, error).string();
            std::replace(id.begin(), id.end(), '/', '-');
            if (entries.count(id) == 0)
                entries.emplace(id, ReadKeyFile(walk->path()));
        }
    }
    return entries;
}

// A key of the entry's "Desktop Entry" group, empty when it has none.
std::string EntryValue(const Groups& groups, const char* key)
{
    const auto group = groups.find("Desktop Entry");
    if (group == groups.end())
        return {};
    const auto value = group->second.find(key);
    return value == group->second.end() ? std::string() : value->second;
}

} // namespace

XdgFolders XdgFoldersFromEnvironment()
{
    const char* home = std::getenv("HOME");
    const std::string base = home != nullptr ? home : "";
    XdgFolders folders;
    folders.config = Split(std::getenv("XDG_CONFIG_HOME"), (base + "/.config").c_str());
    for (std::string& dir : Split(std::getenv("XDG_CONFIG_DIRS"), "/etc/xdg"))
        folders.config.push_back(std::move(dir));
    folders.data = Split(std::getenv("XDG_DATA_HOME"), (base + "/.local/share").c_str());
    for (std::string& dir : Split(std::getenv("XDG_DATA_DIRS"), "/usr/local/share:/usr/share"))
        folders.data.push_back(std::move(dir));
    return folders;
}

std::vector<DesktopApp> AppsForTypes(const std::vector<std::string>& types, const XdgFolders& folders)
{
    const std::map<std::string, Groups> entries = ReadEntries(folders);
    std::vector<std::string> order;
    std::set<std::string> removed;
    std::vector<fs::path> lists;
    for (const std::string& dir : folders.config)
        lists.push_back(fs::path(dir) / "mimeapps.list");
    for (const std::string& dir : folders.data)
        lists.push_back(fs::path(dir) / "applications" / "mimeapps.list");
    for (const char* group : {"Default Applications", "Added Associations"}) {
        for (const fs::path& list : lists) {
            Groups read = ReadKeyFile(list);
            for (const std::string& type : types) {
                for (std::string& id : SplitList(read[group][type]))
                    order.push_back(std::move(id));
                for (std::string& id : SplitList(read["Removed Associations"][type]))
                    removed.insert(std::move(id));
            }
        }
    }
    for (const std::string& type : types)
        for (const auto& [id, groups] : entries)
            for (const std::string& listed : SplitList(EntryValue(groups, "MimeType")))
                if (listed == type)
                    order.push_back(id);

    std::vector<DesktopApp> apps;
    std::set<std::string> seen;
    for (const std::string& id : order) {
        const auto found = entries.find(id);
        if (found == entries.end() || removed.count(id) != 0 || !seen.insert(id).second)
            continue;
        const auto value = [&](const char* key) { return EntryValue(found->second, key); };
        if (value("Hidden") == "true" || value("Exec").empty() || value("Type") != "Application")
            continue;
        apps.push_back({id, value("Name").empty() ? id : value("Name"), value("Exec")});
    }
    return apps;
}

std::vector<std::string> ExecArguments(const std::string& exec, const std::string& file)
{
    // Arguments are split at spaces outside double quotes; inside them a
    // backslash escapes the next character.
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted && c == '\\' && i + 1 < exec.size()) {
            word += exec[++i];
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return {};
    if (inWord)
        words.push_back(std::move(word));

    std::vector<std::string> args;
    bool fileGiven = false;
    for (const std::string& w : words) {
        // A field code that stands alone for the file list or the file.
        if (w == "%f" || w == "%F" || w == "%u" || w == "%U") {
            if (!fileGiven)
                args.push_back(file);
            fileGiven = true;
            continue;
        }
        std::string out;
        for (std::size_t i = 0; i < w.size(); ++i) {
            if (w[i] != '%' || i + 1 == w.size()) {
                out += w[i];
                continue;
            }
            const char code = w[++i];
            if (code == '%')
                out += '%';
            else if (code == 'f' || code == 'u') {
                out += file;
                fileGiven = true;
            }
            // Other codes (icon, name, location) are left out.
        }
        if (!out.empty())
            args.push_back(std::move(out));
    }
    if (args.empty())
        return {};
    // An entry whose line names no file still gets one.
    if (!fileGiven)
        args.push_back(file);
    return args;
}
