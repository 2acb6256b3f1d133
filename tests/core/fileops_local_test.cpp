// Copying and deleting on the local disk: the replace and read-only
// questions with their Yes to All, links that must not be followed, and
// pipes that must not be opened.
#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "fileops/LocalCopy.h"
#include "fileops/LocalDelete.h"

#include "EntryList.h"
#include "MemoryServices.h"
#include "ScriptedPrompts.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Deletes work in cur/; copies go from src/ into dst/, the current folder.
class LocalFileOpsTest : public ::testing::Test {
protected:
    LocalFileOpsTest()
    {
        app.m_pPrompts = &prompts;
        app.m_pSettings = &settings;
        for (const char* folder : {"cur", "src", "dst"})
            mkdir(dir.File(folder).c_str(), 0755);
        doc.m_strCurrentFolder = dir.File("dst");
        doc.m_byCurrentLocation = LOCATION_LOCAL;
    }

    std::string Path(const std::string& name) const { return dir.File(name); }
    std::string Cur(const std::string& name) const { return dir.File("cur/" + name); }
    std::string Src(const std::string& name) const { return dir.File("src/" + name); }
    std::string Dst(const std::string& name) const { return dir.File("dst/" + name); }
    void File(const std::string& name, mode_t mode = 0644)
    {
        WriteWholeFile(Cur(name), "data");
        chmod(Cur(name).c_str(), mode);
    }
    bool Rows(std::vector<DeleteRow> rows) { return CLocalDelete(doc, prompts).DeleteRows(Path("cur"), rows); }
    static ReplaceAnswer Choice(int32_t choice) { return {DialogResult::Ok, choice}; }

    void Copy(const std::vector<std::pair<std::string, bool>>& entries)
    {
        CFileInfoList list = EntryList(entries, LOCATION_LOCAL);
        CLocalCopier(doc, prompts).CopyEntriesLocally(list);
        EXPECT_TRUE(list.empty());
    }

    TempDir dir;
    ScriptedPrompts prompts;
    MemorySettingsStore settings;
    CAppCore app;
    CVamloDoc doc{app};
};

using LocalCopyTest = LocalFileOpsTest;
using LocalDeleteTest = LocalFileOpsTest;

} // namespace

TEST_F(LocalCopyTest, FilesAndFoldersArriveWithoutPipesLinksOutOrLoops)
{
    WriteWholeFile(Src("a.txt"), "A");
    chmod(Src("a.txt").c_str(), 0640);
    fs::create_directories(Src("v1.2/inner"));
    WriteWholeFile(Src("v1.2/inner/deep.bin"), std::string(300000, 'd'));
    // An existing folder is copied into, but not its existing subfolders.
    fs::create_directories(Src("top/old"));
    WriteWholeFile(Src("top/new.txt"), "n");
    WriteWholeFile(Src("top/old/skipped.txt"), "s");
    ASSERT_EQ(symlink(".", Src("top/self").c_str()), 0);
    ASSERT_EQ(symlink(dir.File("dst").c_str(), Src("top/out").c_str()), 0);
    fs::create_directories(Dst("top/old"));
    // Reading a pipe would wait for a writer that never comes.
    ASSERT_EQ(mkfifo(Src("top/pipe").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo(Src("top-pipe").c_str(), 0644), 0);
    // The partial file's name must fit the name limit however long the name.
    const std::string longName(250, 'n');
    WriteWholeFile(Src(longName), "long");
    doc.AddTransferredName("stale");

    Copy({{Src("a.txt"), false}, {Src("v1.2"), true}, {Src("top"), true}, {Src("top-pipe"), false},
          {Src(longName), false}});
    EXPECT_EQ(ReadWholeFile(Dst("a.txt")), "A");
    EXPECT_EQ(fs::status(Dst("a.txt")).permissions(), fs::perms(0640));
    EXPECT_EQ(ReadWholeFile(Dst("v1.2/inner/deep.bin")), std::string(300000, 'd'));
    EXPECT_EQ(ReadWholeFile(Dst("top/new.txt")), "n");
    for (const char* absent : {"top/old/skipped.txt", "top/self", "top/out", "top/pipe"})
        EXPECT_FALSE(fs::exists(Dst(absent))) << absent;
    EXPECT_EQ(ReadWholeFile(Dst(longName)), "long");
    EXPECT_EQ(doc.TransferredNames(), (std::vector<std::string>{"a.txt", "v1.2", "top", longName}));
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
    for (const auto& [name, text] : {std::pair{"1", "old"}, {"2", "old"}, {"3", "new 3"}, {"4", "new 4"}})
        EXPECT_EQ(ReadWholeFile(Dst(name)), text) << name;
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
    EXPECT_FALSE(fs::exists(Src("a/b/a")));
    ASSERT_EQ(prompts.Texts().size(), 3u);
    EXPECT_EQ(prompts.Texts()[2],
              "Cannot copy the folder \"" + Src("a") + "\" into itself or one of its own subfolders.");
}

TEST_F(LocalDeleteTest, RowsGoWithoutFollowingLinksAndAVanishedRowIsPassedOver)
{
    File("a.txt");
    File("b.txt");
    fs::create_directories(Cur("sub/deeper"));
    WriteWholeFile(Cur("sub/deeper/x"), "x");
    fs::create_directories(Path("outside/keep"));
    WriteWholeFile(Path("outside/keep/precious"), "p");
    WriteWholeFile(Path("outside/file"), "f");
    fs::create_directories(Cur("f"));
    fs::create_directory_symlink(Path("outside"), Cur("f/to-folder"));
    fs::create_symlink(Path("outside/file"), Cur("f/to-file"));
    fs::create_symlink(Path("nowhere"), Cur("f/dangling"));
    // The list shows a link to a folder as a folder; only the link goes.
    fs::create_directory_symlink(Path("outside"), Cur("link"));
    EXPECT_TRUE(Rows({{"a.txt", false}, {"never-was.txt", false}, {"sub", true}, {"f", true}, {"link", true},
                      {"b.txt", false}}));
    EXPECT_TRUE(fs::is_empty(Path("cur")));
    EXPECT_EQ(ReadWholeFile(Path("outside/keep/precious")), "p");
    EXPECT_EQ(ReadWholeFile(Path("outside/file")), "f");
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_TRUE(prompts.ReplaceQuestions().empty());

    EXPECT_EQ(doc.DeleteLocalFolder(Cur("missing")), 0);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Failed to delete the directory (" + Cur("missing") +
                                                        "\".\nCause: (Code: 2)" + CVamloDoc::GetSystemErrorText(2)});
}

TEST_F(LocalDeleteTest, ReadOnlyFilesAskInRowsAndInFoldersAndYesToAllHoldsForLaterCommands)
{
    for (const char* name : {"r1", "r2", "r3", "r4", "r5"})
        File(name, 0444);
    prompts.AnswerReplace(Choice(REPLACE_NO));
    prompts.AnswerReplace({DialogResult::Cancel, REPLACE_NO_ANSWER});
    prompts.AnswerReplace(Choice(REPLACE_YES));
    prompts.AnswerReplace(Choice(REPLACE_YES_TO_ALL));
    EXPECT_TRUE(Rows({{"r1", false}, {"r2", false}, {"r3", false}, {"r4", false}, {"r5", false}}));
    for (const auto& [name, kept] : {std::pair{"r1", true}, {"r2", true}, {"r3", false}, {"r4", false}, {"r5", false}})
        EXPECT_EQ(fs::exists(Cur(name)), kept) << name;
    EXPECT_EQ(prompts.ReplaceQuestions().size(), 4u); // the list's own tests check the text
    EXPECT_EQ(doc.m_bDeleteYesToAll, 1);

    // The document keeps the Yes to All for the next command.
    fs::create_directories(Cur("f"));
    File("f/r", 0444);
    chmod(Cur("f").c_str(), 0555);
    EXPECT_EQ(doc.DeleteLocalFolder(Cur("f")), 1);
    EXPECT_FALSE(fs::exists(Cur("f")));
    EXPECT_EQ(prompts.ReplaceQuestions().size(), 4u);
    EXPECT_TRUE(prompts.Texts().empty());

    // Inside a folder No keeps a file, and the folder with it; Yes to All takes the rest.
    doc.m_bDeleteYesToAll = 0;
    fs::create_directories(Cur("g"));
    File("g/r1", 0444);
    File("g/r2", 0444);
    prompts.AnswerReplace(Choice(REPLACE_NO));
    prompts.AnswerReplace(Choice(REPLACE_YES));
    EXPECT_EQ(doc.DeleteLocalFolder(Cur("g")), 0);
    EXPECT_EQ(prompts.ReplaceQuestions().size(), 6u);
    EXPECT_EQ(std::distance(fs::directory_iterator(Cur("g")), fs::directory_iterator()), 1);
    const size_t told = prompts.Texts().size();

    fs::create_directories(Cur("h/inner"));
    for (const char* name : {"h/a", "h/inner/b", "h/inner/c"})
        File(name, 0444);
    chmod(Cur("h/inner").c_str(), 0555); // a read-only folder, too
    prompts.AnswerReplace(Choice(REPLACE_YES));
    prompts.AnswerReplace(Choice(REPLACE_YES_TO_ALL));
    EXPECT_EQ(doc.DeleteLocalFolder(Cur("h")), 1);
    EXPECT_FALSE(fs::exists(Cur("h")));
    EXPECT_EQ(prompts.ReplaceQuestions().size(), 8u);
    EXPECT_EQ(prompts.Texts().size(), told);

    // An entry swapped for a link while its question is up: what the link
    // points to keeps its mode, in rows and inside folders.
    doc.m_bDeleteYesToAll = 0;
    File("target", 0444);
    for (const std::string name : {"r", "h/r"}) {
        fs::create_directories(Cur("h"));
        File(name, 0444);
        fs::create_symlink(Cur("target"), Path("link"));
        prompts.WhileShown([&](const std::string&) { fs::rename(Path("link"), Cur(name)); });
        name == "r" ? Rows({{"r", false}}) : doc.DeleteLocalFolder(Cur("h"));
        EXPECT_EQ(fs::status(Cur("target")).permissions(), fs::perms(0444)) << name;
    }
}

TEST_F(LocalDeleteTest, NoToAReadOnlyFolderKeepsItWithItsModeAndTheListSaysSo)
{
    fs::create_directories(Cur("ro"));
    WriteWholeFile(Cur("ro/inside"), "i");
    chmod(Cur("ro").c_str(), 0555);
    prompts.AnswerReplace(Choice(REPLACE_NO));
    EXPECT_TRUE(Rows({{"ro", true}}));
    EXPECT_TRUE(fs::exists(Cur("ro")));
    EXPECT_FALSE(fs::exists(Cur("ro/inside")));
    EXPECT_EQ(fs::status(Cur("ro")).permissions(), fs::perms(0555));
    EXPECT_EQ(prompts.ReplaceQuestions(),
              (std::vector<std::string>{"The directory " + Cur("ro") +
                                        " is read-only.|Are you sure you want to delete the read-only directory?"}));
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Failed to delete directory " + Cur("ro")}));
}

TEST_F(LocalDeleteTest, ACancelLeavesWhatItHasNotReachedWithoutAFailure)
{
    // Read-only folders lend their write bit to the walk and get it back.
    fs::create_directories(Cur("big/inner"));
    for (int i = 0; i < 80; ++i)
        WriteWholeFile(Cur("big/inner/g" + std::to_string(i)), "x");
    chmod(Cur("big/inner").c_str(), 0555);
    chmod(Cur("big").c_str(), 0555);
    File("after.txt");
    int asked = 0;
    CLocalDelete deleter(doc, prompts, [&asked] { return ++asked > 20; });
    // The rows' walk ends where the cancel came; the views are still refreshed.
    EXPECT_TRUE(deleter.DeleteRows(Path("cur"), {{"big", true}, {"after.txt", false}}));
    EXPECT_TRUE(fs::exists(Cur("big")));
    EXPECT_TRUE(fs::exists(Cur("after.txt")));
    EXPECT_GT(deleter.RemovedCount(), 0u);
    EXPECT_LT(deleter.RemovedCount(), 81u);
    EXPECT_TRUE(prompts.Texts().empty());
    for (const char* folder : {"big", "big/inner"})
        EXPECT_EQ(fs::status(Cur(folder)).permissions(), fs::perms(0555)) << folder;

    // The document's operation takes the same switch.
    EXPECT_EQ(doc.DeleteLocalFolder(Cur("big"), [] { return true; }), 0);
    EXPECT_TRUE(fs::exists(Cur("big")));
    EXPECT_TRUE(prompts.Texts().empty());
}
