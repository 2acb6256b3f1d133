#include "app/AppPaths.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

std::map<std::string, std::string>* g_env = nullptr;

const char* FakeEnv(const char* name)
{
    auto it = g_env->find(name);
    return it == g_env->end() ? nullptr : it->second.c_str();
}

std::string DirFor(std::map<std::string, std::string> env)
{
    g_env = &env;
    std::string dir = ProgramDirectory(&FakeEnv);
    g_env = nullptr;
    return dir;
}

} // namespace

TEST(ProgramDirectoryTest, FollowsVamloHomeThenXdgThenHome)
{
    EXPECT_EQ(DirFor({{"VAMLO_HOME", "/opt/v"}, {"XDG_DATA_HOME", "/x"}, {"HOME", "/h"}}), "/opt/v/");
    EXPECT_EQ(DirFor({{"VAMLO_HOME", "/opt/v/"}}), "/opt/v/");
    EXPECT_EQ(DirFor({{"VAMLO_HOME", ""}, {"XDG_DATA_HOME", "/x/data"}, {"HOME", "/h"}}), "/x/data/vamlo/");
    EXPECT_EQ(DirFor({{"XDG_DATA_HOME", "relative"}, {"HOME", "/h"}}), "/h/.local/share/vamlo/");
    EXPECT_EQ(DirFor({{"HOME", "/home/Ann"}}), "/home/Ann/.local/share/vamlo/");
}

TEST(ProgramDirectoryTest, KeepsCaseAndFileNames)
{
    // A case-sensitive file system: the folder's case is kept as given.
    CAppPaths paths = MakeAppPaths("/Data/MixedCase");
    EXPECT_EQ(paths.m_strAppDir, "/Data/MixedCase/");
    EXPECT_EQ(paths.m_strSiteListPath, "/Data/MixedCase/__$#VAMLO_SITELIST.DAT");
    EXPECT_EQ(paths.m_strAutoSavePath, "/Data/MixedCase/__$#VAMLO_AUTOSAVEDLOG.TXT");
    EXPECT_EQ(paths.m_strTempDirPath, "/Data/MixedCase/__$#Vamlo_TempDir");
}
