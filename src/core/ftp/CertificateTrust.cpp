#include "ftp/CertificateTrust.h"

#include "app/Prompts.h"
#include "model/AtomicFile.h"

#include <cerrno>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr size_t kMaxStoreBytes = 1024 * 1024;

// Two workers may store at once (a transfer's reconnect and a short action).
std::mutex g_storeMutex;

struct StoredLine {
    std::string hostPort;
    std::string fingerprint;
};

bool ReadLines(const std::string& path, std::vector<StoredLine>& lines, std::string& error)
{
    lines.clear();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT;   // nothing stored yet
    std::vector<uint8_t> bytes;
    if (!ReadFileBounded(path, kMaxStoreBytes, bytes, error))
        return false;
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    std::string line;
    while (std::getline(text, line)) {
        std::istringstream words(line);
        StoredLine stored;
        if (words >> stored.hostPort >> stored.fingerprint)
            lines.push_back(std::move(stored));
    }
    return true;
}

} // namespace

std::string CTrustedCertificates::Find(const std::string& hostPort) const
{
    std::lock_guard lock(g_storeMutex);
    std::vector<StoredLine> lines;
    std::string error;
    if (m_strPath.empty() || !ReadLines(m_strPath, lines, error))
        return {};
    for (const StoredLine& line : lines)
        if (line.hostPort == hostPort)
            return line.fingerprint;
    return {};
}

bool CTrustedCertificates::Store(const std::string& hostPort, const std::string& fingerprint,
                                 std::string& error) const
{
    std::lock_guard lock(g_storeMutex);
    std::vector<StoredLine> lines;
    // A file that cannot be read is left alone rather than replaced by one line.
    if (m_strPath.empty() || !ReadLines(m_strPath, lines, error)) {
        if (error.empty())
            error = "The program directory is not known";
        return false;
    }
    std::string text;
    for (const StoredLine& line : lines)
        if (line.hostPort != hostPort)
            text += line.hostPort + " " + line.fingerprint + "\n";
    text += hostPort + " " + fingerprint + "\n";
    return WriteFileAtomically(m_strPath, std::vector<uint8_t>(text.begin(), text.end()), error);
}

std::string CertificateHostPort(const std::string& host, uint16_t port)
{
    const std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return shown + ":" + std::to_string(port);
}

std::string CertificateQuestionText(const std::string& hostPort, const CertificateInfo& info,
                                    const std::string& trustedFingerprint)
{
    std::string text;
    if (trustedFingerprint.empty()) {
        text = "The certificate of the ftp site \"" + hostPort + "\" could not be verified.\n";
    } else {
        text = "WARNING: The certificate of the ftp site \"" + hostPort +
               "\" is not the one you chose to trust always.\n"
               "Someone may be intercepting the connection. Accept it only if you know that the server has a "
               "new certificate.\n";
    }
    text += "Reason: " + info.problem + "\n\n";
    text += "Subject: " + info.subject + "\nIssuer: " + info.issuer + "\nValid from: " + info.validFrom +
            "\nValid until: " + info.validUntil + "\nSHA-256 fingerprint: " + info.fingerprint;
    if (!trustedFingerprint.empty())
        text += "\nTrusted fingerprint: " + trustedFingerprint;
    return text;
}

bool AcceptCertificate(const CertificateInfo& info, const std::string& hostPort, const std::string& storePath,
                       IPrompts& prompts)
{
    if (info.fingerprint.empty())
        return false;
    const CTrustedCertificates store(storePath);
    const std::string trusted = store.Find(hostPort);
    if (trusted == info.fingerprint)
        return true;
    const CertificateAnswer answer =
        prompts.AskCertificate(CertificateQuestionText(hostPort, info, trusted), !trusted.empty());
    if (answer == CertificateAnswer::Cancel)
        return false;
    if (answer == CertificateAnswer::Always) {
        std::string error;
        // The user trusted it: this connection goes on even when it cannot be kept.
        if (!store.Store(hostPort, info.fingerprint, error))
            prompts.MessageBox("The certificate could not be stored as trusted.\nCause: " + error, MsgButtons::Ok,
                               MsgIcon::Warning);
    }
    return true;
}
