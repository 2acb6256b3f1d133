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

TEST(SettingsTest, MissingValuesTakeDefaultsAndAreWrittenBack)
{
    MemorySettingsStore store;
    Loaded loaded = Load(store);
    EXPECT_EQ(loaded.autoSave, 0);
    EXPECT_EQ(loaded.autoRefresh, 1);
    EXPECT_EQ(store.values["AutoSaveLog"], "No");
    EXPECT_EQ(store.values["AutoRefreshLogView"], "Yes");
}

TEST(SettingsTest, TextsCompareWithoutCaseAndAnythingElseIsOff)
{
    struct Row {
        const char* stored;
        int32_t expected;
    };
    const Row rows[] = {{"YES", 1}, {"yes", 1}, {"yEs", 1}, {"No", 0}, {"NO", 0}, {"yes ", 0},
                        {"", 0},    {"1", 0},   {"on", 0},  {"Yes\0", 1}};
    for (const Row& row : rows) {
        MemorySettingsStore store;
        store.values["AutoSaveLog"] = row.stored;
        store.values["AutoRefreshLogView"] = row.stored;
        Loaded loaded = Load(store);
        EXPECT_EQ(loaded.autoSave, row.expected) << '"' << row.stored << '"';
        EXPECT_EQ(loaded.autoRefresh, row.expected) << '"' << row.stored << '"';
        // A value that fits is read, never rewritten.
        EXPECT_EQ(store.writes, 0) << '"' << row.stored << '"';
    }
}

TEST(SettingsTest, ValueLongerThanTheFiveByteBufferCountsAsMissing)
{
    MemorySettingsStore store;
    store.values["AutoSaveLog"] = "Yes!!";          // 5 characters + terminator: does not fit
    store.values["AutoRefreshLogView"] = "No  ";    // 4 characters + terminator: fits
    Loaded loaded = Load(store);
    EXPECT_EQ(loaded.autoSave, 0);
    EXPECT_EQ(store.values["AutoSaveLog"], "No");
    EXPECT_EQ(loaded.autoRefresh, 0);
    EXPECT_EQ(store.values["AutoRefreshLogView"], "No  ");

    // Padding after a zero byte is no part of the text.
    MemorySettingsStore padded;
    padded.values["AutoSaveLog"] = std::string("Yes\0\0", 5);
    EXPECT_EQ(Load(padded).autoSave, 1);
}

TEST(SettingsTest, UnwritableKeyGivesDefaultsAndWritesNothing)
{
    MemorySettingsStore store;
    store.writable = false;
    store.values["AutoSaveLog"] = "Yes";
    store.values["AutoRefreshLogView"] = "No";
    Loaded loaded = Load(store);
    EXPECT_EQ(loaded.autoSave, 0);
    EXPECT_EQ(loaded.autoRefresh, 1);
    SaveSettings(store, 1, 0);
    EXPECT_EQ(store.writes, 0);
    EXPECT_EQ(store.values["AutoSaveLog"], "Yes");
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
    Loaded loaded = Load(store);
    EXPECT_EQ(loaded.autoSave, 0);
    EXPECT_EQ(loaded.autoRefresh, 1);
}
