#include "app/AppCore.h"

#include "MemoryServices.h"

#include <gtest/gtest.h>

TEST(AppClipboardTest, OnlyTheRegisteredFormatCarriesEntriesAndPasteLeavesThemThere)
{
    MemoryClipboard clipboard;
    CAppCore app;
    app.m_pClipboard = &clipboard;
    CFileInfoList list;
    for (const char* path : {"/pub//a.txt", "/pub//dir"}) {
        list.push_back(std::make_unique<CVaFileInfo>());
        list.back()->m_strPath = path;
        list.back()->m_byLocation = LOCATION_REMOTE;
    }
    list.back()->m_bIsFolder = 1;

    // Before the format is registered nothing goes to the clipboard.
    app.CopyToClipboard(list);
    EXPECT_TRUE(clipboard.format.empty());

    app.RegisterClipboardFormat();
    app.CopyToClipboard(list);
    EXPECT_EQ(clipboard.format, "Vamlo Clipboard Format V1.00");
    EXPECT_EQ(clipboard.data, EncodeFileList(list));
    for (int round = 0; round < 2; ++round) {
        CFileInfoList pasted;
        app.PasteFromClipboard(pasted);
        EXPECT_EQ(EncodeFileList(pasted), clipboard.data) << round;
    }

    // Foreign bytes under our name paste as nothing.
    clipboard.SetData(app.m_cfFileList, {0x02, 0x00, 0xff, 0xff, 0x02, 0x00, 0x40, 0x00, 'C'});
    CFileInfoList pasted;
    app.PasteFromClipboard(pasted);
    EXPECT_TRUE(pasted.empty());
}
