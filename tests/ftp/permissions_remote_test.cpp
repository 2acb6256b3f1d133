// SITE CHMOD on real servers: the walk changes files or folders, never what
// a link leads to; a refusal says so; listings give the modes.
#include "fileops/RemotePermissions.h"
#include "ftp/FtpConnection.h"
#include "ftp/FtpFileFind.h"
#include "net/InternetException.h"
#include "log/ActionLog.h"

#include "FtpServerFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class RemotePermissionsTest : public FtpServerFixture, public ::testing::WithParamInterface<bool> {
protected:
    RemotePermissionsTest() : FtpServerFixture({.bVsftpd = GetParam()}) {}
    unsigned ModeOf(const std::string& name) const
    {
        struct stat info {};
        return lstat(m_server.Path(name).c_str(), &info) == 0 ? info.st_mode & 0777 : 01000;
    }
};

} // namespace

TEST_P(RemotePermissionsTest, WalkSkipsLinksAndTheListingGivesTheModes)
{
    fs::create_directories(m_server.Path("d/sub"));
    fs::create_directories(m_server.Path("outside"));
    for (const char* name : {"d/a", "d/sub/b", "outside/o"}) {
        WriteWholeFile(m_server.Path(name), "x");
        chmod(m_server.Path(name).c_str(), 0600);
    }
    fs::create_directory_symlink("../outside", m_server.Path("d/link"));
    chmod(m_server.Path("d/sub").c_str(), 0700);
    CInternetException error;
    std::shared_ptr<CFtpConnection> connection = ConnectAs("anonymous", "a@b", false, error);
    ASSERT_TRUE(connection);
    const std::string d = GetParam() ? m_server.Path("d") : "/d";   // vsftpd's anonymous root is the real one
    CActionLog log;
    CRemotePermissionPlace place(*connection);
    EXPECT_EQ(place.WalkLimit("/d", kMaxRemoteDepth + 1), "it lies more than 100 folders deep");
    CPermissionWalk::Outcome done = CPermissionWalk(place, log).Apply("site", d, true, {0640, true, true, false});
    if (GetParam()) {
        // vsftpd lets no anonymous user change modes: one refusal, clearly told.
        EXPECT_EQ(ModeOf("d/a"), 0600u);
        EXPECT_EQ(PermissionOutcomeMessage(d, done).rfind("Failed to change the permissions of 3 entries in", 0), 0u)
            << PermissionOutcomeMessage(d, done);
        return;
    }
    EXPECT_EQ(done.failed, 0u) << done.firstCause;
    EXPECT_EQ(ModeOf("d/a"), 0640u);
    EXPECT_EQ(ModeOf("d/sub/b"), 0640u);
    EXPECT_EQ(ModeOf("d/sub"), 0700u);
    EXPECT_EQ(ModeOf("outside/o"), 0600u);
    EXPECT_EQ(done.skipped, 1u);

    CFtpFileFind find(connection.get());
    bool more = find.FindFile("/d/*");
    std::string modes;
    for (int guard = 0; more && guard < 10; ++guard) {
        more = find.FindNextFile();
        modes += find.GetFileName() + "=" + find.GetPermissions() + ";";
    }
    find.Close();
    EXPECT_NE(modes.find("a=rw-r-----;"), std::string::npos) << modes;
    EXPECT_NE(modes.find("sub=rwx------;"), std::string::npos) << modes;
}

INSTANTIATE_TEST_SUITE_P(PyftpdlibAndVsftpd, RemotePermissionsTest, ::testing::Bool());
