#include "FileLimits.h"
#include "ScriptedPrompts.h"
#include "TempDir.h"
#include "log/ActionLog.h"
#include "log/RichEditViewActionLog.h"
#include "log/SaveStatusLog.h"

#include "../DialogDriver.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPrinter>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 10000;

// Posted texts reach the view once the GUI thread runs its events.
bool WaitForText(const CRichEditViewActionLog& view, const QString& expected)
{
    return QTest::qWaitFor([&] { return view.LogText() == expected; }, kWaitMs);
}

void ShowText(CRichEditViewActionLog& view, const std::string& text)
{
    view.SetLogText(text);
    ASSERT_TRUE(WaitForText(view, QString::fromStdString(text)));
}

class ActionLogViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_log.m_fnTimeText = [] { return std::string("Sunday, December 6, 2026 10:49:11"); };
        m_view.AttachToLog(&m_log);
    }

    CActionLog m_log;
    CRichEditViewActionLog m_view;
};

TEST_F(ActionLogViewTest, LinesFromWorkerThreadsArriveInTheOrderTheyWereLoggedWhileTheViewLives)
{
    m_log.LogActionStart("ftp://127.0.0.1");
    // Two workers, one after the other as transfers run, the second while
    // the first one's lines may still be on their way.
    for (const std::string worker : {"first ", "second "}) {
        std::thread([&] {
            for (int i = 0; i < 300; ++i)
                m_log.AppendLog(worker + std::to_string(i));
            if (worker == "second ")
                m_log.LogActionEnd();
        }).join();
    }

    const QString expected = QString::fromStdString(m_log.GetLogText());
    EXPECT_TRUE(WaitForText(m_view, expected)) << m_view.LogText().right(200).toStdString();

    // With auto refresh, a start banner replaces what the view shows.
    m_log.m_bAutoRefreshLogView = 1;
    m_log.LogActionStart("ftp://second.example");
    m_log.AppendLog("new line");
    ASSERT_TRUE(WaitForText(m_view, QString::fromStdString(m_log.GetLogText())));
    EXPECT_FALSE(m_view.LogText().contains(QStringLiteral("first 0")));

    // A gone view: neither a worker's line nor the pending event may reach it.
    const std::string logged = m_log.GetLogText();
    auto* view = new CRichEditViewActionLog;
    view->AttachToLog(&m_log);
    view->SetLogText("posted before the view went away");
    delete view;
    std::thread([this] { m_log.AppendLog("after"); }).join();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_log.GetLogText(), logged);
}

TEST_F(ActionLogViewTest, TheViewFollowsNewLinesOnlyWhenItWasAtTheEndAndCannotBeEdited)
{
    m_view.resize(400, 150);
    m_view.show();
    std::string lines;
    for (int i = 0; i < 200; ++i)
        lines += "\nline " + std::to_string(i);
    ShowText(m_view, lines);
    QScrollBar* bar = m_view.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);

    // Appending adds no line break of its own.
    bar->setValue(bar->maximum());
    m_view.AppendLogText("\nfol");
    m_view.AppendLogText("lowed");
    ASSERT_TRUE(WaitForText(m_view, QString::fromStdString(lines + "\nfollowed")));
    EXPECT_EQ(bar->value(), bar->maximum());

    // The user scrolled back to read: new lines do not pull the view away.
    bar->setValue(0);
    m_view.AppendLogText("\nnot followed");
    const QString shown = QString::fromStdString(lines + "\nfollowed\nnot followed");
    ASSERT_TRUE(WaitForText(m_view, shown));
    EXPECT_EQ(bar->value(), 0);

    // The user cannot change the log, but can copy it.
    m_view.setFocus();
    QTest::keyClicks(&m_view, QStringLiteral("typed"));
    QTest::keyClick(&m_view, Qt::Key_Backspace);
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    QTest::keyClick(&m_view, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(m_view.LogText(), shown);
    m_view.selectAll();
    m_view.copy();
    EXPECT_EQ(QApplication::clipboard()->text(), shown);

    // The log's columns line up. (Font configuration flags some monospaced
    // faces as "dual", so the face's own fixed-pitch flag is not asked.)
    const QFontMetricsF metrics(m_view.font());
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')))
        << QFontInfo(m_view.font()).family().toStdString();
}

// ---- Save Status Log As ----

class SaveStatusLogTest : public ::testing::Test {
protected:
    bool SaveTo(const std::string& path)
    {
        return SaveStatusLogAs(&m_parent, m_view, m_prompts, [&](QWidget*) { return QString::fromStdString(path); });
    }

    TempDir m_dir;
    QWidget m_parent;
    CRichEditViewActionLog m_view;
    ScriptedPrompts m_prompts;
};

// Over a longer file, exactly the shown text is left, every character of it
// (a non-breaking space and a letter outside the basic plane, as server file
// names may have them).
TEST_F(SaveStatusLogTest, OverALongerFileLeavesExactlyTheShownTextOrTellsWhyNot)
{
    const std::string text = "\n\n" + std::string(65, '/') + "\n///// Ftp Site Address:  ftp://h\n"
                             "file\xC2\xA0name \xF0\x9F\x93\x81.txt";
    ShowText(m_view, text);
    const std::string path = m_dir.File("log.txt");
    WriteWholeFile(path, std::string(10000, 'x') + "\r\n");
    // Cancelled, or with no chooser at all, nothing is written.
    EXPECT_FALSE(SaveTo(""));
    EXPECT_FALSE(SaveStatusLogAs(&m_parent, m_view, m_prompts, StatusLogPathChooser()));
    EXPECT_EQ(ReadWholeFile(path), std::string(10000, 'x') + "\r\n");

    EXPECT_TRUE(SaveTo(path));
    EXPECT_EQ(ReadWholeFile(path), text);
    EXPECT_TRUE(m_prompts.Texts().empty());

    // A failed write names the file and the cause.
    ShowText(m_view, std::string(4096, 'x'));
    bool saved = true;
    RunWithFileSizeLimit(1024, [&] { saved = SaveTo(path); });
    EXPECT_FALSE(saved);
    ASSERT_EQ(m_prompts.Texts().size(), 1U);
    const std::string message = m_prompts.Texts()[0];
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find("\nCause: " + FileErrorText(EFBIG)), std::string::npos) << message;
    EXPECT_EQ(message.find("could not be created"), std::string::npos) << message;
}

constexpr const char* kNotARegularFile = "It is not a regular file.";

// Refused before a byte goes out: a missing folder, the autosave file the log
// holds, and anything but a regular file or a new one. A pipe without a reader
// must not hold the window either: the save gives up at once (should it wait,
// the suite's time limit ends the run).
TEST_F(SaveStatusLogTest, WhatCannotTakeTheLogIsRefusedAndKept)
{
    const std::string autoSave = m_dir.File("autosave.txt");
    WriteWholeFile(autoSave, "\nkept line");
    CActionLog log;
    ScriptedPrompts logPrompts;
    log.OpenAutoSaveFile(autoSave, logPrompts);
    ASSERT_EQ(log.m_bAutoSaveFileOpen, 1);
    const std::string pipe = m_dir.File("pipe");
    const std::string unread = m_dir.File("unread");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(unread.c_str(), 0600), 0);
    // A reader is there, so a plain open would not wait but write into it.
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);

    ShowText(m_view, "log text");
    const std::pair<std::string, std::string> cases[] = {
        {m_dir.File("missing/log.txt"), "No such file or directory"},
        {autoSave, FileErrorText(EWOULDBLOCK)},
        {pipe, kNotARegularFile},
        {unread, kNotARegularFile},
        {"/dev/null", kNotARegularFile},
    };
    std::vector<std::string> expected;
    for (const auto& [path, cause] : cases) {
        EXPECT_FALSE(SaveTo(path)) << path;
        expected.push_back("Failed to save the Ftp action status logn\nSince the log file (" + path +
                           ") could not be created. \nCause: " + cause);
    }
    EXPECT_EQ(m_prompts.Texts(), expected);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("missing")));
    EXPECT_EQ(ReadWholeFile(autoSave), "\nkept line");
    char byte = 0;
    EXPECT_LE(read(reader, &byte, 1), 0) << "the log went into the pipe";
    close(reader);
}

TEST(StatusLogSaveDialogTest, AsksForATextFileAndAddsTheSuffix)
{
    TempDir dir;
    AnswerNextDialog<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog.directory(), QDir::home());   // not wherever the program was started
        SaveInFileDialog(dialog, dir.Path(), "status");
    });
    EXPECT_EQ(AskStatusLogSavePath(nullptr), QString::fromStdString(dir.File("status.txt")));

    AnswerNextDialog<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_TRUE(AskStatusLogSavePath(nullptr).isEmpty());
}

// ---- Printing ----

int CountPdfPages(const std::string& pdf)
{
    int pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1)) {
        if (pdf.compare(at, 12, "/Type /Pages") != 0)
            ++pages;
    }
    return pages;
}

TEST(ActionLogPrintTest, PrintsOnPagesWithHalfInchMarginsAndNothingMore)
{
    TempDir dir;
    CRichEditViewActionLog view;
    auto print = [&](int lines, const std::string& name) {
        std::string text = "line 0";
        for (int i = 1; i < lines; ++i)
            text += "\nline " + std::to_string(i);
        ShowText(view, text);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(dir.File(name)));
        printer.setPageSize(QPageSize(QPageSize::Letter));
        view.PrintLog(printer);
        EXPECT_TRUE(printer.pageLayout().margins(QPageLayout::Inch) == QMarginsF(0.5, 0.5, 0.5, 0.5));
        return CountPdfPages(ReadWholeFile(dir.File(name)));
    };

    // How many lines ten inches of a letter page hold in the log's font.
    QPrinter probe(QPrinter::HighResolution);
    probe.setPageSize(QPageSize(QPageSize::Letter));
    probe.setPageMargins(QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch);
    const qreal height = probe.pageLayout().paintRectPixels(probe.resolution()).height();
    const int fit = static_cast<int>(height / QFontMetricsF(view.font(), &probe).height());
    ASSERT_GT(fit, 20);

    // Any margin added to the half inch would push the last lines over.
    EXPECT_EQ(print(fit - 2, "full-page.pdf"), 1);
    EXPECT_EQ(print(2 * fit + 2, "three-pages.pdf"), 3);
}

} // namespace
