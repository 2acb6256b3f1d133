#include "fileops/PasteDecision.h"
#include "model/FileInfo.h"
#include "model/SiteInfo.h"

#include <gtest/gtest.h>

TEST(PasteDecisionTest, SourceAndTargetKindsChooseTheRoad)
{
    EXPECT_EQ(DecidePaste(LOCATION_LOCAL, LOCATION_LOCAL), PasteAction::LocalCopy);
    EXPECT_EQ(DecidePaste(LOCATION_REMOTE, LOCATION_LOCAL), PasteAction::Get);
    EXPECT_EQ(DecidePaste(LOCATION_LOCAL, LOCATION_REMOTE), PasteAction::Put);
    EXPECT_EQ(DecidePaste(LOCATION_REMOTE, LOCATION_REMOTE), PasteAction::RemoteCopy);
    EXPECT_EQ(DecidePaste(LOCATION_NONE, LOCATION_LOCAL), PasteAction::None);
    EXPECT_EQ(DecidePaste(LOCATION_LOCAL, LOCATION_NONE), PasteAction::None);
}

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

TEST(PasteDecisionTest, SameRemoteFolderOnTheSameSite)
{
    CVamloSiteInfo site;
    struct Row {
        const char* path;
        const char* target;
        bool same;
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
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsSameRemoteFolder(row.path, row.target, &site, &site), row.same)
            << row.path << " into " << row.target;
}

TEST(PasteDecisionTest, SameFolderOnAnotherSiteIsAnotherPlace)
{
    CVamloSiteInfo one;
    CVamloSiteInfo two;
    EXPECT_FALSE(IsSameRemoteFolder("/x//a.txt", "/x", &one, &two));
    EXPECT_TRUE(IsSameRemoteFolder("/x//a.txt", "/x", &one, &one));
}
