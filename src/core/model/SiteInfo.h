#pragma once

#include "model/PasswordScramble.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

class CArchiveReader;
class CArchiveWriter;
class CInternetSession;
class IRemoteConnection;
class IConnectContext;

// One FTP site the user knows. The persistent fields go to the site list
// file; the session, connection and tree item exist only while the program
// runs, and the last three fields are the Site Manager's bookkeeping.
class CVamloSiteInfo {
public:
    static constexpr const char* kClassName = "CVamloSiteInfo";
    static constexpr uint16_t kSchema = 2;

    CVamloSiteInfo() = default;
    // A copy is a fresh record given the fields that assignment copies.
    CVamloSiteInfo(const CVamloSiteInfo& other);
    // Copies the persistent fields, the tree item and the Site Manager's
    // edited and deleted marks; never the session, the connection or the
    // edit id. Assigning a record to itself does nothing.
    CVamloSiteInfo& operator=(const CVamloSiteInfo& other);
    // Disconnects first, so a deleted record leaves nothing open.
    ~CVamloSiteInfo();

    // Defined with the FTP engine.
    int Connect(IConnectContext& context);
    int Reconnect(IConnectContext& context);
    // Drops the connection, then the session; the last owner's destructor
    // closes them, so a transfer that still holds the connection keeps it.
    void Disconnect();
    // Disconnect for the GUI thread: the connection is closed at once, with
    // no wait for the server's farewell. Only while holding m_mutexInUse.
    void DisconnectWithoutWaiting();
    // The sftp:// branch of Connect: address is the normalized one.
    int ConnectSftpSite(IConnectContext& context, const std::string& address, uint16_t port);

    // Writes the persistent fields in file order. The password is written
    // scrambled only when m_bSavePassword is exactly 1, else empty.
    void Serialize(CArchiveWriter& archive) const;
    // Reads the persistent fields; on failure the record is left unchanged.
    bool Serialize(CArchiveReader& archive);

    std::shared_ptr<CInternetSession> m_pSession;
    std::shared_ptr<IRemoteConnection> m_pConnection;
    std::uintptr_t m_hTreeItem = 0;
    // Remote folders where the server refused to rename an upload in this
    // run: uploads go straight to their names there. Never copied.
    std::set<std::string> m_noRenameFolders;
    // A password that came in a link: it logs this run's connections on in
    // place of m_strPassword, and is never copied, saved or shown.
    std::string m_strLinkPassword;
    // The certificate or host key fingerprint the user accepted for the
    // site's connection, which its transfers' extra connections take too;
    // gone with the connection, never copied or saved.
    std::string m_strAcceptedKey;
    std::string m_strAddress;
    std::string m_strPort = "21";
    std::string m_strUserName;
    std::string m_strPassword;
    std::string m_strProxy;
    int32_t m_bSavePassword = 0;
    int32_t m_bReconnectAtLogon = 0;
    int32_t m_bAvailable = 0;
    std::string m_strNotes;
    int32_t m_nEditId = 0;
    int32_t m_bEdited = 0;
    int32_t m_bDeleted = 0;
    // The system keyring holds the saved password: the file gets an empty
    // one. Set before each save, never copied.
    bool m_bPasswordInKeyring = false;

    // Held by a transfer for its whole action; the GUI thread only tries it,
    // and tells the user the site is busy when it is taken. Never copied.
    std::mutex m_mutexInUse;

    // A look, not a wait: whether someone holds m_mutexInUse right now.
    // A named login other than anonymous with no password to give: its
    // password must be asked for before it connects (a site list written
    // while the passwords were kept in the system keyring holds none).
    bool LacksPassword() const
    {
        return !m_strUserName.empty() && m_strUserName != "anonymous" && m_strPassword.empty();
    }

    bool IsInUse()
    {
        std::unique_lock<std::mutex> probe(m_mutexInUse, std::try_to_lock);
        return !probe.owns_lock();
    }
};
