// The Site Manager as the user meets it: opened from the main frame, driven
// through its widgets and keys, with every message answered by the scripted
// prompts and the Add Site dialog either scripted or answered on screen.
#include "app/VamloDoc.h"
#include "model/SiteInfo.h"
#include "model/SiteList.h"
#include "sites/SiteInfoDlg.h"
#include "sites/SiteManagerDlg.h"
#include "ui/Commands.h"
#include "ui/MainFrame.h"

#include "DialogDriver.h"
#include "GuiProgram.h"
#include "TransferHold.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
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

QPushButton* Button(const QWidget* dialog, const char* name)
{
    auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    EXPECT_NE(button, nullptr) << name;
    return button;
}

// What the Add Site dialog was given when it opened, and what the user
// typed into it before OK (nothing: Cancel).
struct SiteDialogScript {
    std::optional<QString> address;
    QString port;
    int32_t reconnect = 0;
    QString notes;
};

struct SiteDialogSeen {
    QString title, address, port, notes;
    int32_t readOnly = 0;
};

class SiteManagerTest : public ::testing::Test, protected GuiProgram {
protected:
    void SetUp() override
    {
        BuildProgram();
        ASSERT_EQ(doc->OnNewDocument(app.m_strSiteListPath), 1);
        AddRecord("ftp://beta.example", 1, "beta notes");
        AddRecord("ftp://alpha.example", 1, "alpha notes");
        AddRecord("ftp://alps.example", 1, "alps notes");
        AddRecord("ftp://gamma.example", 0, "gamma notes");
        AddRecord("ftp://delta.example", 0, "delta notes");
        frame->m_siteList.front()->m_bReconnectAtLogon = 1;
        frame->RefillAddressBox();
        m_before = Snapshot();
    }

    void TearDown() override { TearDownProgram(); }

    CVamloSiteInfo* AddRecord(const char* address, int32_t available, const char* notes)
    {
        auto site = std::make_unique<CVamloSiteInfo>();
        site->m_strAddress = address;
        site->m_strUserName = "ann";
        site->m_strPassword = "pw";
        site->m_bSavePassword = 1;
        site->m_bAvailable = available;
        site->m_strNotes = notes;
        frame->m_siteList.push_back(std::move(site));
        return frame->m_siteList.back().get();
    }

    CVamloSiteInfo* Record(const std::string& address) const
    {
        for (const auto& site : frame->m_siteList)
            if (site->m_strAddress == address)
                return site.get();
        return nullptr;
    }

    // The records as the site list file would hold them, with who they are.
    struct State {
        std::vector<uint8_t> bytes;
        std::vector<const CVamloSiteInfo*> records;
        int32_t modified;
        bool operator==(const State&) const = default;
    };
    State Snapshot() const
    {
        State state{EncodeSiteListFile(CSiteListHeader(), frame->m_siteList), {}, frame->m_bSiteListModified};
        for (const auto& site : frame->m_siteList)
            state.records.push_back(site.get());
        return state;
    }

    // Opens the Site Manager from the Edit menu; fn works in it and says
    // whether it ends with OK.
    void RunManager(const std::function<bool(CSiteManagerDlg&)>& fn)
    {
        bool ran = false;
        frame->m_fnRunSiteManager = [&](CSiteManagerDlg& dialog) {
            ran = true;
            ScriptSiteDialog(dialog);
            // On screen, as the user has it, so that clicks and keys land.
            dialog.show();
            const bool ok = fn(dialog);
            dialog.hide();
            return ok;
        };
        frame->Command(ID_EDIT_SITE_MANAGER)->trigger();
        frame->m_fnRunSiteManager = nullptr;
        EXPECT_TRUE(ran);
    }

    // Add... and Properties... answer from m_siteScripts, one per opening.
    void ScriptSiteDialog(CSiteManagerDlg& dialog)
    {
        dialog.m_fnRunSiteDialog = [this](CAddSiteDlg& site) {
            m_siteSeen.push_back({site.windowTitle(), site.m_strAddress, site.m_strPort, site.m_strNotes,
                                  site.m_bReadOnly});
            EXPECT_FALSE(m_siteScripts.empty());
            if (m_siteScripts.empty())
                return false;
            const SiteDialogScript script = m_siteScripts.front();
            m_siteScripts.erase(m_siteScripts.begin());
            if (!script.address)
                return false;
            site.m_strAddress = *script.address;
            site.m_strPort = script.port;
            site.m_bReconnectAtLogon = script.reconnect;
            site.m_strNotes = script.notes;
            return true;
        };
    }

    void Add(CSiteManagerDlg& dialog, const char* address, const char* notes = "")
    {
        m_siteScripts.push_back({QString::fromLatin1(address), QStringLiteral("21"), 0, QString::fromLatin1(notes)});
        dialog.OnAdd();
    }

    // Whether Add Site opened this many times so far; a failure if not.
    bool SiteDialogOpened(size_t times) const
    {
        EXPECT_EQ(m_siteSeen.size(), times);
        return m_siteSeen.size() == times;
    }

    static void Pick(QListWidget* list, const char* text) { list->setCurrentItem(ItemOf(list, text)); }

    State m_before;
    std::vector<SiteDialogScript> m_siteScripts;
    std::vector<SiteDialogSeen> m_siteSeen;
};

} // namespace

TEST_F(SiteManagerTest, TheCommandOpensTheListsSortedWithNothingSelected)
{
    EXPECT_TRUE(frame->Command(ID_EDIT_SITE_MANAGER)->isEnabled());
    RunManager([&](CSiteManagerDlg& dialog) {
        EXPECT_TRUE(dialog.isModal());
        EXPECT_EQ(Texts(dialog.AvailableList()),
                  (QStringList{QStringLiteral("ftp://alpha.example"), QStringLiteral("ftp://alps.example"),
                               QStringLiteral("ftp://beta.example")}));
        EXPECT_EQ(Texts(dialog.StoredList()),
                  (QStringList{QStringLiteral("ftp://delta.example"), QStringLiteral("ftp://gamma.example")}));
        EXPECT_TRUE(dialog.NotesBox()->isReadOnly());
        for (const char* name : {"moveToAvailable", "moveToStored", "deleteButton", "propertiesButton"})
            EXPECT_FALSE(Button(&dialog, name)->isEnabled()) << name;
        EXPECT_TRUE(Button(&dialog, "addButton")->isEnabled());
        // The copies are the dialog's own.
        for (const auto& copy : dialog.m_workList)
            EXPECT_NE(Record(copy->m_strAddress), copy.get());
        return false;
    });
}

TEST_F(SiteManagerTest, SelectingInOneListClearsTheOtherAndShowsTheNotes)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        Pick(dialog.StoredList(), "ftp://gamma.example");
        EXPECT_EQ(dialog.NotesBox()->toPlainText(), QStringLiteral("gamma notes"));
        EXPECT_TRUE(Button(&dialog, "moveToAvailable")->isEnabled());
        EXPECT_FALSE(Button(&dialog, "moveToStored")->isEnabled());
        EXPECT_TRUE(Button(&dialog, "deleteButton")->isEnabled());
        EXPECT_TRUE(Button(&dialog, "propertiesButton")->isEnabled());

        Pick(dialog.AvailableList(), "ftp://alps.example");
        EXPECT_EQ(SelectedText(dialog.StoredList()), QString());
        EXPECT_EQ(dialog.NotesBox()->toPlainText(), QStringLiteral("alps notes"));
        EXPECT_FALSE(Button(&dialog, "moveToAvailable")->isEnabled());
        EXPECT_TRUE(Button(&dialog, "moveToStored")->isEnabled());
        return false;
    });
}

TEST_F(SiteManagerTest, FindSiteStartsAtTheSecondItemAndFallsBackToTheStoredList)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        // Typed key by key, as the user types.
        QTest::keyClicks(dialog.FindEdit(), QStringLiteral("FTP://AL"));
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://alps.example"));
        EXPECT_EQ(dialog.NotesBox()->toPlainText(), QStringLiteral("alps notes"));

        // Only the first item matches: found after the wrap.
        dialog.FindEdit()->setText(QStringLiteral("  ftp://alph "));
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://alpha.example"));

        dialog.FindEdit()->setText(QStringLiteral("ftp://d"));
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QString());
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("ftp://delta.example"));
        EXPECT_EQ(dialog.NotesBox()->toPlainText(), QStringLiteral("delta notes"));

        // Blanks change nothing at all.
        dialog.FindEdit()->setText(QStringLiteral("   "));
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("ftp://delta.example"));
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QString());
        EXPECT_EQ(dialog.NotesBox()->toPlainText(), QStringLiteral("delta notes"));

        // No match: the stored selection goes, the available one stays.
        dialog.FindEdit()->setText(QStringLiteral("ftp://b"));
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://beta.example"));
        dialog.FindEdit()->setText(QStringLiteral("nowhere"));
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://beta.example"));
        Pick(dialog.StoredList(), "ftp://gamma.example");
        dialog.FindEdit()->setText(QStringLiteral("nowhere either"));
        EXPECT_EQ(SelectedText(dialog.StoredList()), QString());
        EXPECT_TRUE(prompts.Texts().empty());
        return false;
    });
}

TEST_F(SiteManagerTest, MovesGoBothWaysAndMovingToStoredClearsReconnectAtLogon)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        Pick(dialog.AvailableList(), "ftp://beta.example");
        QTest::mouseClick(Button(&dialog, "moveToStored"), Qt::LeftButton);
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("ftp://beta.example"));
        EXPECT_EQ(Texts(dialog.StoredList()).indexOf(QStringLiteral("ftp://beta.example")), 0);
        CVamloSiteInfo* beta = CSiteManagerDlg::CopyOf(ItemOf(dialog.StoredList(), "ftp://beta.example"));
        EXPECT_EQ(beta->m_bAvailable, 0);
        EXPECT_EQ(beta->m_bReconnectAtLogon, 0);
        EXPECT_EQ(beta->m_bEdited, 1);

        Pick(dialog.StoredList(), "ftp://gamma.example");
        QTest::mouseClick(Button(&dialog, "moveToAvailable"), Qt::LeftButton);
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://gamma.example"));
        EXPECT_EQ(SelectedText(dialog.StoredList()), QString());
        EXPECT_EQ(Texts(dialog.AvailableList()).last(), QStringLiteral("ftp://gamma.example"));
        EXPECT_EQ(CSiteManagerDlg::CopyOf(ItemOf(dialog.AvailableList(), "ftp://gamma.example"))->m_bAvailable, 1);

        // A double-click moves too, without a question.
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QListWidget* stored = dialog.StoredList();
        const QPoint delta = stored->visualItemRect(ItemOf(stored, "ftp://delta.example")).center();
        QTest::mouseClick(stored->viewport(), Qt::LeftButton, {}, delta);
        QTest::mouseDClick(stored->viewport(), Qt::LeftButton, {}, delta);
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://delta.example"));
        EXPECT_EQ(Texts(dialog.StoredList()), QStringList{QStringLiteral("ftp://beta.example")});
        // And the other way.
        QListWidget* available = dialog.AvailableList();
        const QPoint alps = available->visualItemRect(ItemOf(available, "ftp://alps.example")).center();
        QTest::mouseClick(available->viewport(), Qt::LeftButton, {}, alps);
        QTest::mouseDClick(available->viewport(), Qt::LeftButton, {}, alps);
        EXPECT_EQ(SelectedText(stored), QStringLiteral("ftp://alps.example"));
        EXPECT_TRUE(prompts.Texts().empty());
        return true;
    });
    EXPECT_EQ(Record("ftp://alps.example")->m_bAvailable, 0);
    EXPECT_EQ(Record("ftp://beta.example")->m_bAvailable, 0);
    EXPECT_EQ(Record("ftp://beta.example")->m_bReconnectAtLogon, 0);
    EXPECT_EQ(Record("ftp://gamma.example")->m_bAvailable, 1);
    EXPECT_EQ(frame->m_bSiteListModified, 1);
    // The address box lists the available sites only.
    QStringList box;
    for (int i = 0; i < frame->AddressBox()->count(); ++i)
        box << frame->AddressBox()->itemText(i);
    EXPECT_EQ(box, (QStringList{QStringLiteral("ftp://alpha.example"), QStringLiteral("ftp://delta.example"),
                                QStringLiteral("ftp://gamma.example")}));
}

TEST_F(SiteManagerTest, CancelAfterAddsDeletesMovesAndEditsLeavesTheListAlone)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        Add(dialog, "ftp://new.example");
        Add(dialog, "other.example");
        Pick(dialog.AvailableList(), "ftp://beta.example");
        dialog.OnDelete();
        Pick(dialog.AvailableList(), "ftp://new.example");
        dialog.OnDelete();
        Pick(dialog.StoredList(), "ftp://gamma.example");
        dialog.OnMoveToAvailable();
        Pick(dialog.AvailableList(), "ftp://alpha.example");
        dialog.OnMoveToStored();
        Pick(dialog.StoredList(), "ftp://delta.example");
        m_siteScripts.push_back({QStringLiteral("ftp://delta.example"), QStringLiteral("21"), 1,
                                 QStringLiteral("changed")});
        dialog.OnProperties();
        EXPECT_EQ(dialog.m_bChanged, 1);
        EXPECT_TRUE(prompts.Texts().empty());
        return false;
    });
    EXPECT_EQ(Snapshot(), m_before);
    EXPECT_EQ(frame->m_bSiteListModified, 0);
}

TEST_F(SiteManagerTest, AnAddressDeletedInTheDialogCannotBeAddedAgain)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        Pick(dialog.AvailableList(), "ftp://alpha.example");
        dialog.OnDelete();
        EXPECT_EQ(Texts(dialog.AvailableList()).indexOf(QStringLiteral("ftp://alpha.example")), -1);
        Add(dialog, "alpha.example");
        EXPECT_EQ(prompts.Texts(),
                  std::vector<std::string>{"The ftp site \"ftp://alpha.example\" is already in the list!"});
        EXPECT_EQ(Texts(dialog.AvailableList()).indexOf(QStringLiteral("ftp://alpha.example")), -1);
        EXPECT_EQ(dialog.m_workList.size(), 5u);
        return true;
    });
    EXPECT_EQ(Record("ftp://alpha.example"), nullptr);
    EXPECT_EQ(frame->m_siteList.size(), 4u);
}

TEST_F(SiteManagerTest, AnAddressThatDiffersOnlyInCaseIsAdded)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        Add(dialog, "ftp://ALPHA.example", "upper");
        EXPECT_TRUE(prompts.Texts().empty());
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://ALPHA.example"));
        EXPECT_EQ(dialog.NotesBox()->toPlainText(), QStringLiteral("upper"));
        return true;
    });
    ASSERT_NE(Record("ftp://ALPHA.example"), nullptr);
    EXPECT_NE(Record("ftp://alpha.example"), nullptr);
    EXPECT_EQ(frame->m_siteList.back()->m_strAddress, "ftp://ALPHA.example");
    EXPECT_EQ(frame->m_siteList.back()->m_bAvailable, 1);
    EXPECT_EQ(frame->m_bSiteListModified, 1);
}

TEST_F(SiteManagerTest, AddStartsWithPort21AndRefusesAnInvalidAddress)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        m_siteScripts.push_back({std::nullopt, {}, 0, {}});
        QTest::mouseClick(Button(&dialog, "addButton"), Qt::LeftButton);
        if (!SiteDialogOpened(1))
            return false;
        EXPECT_EQ(m_siteSeen[0].title, QStringLiteral("Add Site"));
        EXPECT_EQ(m_siteSeen[0].address, QString());
        EXPECT_EQ(m_siteSeen[0].port, QStringLiteral("21"));
        EXPECT_EQ(m_siteSeen[0].readOnly, 0);

        Add(dialog, "bad host");
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"The ftp site address \"ftp://bad host\" is invalid.\n"
                                                            "Please try to add the ftp site address again!"});
        EXPECT_EQ(dialog.m_workList.size(), 5u);
        // A bare host is kept with the scheme in front.
        Add(dialog, "fresh.example:2121");
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://fresh.example:2121"));
        return true;
    });
    EXPECT_NE(Record("ftp://fresh.example:2121"), nullptr);
}

TEST_F(SiteManagerTest, PropertiesShowThePortTheConnectionUsesAndEditTheCopy)
{
    CVamloSiteInfo* alpha = Record("ftp://alpha.example");
    alpha->m_strAddress = "ftp://alpha.example:40021";
    alpha->m_strPort = "21";
    Record("ftp://gamma.example")->m_strPort = "2121";
    RunManager([&](CSiteManagerDlg& dialog) {
        // Left as shown, the record's own Port field is kept.
        Pick(dialog.AvailableList(), "ftp://alpha.example:40021");
        m_siteScripts.push_back({QStringLiteral("ftp://alpha.example:40021"), QStringLiteral("40021"), 0,
                                 QStringLiteral("alpha notes")});
        QTest::mouseClick(Button(&dialog, "propertiesButton"), Qt::LeftButton);
        if (!SiteDialogOpened(1))
            return false;
        EXPECT_EQ(m_siteSeen[0].port, QStringLiteral("40021"));
        EXPECT_EQ(m_siteSeen[0].notes, QStringLiteral("alpha notes"));
        EXPECT_EQ(m_siteSeen[0].readOnly, 0);
        EXPECT_EQ(dialog.m_bChanged, 0);

        Pick(dialog.StoredList(), "ftp://gamma.example");
        m_siteScripts.push_back({QStringLiteral("zeta.example"), QStringLiteral("2121"), 0, QStringLiteral("z")});
        dialog.OnProperties();
        EXPECT_EQ(m_siteSeen[1].port, QStringLiteral("2121"));
        EXPECT_EQ(dialog.m_bChanged, 1);
        // Renamed in place, the address as entered, not re-sorted.
        EXPECT_EQ(Texts(dialog.StoredList()),
                  (QStringList{QStringLiteral("ftp://delta.example"), QStringLiteral("zeta.example")}));
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("zeta.example"));
        EXPECT_EQ(dialog.NotesBox()->toPlainText(), QStringLiteral("z"));

        m_siteScripts.push_back({QStringLiteral("bad host"), QStringLiteral("21"), 0, QStringLiteral("lost")});
        dialog.OnProperties();
        EXPECT_EQ(prompts.Messages().size(), 1u);
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"The ftp site address \"ftp://bad host\" is invalid.\n"
                                                            "Please enter the ftp site address again!"});
        EXPECT_EQ(prompts.Messages()[0].icon, MsgIcon::Error);
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("zeta.example"));
        return true;
    });
    EXPECT_EQ(alpha->m_strPort, "21");
    EXPECT_EQ(Record("ftp://gamma.example"), nullptr);
    ASSERT_NE(Record("zeta.example"), nullptr);
    EXPECT_EQ(Record("zeta.example")->m_strNotes, "z");
    EXPECT_EQ(frame->m_bSiteListModified, 1);
}

TEST_F(SiteManagerTest, OkWithAnEditIsSavedToTheFileByteForByte)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        Pick(dialog.StoredList(), "ftp://delta.example");
        m_siteScripts.push_back({QStringLiteral("ftp://delta.example"), QStringLiteral("2121"), 0,
                                 QStringLiteral("new delta notes")});
        dialog.OnProperties();
        return true;
    });
    EXPECT_EQ(frame->m_bSiteListModified, 1);
    EXPECT_TRUE(frame->Command(ID_FILE_SAVE_SITE_LIST)->isEnabled());
    ASSERT_EQ(doc->OnFileSaveSiteList(), 1);
    EXPECT_EQ(frame->m_bSiteListModified, 0);

    // The file as the records were before, with the one edit.
    CSiteList expected;
    for (const auto& site : frame->m_siteList) {
        expected.push_back(std::make_unique<CVamloSiteInfo>());
        CVamloSiteInfo& copy = *expected.back();
        copy.m_strAddress = site->m_strAddress;
        copy.m_strUserName = "ann";
        copy.m_strPassword = "pw";
        copy.m_bSavePassword = 1;
        copy.m_bAvailable = site->m_strAddress == "ftp://gamma.example" || site->m_strAddress == "ftp://delta.example"
                                ? 0
                                : 1;
        copy.m_bReconnectAtLogon = site->m_strAddress == "ftp://beta.example" ? 1 : 0;
        copy.m_strNotes = site->m_strAddress.substr(6, site->m_strAddress.find('.') - 6) + " notes";
    }
    CVamloSiteInfo& delta = **std::prev(expected.end());
    ASSERT_EQ(delta.m_strAddress, "ftp://delta.example");
    delta.m_strPort = "2121";
    delta.m_strNotes = "new delta notes";
    const std::vector<uint8_t> bytes = EncodeSiteListFile(CSiteListHeader(), expected);
    EXPECT_EQ(ReadWholeFile(app.m_strSiteListPath), std::string(bytes.begin(), bytes.end()));
}

TEST_F(SiteManagerTest, OkWithoutChangesLeavesTheListUnmodified)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        Pick(dialog.StoredList(), "ftp://delta.example");
        dialog.FindEdit()->setText(QStringLiteral("ftp://a"));
        return true;
    });
    EXPECT_EQ(Snapshot(), m_before);
}

TEST_F(SiteManagerTest, AnyPropertiesOkCountsAsAChange)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        Pick(dialog.StoredList(), "ftp://delta.example");
        m_siteScripts.push_back({QStringLiteral("ftp://delta.example"), QStringLiteral("21"), 0,
                                 QStringLiteral("delta notes")});
        dialog.OnProperties();
        EXPECT_EQ(dialog.m_bChanged, 0);
        return true;
    });
    EXPECT_EQ(EncodeSiteListFile(CSiteListHeader(), frame->m_siteList), m_before.bytes);
    EXPECT_EQ(frame->m_bSiteListModified, 1);
}

TEST_F(SiteManagerTest, DeleteRemovesNewCopiesAndMarksOldOnes)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        Add(dialog, "ftp://new.example");
        EXPECT_EQ(dialog.m_workList.size(), 6u);
        dialog.OnDelete();
        EXPECT_EQ(dialog.m_workList.size(), 5u);
        Pick(dialog.StoredList(), "ftp://gamma.example");
        QTest::mouseClick(Button(&dialog, "deleteButton"), Qt::LeftButton);
        EXPECT_EQ(dialog.m_workList.size(), 5u);
        EXPECT_EQ(Texts(dialog.StoredList()), QStringList{QStringLiteral("ftp://delta.example")});
        // The notes keep the last text shown.
        EXPECT_EQ(dialog.NotesBox()->toPlainText(), QStringLiteral("gamma notes"));
        for (const char* name : {"moveToAvailable", "moveToStored", "deleteButton", "propertiesButton"})
            EXPECT_FALSE(Button(&dialog, name)->isEnabled()) << name;
        EXPECT_TRUE(prompts.Texts().empty());
        return true;
    });
    EXPECT_EQ(Record("ftp://gamma.example"), nullptr);
    EXPECT_EQ(Record("ftp://new.example"), nullptr);
    EXPECT_EQ(frame->m_siteList.size(), 4u);
    EXPECT_EQ(frame->m_bSiteListModified, 1);
}

TEST_F(SiteManagerTest, ASiteATransferIsUsingCannotBeDeleted)
{
    CVamloSiteInfo* beta = Record("ftp://beta.example");
    TransferHold hold(*beta);
    RunManager([&](CSiteManagerDlg& dialog) {
        Pick(dialog.AvailableList(), "ftp://beta.example");
        dialog.OnDelete();
        EXPECT_EQ(prompts.Texts(),
                  std::vector<std::string>{"The ftp site \"ftp://beta.example\" is busy with a file transfer. "
                                           "Please try again when the transfer has finished."});
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://beta.example"));
        EXPECT_EQ(CSiteManagerDlg::CopyOf(ItemOf(dialog.AvailableList(), "ftp://beta.example"))->m_bDeleted, 0);
        return true;
    });
    EXPECT_EQ(Record("ftp://beta.example"), beta);
    EXPECT_EQ(Snapshot(), m_before);
}

TEST_F(SiteManagerTest, AConnectedSiteAsksBeforeDeletingAndCannotMoveToStored)
{
    // A site shown in the tree; the dialog only looks at its tree item.
    Record("ftp://alps.example")->m_hTreeItem = 0x100;
    Record("ftp://gamma.example")->m_hTreeItem = 0x200;
    RunManager([&](CSiteManagerDlg& dialog) {
        Pick(dialog.AvailableList(), "ftp://alps.example");
        dialog.OnMoveToStored();
        Pick(dialog.StoredList(), "ftp://gamma.example");
        prompts.Answer(MsgResult::No);
        dialog.OnDelete();
        EXPECT_EQ(SelectedText(dialog.StoredList()), QStringLiteral("ftp://gamma.example"));
        Pick(dialog.AvailableList(), "ftp://alps.example");
        prompts.Answer(MsgResult::No);
        dialog.OnDelete();
        EXPECT_EQ(SelectedText(dialog.AvailableList()), QStringLiteral("ftp://alps.example"));

        const std::vector<ScriptedPrompts::Shown> shown = prompts.Messages();
        EXPECT_EQ(prompts.Texts(),
                  (std::vector<std::string>{
                      "This site is currently connected by Vamlo. Please disconnect it from the Vamlo window "
                      "before moving this site from the Available Site List to the Stored Site List.",
                      "This site is currently connected by Vamlo. Deleting this site from the Stored Site List will "
                      "cause the termination of this connection.\nDo you still want to delete this site?",
                      "This site is currently connected by Vamlo. Deleting this site from the Available Site List "
                      "will cause the termination of this connection.\nDo you still want to delete this site?"}));
        if (shown.size() == 3) {
            EXPECT_EQ(shown[1].buttons, MsgButtons::YesNo);
            EXPECT_EQ(shown[2].buttons, MsgButtons::YesNo);
        }
        // Read-only Properties: only the notes can change.
        m_siteScripts.push_back({QStringLiteral("ftp://alps.example"), QStringLiteral("21"), 0,
                                 QStringLiteral("noted")});
        dialog.OnProperties();
        EXPECT_EQ(m_siteSeen.back().readOnly, 1);
        return true;
    });
    EXPECT_EQ(Record("ftp://alps.example")->m_bAvailable, 1);
    EXPECT_EQ(Record("ftp://alps.example")->m_strNotes, "noted");
    EXPECT_EQ(Record("ftp://alps.example")->m_hTreeItem, 0x100u);
    EXPECT_NE(Record("ftp://gamma.example"), nullptr);
    Record("ftp://alps.example")->m_hTreeItem = 0;
    Record("ftp://gamma.example")->m_hTreeItem = 0;
}

TEST_F(SiteManagerTest, DeleteKeyDeletesAndEnterOpensProperties)
{
    RunManager([&](CSiteManagerDlg& dialog) {
        Pick(dialog.StoredList(), "ftp://gamma.example");
        QTest::keyClick(dialog.StoredList(), Qt::Key_Delete);
        EXPECT_EQ(Texts(dialog.StoredList()), QStringList{QStringLiteral("ftp://delta.example")});
        // Nothing is selected after a delete, so a second key deletes nothing.
        EXPECT_EQ(SelectedText(dialog.StoredList()), QString());
        QTest::keyClick(dialog.StoredList(), Qt::Key_Delete);
        EXPECT_EQ(Texts(dialog.StoredList()), QStringList{QStringLiteral("ftp://delta.example")});

        Pick(dialog.AvailableList(), "ftp://beta.example");
        m_siteScripts.push_back({std::nullopt, {}, 0, {}});
        QTest::keyClick(dialog.AvailableList(), Qt::Key_Return);
        if (!SiteDialogOpened(1))
            return false;
        EXPECT_EQ(m_siteSeen[0].address, QStringLiteral("ftp://beta.example"));

        // Enter in Find Site opens the site it found; the dialog stays.
        QTest::keyClicks(dialog.FindEdit(), QStringLiteral("ftp://del"));
        m_siteScripts.push_back({std::nullopt, {}, 0, {}});
        QTest::keyClick(dialog.FindEdit(), Qt::Key_Enter);
        if (!SiteDialogOpened(2))
            return false;
        EXPECT_EQ(m_siteSeen[1].address, QStringLiteral("ftp://delta.example"));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 0);
        return true;
    });
    EXPECT_EQ(Record("ftp://gamma.example"), nullptr);
}

TEST_F(SiteManagerTest, ThePropertiesDialogOnScreenShowsTheRecordAndTakesTheNotes)
{
    CVamloSiteInfo* alpha = Record("ftp://alpha.example");
    alpha->m_strAddress = "ftp://alpha.example:40021";
    frame->m_fnRunSiteManager = [&](CSiteManagerDlg& dialog) {
        Pick(dialog.AvailableList(), "ftp://alpha.example:40021");
        AnswerNextDialog<CAddSiteDlg>([](CAddSiteDlg& site) {
            EXPECT_EQ(site.windowTitle(), QStringLiteral("Add Site"));
            EXPECT_EQ(site.findChild<QLineEdit*>(QStringLiteral("port"))->text(), QStringLiteral("40021"));
            EXPECT_EQ(site.findChild<QLineEdit*>(QStringLiteral("address"))->text(),
                      QStringLiteral("ftp://alpha.example:40021"));
            site.findChild<QPlainTextEdit*>(QStringLiteral("notes"))->setPlainText(QStringLiteral("typed"));
            site.accept();
        });
        dialog.OnProperties();
        return true;
    };
    frame->OnSiteManager();
    frame->m_fnRunSiteManager = nullptr;
    EXPECT_EQ(alpha->m_strNotes, "typed");
    EXPECT_EQ(alpha->m_strPort, "21");
}

TEST_F(SiteManagerTest, TheDialogRemembersItsSize)
{
    {
        CSiteManagerDlg dialog(frame->m_siteList, prompts, &settings);
        dialog.resize(731, 587);
        dialog.reject();
    }
    EXPECT_EQ(settings.values[CSiteManagerDlg::kSizeValue], "731,587");
    {
        CSiteManagerDlg dialog(frame->m_siteList, prompts, &settings);
        EXPECT_EQ(dialog.size(), QSize(731, 587));
        dialog.resize(802, 611);
        dialog.accept();
    }
    CSiteManagerDlg again(frame->m_siteList, prompts, &settings);
    EXPECT_EQ(again.size(), QSize(802, 611));

    settings.values[CSiteManagerDlg::kSizeValue] = "999999,-3";
    CSiteManagerDlg damaged(frame->m_siteList, prompts, &settings);
    EXPECT_LT(damaged.width(), 16384);
    EXPECT_GT(damaged.height(), 0);
}
