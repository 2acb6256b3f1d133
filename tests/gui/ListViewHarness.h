#pragma once

// A main window with the file list in its pane, the document and the view
// hub, as start-up builds them, plus recorders for what the list tells.
#include "app/AppCore.h"
#include "ftp/FtpConnection.h"
#include "model/SiteInfo.h"
#include "list/ListItemInfo.h"
#include "list/ListViewDetail.h"
#include "panes/ViewHub.h"

#include "FtpServerFixture.h"
#include "GuiProgram.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

struct ViewNotice {
    QObject* sender;
    int hint;
    QString object;
};

struct MenuEntry {
    QString id;
    bool enabled;
    bool operator==(const MenuEntry&) const = default;
};

// The names of the list's rows, top to bottom.
inline std::vector<std::string> NamesIn(CListViewDetail& list)
{
    std::vector<std::string> names;
    for (int row = 0; row < list.RowCount(); ++row)
        names.push_back(list.Record(row)->m_strName);
    return names;
}

inline int RowIn(CListViewDetail& list, const std::string& name)
{
    const std::vector<std::string> names = NamesIn(list);
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

// The names of the selected rows, A to Z.
inline std::vector<std::string> SelectedIn(CListViewDetail& list)
{
    std::vector<std::string> names;
    for (int row : list.SelectedRows())
        names.push_back(list.Record(row)->m_strName);
    std::sort(names.begin(), names.end());
    return names;
}

// Those rows selected alone, the focus in the list for the keys that follow.
inline void SelectIn(CListViewDetail& list, const std::vector<std::string>& names)
{
    list.setFocus();
    list.selectionModel()->clearSelection();
    for (const std::string& name : names) {
        ASSERT_GE(RowIn(list, name), 0) << name;
        list.selectionModel()->select(list.model()->index(RowIn(list, name), 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

class ListViewHarness : public GuiProgram {
public:
    ListViewHarness()
    {
        BuildProgram();
        QObject::connect(&hub, &CViewHub::Update, &hub, [this](QObject* sender, int hint, const QString& object) {
            notices.push_back({sender, hint, object});
        });
        list = new CListViewDetail(*doc, app, *frame, hub);
        list->OnInitialUpdate();
        frame->resize(900, 600);
        frame->show();
        (void)QTest::qWaitForWindowExposed(frame.get());
    }

    // The views go before the hub they listen to.
    ~ListViewHarness() { TearDownProgram(); }

    // What the tree's selection does: the document's folder, then hint 6.
    void ShowFolder(uint8_t location, const std::string& folder, CVamloSiteInfo* site = nullptr)
    {
        doc->m_byCurrentLocation = location;
        doc->m_strCurrentFolder = folder;
        doc->m_pCurrentSite = site;
        hub.UpdateAllViews(nullptr, HINT_FOLDER_CHANGED);
        EXPECT_TRUE(WaitForNetIdle());
    }

    std::vector<std::string> Names() const { return NamesIn(*list); }
    int RowOf(const std::string& name) const { return RowIn(*list, name); }
    void Select(const std::vector<std::string>& names) { SelectIn(*list, names); }
    std::vector<std::string> SelectedNames() const { return SelectedIn(*list); }

    QPoint RowPoint(int row) const { return list->visualRect(list->model()->index(row, 0)).center(); }
    // As the system delivers one: press and release, then the double click.
    void DoubleClick(int row) const
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowPoint(row));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, RowPoint(row));
    }

    std::vector<QString> OpenedFolders() const
    {
        std::vector<QString> names;
        for (const ViewNotice& notice : ListNotices())
            if (notice.hint == HINT_OPEN_SUBFOLDER)
                names.push_back(notice.object);
        return names;
    }

    QPoint EmptyPoint() const { return QPoint(20, list->viewport()->height() - 4); }

    // Notices the list sent, leaving out those the test sent itself.
    std::vector<ViewNotice> ListNotices() const
    {
        std::vector<ViewNotice> fromList;
        for (const ViewNotice& notice : notices)
            if (notice.sender == list)
                fromList.push_back(notice);
        return fromList;
    }

    // Right-clicks at pos (press and release) and returns the entries of
    // the menu that opened, closing it; empty when none opened.
    std::vector<MenuEntry> RightClickMenu(QPoint pos, Qt::KeyboardModifiers modifiers = {})
    {
        std::vector<MenuEntry> entries;
        QTimer poll;
        QElapsedTimer waited;
        waited.start();
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* action : menu->actions())
                    entries.push_back({action->objectName(), action->isEnabled()});
                menu->close();
            } else if (waited.elapsed() > 5000) {
                poll.stop();
            }
        });
        poll.start(10);
        QTest::mousePress(list->viewport(), Qt::RightButton, modifiers, pos);
        QTest::mouseRelease(list->viewport(), Qt::RightButton, modifiers, pos);
        poll.stop();
        return entries;
    }

    CViewHub hub;
    CListViewDetail* list = nullptr;
    std::vector<ViewNotice> notices;
};

// The list over a real server's /pub, logged in: the folder "incoming" (with
// incoming/deep/d.txt), "a.txt" of 1025 bytes and the empty "b b.bin".
class RemoteListTest : public FtpServerFixture {
protected:
    void SetUp() override
    {
        FtpServerFixture::SetUp();
        std::filesystem::create_directories(m_server.Path("pub/incoming/deep"));
        WriteWholeFile(m_server.Path("pub/incoming/deep/d.txt"), "d");
        WriteWholeFile(m_server.Path("pub/a.txt"), std::string(1025, 'a'));
        WriteWholeFile(m_server.Path("pub/b b.bin"), "");
        site.m_strAddress = "ftp://127.0.0.1:" + std::to_string(m_server.Port());
        site.m_pConnection = Connect();
        ASSERT_TRUE(site.m_pConnection);
        h = std::make_unique<ListViewHarness>();
    }

    void TearDown() override { h.reset(); }

    CVamloSiteInfo site;
    std::unique_ptr<ListViewHarness> h;
};
