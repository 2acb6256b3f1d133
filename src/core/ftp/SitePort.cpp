#include "connect/SitePort.h"

#include <charconv>

namespace {

std::optional<uint16_t> PortFromField(const std::string& text)
{
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty() || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

} // namespace

uint16_t SiteConnectionPort(const ParsedUrl& url, const std::string& portField)
{
    if (!url.hasExplicitPort) {
        if (std::optional<uint16_t> fieldPort = PortFromField(portField))
            return *fieldPort;
    }
    return url.port;
}

std::string SiteConnectionPortText(const std::string& address, const std::string& portField)
{
    const std::optional<ParsedUrl> url = ParseSiteAddress(address);
    if (!url)
        return portField;
    return std::to_string(SiteConnectionPort(*url, portField));
}
