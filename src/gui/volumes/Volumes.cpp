#include "volumes/Volumes.h"

#include "path/Paths.h"
#include "transfer/LocalFile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// The kernel writes blanks, tabs, newlines and backslashes in paths as "\ooo".
std::string DecodeOctal(std::string_view field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (digits.size() == 3 && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>(((digits[0] - '0') << 6) | ((digits[1] - '0') << 3) | (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// udev writes unsafe characters of a label as "\xHH".
std::string DecodeHexEscapes(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            const std::string hex(text.substr(i + 2, 2));
            char* end = nullptr;
            const long value = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool IsUnder(const std::string& path, const std::string& folder)
{
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

const std::set<std::string>& PseudoFileSystems()
{
    static const std::set<std::string> kinds = {
        "proc", "sysfs", "tmpfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "overlay", "squashfs",
        "debugfs", "tracefs", "securityfs", "pstore", "bpf", "mqueue", "hugetlbfs", "autofs", "fusectl",
        "configfs", "binfmt_misc", "efivarfs", "ramfs", "nsfs", "rpc_pipefs", "nfsd", "selinuxfs",
        "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs", "fuse.snapfuse", "none"};
    return kinds;
}

const std::set<std::string>& NetworkFileSystems()
{
    static const std::set<std::string> kinds = {
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "davfs", "fuse.davfs2",
        "9p", "afs", "ceph", "glusterfs", "fuse.glusterfs", "fuse.rclone", "fuse.s3fs", "ncpfs"};
    return kinds;
}

// System places that hold no user data of their own.
bool IsSystemPlace(const std::string& mountPoint)
{
    if (IsUnder(mountPoint, "/run/media"))
        return false;
    for (const char* place : {"/proc", "/sys", "/dev", "/run", "/snap", "/var/lib/docker", "/var/snap"})
        if (IsUnder(mountPoint, place))
            return true;
    return false;
}

// The label of each device, from the names that udev keeps in /dev/disk/by-label.
std::vector<std::pair<std::string, std::string>> ReadDeviceLabels()
{
    std::vector<std::pair<std::string, std::string>> labels;
    std::error_code error;
    for (fs::directory_iterator it("/dev/disk/by-label", error), end; !error && it != end; it.increment(error)) {
        std::error_code linkError;
        const fs::path device = fs::canonical(it->path(), linkError);
        if (!linkError)
            labels.emplace_back(device.string(), DecodeHexEscapes(it->path().filename().string()));
    }
    return labels;
}

// The removable flag of a block device (a partition asks its disk).
bool IsRemovableDevice(const std::string& device)
{
    if (!IsUnder(device, "/dev"))
        return false;
    std::error_code error;
    const std::string name = fs::path(device).filename().string();
    const fs::path block = fs::path("/sys/class/block") / name;
    if (!fs::exists(block, error))
        return false;
    fs::path sysDevice = fs::canonical(block, error);
    if (error)
        return false;
    // A partition's folder sits inside its disk's folder.
    if (fs::exists(sysDevice / "partition", error))
        sysDevice = sysDevice.parent_path();
    std::ifstream flag(sysDevice / "removable");
    char value = '0';
    return static_cast<bool>(flag >> value) && value == '1';
}

} // namespace

std::vector<MountRecord> ParseMountInfo(std::string_view text)
{
    std::vector<MountRecord> records;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string line(text.substr(start, end - start));
        start = end + 1;

        // id parent major:minor root mount-point options [optional...] - type source super-options
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;)
            words.push_back(word);
        const auto dash = std::find(words.begin(), words.end(), "-");
        if (words.size() < 5 || dash == words.end() || dash - words.begin() < 6 || words.end() - dash < 3)
            continue;
        MountRecord record;
        record.mountPoint = DecodeOctal(words[4]);
        record.fsType = DecodeOctal(*(dash + 1));
        record.device = DecodeOctal(*(dash + 2));
        records.push_back(std::move(record));
    }
    return records;
}

std::optional<VolumeKind> ClassifyVolume(const std::string& mountPoint, const std::string& fsType,
                                         const std::string& device, bool removableDevice)
{
    // In a container the root is an overlay: it is still the machine's root.
    if (mountPoint == "/")
        return VolumeKind::Local;
    if (mountPoint.empty() || mountPoint[0] != '/' || IsSystemPlace(mountPoint))
        return std::nullopt;
    if (NetworkFileSystems().count(fsType) != 0)
        return VolumeKind::Network;
    if (PseudoFileSystems().count(fsType) != 0)
        return std::nullopt;
    if (fsType == "iso9660" || fsType == "udf" || device.rfind("/dev/sr", 0) == 0 || device == "/dev/cdrom")
        return VolumeKind::Optical;
    if (removableDevice || IsUnder(mountPoint, "/media") || IsUnder(mountPoint, "/run/media"))
        return VolumeKind::Removable;
    return std::nullopt;
}

std::vector<VolumeEntry> SelectVolumes(const std::vector<MountRecord>& mounts, const std::string& home,
                                       const std::vector<std::pair<std::string, std::string>>& labels,
                                       const std::function<bool(const std::string& device)>& isRemovable)
{
    // A later mount on the same point hides the earlier one.
    std::map<std::string, VolumeEntry> byPath;
    VolumeKind homeKind = VolumeKind::Local;
    size_t homeMountLength = 0;
    for (const MountRecord& mount : mounts) {
        const bool removable = isRemovable && isRemovable(mount.device);
        const std::optional<VolumeKind> kind = ClassifyVolume(mount.mountPoint, mount.fsType, mount.device, removable);
        if (!home.empty() && IsUnder(home, mount.mountPoint == "/" ? std::string() : mount.mountPoint) &&
            mount.mountPoint.size() >= homeMountLength) {
            homeMountLength = mount.mountPoint.size();
            homeKind = kind.value_or(VolumeKind::Local);
        }
        if (!kind) {
            byPath.erase(mount.mountPoint);
            continue;
        }
        VolumeEntry entry;
        entry.path = mount.mountPoint;
        entry.kind = *kind;
        for (const auto& [device, label] : labels)
            if (device == mount.device)
                entry.label = label;
        byPath[entry.path] = std::move(entry);
    }
    if (!home.empty() && home != "/" && home[0] == '/' && byPath.count(home) == 0) {
        VolumeEntry entry;
        entry.path = home;
        entry.kind = homeKind == VolumeKind::Network ? VolumeKind::Network : VolumeKind::Local;
        byPath[home] = std::move(entry);
    }
    std::vector<VolumeEntry> volumes;
    for (auto& [path, entry] : byPath)
        volumes.push_back(std::move(entry));
    return volumes;
}

std::vector<VolumeEntry> ListVolumes()
{
    const char* home = std::getenv("HOME");
    return ListVolumesFrom("/proc/self/mountinfo", home != nullptr ? home : "");
}

std::vector<VolumeEntry> ListVolumesFrom(const std::string& mountInfo, std::string home)
{
    std::vector<MountRecord> mounts;
    {
        std::ifstream file(mountInfo);
        std::stringstream text;
        text << file.rdbuf();
        mounts = ParseMountInfo(text.str());
    }
    if (mounts.empty())
        mounts.push_back({"/", "", ""});
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return SelectVolumes(mounts, home, ReadDeviceLabels(), IsRemovableDevice);
}

std::string DriveText(const std::string& path, const std::string& label)
{
    std::string text = " [" + path + "]";
    if (!label.empty())
        text += " - " + label;
    return text;
}

std::string DefaultVolumeLabel(VolumeKind kind)
{
    return kind == VolumeKind::Removable ? "Removable Disk" : std::string();
}

std::vector<LocalSubfolder> ReadLocalSubfolders(const std::string& folder)
{
    std::vector<LocalSubfolder> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (!it->is_directory(typeError))
            continue;
        const std::string name = it->path().filename().string();
        if (name == "." || name == "..")
            continue;
        found.push_back({name, HasLocalSubfolderOnDisk(JoinLocalPath(folder, name)) == 1});
    }
    return found;
}

int HasLocalSubfolderOnDisk(const std::string& folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (!it->is_directory(typeError))
            continue;
        const std::string name = it->path().filename().string();
        if (name != "." && name != "..")
            return 1;
    }
    return 0;
}
