#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The volumes that "My Computer" shows, in place of drive letters: the root
// file system, the user's home folder, and removable, network and optical
// volumes. Nothing here touches a mounted file system, so a dead network
// mount or an empty optical drive cannot hold up the list.

enum class VolumeKind { Local, Removable, Optical, Network };

// One line of the kernel's mount table.
struct MountRecord {
    std::string mountPoint;
    std::string fsType;
    std::string device;
};

struct VolumeEntry {
    std::string path;    // the mount point, or the home folder
    std::string label;   // empty when the volume has none
    VolumeKind kind = VolumeKind::Local;
};

// The records of /proc/self/mountinfo text, octal escapes ("\040") decoded.
// Malformed lines are skipped.
std::vector<MountRecord> ParseMountInfo(std::string_view text);

// Whether a mount is one the user browses, and of which kind; nullopt for
// pseudo and system file systems, and for fixed disks other than the root
// (they are reached through "/" or the home folder).
std::optional<VolumeKind> ClassifyVolume(const std::string& mountPoint, const std::string& fsType,
                                         const std::string& device, bool removableDevice = false);

// The volumes of a mount table, sorted by path, with the home folder as an
// entry of its own (of the kind of the volume that holds it). `labels` maps a
// device path to its label; `isRemovable` says whether a device is a
// removable medium.
std::vector<VolumeEntry> SelectVolumes(const std::vector<MountRecord>& mounts, const std::string& home,
                                       const std::vector<std::pair<std::string, std::string>>& labels,
                                       const std::function<bool(const std::string& device)>& isRemovable);

// The volumes of this machine: the mount table, /dev/disk/by-label and the
// removable flags in /sys, with $HOME.
std::vector<VolumeEntry> ListVolumes();
// The same from the mount table in the file mountInfo (mountinfo format) and
// the given home folder.
std::vector<VolumeEntry> ListVolumesFrom(const std::string& mountInfo, std::string home);

// " [" + path + "]", then " - " + label when there is one.
std::string DriveText(const std::string& path, const std::string& label);

// The label text of a kind when the volume itself has none to tell.
std::string DefaultVolumeLabel(VolumeKind kind);

// One subfolder found by ReadLocalSubfolders.
struct LocalSubfolder {
    std::string name;
    bool hasSubfolder = false;
};

// The subfolders of a local folder (symbolic links to folders count), each
// with whether it has a subfolder of its own; files are skipped. An
// unreadable folder gives none.
std::vector<LocalSubfolder> ReadLocalSubfolders(const std::string& folder);
// 1 when the folder holds at least one subfolder, else 0.
int HasLocalSubfolderOnDisk(const std::string& folder);

// Runs read on a thread of its own and waits for it at most `limit`. nullopt
// when it did not answer in time; the thread then finishes on its own and its
// late answer is dropped. For file system calls that a dead mount can block.
template <typename T>
std::optional<T> RunBounded(std::function<T()> read, std::chrono::milliseconds limit);

// How long the tree waits for a volume to answer a folder listing.
inline constexpr std::chrono::milliseconds kVolumeAnswerLimit{3000};

#include "volumes/VolumesBounded.h"
