#include "connect/UrlParser.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr uint16_t kFtpDefaultPort = 21;
constexpr uint16_t kSftpDefaultPort = 22;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsControlOrBlank(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7f;
}

// Bytes that would end or split an FTP command line.
bool HasLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// %XX becomes its byte; a "%" not followed by two hex digits stays as it is.
std::string PercentDecode(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            decoded.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

// 1..65535, digits only.
std::optional<uint16_t> ParsePort(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    unsigned long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned long>(c - '0');
        if (value > 65535)
            return std::nullopt;
    }
    if (value == 0)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

// The inside of "[...]": hex digits, ":" and "." (an IPv4 tail), then an
// optional "%zone".
bool IsIpv6Literal(std::string_view text)
{
    const size_t percent = text.find('%');
    const std::string_view address = text.substr(0, percent);
    if (address.find(':') == std::string_view::npos)
        return false;
    for (char c : address) {
        if (HexValue(c) < 0 && c != ':' && c != '.')
            return false;
    }
    if (percent == std::string_view::npos)
        return true;
    const std::string_view zone = text.substr(percent + 1);
    if (zone.empty())
        return false;
    for (char c : zone) {
        if (IsControlOrBlank(c) || c == '[' || c == ']')
            return false;
    }
    return true;
}

bool IsRegisteredName(std::string_view host)
{
    if (host.empty())
        return false;
    for (char c : host) {
        if (IsControlOrBlank(c) || c == '[' || c == ']')
            return false;
    }
    return true;
}

// host[:port] or [v6][:port] into url.
bool ParseHostAndPort(std::string_view hostPort, ParsedUrl& url)
{
    std::string_view portText;
    bool hasPort = false;
    if (!hostPort.empty() && hostPort.front() == '[') {
        const size_t close = hostPort.find(']');
        if (close == std::string_view::npos || !IsIpv6Literal(hostPort.substr(1, close - 1)))
            return false;
        url.host = std::string(hostPort.substr(1, close - 1));
        const std::string_view rest = hostPort.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return false;
            hasPort = true;
            portText = rest.substr(1);
        }
    } else {
        const size_t colon = hostPort.find(':');
        const std::string_view host = hostPort.substr(0, colon);
        if (!IsRegisteredName(host))
            return false;
        url.host = std::string(host);
        if (colon != std::string_view::npos) {
            hasPort = true;
            portText = hostPort.substr(colon + 1);
        }
    }
    if (!hasPort) {
        url.port = url.IsSftp() ? kSftpDefaultPort : kFtpDefaultPort;
        return true;
    }
    const std::optional<uint16_t> port = ParsePort(portText);
    if (!port)
        return false;
    url.port = *port;
    url.hasExplicitPort = true;
    return true;
}

} // namespace

std::optional<ParsedUrl> ParseUrl(std::string_view text)
{
    const size_t separator = text.find("://");
    if (separator == std::string_view::npos)
        return std::nullopt;
    ParsedUrl url;
    for (char c : text.substr(0, separator))
        url.scheme.push_back(LowerAscii(c));
    if (url.scheme != "ftp" && url.scheme != "ftpes" && url.scheme != "ftps" && url.scheme != "sftp")
        return std::nullopt;

    const std::string_view rest = text.substr(separator + 3);
    const size_t slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    if (slash != std::string_view::npos) {
        url.path = std::string(rest.substr(slash));
        if (HasLineBreakOrNul(url.path))
            return std::nullopt;
    }

    std::string_view hostPort = authority;
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        hostPort = authority.substr(at + 1);
        const size_t colon = userInfo.find(':');
        url.user = PercentDecode(userInfo.substr(0, colon));
        if (colon != std::string_view::npos)
            url.password = PercentDecode(userInfo.substr(colon + 1));
        if (HasLineBreakOrNul(url.user) || HasLineBreakOrNul(url.password))
            return std::nullopt;
    }
    if (!ParseHostAndPort(hostPort, url))
        return std::nullopt;
    return url;
}

std::optional<ParsedUrl> ParseSiteAddress(std::string_view text, std::string* normalized)
{
    if (std::optional<ParsedUrl> url = ParseUrl(text)) {
        if (normalized)
            *normalized = std::string(text);
        return url;
    }
    const std::string withScheme = "ftp://" + std::string(text);
    if (normalized)
        *normalized = withScheme;
    return ParseUrl(withScheme);
}

std::string AddressWithoutUserInfo(std::string_view address)
{
    const size_t separator = address.find("://");
    if (separator == std::string_view::npos)
        return std::string(address);
    const size_t start = separator + 3;
    const size_t at = address.substr(start, address.find('/', start) - start).rfind('@');
    if (at == std::string_view::npos)
        return std::string(address);
    return std::string(address.substr(0, start)) + std::string(address.substr(start + at + 1));
}

bool IsSiteLink(std::string_view text) { return ParseUrl(text).has_value(); }

std::string LinkSiteAddress(std::string_view link)
{
    const std::string address = AddressWithoutUserInfo(link);
    const size_t separator = address.find("://");
    if (separator == std::string::npos)
        return address;
    return address.substr(0, address.find('/', separator + 3));
}

std::vector<std::string> LinkFolderNames(std::string_view path)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start < path.size() && names.size() < kMaxLinkFolders) {
        const size_t slash = std::min(path.find('/', start), path.size());
        const std::string name = PercentDecode(path.substr(start, slash - start));
        start = slash + 1;
        if (name.find_first_of(std::string_view("/\0", 2)) != std::string::npos)
            break;
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
    }
    return names;
}

std::string DefaultFtpPortText()
{
    const std::optional<ParsedUrl> url = ParseUrl("ftp://getportnumber");
    if (!url)
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(url->port));
    return text;
}
