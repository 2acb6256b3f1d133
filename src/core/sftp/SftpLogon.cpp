// Connecting an SFTP site: the socket, the SSH handshake, the host key and
// the log-on, in OpenSSH's order.
#include "model/AtomicFile.h"
#include "net/NetCancel.h"
#include "net/NetErrors.h"
#include "sftp/SftpConnection.h"
#include "sftp/SftpLink.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr size_t kMaxKnownHostsBytes = 16 * 1024 * 1024;
constexpr size_t kMaxKnownHostsLines = 200000;
constexpr int kMaxPassphraseTries = 3;
constexpr int kMaxQuestionRounds = 10;
constexpr const char* kCiphers = "aes128-gcm@openssh.com,aes256-gcm@openssh.com,chacha20-poly1305@openssh.com,"
                                 "aes128-ctr,aes192-ctr,aes256-ctr";
// The key files OpenSSH tries, in its order.
const char* const kKeyNames[] = {"id_ecdsa", "id_ed25519", "id_rsa"};

struct KeyFree {
    void operator()(ssh_key key) const { ssh_key_free(key); }
};
using UniqueKey = std::unique_ptr<ssh_key_struct, KeyFree>;

bool FileExists(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// "SHA256:..." as OpenSSH shows it.
std::string Fingerprint(ssh_key key)
{
    unsigned char* hash = nullptr;
    size_t length = 0;
    if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) != SSH_OK)
        return "?";
    char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
    ssh_clean_pubkey_hash(&hash);
    std::string result = text ? text : "?";
    ssh_string_free_char(text);
    return result;
}

// The name known_hosts files use for the server.
std::string KnownHostName(const std::string& host, uint16_t port)
{
    return port == 22 ? host : "[" + host + "]:" + std::to_string(port);
}

enum class KeyState { Known, Unknown, Changed };

struct StoredKey {
    KeyState state = KeyState::Unknown;
    std::string file;          // where the differing key is
    std::string fingerprint;   // of that key
};

// Looks the server's key up in one known_hosts file (hashed names too).
void LookUp(const std::string& path, const std::string& name, ssh_key key, StoredKey& found)
{
    std::ifstream in(path);
    std::string line;
    for (size_t count = 0; found.state != KeyState::Known && count < kMaxKnownHostsLines && std::getline(in, line);
         ++count) {
        if (line.size() > 64 * 1024 || line.empty() || line[0] == '#' || line[0] == '@')
            continue;
        ssh_knownhosts_entry* entry = nullptr;
        if (ssh_known_hosts_parse_line(name.c_str(), line.c_str(), &entry) != SSH_OK || entry == nullptr)
            continue;
        if (ssh_key_cmp(key, entry->publickey, SSH_KEY_CMP_PUBLIC) == 0) {
            found.state = KeyState::Known;
        } else if (found.state == KeyState::Unknown) {
            // Any other key stored for the server, of whatever type, may mean
            // someone stands between us and it.
            found.state = KeyState::Changed;
            found.file = path;
            found.fingerprint = Fingerprint(entry->publickey);
        }
        ssh_knownhosts_entry_free(entry);
    }
}

bool AppendKnownHost(ssh_session ssh, const std::string& path, std::string& error)
{
    char* line = nullptr;
    if (ssh_session_export_known_hosts_entry(ssh, &line) != SSH_OK || line == nullptr) {
        error = "the key could not be written out";
        return false;
    }
    std::vector<uint8_t> bytes;
    if (FileExists(path) && !ReadFileBounded(path, kMaxKnownHostsBytes, bytes, error)) {
        ssh_string_free_char(line);
        return false;
    }
    if (!bytes.empty() && bytes.back() != '\n')
        bytes.push_back('\n');
    bytes.insert(bytes.end(), line, line + std::strlen(line));
    ssh_string_free_char(line);
    if (bytes.back() != '\n')
        bytes.push_back('\n');
    return WriteFileAtomically(path, bytes, error);
}

class CSftpLogon {
public:
    CSftpLogon(const SftpLogon& logon, CSftpLink& link) : m_logon(logon), m_link(link) {}

    // Empty on success, else the cause.
    std::string CheckHostKey();
    std::string Authenticate();

private:
    bool Step(const std::function<int()>& call, int& result)
    {
        // A canceled log-on ends here: the connection is not kept.
        if (CurrentActionCanceled())
            m_link.watch->Cut(ERROR_INTERNET_OPERATION_CANCELLED);
        CSshStep step(*m_link.watch, m_link.timeouts.replyMs);
        result = m_link.watch->CutReason() == 0 ? call() : SSH_AUTH_ERROR;
        return result != SSH_AUTH_ERROR;
    }
    bool TryKeys(std::string& cause);
    bool TryQuestions(std::string& cause);
    std::string Lost()
    {
        const int cut = m_link.watch->CutReason();
        PublishStatus(NetStatus::Error(cut ? cut : ERROR_INTERNET_CONNECTION_ABORTED));
        return cut ? SshFailureText(cut, nullptr) : SshFailureText(ERROR_INTERNET_CONNECTION_ABORTED, m_link.ssh);
    }

    const SftpLogon& m_logon;
    CSftpLink& m_link;
};

std::string CSftpLogon::CheckHostKey()
{
    ssh_key raw = nullptr;
    if (ssh_get_server_publickey(m_link.ssh, &raw) != SSH_OK)
        return Lost();
    UniqueKey key(raw);
    const std::string name = KnownHostName(m_logon.host, m_logon.port);
    const std::string type = ssh_key_type_to_char(ssh_key_type(key.get()));
    const std::string fingerprint = Fingerprint(key.get());
    StoredKey found;
    for (const std::string& path : {m_logon.sshDir + "/known_hosts", m_logon.knownHostsPath})
        if (!path.empty() && found.state != KeyState::Known)
            LookUp(path, name, key.get(), found);
    if (found.state == KeyState::Known)
        return {};
    if (found.state != KeyState::Changed && m_logon.acceptedKey != nullptr && *m_logon.acceptedKey == fingerprint)
        return {};
    PublishStatus(NetStatus::Error(ERROR_FTP_CERTIFICATE_REFUSED));
    if (found.state == KeyState::Changed) {
        m_logon.prompts->MessageBox("WARNING: the host key of \"" + name + "\" has changed.\n"
            "Someone may be listening in on the connection, or the server's key was replaced.\n"
            "Key type: " + type + "\nNew fingerprint: " + fingerprint + "\nStored fingerprint: " +
            found.fingerprint + "\nStored in: " + found.file + "\n"
            "The connection was refused. Remove the old key from that file only if you know the new one is right.",
            MsgButtons::Ok, MsgIcon::Warning);
        return "The server's host key differs from the one stored for it.";
    }
    const CertificateAnswer answer = m_logon.prompts->AskCertificate("The host key of \"" + name +
        "\" is not known.\nKey type: " + type + "\nFingerprint: " + fingerprint + "\n"
        "Accept it only if you know this is the server's key.", false);
    if (answer == CertificateAnswer::Cancel)
        return "The server's host key was not accepted.";
    if (m_logon.acceptedKey != nullptr)
        *m_logon.acceptedKey = fingerprint;
    if (answer == CertificateAnswer::Always && !m_logon.knownHostsPath.empty()) {
        std::string error;
        if (!AppendKnownHost(m_link.ssh, m_logon.knownHostsPath, error))
            m_logon.prompts->MessageBox("The host key could not be stored in \"" + m_logon.knownHostsPath +
                "\": " + error + ".", MsgButtons::Ok, MsgIcon::Warning);
    }
    return {};
}

bool CSftpLogon::TryKeys(std::string& cause)
{
    int result = SSH_AUTH_DENIED;
    if (const char* agent = std::getenv("SSH_AUTH_SOCK"); agent && *agent) {
        if (!Step([&] { return ssh_userauth_agent(m_link.ssh, nullptr); }, result) && m_link.watch->CutReason())
            return cause = Lost(), false;
        if (result == SSH_AUTH_SUCCESS)
            return true;
    }
    for (const char* keyName : kKeyNames) {
        const std::string path = m_logon.sshDir + "/" + keyName;
        if (!FileExists(path))
            continue;
        // Offered first by its public half: a passphrase is asked for only
        // for a key the server would take.
        ssh_key rawPublic = nullptr;
        if (ssh_pki_import_pubkey_file((path + ".pub").c_str(), &rawPublic) == SSH_OK) {
            UniqueKey publicKey(rawPublic);
            if (!Step([&] { return ssh_userauth_try_publickey(m_link.ssh, nullptr, publicKey.get()); }, result))
                return cause = Lost(), false;
            if (result != SSH_AUTH_SUCCESS)
                continue;
        }
        ssh_key rawPrivate = nullptr;
        int imported = ssh_pki_import_privkey_file(path.c_str(), "", nullptr, nullptr, &rawPrivate);
        for (int tries = 0; imported != SSH_OK && tries < kMaxPassphraseTries; ++tries) {
            std::string passphrase;
            if (!m_logon.prompts->AskSecret("Key passphrase", "Enter the passphrase of the key \"" + path + "\":",
                    passphrase))
                break;
            imported = ssh_pki_import_privkey_file(path.c_str(), passphrase.c_str(), nullptr, nullptr, &rawPrivate);
            std::fill(passphrase.begin(), passphrase.end(), '\0');
        }
        if (imported != SSH_OK)
            continue;
        UniqueKey privateKey(rawPrivate);
        if (!Step([&] { return ssh_userauth_publickey(m_link.ssh, nullptr, privateKey.get()); }, result))
            return cause = Lost(), false;
        if (result == SSH_AUTH_SUCCESS)
            return true;
    }
    return false;
}

// Keyboard-interactive: the site's password answers the first password
// question; anything else is asked.
bool CSftpLogon::TryQuestions(std::string& cause)
{
    bool passwordUsed = false;
    int result = SSH_AUTH_DENIED;
    if (!Step([&] { return ssh_userauth_kbdint(m_link.ssh, nullptr, nullptr); }, result))
        return cause = Lost(), false;
    for (int round = 0; result == SSH_AUTH_INFO && round < kMaxQuestionRounds; ++round) {
        const int count = ssh_userauth_kbdint_getnprompts(m_link.ssh);
        for (int i = 0; i < count && i < 16; ++i) {
            char echo = 0;
            const std::string prompt = ssh_userauth_kbdint_getprompt(m_link.ssh, static_cast<unsigned>(i), &echo);
            std::string answer;
            if (!passwordUsed && !m_logon.password.empty() && prompt.find("assword") != std::string::npos) {
                answer = m_logon.password;
                passwordUsed = true;
            } else if (!m_logon.prompts->AskSecret("Server question",
                           std::string(ssh_userauth_kbdint_getinstruction(m_link.ssh)) + "\n" + prompt, answer)) {
                return false;
            }
            ssh_userauth_kbdint_setanswer(m_link.ssh, static_cast<unsigned>(i), answer.c_str());
        }
        if (!Step([&] { return ssh_userauth_kbdint(m_link.ssh, nullptr, nullptr); }, result))
            return cause = Lost(), false;
    }
    return result == SSH_AUTH_SUCCESS;
}

std::string CSftpLogon::Authenticate()
{
    int result = SSH_AUTH_DENIED;
    if (!Step([&] { return ssh_userauth_none(m_link.ssh, nullptr); }, result))
        return Lost();
    if (result == SSH_AUTH_SUCCESS)
        return {};
    const int methods = ssh_userauth_list(m_link.ssh, nullptr);
    std::string cause;
    if ((methods & SSH_AUTH_METHOD_PUBLICKEY) && TryKeys(cause))
        return {};
    if (!cause.empty())
        return cause;
    if ((methods & SSH_AUTH_METHOD_PASSWORD) && !m_logon.password.empty()) {
        if (!Step([&] { return ssh_userauth_password(m_link.ssh, nullptr, m_logon.password.c_str()); }, result))
            return Lost();
        if (result == SSH_AUTH_SUCCESS)
            return {};
    }
    if ((methods & SSH_AUTH_METHOD_INTERACTIVE) && TryQuestions(cause))
        return {};
    if (!cause.empty())
        return cause;
    PublishStatus(NetStatus::Error(ERROR_INTERNET_LOGIN_FAILURE));
    return m_logon.password.empty() && (methods & (SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_INTERACTIVE))
               ? "The server accepted none of the keys and asks for a password."
               : "The server refused the log-on: the password is wrong or no key was accepted.";
}

} // namespace

std::string SshFailureText(int code, ssh_session ssh)
{
    std::string text = GetSystemErrorText(code);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (ssh != nullptr && *ssh_get_error(ssh) != '\0')
        text += " (" + std::string(ssh_get_error(ssh)) + ")";
    return text + ".";
}

std::string DefaultSshDirectory()
{
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + "/.ssh";
}

std::shared_ptr<IRemoteConnection> ConnectSftp(const SftpLogon& logon, std::string& cause)
{
    UniqueFd socket;
    if (NetStatus connected = ConnectToHost(logon.host, logon.port, logon.timeouts.connectMs, socket); !connected) {
        PublishStatus(connected);
        cause = SshFailureText(connected.code, nullptr);
        return nullptr;
    }
    auto link = std::make_unique<CSftpLink>();
    link->host = logon.host;
    link->timeouts = logon.timeouts;
    link->ssh = ssh_new();
    if (link->ssh == nullptr) {
        PublishStatus(NetStatus::Error(ERROR_INTERNET_INTERNAL_ERROR));
        cause = SshFailureText(ERROR_INTERNET_INTERNAL_ERROR, nullptr);
        return nullptr;
    }
    const int port = logon.port;
    const int off = 0;
    const long timeoutSeconds = logon.timeouts.replyMs / 1000 + 1;
    const std::string knownHosts = logon.sshDir + "/known_hosts";
    // No configuration files: the site record says everything. The known
    // hosts only steer the choice of the server's key type.
    ssh_options_set(link->ssh, SSH_OPTIONS_PROCESS_CONFIG, &off);
    ssh_options_set(link->ssh, SSH_OPTIONS_HOST, logon.host.c_str());
    ssh_options_set(link->ssh, SSH_OPTIONS_PORT, &port);
    if (!logon.user.empty())
        ssh_options_set(link->ssh, SSH_OPTIONS_USER, logon.user.c_str());
    ssh_options_set(link->ssh, SSH_OPTIONS_SSH_DIR, logon.sshDir.c_str());
    ssh_options_set(link->ssh, SSH_OPTIONS_KNOWNHOSTS, knownHosts.c_str());
    ssh_options_set(link->ssh, SSH_OPTIONS_GLOBAL_KNOWNHOSTS,
        logon.knownHostsPath.empty() ? "/nonexistent" : logon.knownHostsPath.c_str());
    ssh_options_set(link->ssh, SSH_OPTIONS_TIMEOUT, &timeoutSeconds);
    // AES-GCM first: with the processor's AES it moves bulk data fastest.
    for (const ssh_options_e direction : {SSH_OPTIONS_CIPHERS_C_S, SSH_OPTIONS_CIPHERS_S_C})
        ssh_options_set(link->ssh, direction, kCiphers);
    const int fd = socket.Get();
    // Small packets (request headers, window adjustments) go out at once
    // instead of waiting for the peer's acknowledgement.
    const int noDelay = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    // The socket goes to libssh, which closes it with the session.
    ssh_options_set(link->ssh, SSH_OPTIONS_FD, &fd);
    socket.Release();
    link->watch = std::make_unique<CSshWatch>(fd);

    CSftpLogon steps(logon, *link);
    {
        CSshStep step(*link->watch, logon.timeouts.connectMs + logon.timeouts.replyMs);
        if (link->watch->CutReason() != 0 || ssh_connect(link->ssh) != SSH_OK) {
            const int cut = link->watch->CutReason();
            PublishStatus(NetStatus::Error(cut ? cut : ERROR_INTERNET_CONNECTION_ABORTED));
            cause = cut ? SshFailureText(cut, nullptr)
                        : "The server closed the connection during the SSH handshake (" +
                              std::string(ssh_get_error(link->ssh)) + ").";
            return nullptr;
        }
    }
    // Nothing of the user's goes out before the key is accepted.
    if (cause = steps.CheckHostKey(); !cause.empty())
        return nullptr;
    if (cause = steps.Authenticate(); !cause.empty())
        return nullptr;
    std::string folder = "/";
    {
        CSshStep step(*link->watch, logon.timeouts.replyMs);
        link->sftp = link->watch->CutReason() == 0 ? sftp_new(link->ssh) : nullptr;
        if (link->sftp == nullptr || sftp_init(link->sftp) != SSH_OK) {
            const NetStatus failure = link->sftp ? link->Failure() : NetStatus::Error(ERROR_FTP_DROPPED);
            PublishStatus(failure);
            cause = "The server offers no SFTP: " + SshFailureText(failure.code, link->ssh);
            return nullptr;
        }
        if (char* real = sftp_canonicalize_path(link->sftp, ".")) {
            folder = real;
            ssh_string_free_char(real);
        }
    }
    return MakeSftpConnection(std::move(link), folder);
}
