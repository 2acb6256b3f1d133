#include "model/SiteInfo.h"

#include "model/Archive.h"

CVamloSiteInfo::CVamloSiteInfo(const CVamloSiteInfo& other)
{
    *this = other;
}

CVamloSiteInfo& CVamloSiteInfo::operator=(const CVamloSiteInfo& other)
{
    if (this == &other)
        return *this;
    m_strAddress = other.m_strAddress;
    m_strPort = other.m_strPort;
    m_strUserName = other.m_strUserName;
    m_strPassword = other.m_strPassword;
    m_strProxy = other.m_strProxy;
    m_bSavePassword = other.m_bSavePassword;
    m_bReconnectAtLogon = other.m_bReconnectAtLogon;
    m_bAvailable = other.m_bAvailable;
    m_strNotes = other.m_strNotes;
    m_hTreeItem = other.m_hTreeItem;
    m_bDeleted = other.m_bDeleted;
    m_bEdited = other.m_bEdited;
    return *this;
}

CVamloSiteInfo::~CVamloSiteInfo()
{
    Disconnect();
}

void CVamloSiteInfo::Disconnect()
{
    m_pConnection.reset();
    m_pSession.reset();
    // Accepted once means for this connection and the ones opened beside it.
    m_strAcceptedKey.clear();
}

void CVamloSiteInfo::Serialize(CArchiveWriter& archive) const
{
    archive.WriteString(m_strAddress);
    archive.WriteString(m_strPort);
    archive.WriteString(m_strUserName);
    const bool inFile = m_bSavePassword == 1 && !m_bPasswordInKeyring;
    archive.WriteString(inFile ? ScramblePassword(m_strPassword) : std::string());
    archive.WriteString(m_strProxy);
    archive.WriteInt32(m_bSavePassword);
    archive.WriteInt32(m_bReconnectAtLogon);
    archive.WriteInt32(m_bAvailable);
    archive.WriteString(m_strNotes);
}

bool CVamloSiteInfo::Serialize(CArchiveReader& archive)
{
    std::string address, port, userName, password, proxy, notes;
    int32_t savePassword = 0, reconnectAtLogon = 0, available = 0;
    if (!archive.ReadString(address) || !archive.ReadString(port) || !archive.ReadString(userName)
        || !archive.ReadString(password) || !archive.ReadString(proxy)
        || !archive.ReadInt32(savePassword) || !archive.ReadInt32(reconnectAtLogon)
        || !archive.ReadInt32(available) || !archive.ReadString(notes))
        return false;
    m_strAddress = std::move(address);
    m_strPort = std::move(port);
    m_strUserName = std::move(userName);
    m_strPassword = UnscramblePassword(password);
    m_strProxy = std::move(proxy);
    m_bSavePassword = savePassword;
    m_bReconnectAtLogon = reconnectAtLogon;
    m_bAvailable = available;
    m_strNotes = std::move(notes);
    return true;
}
