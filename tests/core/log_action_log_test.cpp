#include "log/ActionLog.h"

#include "FileLimits.h"
#include "RecordingLogView.h"
#include "ScriptedPrompts.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const std::string kTop = "\n\n" + std::string(65, '/');
const std::string kBottom = "\n" + std::string(64, '/');

class ActionLogTest : public ::testing::Test {
protected:
    ActionLogTest()
    {
        log.m_fnTimeText = [] { return std::string("<time>"); };
    }

    void Attach() { log.SetLogView(&view); }

    TempDir dir;
    ScriptedPrompts prompts;
    RecordingLogView view;
    CActionLog log;
};

std::string Action(const std::string& address, const std::string& lines)
{
    return kTop + "\n///// Ftp Site Address:  " + address + "\n///// Action Started At: <time>" + lines +
           "\n\n///// Action Ended At: <time>" + kBottom;
}

} // namespace

TEST_F(ActionLogTest, BannersGoToTheViewOnlyLinesToTheAutoSaveFileAndAFailedWriteStopsIt)
{
    const std::string path = dir.File("autosave.txt");
    WriteWholeFile(path, "kept");
    log.OpenAutoSaveFile(path, prompts);
    EXPECT_EQ(log.m_bAutoSaveFileOpen, 1);

    // Before the view attaches: banners dropped, lines not shown, but saved.
    log.m_bAutoSaveLog = 1;
    log.LogActionStart("ftp://early");
    log.AppendLog("early line");
    log.LogActionEnd();
    EXPECT_EQ(log.GetLogText(), "");

    Attach();
    log.LogActionStart("ftp://host");
    log.AppendLog("one");
    log.m_bAutoSaveLog = 0;
    log.AppendLog("not saved");
    log.m_bAutoSaveLog = 1;
    log.AppendLog("two");
    log.LogActionEnd();
    EXPECT_EQ(ReadWholeFile(path), "kept\nearly line\none\ntwo");
    const std::string first = Action("ftp://host", "\none\nnot saved\ntwo");
    EXPECT_EQ(log.GetLogText(), first);
    EXPECT_EQ(view.Text(), first);
    // The whole text goes to the view once; every later change is appended.
    EXPECT_EQ(view.Sets(), 1);
    EXPECT_EQ(view.Appends(), 4);

    // Without auto refresh a new action adds to the log.
    log.m_bAutoRefreshLogView = 0;
    log.LogActionStart("ftp://four");
    log.LogActionEnd();
    EXPECT_EQ(log.GetLogText(), first + Action("ftp://four", ""));
    EXPECT_EQ(view.Text(), log.GetLogText());

    // A failed write (a file size limit stands in for a full disk) is told once, without recursion.
    RunWithFileSizeLimit(0, [&] {
        log.AppendLog("line one");
        log.AppendLog("line two");
    });
    const std::string cause = std::strerror(EFBIG);
    EXPECT_EQ(log.GetLogText(), first + Action("ftp://four", "") + "\nline one\n***** AutoSave Ftp Action Status " +
                                    "Failed *****\nCause: " + cause + "\nline two");
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Failed to write to the Status Log AutoSave file \"" + path +
                                                        "\".\nCause: " + cause});
    EXPECT_EQ(log.m_bAutoSaveLog, 0);
}

TEST_F(ActionLogTest, OpeningWarnsFromOneHundredMebibytesAndAFolderLeavesAutoSaveUnavailable)
{
    const auto sparse = [&](off_t size) {
        const std::string path = dir.File("big-" + std::to_string(size));
        const int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0644);
        EXPECT_EQ(ftruncate(fd, size), 0); // sparse: no real disk used
        close(fd);
        return path;
    };
    const std::string at = sparse(104857600);
    const struct {
        std::string path;
        int32_t open;
        std::string text;
    } cases[] = {
        {sparse(104857599), 1, ""},
        {at, 1, "The size of the Status Log AutoSave file \"" + at + "\" is getting too big.\nPlease delete or rename "
                "the Status Log AutoSave file before running the Vamlo application next time!"},
        {dir.Path(), 0, "The Status Log AutoSave feature cannot be turned on since the Status Log AutoSave file (" +
                            dir.Path() + ") could not be open.\nCause: Is a directory"},
    };
    for (const auto& c : cases) {
        ScriptedPrompts local;
        CActionLog opened;
        opened.OpenAutoSaveFile(c.path, local);
        EXPECT_EQ(opened.m_bAutoSaveFileOpen, c.open) << c.path;
        EXPECT_EQ(local.Texts(), c.text.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.text});
        // Logging goes on either way.
        opened.m_bAutoSaveLog = 1;
        opened.AppendLog("still logged");
    }
}

TEST(LongDateTimeTextTest, LongFormWithoutLeadingZeroInTheDay)
{
    const char* old = getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "UTC", 1);
    tzset();
    const std::string text = LongDateTimeText(1796552951);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(text, "Sunday, December 6, 2026 10:29:11");
}
