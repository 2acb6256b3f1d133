// Saved passwords in the system keyring, against a real Secret Service in a
// private session (Keyring.*) and with none (NoKeyring.*): the Edit menu's
// toggle moves them, the site list file's bytes show where they are.
#include "GuiProgram.h"

#include "app/SitePasswords.h"
#include "model/SiteInfo.h"
#include "services/KeychainStore.h"

#include <QAction>

#include <filesystem>

namespace {

struct KeyringProgram : GuiProgram {
    KeyringProgram()
    {
        BuildProgram();
        passwords = std::make_unique<CSitePasswords>(prompts, &settings, &store);
        doc->m_pSitePasswords = passwords.get();
        frame->SetSitePasswords(passwords.get());
        path = home.File("sites.dat");
        EXPECT_EQ(doc->OnNewDocument(path), 1);
        for (const char* user : {"ann", "bob"}) {
            auto site = std::make_unique<CVamloSiteInfo>();
            site->m_strAddress = "ftp://127.0.0.1:2121";
            site->m_strUserName = user;
            site->m_strPassword = std::string("p\xe4ss-") + user;   // a byte that is no UTF-8
            site->m_bSavePassword = user[0] == 'a' ? 1 : 0;
            frame->m_siteList.push_back(std::move(site));
        }
        EXPECT_EQ(doc->OnFileSaveSiteList(), 1);
    }
    // The file as written with the passwords in it (or with none).
    std::string Expected(bool withPasswords)
    {
        CSiteList copies;
        for (const auto& site : frame->m_siteList) {
            copies.push_back(std::make_unique<CVamloSiteInfo>(*site));
            if (!withPasswords)
                copies.back()->m_strPassword.clear();
        }
        const std::vector<uint8_t> bytes = EncodeSiteListFile({"VamLO", 256}, copies);
        return std::string(bytes.begin(), bytes.end());
    }
    void Toggle(MsgResult answer)
    {
        prompts.Answer(answer);
        frame->Command(ID_EDIT_KEYRING_PASSWORDS)->trigger();
        QCoreApplication::processEvents();   // the toggle runs once the menu is done
    }

    CKeychainStore store;
    std::unique_ptr<CSitePasswords> passwords;
    std::string path;
};

} // namespace

TEST(Keyring, OnAndOffMoveThePasswordsAndTheFileKeepsItsFormat)
{
    KeyringProgram p;
    const std::string withPasswords = p.Expected(true);
    ASSERT_EQ(ReadWholeFile(p.path), withPasswords);
    const std::string annKey = CSitePasswords::Key(*p.frame->m_siteList.front());
    EXPECT_EQ(annKey, "ann@ftp://127.0.0.1:2121");

    p.Toggle(MsgResult::Yes);
    EXPECT_TRUE(p.frame->Command(ID_EDIT_KEYRING_PASSWORDS)->isChecked());
    EXPECT_EQ(p.settings.values[kKeyringPasswordsValue], "Yes");
    EXPECT_EQ(ReadWholeFile(p.path), p.Expected(false));
    std::string stored, error;
    ASSERT_EQ(p.store.Read(annKey, stored, error), IPasswordStore::Result::Ok) << error;
    EXPECT_EQ(stored, "p\xe4ss-ann");
    EXPECT_EQ(p.store.Read("bob@ftp://127.0.0.1:2121", stored, error), IPasswordStore::Result::NotFound);
    // A password the keyring could not give this run is not written over it.
    p.frame->m_siteList.front()->m_strPassword.clear();
    EXPECT_EQ(p.doc->OnFileSaveSiteList(), 1);
    p.frame->m_siteList.front()->m_strPassword = "p\xe4ss-ann";
    ASSERT_EQ(p.store.Read(annKey, stored, error), IPasswordStore::Result::Ok);
    EXPECT_EQ(stored, "p\xe4ss-ann");

    // The next start reads it back; without the setting the file opens with
    // an empty password and everything else.
    for (const char* setting : {"Yes", "No"}) {
        KeyringProgram next;
        next.settings.values[kKeyringPasswordsValue] = setting;
        CSitePasswords passwords(next.prompts, &next.settings, &next.store);
        next.doc->m_pSitePasswords = &passwords;
        ASSERT_EQ(next.doc->OnOpenDocument(p.path), 1);
        const CVamloSiteInfo& ann = *next.frame->m_siteList.front();
        EXPECT_EQ(ann.m_strPassword, setting[0] == 'Y' ? "p\xe4ss-ann" : "");
        EXPECT_EQ(ann.m_bSavePassword, 1);
        EXPECT_EQ(ann.m_strUserName, "ann");
        next.doc->m_pSitePasswords = nullptr;
    }
    EXPECT_TRUE(p.prompts.Texts() == std::vector<std::string>{CSitePasswords::kTurnOnQuestion});

    // A file that cannot be written keeps the setting and the keyring's copy.
    std::filesystem::remove(p.path);
    std::filesystem::create_directory(p.path);
    p.Toggle(MsgResult::Yes);
    EXPECT_TRUE(p.passwords->IsOn());
    EXPECT_EQ(p.store.Read(annKey, stored, error), IPasswordStore::Result::Ok);
    std::filesystem::remove(p.path);
    WriteWholeFile(p.path, "");

    // Off, moved back: the file holds the password again, the keyring no more.
    p.Toggle(MsgResult::Yes);
    EXPECT_FALSE(p.frame->Command(ID_EDIT_KEYRING_PASSWORDS)->isChecked());
    EXPECT_EQ(ReadWholeFile(p.path), withPasswords);
    EXPECT_EQ(p.store.Read(annKey, stored, error), IPasswordStore::Result::NotFound);
}

TEST(NoKeyring, ToldOnceAndThePasswordsStayInTheFile)
{
    KeyringProgram p;
    const std::string withPasswords = p.Expected(true);
    p.Toggle(MsgResult::Yes);
    EXPECT_FALSE(p.passwords->IsOn());
    EXPECT_EQ(ReadWholeFile(p.path), withPasswords);
    // Set on before (another session): saves keep the passwords in the
    // file, and say so once.
    p.settings.values[kKeyringPasswordsValue] = "Yes";
    CSitePasswords passwords(p.prompts, &p.settings, &p.store);
    p.doc->m_pSitePasswords = &passwords;
    for (int save = 0; save < 2; ++save) {
        p.frame->m_siteList.back()->m_bSavePassword = 1;
        EXPECT_EQ(p.doc->OnFileSaveSiteList(), 1);
        EXPECT_EQ(ReadWholeFile(p.path), p.Expected(true));
    }
    const std::vector<std::string> texts = p.prompts.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1].rfind("The system keyring is not available.\nCause: ", 0), 0u) << texts[1];
    EXPECT_NE(texts[1].find("\nThe passwords stay in the site list file."), std::string::npos);
    EXPECT_NE(texts[2].find("\nThe passwords are kept in the site list file."), std::string::npos);
    p.doc->m_pSitePasswords = nullptr;
}
