// Deleting on the local disk: the list's rows, whole folders, the read-only
// question with its Yes to All, and links that must not be followed.
#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "fileops/LocalDelete.h"

#include "MemoryServices.h"
#include "ScriptedPrompts.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileQuestion = "Are you sure you want to delete the read-only file?";

class LocalDeleteTest : public ::testing::Test {
protected:
    LocalDeleteTest()
    {
        app.m_pPrompts = &prompts;
        app.m_pSettings = &settings;
        mkdir(Path("cur").c_str(), 0755);
    }

    std::string Path(const std::string& name) const { return dir.File(name); }
    std::string Cur(const std::string& name) const { return dir.File("cur/" + name); }
    void File(const std::string& name, mode_t mode = 0644)
    {
        WriteWholeFile(Cur(name), "data");
        chmod(Cur(name).c_str(), mode);
    }
    bool Rows(std::vector<DeleteRow> rows) { return CLocalDelete(doc, prompts).DeleteRows(Path("cur"), rows); }
    static ReplaceAnswer Choice(int32_t choice) { return {DialogResult::Ok, choice}; }

    TempDir dir;
    ScriptedPrompts prompts;
    MemorySettingsStore settings;
    CAppCore app;
    CVamloDoc doc{app};
};

} // namespace

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

TEST_F(LocalDeleteTest, ReadOnlyFileRowsAskAndYesToAllHoldsForLaterCommands)
{
    for (const char* name : {"r1", "r2", "r3", "r4", "r5"})
        File(name, 0444);
    prompts.AnswerReplace(Choice(REPLACE_NO));
    prompts.AnswerReplace({DialogResult::Cancel, REPLACE_NO_ANSWER});
    prompts.AnswerReplace(Choice(REPLACE_YES));
    prompts.AnswerReplace(Choice(REPLACE_YES_TO_ALL));
    EXPECT_TRUE(Rows({{"r1", false}, {"r2", false}, {"r3", false}, {"r4", false}, {"r5", false}}));
    EXPECT_TRUE(fs::exists(Cur("r1")));
    EXPECT_TRUE(fs::exists(Cur("r2")));
    EXPECT_FALSE(fs::exists(Cur("r3")));
    EXPECT_FALSE(fs::exists(Cur("r4")));
    EXPECT_FALSE(fs::exists(Cur("r5")));
    std::vector<std::string> asked;
    for (const char* name : {"r1", "r2", "r3", "r4"})
        asked.push_back("The file " + Cur(name) + " is read-only.|" + kFileQuestion);
    EXPECT_EQ(prompts.ReplaceQuestions(), asked);
    EXPECT_EQ(doc.m_bDeleteYesToAll, 1);

    // The document keeps the Yes to All for the next command.
    fs::create_directories(Cur("f"));
    File("f/r", 0444);
    chmod(Cur("f").c_str(), 0555);
    EXPECT_EQ(doc.DeleteLocalFolder(Cur("f")), 1);
    EXPECT_FALSE(fs::exists(Cur("f")));
    EXPECT_EQ(prompts.ReplaceQuestions().size(), 4u);
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(LocalDeleteTest, InAFolderNoKeepsAFileAndYesToAllTakesTheRest)
{
    fs::create_directories(Cur("f"));
    File("f/r1", 0444);
    File("f/r2", 0444);
    prompts.AnswerReplace(Choice(REPLACE_NO));
    prompts.AnswerReplace(Choice(REPLACE_YES));
    EXPECT_EQ(doc.DeleteLocalFolder(Cur("f")), 0); // the folder keeps the file that stays
    EXPECT_EQ(prompts.ReplaceQuestions().size(), 2u);
    EXPECT_EQ(std::distance(fs::directory_iterator(Cur("f")), fs::directory_iterator()), 1);
    const size_t told = prompts.Texts().size();

    fs::create_directories(Cur("g/inner"));
    for (const char* name : {"g/a", "g/inner/b", "g/inner/c"})
        File(name, 0444);
    chmod(Cur("g/inner").c_str(), 0555); // a read-only folder, too
    prompts.AnswerReplace(Choice(REPLACE_YES));
    prompts.AnswerReplace(Choice(REPLACE_YES_TO_ALL));
    EXPECT_EQ(doc.DeleteLocalFolder(Cur("g")), 1);
    EXPECT_FALSE(fs::exists(Cur("g")));
    EXPECT_EQ(prompts.ReplaceQuestions().size(), 4u);
    EXPECT_EQ(prompts.Texts().size(), told);
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
    struct stat info {};
    ASSERT_EQ(stat(Cur("ro").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0555u);
    EXPECT_EQ(prompts.ReplaceQuestions(),
              (std::vector<std::string>{"The directory " + Cur("ro") +
                                        " is read-only.|Are you sure you want to delete the read-only directory?"}));
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Failed to delete directory " + Cur("ro")}));
}

TEST_F(LocalDeleteTest, ACancelLeavesWhatItHasNotReachedWithoutAFailure)
{
    fs::create_directories(Cur("big/inner"));
    for (int i = 0; i < 40; ++i) {
        WriteWholeFile(Cur("big/f" + std::to_string(i)), "x");
        WriteWholeFile(Cur("big/inner/g" + std::to_string(i)), "x");
    }
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

    // The document's operation takes the same switch.
    EXPECT_EQ(doc.DeleteLocalFolder(Cur("big"), [] { return true; }), 0);
    EXPECT_TRUE(fs::exists(Cur("big")));
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(doc.DeleteLocalFolder(Cur("big")), 1);
    EXPECT_FALSE(fs::exists(Cur("big")));
}
