// The Site Manager as the user meets it: opened from the main frame, driven
// through its widgets and keys, with every message answered by the scripted
// prompts and the Add Site dialog either scripted or answered on screen.
// Carrying the copies back after OK is the unit suite's; here the dialog.
#include "model/SiteInfo.h"
#include "model/SiteList.h"
#include "sites/SiteManagerDlg.h"
#include "commands/Commands.h"

#include "../DialogDriver.h"
#include "../GuiProgram.h"
#include "TransferHold.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

namespace {

QStringList Texts(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

QString SelectedText(const QListWidget* list)
{
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

QListWidgetItem* ItemOf(const QListWidget* list, const char* text)
{
    const QList<QListWidgetItem*> items = list->findItems(QString::fromLatin1(text), Qt::MatchExactly);
    EXPECT_EQ(items.size(), 1) << text;
    return items.isEmpty() ? nullptr : items.first();
}

void Click(const QWidget* dialog, const char* button)
{
    QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

void DoubleClick(QListWidget* list, const char* text)
{
    const QPoint at = list->visualItemRect(ItemOf(list, text)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// What the user typed into the Add Site dialog before OK (no address: Cancel).
struct SiteDialogScript {
    std::optional<QString> address;
    QString port = QStringLiteral("21");
    QString notes;
};

struct SiteDialogSeen {
    QString address, port, notes;
    int32_t readOnly = 0;
};

class SiteManagerTest : public ::testing::Test, protected GuiProgram {
protected:
    void SetUp() override
    {
        BuildProgram();
        ASSERT_EQ(doc->OnNewDocument(app.m_strSiteListPath), 1);
        for (const char* name : {"beta", "alpha", "alps", "gamma", "delta"}) {
            auto site = std::make_unique<CVamloSiteInfo>();
            site->m_strAddress = std::string("ftp://") + name + ".example";
            site->m_strUserName = "ann";
            site->m_bAvailable = name[0] == 'a' || name[0] == 'b' ? 1 : 0;
            site->m_strNotes = std::string(name) + " notes";
            frame->m_siteList.push_back(std::move(site));
        }
        frame->m_siteList.front()->m_bReconnectAtLogon = 1;
        frame->RefillAddressBox();
        m_before = Snapshot();
    }

    void TearDown() override { TearDownProgram(); }

    CVamloSiteInfo* Record(const std::string& address) const
    {
        for (const auto& site : frame->m_siteList)
            if (site->m_strAddress == address)
                return site.get();
        return nullptr;
    }

    // The records as the site list file would hold them.
    std::vector<uint8_t> Snapshot() const { return EncodeSiteListFile(CSiteListHeader(), frame->m_siteList); }

    // Opens the Site Manager from the Edit menu, on screen so that clicks and
    // keys land; fn works in it and says whether it ends with OK. Add and
    // Properties answer from m_siteScripts, one per opening.
    void RunManager(const std::function<bool(CSiteManagerDlg&)>& fn)
    {
        bool ran = false;
        frame->m_fnRunSiteManager = [&](CSiteManagerDlg& dialog) {
            ran = true;
            dialog.m_fnRunSiteDialog = [this](CAddSiteDlg& site) {
                m_siteSeen.push_back({site.m_strAddress, site.m_strPort, site.m_strNotes, site.m_bReadOnly});
                EXPECT_FALSE(m_siteScripts.empty());
                if (m_siteScripts.empty())
                    return false;
                const SiteDialogScript script = m_siteScripts.front();
                m_siteScripts.erase(m_siteScripts.begin());
                if (!script.address)
                    return false;
                site.m_strAddress = *script.address;
                site.m_strPort = script.port;
                site.m_strNotes = script.notes;
                return true;
            };
            dialog.show();
            const bool ok = fn(dialog);
            dialog.hide();
            return ok;
        };
        frame->Command(ID_EDIT_SITE_MANAGER)->trigger();
        frame->m_fnRunSiteManager = nullptr;
        EXPECT_TRUE(ran);
    }

    void Add(CSiteManagerDlg& dialog, const char* address)
    {
        m_siteScripts.push_back({QString::fromLatin1(address), QStringLiteral("21"), {}});
        dialog.OnAdd();
    }

    // Whether Add Site opened this many times so far; a failure if not.
    bool SiteDialogOpened(size_t times) const
    {
        EXPECT_EQ(m_siteSeen.size(), times);
        return m_siteSeen.size() == times;
    }

    static void Pick(QListWidget* list, const char* text) { list->setCurrentItem(ItemOf(list, text)); }

    std::vector<uint8_t> m_before;
    std::vector<SiteDialogScript> m_siteScripts;
    std::vector<SiteDialogSeen> m_siteSeen;
};

} // namespace

TEST_F(SiteManagerTest, FindSiteSelectsAcrossTheListsAndCancelAfterEditsLeavesTheListAlone)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        EXPECT_EQ(Texts(dialog.AvailableList()),
                  (QStringList{QStringLiteral("ftp://alpha.example"), QStringLiteral("ftp://alps.example"),
                               QStringLiteral("ftp://beta.example")}));
        EXPECT_EQ(Texts(dialog.StoredList()),
                  (QStringList{QStringLiteral("ftp://delta.example"), QStringLiteral("ftp://gamma.example")}));

        Pick(dialog.StoredList(), "ftp://gamma.example");
        // Typed key by key: the search starts at the second item.
        QTest::keyClicks(dialog.FindEdit(), QStringLiteral("FTP://AL"));
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://alps.example"));
        EXPECT_EQ(SelectedText(dialog.StoredList()), QString());
        // Only the first item matches: found after the wrap.
        dialog.FindEdit()->setText(QStringLiteral("  ftp://alph "));
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://alpha.example"));

        dialog.FindEdit()->setText(QStringLiteral("ftp://d"));
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QString());
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("ftp://delta.example"));
        EXPECT_EQ(dialog.NotesBox()->toPlainText(), QStringLiteral("delta notes"));
        // Enter opens the site found; the dialog stays.
        m_siteScripts.push_back({std::nullopt, {}, {}});
        QTest::keyClick(dialog.FindEdit(), Qt::Key_Enter);
        if (!SiteDialogOpened(1))
            return false;
        EXPECT_EQ(m_siteSeen[0].address, QStringLiteral("ftp://delta.example"));
        EXPECT_TRUE(dialog.isVisible());
        // Blanks change nothing at all; no match clears the stored selection.
        dialog.FindEdit()->setText(QStringLiteral("   "));
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("ftp://delta.example"));
        dialog.FindEdit()->setText(QStringLiteral("nowhere"));
        EXPECT_EQ(SelectedText(dialog.StoredList()), QString());

        // Edits of every kind, then Cancel.
        Add(dialog, "ftp://new.example");
        Pick(dialog.AvailableList(), "ftp://beta.example");
        dialog.OnDelete();
        Pick(dialog.AvailableList(), "ftp://alpha.example");
        dialog.OnMoveToStored();
        m_siteScripts.push_back({QStringLiteral("ftp://delta.example"), QStringLiteral("21"), QStringLiteral("x")});
        dialog.OnProperties();
        EXPECT_EQ(dialog.m_bChanged, 1);
        EXPECT_TRUE(prompts.Texts().empty());
        return false;
    });
    EXPECT_EQ(Snapshot(), m_before);
    EXPECT_EQ(frame->m_bSiteListModified, 0);
}

// A double-click moves too, without a question.
TEST_F(SiteManagerTest, MovesGoBothWaysAndMovingToStoredClearsReconnectAtLogon)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        Pick(dialog.AvailableList(), "ftp://beta.example");
        Click(&dialog, "moveToStored");
        EXPECT_EQ(Texts(dialog.StoredList()).indexOf(QStringLiteral("ftp://beta.example")), 0);
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("ftp://beta.example"));

        Pick(dialog.StoredList(), "ftp://gamma.example");
        Click(&dialog, "moveToAvailable");
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://gamma.example"));
        EXPECT_EQ(SelectedText(dialog.StoredList()), QString());
        EXPECT_EQ(Texts(dialog.AvailableList()).last(), QStringLiteral("ftp://gamma.example"));

        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        DoubleClick(dialog.StoredList(), "ftp://delta.example");
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://delta.example"));
        EXPECT_EQ(Texts(dialog.StoredList()), QStringList{QStringLiteral("ftp://beta.example")});
        EXPECT_TRUE(prompts.Texts().empty());
        return true;
    });
    EXPECT_EQ(Record("ftp://beta.example")->m_bAvailable, 0);
    EXPECT_EQ(Record("ftp://beta.example")->m_bReconnectAtLogon, 0);
    EXPECT_EQ(Record("ftp://gamma.example")->m_bAvailable, 1);
    EXPECT_EQ(frame->m_bSiteListModified, 1);
    // The address box lists the available sites only.
    EXPECT_EQ(frame->AddressBox()->count(), 4);
    EXPECT_EQ(frame->AddressBox()->findText(QStringLiteral("ftp://beta.example")), -1);
}

// An address the dialog deleted still counts until OK; one that differs only
// in case is another site.
TEST_F(SiteManagerTest, AddChecksTheAddressAndDeleteDropsWhatWasAdded)
{
    const struct {
        const char* typed;
        const char* message;   // nullptr: added, and shown as selected
        const char* shown;
    } adds[] = {
        {"bad host", "The ftp site address \"ftp://bad host\" is invalid.\n"
                     "Please try to add the ftp site address again!", nullptr},
        {"alpha.example", "The ftp site \"ftp://alpha.example\" is already in the list!", nullptr},
        {"ftp://ALPHA.example", nullptr, "ftp://ALPHA.example"},
        {"fresh.example:2121", nullptr, "ftp://fresh.example:2121"},
    };
    RunManager([&](CSiteManagerDlg& dialog) {
        m_siteScripts.push_back({std::nullopt, {}, {}});
        Click(&dialog, "addButton");
        if (!SiteDialogOpened(1))
            return false;
        EXPECT_EQ(m_siteSeen[0].address, QString());
        EXPECT_EQ(m_siteSeen[0].port, QStringLiteral("21"));

        Pick(dialog.AvailableList(), "ftp://alpha.example");
        dialog.OnDelete();
        std::vector<std::string> messages;
        for (const auto& add : adds) {
            SCOPED_TRACE(add.typed);
            const size_t copies = dialog.m_workList.size();
            Add(dialog, add.typed);
            if (add.message)
                messages.push_back(add.message);
            EXPECT_EQ(prompts.Texts(), messages);
            EXPECT_EQ(dialog.m_workList.size(), add.message ? copies : copies + 1);
            EXPECT_EQ(SelectedText(dialog.AvailableList()), QString::fromLatin1(add.shown));
        }
        // A new copy is dropped at once, an old one only marked.
        Add(dialog, "ftp://new.example");
        Click(&dialog, "deleteButton");
        EXPECT_EQ(dialog.m_workList.size(), 7u);
        Pick(dialog.StoredList(), "ftp://gamma.example");
        QTest::keyClick(dialog.StoredList(), Qt::Key_Delete);
        EXPECT_EQ(dialog.m_workList.size(), 7u);
        // Nothing is selected after a delete, so a second key deletes nothing.
        QTest::keyClick(dialog.StoredList(), Qt::Key_Delete);
        EXPECT_EQ(Texts(dialog.StoredList()), QStringList{QStringLiteral("ftp://delta.example")});
        return true;
    });
    // beta, alps, delta, ALPHA and fresh.
    EXPECT_EQ(Record("ftp://alpha.example"), nullptr);
    ASSERT_NE(Record("ftp://ALPHA.example"), nullptr);
    EXPECT_EQ(Record("ftp://ALPHA.example")->m_bAvailable, 1);
    EXPECT_EQ(frame->m_siteList.size(), 5u);
    EXPECT_EQ(frame->m_bSiteListModified, 1);
}

// Opened by the button and by Enter in the list. The real dialog on screen
// shows the port the connection uses; left as shown, the record's own Port
// field is kept.
TEST_F(SiteManagerTest, PropertiesEditTheCopyAndRefuseAnInvalidAddress)
{
    CVamloSiteInfo* alpha = Record("ftp://alpha.example");
    alpha->m_strAddress = "ftp://alpha.example:40021";
    Record("ftp://gamma.example")->m_strPort = "2121";
    RunManager([&](CSiteManagerDlg& dialog) {
        auto scripted = std::exchange(dialog.m_fnRunSiteDialog, nullptr);
        Pick(dialog.AvailableList(), "ftp://alpha.example:40021");
        AnswerNextDialog<CAddSiteDlg>([](CAddSiteDlg& site) {
            EXPECT_EQ(site.findChild<QLineEdit*>(QStringLiteral("port"))->text(), QStringLiteral("40021"));
            EXPECT_EQ(site.findChild<QLineEdit*>(QStringLiteral("address"))->text(),
                      QStringLiteral("ftp://alpha.example:40021"));
            EXPECT_EQ(site.findChild<QPlainTextEdit*>(QStringLiteral("notes"))->toPlainText(),
                      QStringLiteral("alpha notes"));
            site.accept();
        });
        dialog.OnProperties();
        EXPECT_EQ(dialog.m_bChanged, 0);
        // What the user types and ticks reaches the record at the Manager's OK.
        Pick(dialog.AvailableList(), "ftp://beta.example");
        AnswerNextDialog<CAddSiteDlg>([](CAddSiteDlg& site) {
            for (const auto& [edit, text] : {std::pair{"userName", "bob"}, {"password", "pw"}, {"port", "2121"}}) {
                QTest::keyClick(site.findChild<QLineEdit*>(edit), Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(site.findChild<QLineEdit*>(edit), QString::fromLatin1(text));
            }
            for (const char* box : {"savePassword", "reconnectAtLogon"})
                QTest::keyClick(site.findChild<QCheckBox*>(box), Qt::Key_Space);
            QTest::keyClick(&site, Qt::Key_Return);
        });
        dialog.OnProperties();
        dialog.m_fnRunSiteDialog = scripted;

        Pick(dialog.StoredList(), "ftp://gamma.example");
        m_siteScripts.push_back({QStringLiteral("zeta.example"), QStringLiteral("2121"), QStringLiteral("z")});
        Click(&dialog, "propertiesButton");
        if (!SiteDialogOpened(1))
            return false;
        EXPECT_EQ(m_siteSeen[0].port, QStringLiteral("2121"));
        EXPECT_EQ(m_siteSeen[0].notes, QStringLiteral("gamma notes"));
        EXPECT_EQ(dialog.m_bChanged, 1);
        // Renamed in place, the address as entered, not re-sorted.
        EXPECT_EQ(Texts(dialog.StoredList()),
                  (QStringList{QStringLiteral("ftp://delta.example"), QStringLiteral("zeta.example")}));
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("zeta.example"));
        EXPECT_EQ(dialog.NotesBox()->toPlainText(), QStringLiteral("z"));

        m_siteScripts.push_back({QStringLiteral("bad host"), QStringLiteral("21"), QStringLiteral("lost")});
        QTest::keyClick(dialog.StoredList(), Qt::Key_Return);
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"The ftp site address \"ftp://bad host\" is invalid.\n"
                                                            "Please enter the ftp site address again!"});
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("zeta.example"));
        return true;
    });
    EXPECT_EQ(alpha->m_strPort, "21");
    const CVamloSiteInfo* beta = Record("ftp://beta.example");
    EXPECT_EQ(std::tie(beta->m_strUserName, beta->m_strPassword, beta->m_strPort), std::tuple("bob", "pw", "2121"));
    EXPECT_EQ(std::pair(beta->m_bSavePassword, beta->m_bReconnectAtLogon), std::pair(1, 0));
    EXPECT_EQ(Record("ftp://gamma.example"), nullptr);
    ASSERT_NE(Record("zeta.example"), nullptr);
    EXPECT_EQ(Record("zeta.example")->m_strNotes, "z");
    EXPECT_EQ(frame->m_bSiteListModified, 1);
}

TEST_F(SiteManagerTest, BusyAndConnectedSitesAreGuarded)
{
    CVamloSiteInfo* beta = Record("ftp://beta.example");
    TransferHold hold(*beta);
    std::optional<TransferHold> connecting;
    // Sites shown in the tree; the dialog only looks at their tree items.
    Record("ftp://alps.example")->m_hTreeItem = 0x100;
    Record("ftp://gamma.example")->m_hTreeItem = 0x200;
    RunManager([&](CSiteManagerDlg& dialog) {
        Pick(dialog.AvailableList(), "ftp://beta.example");
        dialog.OnDelete();
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://beta.example"));

        Pick(dialog.StoredList(), "ftp://gamma.example");
        prompts.Answer(MsgResult::No);
        dialog.OnDelete();
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("ftp://gamma.example"));
        EXPECT_EQ(prompts.Texts(),
                  (std::vector<std::string>{
                      "The ftp site \"ftp://beta.example\" is busy with a file transfer. "
                      "Please try again when the transfer has finished.",
                      "This site is currently connected by Vamlo. Deleting this site from the Stored Site List will "
                      "cause the termination of this connection.\nDo you still want to delete this site?"}));
        EXPECT_TRUE(prompts.Messages().size() == 2 && prompts.Messages()[1].buttons == MsgButtons::YesNo);
        // Nor is a login a worker may be using edited, at Properties or at OK.
        Pick(dialog.AvailableList(), "ftp://beta.example");
        Click(&dialog, "propertiesButton");
        m_siteScripts.push_back({QStringLiteral("ftp://new.delta"), QStringLiteral("21"), {}});
        Pick(dialog.StoredList(), "ftp://delta.example");
        Click(&dialog, "propertiesButton");
        connecting.emplace(*Record("ftp://delta.example"));

        // A connected site's details are shown, not edited; its notes are.
        Pick(dialog.AvailableList(), "ftp://alps.example");
        m_siteScripts.push_back({QStringLiteral("ftp://alps.example"), QStringLiteral("21"), QStringLiteral("noted")});
        dialog.OnProperties();
        EXPECT_EQ(m_siteSeen.back().readOnly, 1);
        return true;
    });
    EXPECT_EQ(Record("ftp://beta.example"), beta);
    EXPECT_NE(Record("ftp://delta.example"), nullptr);
    ASSERT_EQ(prompts.Texts().size(), 4u);
    EXPECT_NE(prompts.Texts()[3].find("\"ftp://delta.example\" is busy"), std::string::npos);
    EXPECT_NE(Record("ftp://gamma.example"), nullptr);
    EXPECT_EQ(Record("ftp://alps.example")->m_strNotes, "noted");
    Record("ftp://alps.example")->m_hTreeItem = 0;
    Record("ftp://gamma.example")->m_hTreeItem = 0;
}
