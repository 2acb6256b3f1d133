#pragma once

#include "connect/UrlParser.h"

#include <cstdint>
#include <optional>
#include <string>

// The port a site's connection uses: the address's own port when it names
// one; otherwise the record's Port field when that holds a usable port;
// otherwise the scheme's default (21).
uint16_t SiteConnectionPort(const ParsedUrl& url, const std::string& portField);

// The same port as text, for showing beside the address. An address that
// does not parse gives the Port field as it is.
std::string SiteConnectionPortText(const std::string& address, const std::string& portField);
