// The file list benchmark: the real list widget, offscreen, listing and
// sorting a folder of many entries on the local disk and on a pyftpdlib
// server on the loopback interface, then re-sorting by each column.
// See README.md ("File list benchmark").
#include "app/AppCore.h"
#include "app/Prompts.h"
#include "app/Settings.h"
#include "app/VamloDoc.h"
#include "model/SiteInfo.h"
#include "list/ListViewDetail.h"
#include "frame/MainFrame.h"
#include "panes/ViewHub.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Options {
    int nEntries = 10000;
    int nRepetitions = 7;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* value = argv[i + 1];
        int* target = std::strcmp(argv[i], "--entries") == 0       ? &options.nEntries
                      : std::strcmp(argv[i], "--repetitions") == 0 ? &options.nRepetitions
                                                                   : nullptr;
        if (target == nullptr)
            return false;
        auto [ptr, ec] = std::from_chars(value, value + std::strlen(value), *target);
        if (ec != std::errc() || *ptr != '\0' || *target <= 0)
            return false;
    }
    return argc % 2 == 1;
}

// Any message box means the run went wrong; the rest costs nothing.
class CBenchListPrompts : public IPrompts {
public:
    MsgResult MessageBox(const std::string& text, MsgButtons, MsgIcon) override
    {
        m_texts.push_back(text);
        return MsgResult::Ok;
    }
    ReplaceAnswer AskReplace(const std::string&, const std::string&) override { return {}; }
    CertificateAnswer AskCertificate(const std::string&, bool) override { return CertificateAnswer::Cancel; }
    bool AskSecret(const std::string&, const std::string&, std::string&) override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void SetStatusText(const std::string&) override {}
    std::vector<std::string> m_texts;
};

class CNoSettings : public ISettingsStore {
public:
    bool OpenKey() override { return false; }
    std::optional<std::string> ReadValue(const std::string&) override { return std::nullopt; }
    bool WriteValue(const std::string&, const std::string&) override { return false; }
};

// A folder of `count` entries: one in twenty a folder, the rest sparse files
// of varied sizes and times, so that every sort column has work to do.
bool MakeEntries(const std::string& folder, int count, std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder + ": " + ec.message();
        return false;
    }
    for (int i = 0; i < count; ++i) {
        // Names in a scrambled order with mixed case.
        const unsigned key = static_cast<unsigned>(i) * 7919u % static_cast<unsigned>(count);
        char name[64];
        std::snprintf(name, sizeof name, "%s%05u.dat", i % 3 == 0 ? "Entry_" : "entry_", key);
        const std::string path = folder + "/" + name;
        if (i % 20 == 0) {
            if (::mkdir(path.c_str(), 0755) != 0) {
                error = "cannot create " + path;
                return false;
            }
        } else {
            const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
            if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(key) * 613) != 0) {
                error = "cannot create " + path;
                if (fd >= 0)
                    ::close(fd);
                return false;
            }
            ::close(fd);
        }
        const std::time_t when = 1600000000 + static_cast<std::time_t>(key) * 3607;
        const timespec times[2] = {{when, 0}, {when, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    return true;
}

// The test suites' pyftpdlib server: prints its port, ends when stdin closes.
class CPyftpdlibServer {
public:
    bool Start(const std::string& root, std::string& error)
    {
        m_process.setProgram(QStringLiteral("/usr/bin/python3"));
        m_process.setArguments({QStringLiteral(VAMLO_FTP_SERVER_SCRIPT), QStringLiteral("--root"),
                                QString::fromStdString(root)});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000)) {
            error = "pyftpdlib did not start: " + m_process.errorString().toStdString();
            return false;
        }
        QElapsedTimer waited;
        waited.start();
        while (!m_process.canReadLine() && waited.elapsed() < 15000)
            m_process.waitForReadyRead(500);
        bool ok = false;
        m_nPort = m_process.readLine().trimmed().toInt(&ok);
        if (!ok || m_nPort <= 0) {
            error = "pyftpdlib gave no port";
            return false;
        }
        return true;
    }
    ~CPyftpdlibServer()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    int Port() const { return m_nPort; }

private:
    QProcess m_process;
    int m_nPort = 0;
};

struct Samples {
    std::string strName;
    double dTargetMs;
    std::vector<double> ms;

    double Median() const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double Max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
    double Min() const { return ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
};

double LoadAverage()
{
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: vamlo_list_bench [--entries 10000] [--repetitions 7]\n");
        return 2;
    }

    const char* tmp = std::getenv("TMPDIR");
    std::string scratchPattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/vamlo-list-bench.XXXXXX";
    std::vector<char> scratchBuffer(scratchPattern.begin(), scratchPattern.end());
    scratchBuffer.push_back('\0');
    if (mkdtemp(scratchBuffer.data()) == nullptr) {
        std::fprintf(stderr, "cannot create a scratch folder under %s\n", scratchPattern.c_str());
        return 2;
    }
    const std::string scratch = scratchBuffer.data();
    struct RemoveScratch {
        std::string path;
        ~RemoveScratch()
        {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } removeScratch{scratch};

    std::string error;
    const std::string root = scratch + "/root";
    if (!MakeEntries(root + "/data", options.nEntries, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    CPyftpdlibServer server;
    if (!server.Start(root, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }

    CBenchListPrompts prompts;
    CNoSettings settings;
    CAppCore app;
    app.m_pPrompts = &prompts;
    app.m_pSettings = &settings;
    // The program directory exists before the document opens its files there.
    std::filesystem::create_directories(scratch + "/home");
    app.SetPaths(MakeAppPaths(scratch + "/home"));
    app.m_strAgentName = kAgentName;
    auto frame = std::make_unique<CMainFrame>(&app);
    auto doc = std::make_unique<CVamloDoc>(app);
    doc->SetSiteListOwner(frame.get());
    frame->SetDocument(doc.get());
    CViewHub hub;
    auto* list = new CListViewDetail(*doc, app, *frame, hub);
    list->OnInitialUpdate();
    frame->resize(1000, 700);
    frame->show();
    QApplication::processEvents();

    CVamloSiteInfo site;
    site.m_strAddress = "ftp://127.0.0.1:" + std::to_string(server.Port());
    site.m_strUserName = "anonymous";
    site.m_strPassword = "bench@example.com";
    if (site.Connect(app) != 1) {
        std::fprintf(stderr, "cannot log on to pyftpdlib\n");
        return 2;
    }

    // One listing as the tree's selection asks for it, painted once.
    const auto listOnce = [&](uint8_t location, const std::string& folder, CVamloSiteInfo* where) {
        doc->m_byCurrentLocation = location;
        doc->m_strCurrentFolder = folder;
        doc->m_pCurrentSite = where;
        QElapsedTimer clock;
        clock.start();
        hub.UpdateAllViews(nullptr, HINT_FOLDER_CHANGED);
        QApplication::processEvents();
        return static_cast<double>(clock.nsecsElapsed()) / 1e6;
    };

    Samples local{"list + sort, local folder", 1000, {}};
    Samples remote{"list + sort, pyftpdlib folder", 1000, {}};
    Samples resort[4] = {{"re-sort by Name", 200, {}},
                         {"re-sort by Size", 200, {}},
                         {"re-sort by Location", 200, {}},
                         {"re-sort by Modified", 200, {}}};
    bool failed = false;
    for (int r = 0; r < options.nRepetitions && !failed; ++r) {
        local.ms.push_back(listOnce(1, root + "/data", nullptr));
        failed |= list->RowCount() != options.nEntries;
        remote.ms.push_back(listOnce(2, "/data", &site));
        failed |= list->RowCount() != options.nEntries;
        for (int column = 0; column < 4 && !failed; ++column) {
            // A new column (one click), then the same column again (a flip).
            for (int click = 0; click < 2; ++click) {
                QElapsedTimer clock;
                clock.start();
                list->OnColumnClick(column);
                QApplication::processEvents();
                resort[column].ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            }
        }
    }
    if (failed || !prompts.m_texts.empty()) {
        std::fprintf(stderr, "a listing came out wrong: %d rows of %d%s%s\n", list->RowCount(), options.nEntries,
                     prompts.m_texts.empty() ? "" : "; message: ",
                     prompts.m_texts.empty() ? "" : prompts.m_texts.front().c_str());
        return 1;
    }

    std::printf("Vamlo file list benchmark: %d entries, %d repetitions, offscreen, load average %.2f\n",
                options.nEntries, options.nRepetitions, LoadAverage());
    std::printf("%-32s %10s %10s %10s %10s  %s\n", "case", "median ms", "min ms", "max ms", "target ms", "result");
    bool allMet = true;
    const auto row = [&](const Samples& s) {
        const bool met = s.Median() < s.dTargetMs;
        allMet &= met;
        std::printf("%-32s %10.1f %10.1f %10.1f %10.0f  %s\n", s.strName.c_str(), s.Median(), s.Min(), s.Max(),
                    s.dTargetMs, met ? "met" : "MISSED");
    };
    row(local);
    row(remote);
    for (const Samples& s : resort)
        row(s);
    std::printf("load average at the end %.2f\n", LoadAverage());
    return allMet ? 0 : 3;
}
