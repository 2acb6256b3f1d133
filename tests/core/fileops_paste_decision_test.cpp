#include "fileops/PasteDecision.h"
#include "model/FileInfo.h"
#include "model/SiteInfo.h"

#include <gtest/gtest.h>

// Pasting into the folder the entries came from would copy every file onto itself.
TEST(PasteDecisionTest, SameFolderLocallyOrOnTheSameSiteOnly)
{
    CVamloSiteInfo site;
    CVamloSiteInfo other;
    enum Where { Local, Remote, OtherSite };
    const struct {
        Where where;
        const char* path;
        const char* target;
        bool same;
    } rows[] = {
        {Local, "/home/ann/a.txt", "/home/ann", true},
        {Local, "/home/ann/a.txt", "/home/ann/", true},
        {Local, "/home/Ann/a.txt", "/home/ann", true},   // compared without regard to case
        {Local, "/home/ann/a.txt", "/home", false},
        {Local, "/home/ann/sub", "/home/ann/sub", false},  // into the folder itself is another test
        {Local, "/a.txt", "/", true},
        {Local, "/a.txt", "/home", false},
        {Local, "a.txt", "/", false},                      // no folder at all passes
        {Remote, "/pub//a.txt", "/pub", true},
        {Remote, "/PUB//a.txt", "/pub", true},
        {Remote, "/pub///a.txt", "/pub", true},
        {Remote, "/pub//a.txt", "/pub/x", false},
        {Remote, "/pub/docs", "/pub", true},     // a folder copied from the tree
        {Remote, "/a.txt", "/", true},
        {Remote, "//a.txt", "/", true},          // the root's children as the list joins them
        {Remote, "//x", "/x", false},
        {Remote, "//a.txt", "/pub", false},
        {Remote, "/a.txt", "/pub", false},
        {Remote, "a.txt", "/", false},
        {OtherSite, "/x//a.txt", "/x", false},
    };
    for (const auto& row : rows) {
        const bool same = row.where == Local ? IsSameLocalFolder(row.path, row.target)
                                             : IsSameRemoteFolder(row.path, row.target, &site,
                                                                  row.where == Remote ? &site : &other);
        EXPECT_EQ(same, row.same) << row.where << " " << row.path << " into " << row.target;
    }
}
