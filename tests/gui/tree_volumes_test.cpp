#include "ui/Volumes.h"
#include "transfer/LocalFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

TEST(TreeVolumes, MountInfoLinesGiveMountPointTypeAndDevice)
{
    const std::string text =
        "36 35 98:0 / / rw,noatime master:1 - ext4 /dev/sda1 rw,errors=continue\n"
        "37 36 0:5 / /media/My\\040Stick rw shared:7 - vfat /dev/sdb1 rw\n"
        "38 36 0:6 / /proc rw - proc proc rw\n"
        "garbage line\n"
        "39 36 0:7 / /mnt/share rw - nfs4 server:/export rw";
    const std::vector<MountRecord> records = ParseMountInfo(text);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].mountPoint, "/");
    EXPECT_EQ(records[0].fsType, "ext4");
    EXPECT_EQ(records[0].device, "/dev/sda1");
    EXPECT_EQ(records[1].mountPoint, "/media/My Stick");
    EXPECT_EQ(records[2].fsType, "proc");
    EXPECT_EQ(records[3].device, "server:/export");
}

TEST(TreeVolumes, ClassificationKeepsUserVolumesAndSkipsSystemOnes)
{
    EXPECT_EQ(ClassifyVolume("/", "ext4", "/dev/sda1"), VolumeKind::Local);
    EXPECT_EQ(ClassifyVolume("/", "overlay", "overlay"), VolumeKind::Local);   // a container's root
    EXPECT_EQ(ClassifyVolume("/media/usb", "vfat", "/dev/sdb1"), VolumeKind::Removable);
    EXPECT_EQ(ClassifyVolume("/run/media/ann/STICK", "exfat", "/dev/sdc1"), VolumeKind::Removable);
    EXPECT_EQ(ClassifyVolume("/data", "ext4", "/dev/sdd1", true), VolumeKind::Removable);
    EXPECT_EQ(ClassifyVolume("/media/cdrom", "iso9660", "/dev/sr0"), VolumeKind::Optical);
    EXPECT_EQ(ClassifyVolume("/mnt/dvd", "udf", "/dev/sr1"), VolumeKind::Optical);
    EXPECT_EQ(ClassifyVolume("/mnt/share", "nfs4", "server:/export"), VolumeKind::Network);
    EXPECT_EQ(ClassifyVolume("/mnt/win", "cifs", "//server/share"), VolumeKind::Network);
    EXPECT_EQ(ClassifyVolume("/home/ann/remote", "fuse.sshfs", "ann@host:"), VolumeKind::Network);

    EXPECT_FALSE(ClassifyVolume("/proc", "proc", "proc"));
    EXPECT_FALSE(ClassifyVolume("/sys/fs/cgroup", "cgroup2", "cgroup2"));
    EXPECT_FALSE(ClassifyVolume("/dev/shm", "tmpfs", "tmpfs"));
    EXPECT_FALSE(ClassifyVolume("/tmp", "tmpfs", "tmpfs"));
    EXPECT_FALSE(ClassifyVolume("/run/user/1000", "tmpfs", "tmpfs"));
    EXPECT_FALSE(ClassifyVolume("/snap/core/123", "squashfs", "/dev/loop3"));
    EXPECT_FALSE(ClassifyVolume("/run/netns/x", "nfs", "server:/x"));   // a system place even so
    EXPECT_FALSE(ClassifyVolume("/etc/hosts", "ext4", "/dev/sda1"));    // a fixed disk's bind mount
    EXPECT_FALSE(ClassifyVolume("/boot/efi", "vfat", "/dev/sda2"));
}

TEST(TreeVolumes, SelectionAddsHomeLabelsAndLetsLaterMountsWin)
{
    const std::vector<MountRecord> mounts = {
        {"/", "ext4", "/dev/sda1"},
        {"/proc", "proc", "proc"},
        {"/media/usb", "vfat", "/dev/sdb1"},
        {"/net", "nfs", "server:/net"},
        {"/media/usb", "tmpfs", "tmpfs"},   // covers the stick
        {"/media/cd", "iso9660", "/dev/sr0"},
    };
    const std::vector<std::pair<std::string, std::string>> labels = {{"/dev/sda1", "System"},
                                                                     {"/dev/sr0", "AUDIO CD"}};
    const std::vector<VolumeEntry> volumes = SelectVolumes(mounts, "/home/ann", labels, nullptr);
    ASSERT_EQ(volumes.size(), 4u);
    EXPECT_EQ(volumes[0].path, "/");
    EXPECT_EQ(volumes[0].label, "System");
    EXPECT_EQ(volumes[1].path, "/home/ann");
    EXPECT_EQ(volumes[1].kind, VolumeKind::Local);
    EXPECT_EQ(volumes[2].path, "/media/cd");
    EXPECT_EQ(volumes[2].kind, VolumeKind::Optical);
    EXPECT_EQ(volumes[2].label, "AUDIO CD");
    EXPECT_EQ(volumes[3].path, "/net");
    EXPECT_EQ(volumes[3].kind, VolumeKind::Network);

    // A home folder on a network volume is read lazily like that volume.
    const std::vector<VolumeEntry> networkHome =
        SelectVolumes({{"/", "ext4", "/dev/sda1"}, {"/home", "nfs", "server:/home"}}, "/home/ann", {}, nullptr);
    ASSERT_EQ(networkHome.size(), 3u);
    EXPECT_EQ(networkHome[1].path, "/home");
    EXPECT_EQ(networkHome[2].path, "/home/ann");
    EXPECT_EQ(networkHome[2].kind, VolumeKind::Network);

    // The removable flag of the device is asked for each mount.
    const std::vector<VolumeEntry> removable = SelectVolumes(
        {{"/", "ext4", "/dev/sda1"}, {"/data", "ext4", "/dev/sdz1"}}, "/", {},
        [](const std::string& device) { return device == "/dev/sdz1"; });
    ASSERT_EQ(removable.size(), 2u);
    EXPECT_EQ(removable[1].kind, VolumeKind::Removable);
}

TEST(TreeVolumes, DriveTextAndLocalPaths)
{
    EXPECT_EQ(DriveText("/", ""), " [/]");
    EXPECT_EQ(DriveText("/media/usb", "USB STICK"), " [/media/usb] - USB STICK");
    EXPECT_EQ(DefaultVolumeLabel(VolumeKind::Removable), "Removable Disk");
    EXPECT_EQ(DefaultVolumeLabel(VolumeKind::Local), "");
    EXPECT_EQ(JoinLocalPath("/", "home"), "/home");
    EXPECT_EQ(JoinLocalPath("/home", "ann"), "/home/ann");
}

TEST(TreeVolumes, TheMountTableFileAndTheHomeFolderGiveTheList)
{
    TempDir dir;
    WriteWholeFile(dir.File("mountinfo"), "1 0 8:1 / / rw - ext4 /dev/vamlo-test-root rw\n"
                                          "2 1 0:5 / /proc rw - proc proc rw\n"
                                          "3 1 8:2 / /media/stick rw - vfat /dev/vamlo-test-stick rw\n");
    const std::vector<VolumeEntry> volumes = ListVolumesFrom(dir.File("mountinfo"), "/home/ann//");
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[0].path, "/");
    EXPECT_EQ(volumes[1].path, "/home/ann");
    EXPECT_EQ(volumes[2].path, "/media/stick");
    EXPECT_EQ(volumes[2].kind, VolumeKind::Removable);

    // No readable table: the root alone, and no home without one.
    const std::vector<VolumeEntry> bare = ListVolumesFrom(dir.File("missing"), "");
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_EQ(bare[0].path, "/");
}

TEST(TreeVolumes, LocalSubfoldersSkipFilesAndSayWhetherTheyGoDeeper)
{
    TempDir dir;
    fs::create_directories(dir.File("deep/inner"));
    fs::create_directories(dir.File("flat"));
    WriteWholeFile(dir.File("flat/file.txt"), "x");
    WriteWholeFile(dir.File("file.txt"), "x");
    fs::create_directory_symlink(dir.File("deep"), dir.File("link"));

    std::vector<LocalSubfolder> found = ReadLocalSubfolders(dir.Path());
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].name, "deep");
    EXPECT_TRUE(found[0].hasSubfolder);
    EXPECT_EQ(found[1].name, "flat");
    EXPECT_FALSE(found[1].hasSubfolder);
    EXPECT_EQ(found[2].name, "link");
    EXPECT_TRUE(found[2].hasSubfolder);
    EXPECT_EQ(HasLocalSubfolderOnDisk(dir.File("flat")), 0);
    EXPECT_EQ(HasLocalSubfolderOnDisk(dir.File("missing")), 0);
    EXPECT_TRUE(ReadLocalSubfolders(dir.File("missing")).empty());
}

TEST(TreeVolumes, BoundedReadGivesUpOnAReaderThatDoesNotAnswer)
{
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false;
    };
    auto gate = std::make_shared<Gate>();
    const std::optional<int> answer = RunBounded<int>(
        [gate] {
            std::unique_lock<std::mutex> lock(gate->mutex);
            gate->opened.wait_for(lock, std::chrono::seconds(30), [&] { return gate->open; });
            return 1;
        },
        std::chrono::milliseconds(20));
    EXPECT_FALSE(answer);
    {
        std::lock_guard<std::mutex> lock(gate->mutex);
        gate->open = true;
    }
    gate->opened.notify_all();

    EXPECT_EQ(RunBounded<int>([] { return 7; }, std::chrono::seconds(30)), 7);
    EXPECT_FALSE(RunBounded<int>([]() -> int { throw std::runtime_error("no"); }, std::chrono::seconds(30)));
}
