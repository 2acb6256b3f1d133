#pragma once

#include "model/SiteList.h"

#include <cstdint>
#include <functional>
#include <string>

class IPrompts;
class ISettingsStore;

// The system's password store (the Secret Service on this desktop). The GUI
// backs it with qtkeychain; the core only asks.
class IPasswordStore {
public:
    enum class Result { Ok, NotFound, Unavailable };
    virtual ~IPasswordStore() = default;
    // error: why, for Unavailable.
    virtual Result Write(const std::string& key, const std::string& password, std::string& error) = 0;
    virtual Result Read(const std::string& key, std::string& password, std::string& error) = 0;
    virtual Result Remove(const std::string& key, std::string& error) = 0;
};

inline constexpr const char* kKeyringPasswordsValue = "KeyringPasswords";

// Where saved passwords live: in the site list file (scrambled, as always),
// or, with "Keep passwords in the system keyring" on, in the store, the file
// then holding an empty password in their place. The file's format is the
// same either way. A store that does not answer is told once per run, and
// the passwords stay where they were.
class CSitePasswords {
public:
    CSitePasswords(IPrompts& prompts, ISettingsStore* settings, IPasswordStore* store);

    bool IsOn() const { return m_bOn; }
    // The store's entry of a site: its user and address.
    static std::string Key(const CVamloSiteInfo& site);

    // After the file was read: the saved passwords the file left empty are
    // read from the store.
    void FillFromStore(CSiteList& list);
    // Before the file is written: each saved password goes to the store
    // first; those stored are marked to be written empty.
    void StoreBeforeSave(CSiteList& list);

    // The menu's toggle. save writes the site list file (true when written).
    // On: after a question, the passwords move into the store, then the file
    // is written without them. Off: asks whether to move them back into the
    // file; the store's copies go only once the file holds them.
    void Toggle(CSiteList& list, const std::function<bool()>& save);

    static constexpr const char* kTurnOnQuestion =
        "Move the saved passwords of the site list into the system keyring?\n"
        "The site list file then keeps an empty password in their place.";
    static constexpr const char* kTurnOffQuestion =
        "Move the saved passwords back from the system keyring into the site list file?\n"
        "No leaves them in the keyring only; Vamlo then does not use them.";

private:
    void TurnOn(CSiteList& list, const std::function<bool()>& save);
    void TurnOff(CSiteList& list, const std::function<bool()>& save);
    void SetOn(bool on);
    // Tells once per run that the store does not answer.
    void Unavailable(const std::string& error, const char* consequence);
    bool ReadMissing(CSiteList& list);

    IPrompts& m_prompts;
    ISettingsStore* m_pSettings;
    IPasswordStore* m_pStore;
    bool m_bOn = false;
    bool m_bToldUnavailable = false;
};
