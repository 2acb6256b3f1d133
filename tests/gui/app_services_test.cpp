#include "app/AppCore.h"
#include "app/QtClipboard.h"
#include "app/QtSettingsStore.h"

#include "ScriptedPrompts.h"
#include "TempDir.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
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

TEST(QtClipboardTest, EntryListRoundTripsThroughTheSystemClipboard)
{
    CQtClipboard clipboard;
    CAppCore app;
    app.m_pClipboard = &clipboard;
    app.RegisterClipboardFormat();


    CFileInfoList list;
    auto entry = std::make_unique<CVaFileInfo>();
    entry->m_bIsFolder = 1;
    entry->m_byLocation = LOCATION_LOCAL;
    entry->m_strPath = "/home/ann/My Files";
    list.push_back(std::move(entry));
    app.CopyToClipboard(list);

    EXPECT_EQ(app.HasClipboardFileList(), 1);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("Vamlo Clipboard Format V1.00")));

    CFileInfoList pasted;
    app.PasteFromClipboard(pasted);
    // What the entries hold is the unit suite's.
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(pasted[0]->m_strPath, "/home/ann/My Files");
}

