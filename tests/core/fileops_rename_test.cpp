// Local rename without replacing, its messages, names the user may type, and
// the local New Directory.
#include "fileops/FileOpTexts.h"
#include "fileops/RenameOps.h"

#include "ScriptedPrompts.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

TEST(LocalRename, RenamesAndNeverReplacesAnExistingName)
{
    TempDir dir;
    WriteWholeFile(dir.File("a"), "A");
    WriteWholeFile(dir.File("b"), "B");
    EXPECT_EQ(RenameLocalNoReplace(dir.File("a"), dir.File("b")), EEXIST);
    EXPECT_EQ(ReadWholeFile(dir.File("a")), "A");
    EXPECT_EQ(ReadWholeFile(dir.File("b")), "B");
    EXPECT_EQ(RenameLocalNoReplace(dir.File("a"), dir.File("c")), 0);
    EXPECT_EQ(ReadWholeFile(dir.File("c")), "A");
    EXPECT_EQ(RenameLocalNoReplace(dir.File("gone"), dir.File("d")), ENOENT);
    fs::create_directories(dir.File("f/sub"));
    EXPECT_EQ(RenameLocalNoReplace(dir.File("f"), dir.File("f/sub/f")), EINVAL);
}

TEST(LocalRename, MessagesByErrorNumber)
{
    EXPECT_EQ(LocalRenameFailureText(EACCES), "Permission denied");
    EXPECT_EQ(LocalRenameFailureText(ENOENT), "No such file or directory");
    EXPECT_EQ(LocalRenameFailureText(EINVAL), "Invalid argument");
    EXPECT_EQ(LocalRenameFailureText(EEXIST), "Could not rename the file or directory");
}

TEST(EntryNames, SeparatorsNulAndDotsAreRefused)
{
    EXPECT_TRUE(IsValidEntryName("a b.txt"));
    EXPECT_TRUE(IsValidEntryName("..hidden"));
    EXPECT_FALSE(IsValidEntryName(""));
    EXPECT_FALSE(IsValidEntryName("."));
    EXPECT_FALSE(IsValidEntryName(".."));
    EXPECT_FALSE(IsValidEntryName("a/b"));
    EXPECT_FALSE(IsValidEntryName(std::string("a\0b", 3)));
}

TEST(LocalNewDirectory, CreatesAndAnExistingNameFailsWithTheSystemCause)
{
    TempDir dir;
    ScriptedPrompts prompts;
    EXPECT_EQ(CreateLocalDirectory(prompts, dir.File("made")), 1);
    EXPECT_TRUE(fs::is_directory(dir.File("made")));
    EXPECT_EQ(CreateLocalDirectory(prompts, dir.File("made")), 0);
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Failed to create new directory " + dir.File("made") +
                                                          "\nCause: " + ShortCause(EEXIST).substr(8)}));
}
