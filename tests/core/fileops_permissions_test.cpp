// Permissions on the local disk: the mode texts, and walks that change files
// or folders, never what a link leads to, and stop at the depth bound.
#include "fileops/Permissions.h"
#include "log/ActionLog.h"

#include "RecordingLogView.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

unsigned ModeOf(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0xFFFF;
}

} // namespace

TEST(PermissionTexts, OctalAndLetters)
{
    unsigned mode = 0;
    EXPECT_EQ(PermissionsText(0754), "rwxr-xr--");
    EXPECT_EQ(OctalModeText(05), "005");
    EXPECT_TRUE(ParseOctalMode("0640", mode));
    EXPECT_EQ(mode, 0640u);
    for (const char* bad : {"", "8", "1777", "07777", "64a"})
        EXPECT_FALSE(ParseOctalMode(bad, mode)) << bad;
    EXPECT_TRUE(ParseModeLetters("rwsr-S--T", mode));
    EXPECT_EQ(mode, 0740u);
    EXPECT_FALSE(ParseModeLetters("rwxr-xr-", mode));
    EXPECT_FALSE(ParseModeLetters("rwxr-xr-q", mode));
}

TEST(LocalPermissions, FilesOrFoldersOnlyNeverThroughLinksAndBoundedInDepth)
{
    TempDir dir;
    const std::string top = dir.File("top");
    fs::create_directories(top + "/sub/deep");
    fs::create_directories(dir.File("outside"));
    for (const char* name : {"top/a", "top/sub/b", "outside/o"})
        std::ofstream(dir.File(name)) << "x";
    fs::create_directory_symlink("../outside", top + "/to-folder");
    fs::create_symlink("../outside/o", top + "/sub/to-file");
    for (const char* name : {"top/a", "top/sub/b", "outside/o"})
        chmod(dir.File(name).c_str(), 04600);   // setuid stays: the dialog does not show it
    for (const char* name : {"top", "top/sub", "top/sub/deep", "outside"})
        chmod(dir.File(name).c_str(), 0700);

    CActionLog log;
    RecordingLogView view;
    log.SetLogView(&view);
    CLocalPermissionPlace place;
    CPermissionWalk::Outcome done = CPermissionWalk(place, log).Apply("My Computer", top, true, {0750, true, true, false});
    EXPECT_EQ(ModeOf(top), 0750u);
    EXPECT_EQ(ModeOf(top + "/a"), 04750u);
    EXPECT_EQ(ModeOf(top + "/sub/b"), 04750u);
    EXPECT_EQ(ModeOf(top + "/sub"), 0700u);
    EXPECT_EQ(ModeOf(dir.File("outside")), 0700u);
    EXPECT_EQ(ModeOf(dir.File("outside/o")), 04600u);
    EXPECT_EQ(done.changed, 3u);
    EXPECT_EQ(done.skipped, 2u);
    EXPECT_NE(view.Text().find("750 (rwxr-x---)  " + top + "/sub/b"), std::string::npos) << view.Text();
    EXPECT_NE(view.Text().find("Skipped " + top + "/to-folder since it is or may be a link"), std::string::npos);

    // Folders only, with a mode that takes the owner's execute away: each
    // folder is listed before it loses it.
    done = CPermissionWalk(place, log).Apply("My Computer", top, true, {0600, true, false, true});
    EXPECT_EQ(ModeOf(top + "/sub/deep"), 0600u);
    EXPECT_EQ(ModeOf(top + "/sub"), 0600u);
    EXPECT_EQ(ModeOf(top), 0600u);
    EXPECT_EQ(done.changed, 3u);
    chmod(top.c_str(), 0700);
    chmod((top + "/sub").c_str(), 0700);
    EXPECT_EQ(ModeOf(top + "/a"), 04750u);

    // Past the depth bound nothing is changed, and the walk says so.
    std::string deep = top + "/sub/deep";
    for (int level = 0; level < CLocalPermissionPlace::kMaxDepth; ++level)
        fs::create_directory(deep += "/d");
    chmod((deep + "/..").c_str(), 0700);
    chmod((deep + "/../..").c_str(), 0700);
    done = CPermissionWalk(place, log).Apply("My Computer", top, true, {0755, true, true, true});
    EXPECT_EQ(done.skipped, 3u);
    EXPECT_EQ(ModeOf(deep + "/.."), 0700u);   // 101 levels below top
    EXPECT_EQ(ModeOf(deep + "/../.."), 0755u);

    // A cancel stops before the next entry; a missing file is one failure.
    int asked = 0;
    done = CPermissionWalk(place, log, [&asked] { return ++asked > 2; }).Apply("My Computer", top, true, {0711, true, true, true});
    EXPECT_TRUE(done.canceled);
    EXPECT_EQ(ModeOf(top + "/a"), 04755u);
    done = CPermissionWalk(place, log).Apply("My Computer", top + "/missing", false, {0644});
    EXPECT_EQ(PermissionOutcomeMessage(top + "/missing", done),
              "Failed to change the permissions of \"" + top + "/missing\".\nCause: No such file or directory");
}
