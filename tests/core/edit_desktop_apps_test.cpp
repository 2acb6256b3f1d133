// The desktop's applications for a kind of file, read from desktop entries
// and mimeapps.list files, and the command line an entry gives for a file.
#include "edit/DesktopApps.h"
#include "edit/EditCopies.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(DesktopAppsTest, ExecLinesExpandTheirFieldCodes)
{
    using Args = std::vector<std::string>;
    const std::string f = "/tmp/a b.txt";
    EXPECT_EQ(ExecArguments("edit %F", f), (Args{"edit", f}));
    EXPECT_EQ(ExecArguments("edit --icon %i %U --x=%f%%", f), (Args{"edit", "--icon", f, "--x=" + f + "%"}));
    EXPECT_EQ(ExecArguments("\"/opt/my app/run\" -n \"say \\\"hi\\\"\"", f), (Args{"/opt/my app/run", "-n", "say \"hi\"", f}));
    EXPECT_EQ(ExecArguments("edit \"unclosed", f), Args{});
    EXPECT_EQ(ExecArguments("%i", f), Args{});
}

TEST(DesktopAppsTest, DefaultsComeFirstAndHiddenOrRemovedEntriesStayOut)
{
    TempDir home;
    const std::string config = home.File("config");
    const std::string user = home.File("user");
    const std::string system = home.File("system");
    const auto entry = [](const std::string& path, const std::string& body) {
        fs::create_directories(fs::path(path).parent_path());
        WriteWholeFile(path, "[Desktop Entry]\nType=Application\n" + body);
    };
    entry(system + "/applications/viewer.desktop", "Name=Viewer\nExec=view %f\nMimeType=text/plain;\n");
    entry(system + "/applications/vendor/tool.desktop", "Name=Tool\nExec=tool\nMimeType=text/x-c;text/plain\n");
    entry(system + "/applications/gone.desktop", "Name=Gone\nExec=gone\nMimeType=text/plain;\n");
    entry(system + "/applications/hidden.desktop", "Name=Hidden\nHidden=true\nExec=h\nMimeType=text/plain;\n");
    entry(user + "/applications/viewer.desktop", "Name=My Viewer\nExec=myview %u\nMimeType=text/plain;\n");
    entry(user + "/applications/editor.desktop", "Name=Editor\nExec=ed\n");
    fs::create_directories(config);
    WriteWholeFile(config + "/mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop;missing.desktop\n"
                                              "[Removed Associations]\ntext/plain=gone.desktop;\n");
    std::vector<std::string> names;
    for (const DesktopApp& app : AppsForTypes({"text/plain"}, {{config}, {user, system}}))
        names.push_back(app.name + "|" + app.exec);
    EXPECT_EQ(names, (std::vector<std::string>{"Editor|ed", "Tool|tool", "My Viewer|myview %u"}));
    EXPECT_TRUE(AppsForTypes({"image/png"}, {{config}, {user, system}}).empty());
}

TEST(EditCopiesTest, ThePrivateFolderIsTheUsersAloneAndASaveChangesTheStamp)
{
    TempDir parent;
    std::string error;
    const std::string folder = MakePrivateFolder(parent.Path(), error);
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    const std::string copy = folder + "/a.txt";
    WriteWholeFile(copy, "abc");
    const LocalStamp before = ReadLocalStamp(copy);
    WriteWholeFile(folder + "/new", "abc");
    fs::rename(folder + "/new", copy);
    EXPECT_NE(ReadLocalStamp(copy), before);
    EXPECT_FALSE(ReadLocalStamp(folder + "/none").exists);
    RemoveEditCopy(copy);
    EXPECT_FALSE(fs::exists(folder));
}
