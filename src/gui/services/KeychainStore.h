#pragma once

#include "app/SitePasswords.h"

// The Secret Service through qtkeychain, under the program's name. Each
// call waits for its answer with the window painting but taking no input,
// and gives up after kAnswerLimitMs (a keyring that never answers is one
// that is not there). Never falls back to storing passwords elsewhere.
class CKeychainStore : public IPasswordStore {
public:
    static constexpr int kAnswerLimitMs = 15000;
    static constexpr const char* kService = "Vamlo";

    Result Write(const std::string& key, const std::string& password, std::string& error) override;
    Result Read(const std::string& key, std::string& password, std::string& error) override;
    Result Remove(const std::string& key, std::string& error) override;
};
