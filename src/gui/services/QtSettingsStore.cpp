#include "services/QtSettingsStore.h"

#include <QFileInfo>

namespace {
const QString kGroup = QStringLiteral("Settings");
}

CQtSettingsStore::CQtSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("Brisk Orchard Corp"), QStringLiteral("Vamlo")))
{
}

CQtSettingsStore::CQtSettingsStore(const QString& iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

bool CQtSettingsStore::OpenKey()
{
    // QSettings creates the file on its first write; it can do so only when
    // the file, or else its folder, is writable.
    return m_settings->isWritable() && m_settings->status() != QSettings::AccessError;
}

std::optional<std::string> CQtSettingsStore::ReadValue(const std::string& name)
{
    const QString key = kGroup + QLatin1Char('/') + QString::fromStdString(name);
    if (!m_settings->contains(key))
        return std::nullopt;
    return m_settings->value(key).toString().toStdString();
}

bool CQtSettingsStore::WriteValue(const std::string& name, const std::string& data)
{
    m_settings->setValue(kGroup + QLatin1Char('/') + QString::fromStdString(name), QString::fromStdString(data));
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
