#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ParsedUrl {
    std::string scheme;          // lower case: "ftp", "ftpes", "ftps" or "sftp"
    std::string user, password;  // %XX sequences decoded
    std::string host;            // as written; an IPv6 literal without its brackets
    uint16_t port = 0;           // the explicit port, else the scheme's default (21, 22 for sftp)
    bool hasExplicitPort = false;
    std::string path;            // "/..." exactly as written (not decoded), or empty

    // "ftpes://" and "ftps://" both mean explicit TLS (AUTH TLS on the
    // ordinary port); implicit TLS is not supported.
    bool IsEncrypted() const { return scheme != "ftp"; }
    bool IsSftp() const { return scheme == "sftp"; }
};

// "ftp://[user[:password]@]host[:port][/path]"; the scheme ftp, ftpes,
// ftps or sftp (any case).
// The authority ends at the first "/"; within it the LAST "@" ends the user
// part, so a password may hold a plain "@"; the first ":" after the user
// name starts the password. nullopt for: no "scheme://", another scheme, an
// empty host, a port that is empty, not a number, 0 or above 65535, an
// unterminated or malformed "[...]" literal, blanks or control characters in
// the host, and CR, LF or NUL anywhere in user, password (after decoding) or
// path, since those would end an FTP command early.
std::optional<ParsedUrl> ParseUrl(std::string_view text);

// The program's rule for a typed or stored site address: parse it; if that
// fails, parse "ftp://" + text. `normalized` receives the text that parsed
// (the original, or the one with "ftp://" in front); on failure it receives
// "ftp://" + text, the form an error message quotes.
std::optional<ParsedUrl> ParseSiteAddress(std::string_view text, std::string* normalized = nullptr);

// The address without its "user[:password]@" part, by the same rule as
// ParseUrl: a login typed into an address goes to the site's login fields,
// never into the address that titles, lists and files show.
std::string AddressWithoutUserInfo(std::string_view address);

// A program argument or a handed-over text that names a site (a link such
// as ftp://user@host:port/path) rather than a file: whatever ParseUrl takes.
bool IsSiteLink(std::string_view text);
// The site a link names: scheme, host and port as written, without the
// login and the path.
std::string LinkSiteAddress(std::string_view link);
// The folders of a link's path, one name each, decoded: empty names and "."
// are skipped, ".." takes the last name back; a name holding "/" or NUL ends
// the list, and so does the kMaxLinkFolders-th.
inline constexpr size_t kMaxLinkFolders = 64;
std::vector<std::string> LinkFolderNames(std::string_view path);

// The port an FTP address gets when it names none, as text: "21".
std::string DefaultFtpPortText();
