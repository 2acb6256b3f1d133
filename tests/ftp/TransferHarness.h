#pragma once

#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "ftp/FtpEngine.h"
#include "model/SiteInfo.h"
#include "transfer/StatusDialog.h"

#include "EntryList.h"
#include "FtpServerFixture.h"
#include "MemoryServices.h"
#include "RecordingLogView.h"
#include "ScriptedPrompts.h"
#include "ShortTimeoutApp.h"
#include "TempDir.h"

#include <functional>
#include <mutex>
#include <sys/stat.h>

// Records the calls a transfer makes on its Status windows, as lines such as
// "messages:Getting file: /a|Received 1 kb of total 3 kb". onMessages runs
// (under no lock) with each messages call: tests press Cancel from it.
struct StatusRecord : IStatusDialogFactory {
    struct Window : IStatusDialog {
        Window(StatusRecord& record, CTransferCancel* cancel) : record(record), cancel(cancel) {}
        ~Window() override { record.Add("closed", -1); }
        void SetMessages(const std::string& message1, const std::string& message2) override
        {
            record.Add("messages:" + message1 + "|" + message2);
            if (record.onMessages)
                record.onMessages(message1, message2, cancel);
        }
        void SetMessage3(const std::string& message3) override { record.Add("message3:" + message3); }
        void SetFileRange(int64_t n) override { record.Add("fileRange:" + std::to_string(n)); }
        void SetOverallRange(int64_t n) override { record.Add("overallRange:" + std::to_string(n)); }
        void StepFile(int64_t steps) override { record.Add("stepFile:" + std::to_string(steps)); }
        void StepOverall() override { record.Add("stepOverall"); }
        void Show() override { record.Add("shown", 0, 1); }
        void SetFigures(const std::string& f, const std::string& a) override { record.Add("figures:" + f + "|" + a); }
        StatusRecord& record;
        CTransferCancel* cancel;
    };

    std::unique_ptr<IStatusDialog> CreateStatusDialog(const std::string& title, CTransferCancel* cancel,
                                                      bool visible) override
    {
        Add("created:" + title, 1, visible ? 1 : 0);
        std::lock_guard lock(mutex);
        titles.push_back(title);
        return std::make_unique<Window>(*this, cancel);
    }
    void Add(const std::string& call, int opened = 0, int showing = 0)
    {
        std::lock_guard lock(mutex);
        calls.push_back(call);
        open += opened;
        created += opened > 0;
        shown += showing;
    }
    std::vector<std::string> Calls()
    {
        std::lock_guard lock(mutex);
        return calls;
    }

    std::mutex mutex;
    std::vector<std::string> calls;
    std::vector<std::string> titles;
    int open = 0;   // windows created and not yet closed
    int created = 0;
    int shown = 0;   // windows made visible, at once or later
    std::function<void(const std::string&, const std::string&, CTransferCancel* cancel)> onMessages;
};

// A headless program: the document with its log attached, scripted prompts,
// a recording Status window, and one site that is both the source of Gets
// and the target of Puts (connected by the fixture that uses it).
class TransferProgram {
protected:
    void SetUpProgram()
    {
        app.m_pPrompts = &prompts;
        app.m_pSettings = &settings;
        app.m_pStatusDialogFactory = &status;
        app.SetPaths(MakeAppPaths(home.Path()));
        app.m_strAgentName = kAgentName;
        doc = std::make_unique<CVamloDoc>(app);
        doc->m_fnTimeText = [] { return std::string("<time>"); };
        doc->SetLogView(&logView);
        app.m_pClipSourceSite = &site;
        doc->m_pCurrentSite = &site;
        mkdir(local.File("target").c_str(), 0755);
    }

    void TearDownProgram()
    {
        if (doc)
            doc->WaitForTransfer();
    }

    // Runs a Get of these remote paths (path, is a folder) into the local folder, to the end.
    void Get(std::vector<std::pair<std::string, bool>> entries, const std::string& into)
    {
        doc->m_strCurrentFolder = into;
        ASSERT_EQ(doc->StartGetJob(EntryList(entries, LOCATION_REMOTE), NOTIFY_LIST, nullptr, nullptr), 1);
        doc->WaitForTransfer();
    }

    void Put(std::vector<std::pair<std::string, bool>> entries, const std::string& into)
    {
        doc->m_strCurrentFolder = into;
        ASSERT_EQ(doc->StartPutJob(EntryList(entries, LOCATION_LOCAL), NOTIFY_LIST, nullptr, nullptr), 1);
        doc->WaitForTransfer();
    }

    std::string Address() const { return site.m_strAddress; }
    std::string Log() const { return doc->GetLogText(); }
    std::string Target() const { return local.File("target"); }

    static std::string Banner(const std::string& address)
    {
        return "\n\n" + std::string(65, '/') + "\n///// Ftp Site Address:  " + address +
               "\n///// Action Started At: <time>";
    }
    static std::string EndBanner() { return "\n\n///// Action Ended At: <time>\n" + std::string(64, '/'); }
    std::string ReconnectQuestion() const
    {
        return "The connection to ftp site \"" + Address() + "\" is broken.\nDo you want to reconnect to the ftp site?";
    }

    TempDir home;
    TempDir local;
    ScriptedPrompts prompts;
    MemorySettingsStore settings;
    StatusRecord status;
    RecordingLogView logView;
    ShortTimeoutApp app;
    CVamloSiteInfo site;
    std::unique_ptr<CVamloDoc> doc;
};

// The program around one real server; a plain ftp:// site is connected
// before the test starts, an encrypted one is left to the test.
class TransferFixture : public FtpServerFixture, public TransferProgram {
protected:
    explicit TransferFixture(FtpServerOptions options = {}, std::string scheme = "ftp://")
        : FtpServerFixture(std::move(options)), m_strScheme(std::move(scheme))
    {
    }

    void SetUp() override
    {
        FtpServerFixture::SetUp();
        SetUpProgram();
        site.m_strAddress = m_strScheme + "127.0.0.1:" + std::to_string(m_server.Port());
        site.m_strUserName = "user";
        site.m_strPassword = "secret";
        if (m_strScheme == "ftp://") {
            ASSERT_EQ(site.Connect(app), 1) << (prompts.Texts().empty() ? "" : prompts.Texts().back());
        }
    }

    void TearDown() override { TearDownProgram(); }

    std::string m_strScheme;
};
