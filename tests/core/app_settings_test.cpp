// Where the program keeps its files, and the two log options it stores.
#include "app/AppPaths.h"
#include "app/Settings.h"

#include "MemoryServices.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

struct Loaded {
    int32_t autoSave = -1;
    int32_t autoRefresh = -1;
};

Loaded Load(MemorySettingsStore& store)
{
    Loaded loaded;
    LoadSettings(store, &loaded.autoSave, &loaded.autoRefresh);
    return loaded;
}

std::map<std::string, std::string> g_env;

const char* FakeEnv(const char* name)
{
    const auto it = g_env.find(name);
    return it == g_env.end() ? nullptr : it->second.c_str();
}

std::string DirFor(std::map<std::string, std::string> env)
{
    g_env = std::move(env);
    return ProgramDirectory(&FakeEnv);
}

} // namespace

TEST(SettingsTest, MissingValuesAndValuesLongerThanTheFiveByteBufferTakeDefaultsAndAreWrittenBack)
{
    MemorySettingsStore store;
    Loaded loaded = Load(store);
    EXPECT_EQ(loaded.autoSave, 0);
    EXPECT_EQ(loaded.autoRefresh, 1);
    EXPECT_EQ(store.values["AutoSaveLog"], "No");
    EXPECT_EQ(store.values["AutoRefreshLogView"], "Yes");

    store.values["AutoSaveLog"] = "Yes!!";       // 5 characters + terminator: does not fit
    store.values["AutoRefreshLogView"] = "No  "; // 4 characters + terminator: fits
    loaded = Load(store);
    EXPECT_EQ(loaded.autoSave, 0);
    EXPECT_EQ(store.values["AutoSaveLog"], "No");
    EXPECT_EQ(loaded.autoRefresh, 0);
    EXPECT_EQ(store.values["AutoRefreshLogView"], "No  ");

    // A key that cannot be written gives the defaults and takes nothing.
    store.writable = false;
    store.values["AutoSaveLog"] = "Yes";
    const int writes = store.writes;
    loaded = Load(store);
    EXPECT_EQ(loaded.autoSave, 0);
    EXPECT_EQ(loaded.autoRefresh, 1);
    SaveSettings(store, 1, 0);
    EXPECT_EQ(store.writes, writes);
    EXPECT_EQ(store.values["AutoSaveLog"], "Yes");
}

TEST(SettingsTest, TextsCompareWithoutCaseAndAnythingElseIsOff)
{
    // Padding after a zero byte is no part of the text.
    const std::pair<std::string, int32_t> rows[] = {{"YES", 1}, {"yes", 1}, {"yEs", 1}, {"No", 0}, {"NO", 0},
                                                    {"yes ", 0}, {"", 0}, {"1", 0}, {"on", 0},
                                                    {std::string("Yes\0\0", 5), 1}};
    for (const auto& [stored, expected] : rows) {
        MemorySettingsStore store;
        store.values["AutoSaveLog"] = stored;
        store.values["AutoRefreshLogView"] = stored;
        Loaded loaded = Load(store);
        EXPECT_EQ(loaded.autoSave, expected) << '"' << stored << '"';
        EXPECT_EQ(loaded.autoRefresh, expected) << '"' << stored << '"';
        // A value that fits is read, never rewritten.
        EXPECT_EQ(store.writes, 0) << '"' << stored << '"';
    }
}

TEST(SettingsTest, SaveWritesYesOnlyForFlagsOfOne)
{
    MemorySettingsStore store;
    SaveSettings(store, 1, 0);
    EXPECT_EQ(store.values["AutoSaveLog"], "Yes");
    EXPECT_EQ(store.values["AutoRefreshLogView"], "No");
    SaveSettings(store, 2, 1);
    EXPECT_EQ(store.values["AutoSaveLog"], "No");
    EXPECT_EQ(store.values["AutoRefreshLogView"], "Yes");
}

TEST(SettingsTest, KeepAliveSecondsDefaultToAMinuteZeroIsOffAndBadValuesAreWrittenBack)
{
    MemorySettingsStore store;
    EXPECT_EQ(LoadKeepAliveSeconds(store), 60);
    EXPECT_EQ(store.values["KeepAliveSeconds"], "60");
    for (const auto& [text, seconds] : std::map<std::string, int>{{"0", 0}, {"15", 15}, {"86400", 86400},
                                                                  {"86401", 60}, {"-5", 60}, {"1e3", 60}, {"", 60}}) {
        store.values["KeepAliveSeconds"] = text;
        EXPECT_EQ(LoadKeepAliveSeconds(store), seconds) << text;
        EXPECT_EQ(store.values["KeepAliveSeconds"], seconds == 60 ? "60" : text);
    }
}

TEST(SettingsTest, TransferConnectionsDefaultToFourAndStayWithinOneToTen)
{
    MemorySettingsStore store;
    EXPECT_EQ(LoadTransferConnections(store), 4);
    EXPECT_EQ(store.values["TransferConnections"], "4");
    for (const auto& [text, connections] : std::map<std::string, int>{{"1", 1}, {"10", 10}, {"0", 4}, {"11", 4}}) {
        store.values["TransferConnections"] = text;
        EXPECT_EQ(LoadTransferConnections(store), connections) << text;
    }
}

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
