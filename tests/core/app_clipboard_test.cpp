#include "app/AppCore.h"

#include "MemoryServices.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<CVaFileInfo> Entry(int32_t folder, uint8_t location, const std::string& path)
{
    auto entry = std::make_unique<CVaFileInfo>();
    entry->m_bIsFolder = folder;
    entry->m_byLocation = location;
    entry->m_strPath = path;
    return entry;
}

} // namespace

TEST(AppClipboardTest, OnlyTheRegisteredFormatCarriesEntriesAndPasteLeavesThemThere)
{
    MemoryClipboard clipboard;
    CAppCore app;
    app.m_pClipboard = &clipboard;
    CFileInfoList list;
    list.push_back(Entry(0, LOCATION_REMOTE, "/pub//a.txt"));
    list.push_back(Entry(1, LOCATION_REMOTE, "/pub//dir"));

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
        ASSERT_EQ(pasted.size(), 2u);
        EXPECT_EQ(pasted[1]->m_strPath, "/pub//dir");
        EXPECT_EQ(pasted[1]->m_bIsFolder, 1);
    }

    // Foreign bytes under our name paste as nothing.
    clipboard.SetData(app.m_cfFileList, {0x02, 0x00, 0xff, 0xff, 0x02, 0x00, 0x40, 0x00, 'C'});
    CFileInfoList pasted;
    app.PasteFromClipboard(pasted);
    EXPECT_TRUE(pasted.empty());
}
