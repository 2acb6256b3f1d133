#pragma once

#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "ftp/FtpEngine.h"
#include "model/SiteInfo.h"

#include "FtpServerFixture.h"
#include "MemoryServices.h"
#include "RecordingLogView.h"
#include "RecordingStatusDialog.h"
#include "ScriptedPrompts.h"
#include "ShortTimeoutApp.h"
#include "TempDir.h"

#include <sys/stat.h>

// A headless program: the document with its log attached, scripted prompts,
// a recording Status window, and one site that is both the source of Gets
// and the target of Puts (connected by the fixture that uses it).
class TransferProgram {
protected:
    void SetUpProgram()
    {
        app.m_pPrompts = &prompts;
        app.m_pSettings = &settings;
        app.m_pStatusDialogFactory = &statusFactory;
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

    // Runs a Get of these remote paths into the local folder, to the end.
    void Get(std::vector<std::pair<std::string, bool>> entries, const std::string& into)
    {
        doc->m_strCurrentFolder = into;
        ASSERT_EQ(doc->StartGetJob(Entries(entries, LOCATION_REMOTE), NOTIFY_LIST, nullptr, nullptr), 1);
        doc->WaitForTransfer();
    }

    void Put(std::vector<std::pair<std::string, bool>> entries, const std::string& into)
    {
        doc->m_strCurrentFolder = into;
        ASSERT_EQ(doc->StartPutJob(Entries(entries, LOCATION_LOCAL), NOTIFY_LIST, nullptr, nullptr), 1);
        doc->WaitForTransfer();
    }

    static CFileInfoList Entries(const std::vector<std::pair<std::string, bool>>& entries, uint8_t location)
    {
        CFileInfoList list;
        for (const auto& [path, folder] : entries) {
            auto entry = std::make_unique<CVaFileInfo>();
            entry->m_strPath = path;
            entry->m_bIsFolder = folder ? 1 : 0;
            entry->m_byLocation = location;
            list.push_back(std::move(entry));
        }
        return list;
    }

    std::string Address() const { return site.m_strAddress; }
    std::string Log() const { return doc->GetLogText(); }

    // The lines of the log after its start banner, without the banners.
    static std::string Banner(const std::string& address)
    {
        return "\n\n" + std::string(65, '/') + "\n///// Ftp Site Address:  " + address +
               "\n///// Action Started At: <time>";
    }
    static std::string EndBanner() { return "\n\n///// Action Ended At: <time>\n" + std::string(64, '/'); }

    TempDir home;
    TempDir local;
    ScriptedPrompts prompts;
    MemorySettingsStore settings;
    StatusRecord status;
    RecordingStatusDialogFactory statusFactory{status};
    RecordingLogView logView;
    ShortTimeoutApp app;
    CVamloSiteInfo site;
    std::unique_ptr<CVamloDoc> doc;
};

// The program around one real server.
class TransferFixture : public FtpServerFixture, public TransferProgram {
protected:
    explicit TransferFixture(FtpServerOptions options = {}) : FtpServerFixture(std::move(options)) {}

    void SetUp() override
    {
        FtpServerFixture::SetUp();
        SetUpProgram();
        site.m_strAddress = "ftp://127.0.0.1:" + std::to_string(m_server.Port());
        site.m_strUserName = "user";
        site.m_strPassword = "secret";
        ASSERT_EQ(site.Connect(app), 1) << (prompts.Texts().empty() ? "" : prompts.Texts().back());
    }

    void TearDown() override { TearDownProgram(); }
};
