#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The settings key of the program ("Settings" under the organisation
// "Brisk Orchard Corp", application "Vamlo"). The GUI backs it with QSettings,
// tests with a map.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;

    // Opens the key with full access, creating it when missing. False when it
    // cannot be opened for writing: the caller then uses the defaults.
    virtual bool OpenKey() = 0;
    // The stored text, or nothing when the value is missing.
    virtual std::optional<std::string> ReadValue(const std::string& name) = 0;
    virtual bool WriteValue(const std::string& name, const std::string& data) = 0;
};

inline constexpr const char* kAutoSaveLogValue = "AutoSaveLog";
inline constexpr const char* kAutoRefreshLogViewValue = "AutoRefreshLogView";

inline constexpr const char* kKeepAliveValue = "KeepAliveSeconds";
inline constexpr int kDefaultKeepAliveSeconds = 60;
inline constexpr int kMaxKeepAliveSeconds = 24 * 60 * 60;

// Seconds of idleness after which a connected site is sent NOOP; 0 turns it
// off. A missing or unreadable value (not 0 to a day in digits) is written
// back as the default, 60, so that the settings file shows the option.
int LoadKeepAliveSeconds(ISettingsStore& store);

inline constexpr const char* kTransferConnectionsValue = "TransferConnections";
inline constexpr int kDefaultTransferConnections = 4;
// The connections a transfer of many files may use, 1 to 10; a missing or
// unreadable value is written back as the default, 4.
int LoadTransferConnections(ISettingsStore& store);
void SaveTransferConnections(ISettingsStore& store, int connections);

// Reads both log options; missing or oversized values are written back with
// their defaults ("No" and "Yes"). An unopenable key gives the defaults and
// writes nothing.
void LoadSettings(ISettingsStore& store, int32_t* pAutoSave, int32_t* pAutoRefresh);
// Writes "Yes" for a flag of 1, else "No". Nothing is written when the key
// cannot be opened.
void SaveSettings(ISettingsStore& store, int32_t autoSave, int32_t autoRefresh);
