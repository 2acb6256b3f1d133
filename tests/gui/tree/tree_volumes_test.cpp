#include "path/Paths.h"
#include "volumes/DrivePropertiesDlg.h"
#include "volumes/Volumes.h"

#include "TempDir.h"

#include <QLineEdit>
#include <QStorageInfo>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// "path|label|kind" for each entry: every field of the list at once.
std::vector<std::string> Described(const std::vector<VolumeEntry>& volumes)
{
    std::vector<std::string> lines;
    for (const VolumeEntry& volume : volumes)
        lines.push_back(volume.path + "|" + volume.label + "|" + std::to_string(static_cast<int>(volume.kind)));
    return lines;
}

} // namespace

TEST(TreeVolumes, MountInfoLinesGiveMountPointTypeAndDevice)
{
    const std::string text =
        "36 35 98:0 / / rw,noatime master:1 - ext4 /dev/sda1 rw,errors=continue\n"
        "37 36 0:5 / /media/My\\040Stick rw shared:7 - vfat /dev/sdb1 rw\n"
        "38 36 0:6 / /proc rw - proc proc rw\n"
        "garbage line\n"
        "39 36 0:7 / /mnt/share rw - nfs4 server:/export rw";
    std::vector<std::string> lines;
    for (const MountRecord& record : ParseMountInfo(text))
        lines.push_back(record.mountPoint + "|" + record.fsType + "|" + record.device);
    EXPECT_EQ(lines, (std::vector<std::string>{"/|ext4|/dev/sda1", "/media/My Stick|vfat|/dev/sdb1", "/proc|proc|proc",
                                               "/mnt/share|nfs4|server:/export"}));
}

TEST(TreeVolumes, ClassificationKeepsUserVolumesAndSkipsSystemOnes)
{
    EXPECT_EQ(ClassifyVolume("/", "ext4", "/dev/sda1"), VolumeKind::Local);
    EXPECT_EQ(ClassifyVolume("/", "overlay", "overlay"), VolumeKind::Local);   // a container's root
    EXPECT_EQ(ClassifyVolume("/run/media/ann/STICK", "exfat", "/dev/sdc1"), VolumeKind::Removable);
    EXPECT_EQ(ClassifyVolume("/data", "ext4", "/dev/sdd1", true), VolumeKind::Removable);
    EXPECT_EQ(ClassifyVolume("/mnt/dvd", "udf", "/dev/sr1"), VolumeKind::Optical);
    EXPECT_EQ(ClassifyVolume("/mnt/share", "nfs4", "server:/export"), VolumeKind::Network);
    EXPECT_EQ(ClassifyVolume("/mnt/win", "cifs", "//server/share"), VolumeKind::Network);
    EXPECT_EQ(ClassifyVolume("/home/ann/remote", "fuse.sshfs", "ann@host:"), VolumeKind::Network);

    EXPECT_FALSE(ClassifyVolume("/sys/fs/cgroup", "cgroup2", "cgroup2"));
    EXPECT_FALSE(ClassifyVolume("/tmp", "tmpfs", "tmpfs"));
    EXPECT_FALSE(ClassifyVolume("/run/user/1000", "tmpfs", "tmpfs"));
    EXPECT_FALSE(ClassifyVolume("/snap/core/123", "squashfs", "/dev/loop3"));
    EXPECT_FALSE(ClassifyVolume("/run/netns/x", "nfs", "server:/x"));   // a system place even so
    EXPECT_FALSE(ClassifyVolume("/etc/hosts", "ext4", "/dev/sda1"));    // a fixed disk's bind mount
    EXPECT_FALSE(ClassifyVolume("/boot/efi", "vfat", "/dev/sda2"));
}

// Kinds: 0 local, 1 removable, 2 optical, 3 network.
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
    EXPECT_EQ(Described(SelectVolumes(mounts, "/home/ann", labels, nullptr)),
              (std::vector<std::string>{"/|System|0", "/home/ann||0", "/media/cd|AUDIO CD|2", "/net||3"}));

    // A home folder on a network volume is read lazily like that volume.
    EXPECT_EQ(Described(SelectVolumes({{"/", "ext4", "/dev/sda1"}, {"/home", "nfs", "server:/home"}}, "/home/ann", {},
                                      nullptr)),
              (std::vector<std::string>{"/||0", "/home||3", "/home/ann||3"}));

    // The removable flag of the device is asked for each mount.
    EXPECT_EQ(Described(SelectVolumes({{"/", "ext4", "/dev/sda1"}, {"/data", "ext4", "/dev/sdz1"}}, "/", {},
                                      [](const std::string& device) { return device == "/dev/sdz1"; })),
              (std::vector<std::string>{"/||0", "/data||1"}));
}

// A labelled drive and a deeper path are the tree's test; here the root.
TEST(TreeVolumes, DriveTextAndLocalPathsAtTheRoot)
{
    EXPECT_EQ(DriveText("/", ""), " [/]");
    EXPECT_EQ(DefaultVolumeLabel(VolumeKind::Local), "");
    EXPECT_EQ(JoinLocalPath("/", "home"), "/home");
}

TEST(TreeVolumes, TheMountTableFileAndTheHomeFolderGiveTheList)
{
    TempDir dir;
    WriteWholeFile(dir.File("mountinfo"), "1 0 8:1 / / rw - ext4 /dev/vamlo-test-root rw\n"
                                          "2 1 0:5 / /proc rw - proc proc rw\n"
                                          "3 1 8:2 / /media/stick rw - vfat /dev/vamlo-test-stick rw\n");
    EXPECT_EQ(Described(ListVolumesFrom(dir.File("mountinfo"), "/home/ann//")),
              (std::vector<std::string>{"/||0", "/home/ann||0", "/media/stick||1"}));
    // No readable table: the root alone, and no home without one.
    EXPECT_EQ(Described(ListVolumesFrom(dir.File("missing"), "")), std::vector<std::string>{"/||0"});
}

// Files, and a folder holding only files, are the tree's local test; here a
// link to a folder and a folder that is gone.
TEST(TreeVolumes, LocalSubfoldersFollowLinksAndAMissingFolderHasNone)
{
    TempDir dir;
    fs::create_directories(dir.File("deep/inner"));
    fs::create_directory_symlink(dir.File("deep"), dir.File("link"));

    std::vector<std::string> found;   // a "+" marks a folder that goes deeper
    for (const LocalSubfolder& folder : ReadLocalSubfolders(dir.Path()))
        found.push_back(folder.name + (folder.hasSubfolder ? "+" : ""));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"deep+", "link+"}));
    EXPECT_EQ(HasLocalSubfolderOnDisk(dir.File("missing")), 0);
    EXPECT_TRUE(ReadLocalSubfolders(dir.File("missing")).empty());
}

// A reader that never answers is given up on in the list's test; here the
// answer, and a reader that fails.
TEST(TreeVolumes, BoundedReadGivesTheAnswerOrNothingWhenTheReaderFails)
{
    EXPECT_EQ(RunBounded<int>([] { return 7; }, std::chrono::seconds(30)), 7);
    EXPECT_FALSE(RunBounded<int>([]() -> int { throw std::runtime_error("no"); }, std::chrono::seconds(30)));
}

TEST(DriveProperties, RoundedTextsChooseTheUnitFirstThenRoundHalfUpAndExactOnesArePlain)
{
    const struct {
        uint64_t bytes;
        const char* rounded;
    } cases[] = {
        // 1 GiB and just under 1 MiB are the dialog's rows below.
        {1073741823, "1024.00 MB"},
        {1024, "1.00 KB"},
        {1048576, "1.00 MB"},
        {1536, "1.50 KB"},
        {1024 + 6, "1.01 KB"},   // 1.00585...: the third decimal rounds up
        {1024 + 5, "1.00 KB"},   // 1.00488...
        {2047, "2.00 KB"},       // 1.999... carries into the integer
        {UINT64_MAX, "17179869184.00 GB"},
        {1023, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundedSizeText(c.bytes), c.rounded) << c.bytes;
    EXPECT_EQ(ExactSizeText(0), "0 Bytes");
    EXPECT_EQ(ExactSizeText(INT64_MAX), "9223372036854775807 Bytes");
}

namespace {

QLineEdit* Field(const QDialog& dialog, int id)
{
    return dialog.findChild<QLineEdit*>(QStringLiteral("IDC_%1").arg(id));
}

// The texts of the six fields, total/free/available exact then rounded; a
// hidden field reads "-".
std::vector<QString> Fields(const QDialog& dialog)
{
    std::vector<QString> texts;
    for (int id : {1030, 1032, 1031, 1033, 1034, 1035})
        texts.push_back(Field(dialog, id)->isHidden() ? QStringLiteral("-") : Field(dialog, id)->text());
    return texts;
}

} // namespace

TEST(DriveProperties, ValuesFillTheRowsAndSmallOnesShowOnlyTheExactField)
{
    CDrivePropertiesDlg dialog;
    dialog.SetDrive("/media/usb");
    dialog.ShowSpace(DriveSpace{1073741824, 1048575, 1000});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Drive (/media/usb) Properties"));
    EXPECT_EQ(Fields(dialog), (std::vector<QString>{"1073741824 Bytes", "1048575 Bytes", "1000 Bytes", "1.00 GB",
                                                    "1024.00 KB", "-"}));

    // A failed query keeps the default texts.
    CDrivePropertiesDlg failed;
    failed.SetDrive("/no/such/volume/here");
    failed.OnInitDialog();
    EXPECT_EQ(Fields(failed), (std::vector<QString>{"Cannot find total space", "Cannot find total free space",
                                                    "Cannot find available free space", "-", "-", "-"}));
}

TEST(DriveProperties, TheVolumeOfAFolderIsRead)
{
    TempDir dir;
    const std::optional<DriveSpace> space = QueryDriveSpace(dir.Path());
    ASSERT_TRUE(space);
    EXPECT_GT(space->total, 0);
    EXPECT_LE(space->free, space->total);
    EXPECT_LE(space->available, space->free);
    // Where the mount table has no entry for it, the folder itself answers.
    EXPECT_EQ(DriveSpaceOf(dir.Path(), QStorageInfo()).value_or(DriveSpace{}).total, space->total);

    CDrivePropertiesDlg dialog;
    dialog.SetDrive(dir.Path());
    dialog.OnInitDialog();
    EXPECT_EQ(Field(dialog, 1030)->text().toStdString(), std::to_string(space->total) + " Bytes");
}
