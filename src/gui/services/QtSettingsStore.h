#pragma once

#include "app/Settings.h"

#include <QSettings>
#include <QString>
#include <memory>

// The settings key as an INI file under the user's configuration folder:
// organisation "Brisk Orchard Corp", application "Vamlo", group "Settings".
class CQtSettingsStore : public ISettingsStore {
public:
    CQtSettingsStore();
    // Tests name their own file.
    explicit CQtSettingsStore(const QString& iniPath);

    bool OpenKey() override;
    std::optional<std::string> ReadValue(const std::string& name) override;
    bool WriteValue(const std::string& name, const std::string& data) override;

private:
    std::unique_ptr<QSettings> m_settings;
};
