#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "fileops/LocalCopy.h"

#include "MemoryServices.h"
#include "ScriptedPrompts.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class LocalCopyTest : public ::testing::Test {
protected:
    LocalCopyTest()
    {
        app.m_pPrompts = &prompts;
        app.m_pSettings = &settings;
        mkdir(dir.File("src").c_str(), 0755);
        mkdir(dir.File("dst").c_str(), 0755);
        doc.m_strCurrentFolder = dir.File("dst");
        doc.m_byCurrentLocation = LOCATION_LOCAL;
    }

    void Copy(std::vector<std::pair<std::string, bool>> entries)
    {
        CFileInfoList list;
        for (const auto& [path, folder] : entries) {
            auto entry = std::make_unique<CVaFileInfo>();
            entry->m_strPath = path;
            entry->m_bIsFolder = folder ? 1 : 0;
            entry->m_byLocation = LOCATION_LOCAL;
            list.push_back(std::move(entry));
        }
        CLocalCopier(doc, prompts).CopyEntriesLocally(list);
        EXPECT_TRUE(list.empty());
    }

    std::string Src(const std::string& name) const { return dir.File("src/" + name); }
    std::string Dst(const std::string& name) const { return dir.File("dst/" + name); }

    TempDir dir;
    ScriptedPrompts prompts;
    MemorySettingsStore settings;
    CAppCore app;
    CVamloDoc doc{app};
};

} // namespace

TEST_F(LocalCopyTest, FilesAndFoldersArriveWithoutPipesLinksOutOrLoops)
{
    WriteWholeFile(Src("a.txt"), "A");
    mkdir(Src("v1.2").c_str(), 0755);
    mkdir(Src("v1.2/inner").c_str(), 0755);
    WriteWholeFile(Src("v1.2/inner/deep.bin"), std::string(300000, 'd'));
    chmod(Src("a.txt").c_str(), 0640);
    doc.AddTransferredName("stale");
    Copy({{Src("a.txt"), false}, {Src("v1.2"), true}});
    EXPECT_EQ(ReadWholeFile(Dst("a.txt")), "A");
    EXPECT_EQ(ReadWholeFile(Dst("v1.2/inner/deep.bin")), std::string(300000, 'd'));
    EXPECT_EQ(doc.TransferredNames(), (std::vector<std::string>{"a.txt", "v1.2"}));
    struct stat info {};
    ASSERT_EQ(stat(Dst("a.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_TRUE(prompts.Texts().empty());

    // An existing folder is copied into, but not its existing subfolders.
    mkdir(Src("top").c_str(), 0755);
    mkdir(Src("top/old").c_str(), 0755);
    WriteWholeFile(Src("top/new.txt"), "n");
    WriteWholeFile(Src("top/old/skipped.txt"), "s");
    ASSERT_EQ(symlink(".", Src("top/self").c_str()), 0);
    ASSERT_EQ(symlink(dir.File("dst").c_str(), Src("top/out").c_str()), 0);
    mkdir(Dst("top").c_str(), 0755);
    mkdir(Dst("top/old").c_str(), 0755);
    // Reading a pipe would wait for a writer that never comes.
    ASSERT_EQ(mkfifo(Src("top/pipe").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo(Src("top-pipe").c_str(), 0644), 0);
    // The partial file's name must fit the name limit however long the name.
    const std::string longName(250, 'n');
    WriteWholeFile(Src(longName), "long");

    Copy({{Src("top"), true}, {Src("top-pipe"), false}, {Src(longName), false}});
    EXPECT_EQ(ReadWholeFile(Dst("top/new.txt")), "n");
    for (const char* absent : {"top/old/skipped.txt", "top/self", "top/out", "top/pipe"})
        EXPECT_FALSE(std::filesystem::exists(Dst(absent))) << absent;
    EXPECT_EQ(ReadWholeFile(Dst(longName)), "long");
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Failed to copy file \"" + Src("top-pipe") + "\" to \"" +
                                                        Dst("top-pipe") + "\".\nCause: (Code: 22)Invalid argument\n"});
}

TEST_F(LocalCopyTest, ReplaceQuestionWithYesToAllNoAndCancel)
{
    for (const char* name : {"1", "2", "3", "4"}) {
        WriteWholeFile(Src(name), std::string("new ") + name);
        WriteWholeFile(Dst(name), "old");
    }
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_NO});
    prompts.AnswerReplace({DialogResult::Cancel, REPLACE_NO_ANSWER});
    prompts.AnswerReplace({DialogResult::Ok, REPLACE_YES_TO_ALL});
    Copy({{Src("1"), false}, {Src("2"), false}, {Src("3"), false}, {Src("4"), false}});
    EXPECT_EQ(ReadWholeFile(Dst("1")), "old");
    EXPECT_EQ(ReadWholeFile(Dst("2")), "old");
    EXPECT_EQ(ReadWholeFile(Dst("3")), "new 3");
    EXPECT_EQ(ReadWholeFile(Dst("4")), "new 4");
    ASSERT_EQ(prompts.ReplaceQuestions().size(), 3u);
    EXPECT_EQ(prompts.ReplaceQuestions()[0],
              "The file " + Dst("1") + " already exists.|Are you sure you want to replace this file?");
    EXPECT_EQ(doc.m_bYesToAll, 1);
    EXPECT_EQ(doc.TransferredNames(), (std::vector<std::string>{"3", "4"}));

    // Yes to All holds on, but never for a read-only file.
    WriteWholeFile(Src("ro"), "new");
    WriteWholeFile(Dst("ro"), "old");
    chmod(Dst("ro").c_str(), 0444);
    Copy({{Src("ro"), false}});
    EXPECT_EQ(ReadWholeFile(Dst("ro")), "old");
    EXPECT_EQ(prompts.ReplaceQuestions().size(), 3u);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"File " + Dst("ro") + " is read-only.\nYou can not replace the read-only file."});
}

TEST_F(LocalCopyTest, FailuresAreToldAndTheCopyGoesOnButNeverIntoItself)
{
    WriteWholeFile(Src("good"), "g");
    Copy({{Src("missing"), false}, {Src("good"), false}});
    ASSERT_EQ(prompts.Texts().size(), 1u);
    EXPECT_EQ(prompts.Texts()[0], "Failed to copy file \"" + Src("missing") + "\" to \"" + Dst("missing") +
                                      "\".\nCause: (Code: 2)No such file or directory\n");
    EXPECT_EQ(ReadWholeFile(Dst("good")), "g");

    // A top-level folder whose target cannot be made: a file stands in its way.
    mkdir(Src("blocked").c_str(), 0755);
    mkdir(Dst("plain").c_str(), 0755);
    doc.m_strCurrentFolder = Dst("plain/notafolder");
    WriteWholeFile(Dst("plain/notafolder"), "x");
    Copy({{Src("blocked"), true}});
    ASSERT_EQ(prompts.Texts().size(), 2u);
    EXPECT_EQ(prompts.Texts()[1], "Failed to create directory " + Dst("plain/notafolder/blocked") +
                                      ".\nCause: Not a directory\n");

    mkdir(Src("a").c_str(), 0755);
    mkdir(Src("a/b").c_str(), 0755);
    doc.m_strCurrentFolder = Src("a/b");
    Copy({{Src("a"), true}});
    EXPECT_FALSE(std::filesystem::exists(Src("a/b/a")));
    ASSERT_EQ(prompts.Texts().size(), 3u);
    EXPECT_EQ(prompts.Texts()[2],
              "Cannot copy the folder \"" + Src("a") + "\" into itself or one of its own subfolders.");
}
