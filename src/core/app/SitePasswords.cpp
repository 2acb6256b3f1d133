#include "app/SitePasswords.h"

#include "app/Prompts.h"
#include "app/Settings.h"
#include "model/SiteInfo.h"

#include <vector>

CSitePasswords::CSitePasswords(IPrompts& prompts, ISettingsStore* settings, IPasswordStore* store)
    : m_prompts(prompts), m_pSettings(settings), m_pStore(store)
{
    if (m_pSettings != nullptr && m_pSettings->OpenKey()) {
        const std::optional<std::string> value = m_pSettings->ReadValue(kKeyringPasswordsValue);
        m_bOn = value && *value == "Yes";
    }
}

std::string CSitePasswords::Key(const CVamloSiteInfo& site) { return site.m_strUserName + "@" + site.m_strAddress; }

void CSitePasswords::SetOn(bool on)
{
    m_bOn = on;
    if (m_pSettings != nullptr && m_pSettings->OpenKey())
        m_pSettings->WriteValue(kKeyringPasswordsValue, on ? "Yes" : "No");
}

void CSitePasswords::Unavailable(const std::string& error, const char* consequence)
{
    if (m_bToldUnavailable)
        return;
    m_bToldUnavailable = true;
    m_prompts.MessageBox("The system keyring is not available.\nCause: " + error + "\n" + consequence, MsgButtons::Ok,
                         MsgIcon::Warning);
}

bool CSitePasswords::ReadMissing(CSiteList& list)
{
    for (auto& site : list) {
        if (site->m_bSavePassword != 1 || !site->m_strPassword.empty())
            continue;
        std::string error;
        std::string password;
        const IPasswordStore::Result result =
            m_pStore ? m_pStore->Read(Key(*site), password, error) : IPasswordStore::Result::Unavailable;
        if (result == IPasswordStore::Result::Unavailable) {
            Unavailable(m_pStore ? error : "no keyring support", "The saved passwords stay in the keyring; "
                                                                "Vamlo cannot use them now.");
            return false;
        }
        if (result == IPasswordStore::Result::Ok) {
            site->m_strPassword = password;
            site->m_bPasswordInKeyring = true;
        }
    }
    return true;
}

void CSitePasswords::FillFromStore(CSiteList& list)
{
    if (m_bOn)
        ReadMissing(list);
}

void CSitePasswords::StoreBeforeSave(CSiteList& list)
{
    bool available = m_bOn && m_pStore != nullptr;
    for (auto& site : list) {
        site->m_bPasswordInKeyring = false;
        // An empty password is never written over the keyring's copy: it may
        // be one the keyring could not give this run.
        if (!available || site->m_bSavePassword != 1 || site->m_strPassword.empty())
            continue;
        std::string error;
        if (m_pStore->Write(Key(*site), site->m_strPassword, error) == IPasswordStore::Result::Ok) {
            site->m_bPasswordInKeyring = true;
        } else {
            available = false;
            Unavailable(error, "The passwords are kept in the site list file.");
        }
    }
}

void CSitePasswords::Toggle(CSiteList& list, const std::function<bool()>& save)
{
    if (m_bOn)
        TurnOff(list, save);
    else
        TurnOn(list, save);
}

void CSitePasswords::TurnOn(CSiteList& list, const std::function<bool()>& save)
{
    if (m_prompts.MessageBox(kTurnOnQuestion, MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    if (m_pStore == nullptr) {
        Unavailable("no keyring support", "The passwords stay in the site list file.");
        return;
    }
    // Each password is in the keyring before the file loses it.
    for (auto& site : list) {
        std::string error;
        if (site->m_bSavePassword == 1 && !site->m_strPassword.empty() &&
            m_pStore->Write(Key(*site), site->m_strPassword, error) != IPasswordStore::Result::Ok) {
            m_bToldUnavailable = false;   // asked for now: always told
            Unavailable(error, "The passwords stay in the site list file.");
            return;
        }
        site->m_bPasswordInKeyring = site->m_bSavePassword == 1 && !site->m_strPassword.empty();
    }
    SetOn(true);
    save();
}

void CSitePasswords::TurnOff(CSiteList& list, const std::function<bool()>& save)
{
    const MsgResult answer = m_prompts.MessageBox(kTurnOffQuestion, MsgButtons::YesNoCancel, MsgIcon::Question);
    if (answer == MsgResult::Cancel)
        return;
    if (answer == MsgResult::No) {
        // The keyring keeps them and the file holds none; a password the
        // file still holds stays.
        for (auto& site : list) {
            if (site->m_bPasswordInKeyring)
                site->m_strPassword.clear();
        }
        SetOn(false);
        return;
    }
    // Those the keyring could not give at start are fetched first: the
    // keyring's copy goes only once the file holds the password.
    m_bToldUnavailable = false;
    if (!ReadMissing(list))
        return;
    std::vector<std::string> moved;
    for (auto& site : list) {
        if (site->m_bSavePassword == 1 && !site->m_strPassword.empty())
            moved.push_back(Key(*site));
    }
    SetOn(false);
    if (!save()) {
        SetOn(true);   // the file still lacks them: the keyring stays their home
        return;
    }
    if (m_pStore == nullptr)
        return;
    for (const std::string& key : moved) {
        std::string error;
        m_pStore->Remove(key, error);
    }
}
