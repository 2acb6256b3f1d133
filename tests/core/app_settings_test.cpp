#include "app/Settings.h"

#include "MemoryServices.h"

#include <gtest/gtest.h>

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
