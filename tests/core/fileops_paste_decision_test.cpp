#include "fileops/PasteDecision.h"
#include "model/FileInfo.h"
#include "model/SiteInfo.h"

#include <gtest/gtest.h>

TEST(PasteDecisionTest, SameLocalFolder)
{
    struct Row {
        const char* path;
        const char* target;
        bool same;
    };
    const Row rows[] = {
        {"/home/ann/a.txt", "/home/ann", true},
        {"/home/ann/a.txt", "/home/ann/", true},
        {"/home/Ann/a.txt", "/home/ann", true},   // compared without regard to case
        {"/home/ann/a.txt", "/home", false},
        {"/home/ann/sub", "/home/ann/sub", false},  // into the folder itself is another test
        {"/a.txt", "/", true},
        {"/a.txt", "/home", false},
        {"a.txt", "/", false},                      // no folder at all passes
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsSameLocalFolder(row.path, row.target), row.same) << row.path << " into " << row.target;
}

TEST(PasteDecisionTest, SameRemoteFolderOnlyOnTheSameSite)
{
    CVamloSiteInfo site;
    CVamloSiteInfo other;
    struct Row {
        const char* path;
        const char* target;
        bool same;
        const CVamloSiteInfo* targetSite = nullptr; // the source's site unless given
    };
    const Row rows[] = {
        {"/pub//a.txt", "/pub", true},
        {"/PUB//a.txt", "/pub", true},
        {"/pub///a.txt", "/pub", true},
        {"/pub//a.txt", "/pub/x", false},
        {"/pub/docs", "/pub", true},     // a folder copied from the tree
        {"/a.txt", "/", true},
        {"//a.txt", "/", true},          // the root's children as the list joins them
        {"//x", "/x", false},
        {"//a.txt", "/pub", false},
        {"/a.txt", "/pub", false},
        {"a.txt", "/", false},
        {"/x//a.txt", "/x", false, &other},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsSameRemoteFolder(row.path, row.target, &site, row.targetSite ? row.targetSite : &site), row.same)
            << row.path << " into " << row.target;
}
