#pragma once

#include "ftp/NetStream.h"

#include <cstdint>
#include <string>

class IPrompts;

inline constexpr const char* kTrustedCertificatesFileName = "__$#VAMLO_TRUSTEDCERTS.TXT";

// The certificates the user chose to trust always: a text file in the
// program directory, one "host:port fingerprint" line per server, replaced
// as a whole on every change.
class CTrustedCertificates {
public:
    explicit CTrustedCertificates(std::string path) : m_strPath(std::move(path)) {}

    // The fingerprint stored for the server, "" when none.
    std::string Find(const std::string& hostPort) const;
    // Adds the server's line or replaces it; false with the reason.
    bool Store(const std::string& hostPort, const std::string& fingerprint, std::string& error) const;

private:
    std::string m_strPath;
};

// "host:port", with an IPv6 literal in brackets.
std::string CertificateHostPort(const std::string& host, uint16_t port);

// The question about a certificate that the system does not vouch for.
std::string CertificateQuestionText(const std::string& hostPort, const CertificateInfo& info,
                                    const std::string& trustedFingerprint);

// Decides about such a certificate: the one stored for the server passes;
// any other is put to the user once (a loud warning when it differs from
// the stored one). "Always" stores it. storePath "" keeps nothing.
bool AcceptCertificate(const CertificateInfo& info, const std::string& hostPort, const std::string& storePath,
                       IPrompts& prompts);
