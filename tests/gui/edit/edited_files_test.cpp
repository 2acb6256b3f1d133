// Open of local files, and View/Edit of a real server's files: the copy is
// fetched by the Get, watched, and sent back by the Put after the question.
#include "../ListViewHarness.h"

#include "edit/EditedFiles.h"
#include "ftp/FtpConnection.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

bool Until(const std::function<bool()>& done)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < 20000)
        QTest::qWait(10);
    return done();
}

// The upload questions up now.
std::vector<QMessageBox*> Questions()
{
    std::vector<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible() &&
                                                           box->text().contains(QString::fromLatin1(kUploadQuestion)))
            boxes.push_back(box);
    return boxes;
}

class EditedFilesTest : public FtpServerFixture {
protected:
    void SetUp() override
    {
        FtpServerFixture::SetUp();
        fs::create_directories(m_server.Path("pub"));
        WriteWholeFile(m_server.Path("pub/a.txt"), "first");
        WriteWholeFile(m_server.Path("pub/b.txt"), "b");
        h = std::make_unique<ListViewHarness>();
        auto record = std::make_unique<CVamloSiteInfo>();
        record->m_strAddress = "ftp://127.0.0.1:" + std::to_string(m_server.Port());
        record->m_pConnection = Connect();
        site = record.get();
        h->frame->m_siteList.push_back(std::move(record));
        edits = h->frame->EditedFiles();
        edits->m_fnOpen = [this](const QString& path) {
            opened.push_back(path.toStdString());
            return true;
        };
        h->ShowFolder(2, "/pub", site);
    }
    void TearDown() override { h.reset(); }

    // The file with its copy opened, on the Enter key as a user opens it.
    const CEditedFile& Open(const std::string& name)
    {
        const std::size_t before = opened.size();
        h->Select({name});
        QTest::keyClick(h->list, Qt::Key_Return);
        EXPECT_TRUE(Until([&] { return opened.size() > before && h->frame->NetActions()->IsIdle(); }));
        return *edits->Files().back();
    }
    // Answers the one question that comes up with the button of that text.
    std::string Answer(const QString& button)
    {
        EXPECT_TRUE(Until([] { return !Questions().empty(); }));
        QTest::qWait(3 * CEditedFiles::kSettleMs);
        const std::vector<QMessageBox*> up = Questions();
        EXPECT_EQ(up.size(), 1u);
        if (up.empty())
            return {};
        const std::string text = up.front()->text().toStdString();
        for (QAbstractButton* candidate : up.front()->buttons())
            if (candidate->text().remove(QLatin1Char('&')) == button)
                QTest::mouseClick(candidate, Qt::LeftButton);
        return text;
    }
    bool SentAs(const std::string& bytes)
    {
        return Until([&] { return ReadWholeFile(m_server.Path("pub/a.txt")) == bytes && !edits->Files().front()->busy; });
    }

    std::unique_ptr<ListViewHarness> h;
    CVamloSiteInfo* site = nullptr;
    CEditedFiles* edits = nullptr;
    std::vector<std::string> opened;
};

} // namespace

TEST_F(EditedFilesTest, ChangesGoBackThroughThePutAfterTheQuestion)
{
    const CEditedFile& file = Open("a.txt");
    const std::string copy = file.local;
    EXPECT_EQ(opened, std::vector<std::string>{copy});
    EXPECT_EQ(ReadWholeFile(copy), "first");
    struct stat info {};
    ASSERT_EQ(stat(edits->Folder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_NE(h->doc->GetLogText().find("Getting File"), std::string::npos);

    // An editor's several quick writes give one question; Yes sends the copy.
    for (int write = 0; write < 5; ++write) {
        WriteWholeFile(copy, "second " + std::to_string(write));
        QTest::qWait(20);
    }
    EXPECT_NE(Answer(QStringLiteral("Yes")).find("has been changed."), std::string::npos);
    EXPECT_TRUE(SentAs("second 4"));
    EXPECT_EQ(file.state, EditState::Sent);
    EXPECT_EQ(h->doc->m_bYesToAll, 0);
    EXPECT_NE(h->doc->GetLogText().find("===== Putting File"), std::string::npos);

    // Saved as editors do: a new file renamed over the old one.
    WriteWholeFile(copy + ".new", "third");
    fs::rename(copy + ".new", copy);
    Answer(QStringLiteral("Always for this file"));
    EXPECT_TRUE(SentAs("third"));
    // Deleted and written anew: still seen, and Always sends it unasked.
    fs::remove(copy);
    QTest::qWait(2 * CEditedFiles::kSettleMs);
    WriteWholeFile(copy, "fourth");
    EXPECT_TRUE(SentAs("fourth"));
    EXPECT_TRUE(Questions().empty());

    // An unchanged copy goes with its watch; a name no file may have is
    // not taken.
    const std::string other = Open("b.txt").local;
    edits->StopWatching(edits->Files().back()->id);
    EXPECT_FALSE(fs::exists(other));
    edits->ViewEdit(site, "/pub", "..");
    EXPECT_EQ(edits->Files().size(), 1u);

    // Changed on the server meanwhile: asked even under Always, and No
    // leaves the server's file as it is.
    WriteWholeFile(m_server.Path("pub/a.txt"), "the server's own");
    WriteWholeFile(copy, "fifth");
    const std::string asked = Answer(QStringLiteral("No"));
    EXPECT_NE(asked.find("The file on the server has changed since it was opened. It is now 16 bytes, modified "),
              std::string::npos) << asked;
    EXPECT_TRUE(Until([&] { return !file.busy; }));
    EXPECT_EQ(ReadWholeFile(m_server.Path("pub/a.txt")), "the server's own");
    EXPECT_EQ(file.state, EditState::Changed);

    // A Put that ends before it counts (no reconnect) has sent nothing.
    WriteWholeFile(copy, "sixth");
    EXPECT_TRUE(Until([] { return !Questions().empty(); }));
    site->m_pConnection->Close();
    h->prompts.Answer(MsgResult::No);
    Answer(QStringLiteral("Yes"));
    EXPECT_TRUE(Until([&] { return file.state == EditState::Failed; }));

    // Closing with unsent changes asks, and No keeps the window.
    h->prompts.Answer(MsgResult::No);
    EXPECT_FALSE(h->frame->close());
    EXPECT_NE(h->prompts.Texts().back().find("have changes that were not sent back to the server:\n" + copy),
              std::string::npos);
    h->TearDownProgram();
    EXPECT_EQ(ReadWholeFile(copy), "sixth");
}

TEST(ListOpenTest, EnterOpensALocalFileAndTheMenuOffersOpenWith)
{
    TempDir local;
    WriteWholeFile(local.File("a.txt"), "a");
    fs::create_directories(local.File("sub"));
    ListViewHarness h;
    std::vector<std::string> opened;
    h.list->m_fnOpenFile = [&](const QString& path) {
        opened.push_back(path.toStdString());
        return true;
    };
    h.ShowFolder(1, local.Path());
    h.DoubleClick(h.RowOf("a.txt"));
    h.Select({"a.txt"});
    QTest::keyClick(h.list, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(opened, std::vector<std::string>{local.File("a.txt")});
    const std::vector<MenuEntry> menu = h.RightClickMenu(h.RowPoint(h.RowOf("a.txt")));
    ASSERT_EQ(menu.size(), 7u);
    EXPECT_EQ(menu[4], (MenuEntry{QStringLiteral("ID_32830"), true}));
    EXPECT_EQ(menu[5], (MenuEntry{QStringLiteral("ID_32831"), true}));
    EXPECT_EQ(h.RightClickMenu(h.RowPoint(h.RowOf("sub"))).size(), 5u);
}
