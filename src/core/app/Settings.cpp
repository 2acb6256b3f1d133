#include "app/Settings.h"

#include "app/AppCore.h"

#include <algorithm>
#include <cctype>

namespace {

// Each value is read into a buffer of 5 bytes, the terminating zero included:
// a longer text does not fit and counts as missing.
constexpr std::size_t kValueBufferBytes = 5;

std::optional<std::string> ReadFittingValue(ISettingsStore& store, const char* name)
{
    std::optional<std::string> value = store.ReadValue(name);
    if (!value)
        return std::nullopt;
    // The data is a C string: anything after a zero byte is padding.
    value->resize(std::min(value->size(), value->find('\0')));
    if (value->size() + 1 > kValueBufferBytes)
        return std::nullopt;
    return value;
}

bool EqualsNoCase(const std::string& a, const char* b)
{
    std::string lowered;
    for (char c : a)
        lowered += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered == b;
}

// "Yes" turns the option on; "No" and anything else turn it off.
int32_t FlagFromText(const std::string& text) { return EqualsNoCase(text, "yes") ? 1 : 0; }

const char* TextFromFlag(int32_t flag) { return flag == 1 ? "Yes" : "No"; }

int32_t LoadOne(ISettingsStore& store, const char* name, const char* defaultText)
{
    std::optional<std::string> value = ReadFittingValue(store, name);
    if (!value) {
        store.WriteValue(name, defaultText);
        return FlagFromText(defaultText);
    }
    return FlagFromText(*value);
}

} // namespace

void LoadSettings(ISettingsStore& store, int32_t* pAutoSave, int32_t* pAutoRefresh)
{
    if (!store.OpenKey()) {
        *pAutoSave = 0;
        *pAutoRefresh = 1;
        return;
    }
    *pAutoSave = LoadOne(store, kAutoSaveLogValue, "No");
    *pAutoRefresh = LoadOne(store, kAutoRefreshLogViewValue, "Yes");
}

namespace {

// A whole number from least to most; anything else is written back as the fallback.
int LoadBoundedNumber(ISettingsStore& store, const char* name, int fallback, int least, int most)
{
    if (!store.OpenKey())
        return fallback;
    const std::optional<std::string> value = store.ReadValue(name);
    long number = -1;
    if (value && !value->empty() && value->size() <= 5 &&
        std::all_of(value->begin(), value->end(), [](char c) { return c >= '0' && c <= '9'; }))
        number = std::stol(*value);
    if (number < least || number > most) {
        store.WriteValue(name, std::to_string(fallback));
        return fallback;
    }
    return static_cast<int>(number);
}

} // namespace

int LoadKeepAliveSeconds(ISettingsStore& store)
{
    return LoadBoundedNumber(store, kKeepAliveValue, kDefaultKeepAliveSeconds, 0, kMaxKeepAliveSeconds);
}

int LoadTransferConnections(ISettingsStore& store)
{
    return LoadBoundedNumber(store, kTransferConnectionsValue, kDefaultTransferConnections, 1,
                             kMaxTransferConnections);
}

void SaveTransferConnections(ISettingsStore& store, int connections)
{
    if (store.OpenKey())
        store.WriteValue(kTransferConnectionsValue, std::to_string(connections));
}

void SaveSettings(ISettingsStore& store, int32_t autoSave, int32_t autoRefresh)
{
    if (!store.OpenKey())
        return;
    store.WriteValue(kAutoSaveLogValue, TextFromFlag(autoSave));
    store.WriteValue(kAutoRefreshLogViewValue, TextFromFlag(autoRefresh));
}
