#include "app/AppCore.h"
#include "services/QtSettingsStore.h"

#include "TempDir.h"

#include <gtest/gtest.h>

// Which values and defaults is the unit suite's; here the ini file.
TEST(QtSettingsStoreTest, DefaultsAreWrittenToTheIniFileAndReadBack)
{
    TempDir dir;
    const QString ini = QString::fromStdString(dir.File("Vamlo.ini"));
    int32_t autoSave = -1, autoRefresh = -1;
    {
        CQtSettingsStore store(ini);
        LoadSettings(store, &autoSave, &autoRefresh);
        SaveSettings(store, 1, 0);
    }
    const std::string text = ReadWholeFile(dir.File("Vamlo.ini"));
    EXPECT_NE(text.find("[Settings]"), std::string::npos);
    EXPECT_NE(text.find("AutoSaveLog=Yes"), std::string::npos);
    EXPECT_NE(text.find("AutoRefreshLogView=No"), std::string::npos);
    CQtSettingsStore again(ini);
    LoadSettings(again, &autoSave, &autoRefresh);
    EXPECT_EQ(autoSave, 1);
    EXPECT_EQ(autoRefresh, 0);

    // A file under a regular file can never be created, not even by root.
    CQtSettingsStore unwritable(QString::fromStdString(dir.File("Vamlo.ini") + "/Vamlo.ini"));
    EXPECT_FALSE(unwritable.OpenKey());
}
