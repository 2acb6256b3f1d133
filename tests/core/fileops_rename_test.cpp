// Local rename without replacing, its messages and the names the user may
// type; the list's rename in place covers the common cases end to end.
#include "fileops/FileOpTexts.h"
#include "fileops/RenameOps.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

TEST(LocalRename, NeverReplacesAndEachFailureHasItsMessage)
{
    TempDir dir;
    WriteWholeFile(dir.File("a"), "A");
    WriteWholeFile(dir.File("b"), "B");
    EXPECT_EQ(RenameLocalNoReplace(dir.File("a"), dir.File("b")), EEXIST);
    EXPECT_EQ(ReadWholeFile(dir.File("b")), "B");
    EXPECT_EQ(RenameLocalNoReplace(dir.File("gone"), dir.File("d")), ENOENT);
    std::filesystem::create_directories(dir.File("f/sub"));
    EXPECT_EQ(RenameLocalNoReplace(dir.File("f"), dir.File("f/sub/f")), EINVAL);

    EXPECT_EQ(LocalRenameFailureText(EACCES), "Permission denied");
    EXPECT_EQ(LocalRenameFailureText(ENOENT), "No such file or directory");
    EXPECT_EQ(LocalRenameFailureText(EEXIST), "Could not rename the file or directory");
}

TEST(EntryNames, SeparatorsNulAndDotsAreRefused)
{
    EXPECT_TRUE(IsValidEntryName("a b.txt"));
    EXPECT_TRUE(IsValidEntryName("..hidden"));
    for (const std::string& name : {std::string(), std::string("."), std::string(".."), std::string("a/b"),
                                    std::string("a\0b", 3)})
        EXPECT_FALSE(IsValidEntryName(name)) << name;
}
