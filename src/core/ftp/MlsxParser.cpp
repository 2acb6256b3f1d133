#include "ftp/ListParser.h"

// MLSD and MLST lines: "fact=value;fact=value; name". Facts hold no spaces,
// so the first space ends them and everything after that one space is the
// name, ";" and spaces included.

namespace {

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// Every ";"-separated piece is "name=value" with a name; the last ";" is
// expected but not insisted on.
bool LooksLikeFacts(std::string_view facts)
{
    if (facts.empty())
        return false;
    while (!facts.empty()) {
        const size_t semicolon = facts.find(';');
        const std::string_view fact = facts.substr(0, semicolon);
        const size_t equals = fact.find('=');
        if (equals == std::string_view::npos || equals == 0)
            return false;
        facts = semicolon == std::string_view::npos ? std::string_view{} : facts.substr(semicolon + 1);
    }
    return true;
}

// "YYYYMMDDHHMMSS" with optional ".sss", in UTC.
std::optional<std::time_t> ParseModify(std::string_view value)
{
    const size_t dot = value.find('.');
    const std::string_view whole = value.substr(0, dot);
    uint64_t fraction = 0;
    if (whole.size() != 14 || (dot != std::string_view::npos && !ftplist::ParseDecimal(value.substr(dot + 1), fraction)))
        return std::nullopt;
    unsigned parts[6] = {};
    static constexpr size_t kOffsets[7] = {0, 4, 6, 8, 10, 12, 14};
    for (size_t i = 0; i < 6; ++i) {
        uint64_t part = 0;
        if (!ftplist::ParseDecimal(whole.substr(kOffsets[i], kOffsets[i + 1] - kOffsets[i]), part))
            return std::nullopt;
        parts[i] = static_cast<unsigned>(part);
    }
    return ftplist::UtcTime(static_cast<int>(parts[0]), parts[1], parts[2], parts[3], parts[4], parts[5]);
}

struct MlsxFacts {
    bool selfOrParent = false;  // type=cdir or type=pdir
};

void ApplyFact(std::string_view fact, FtpListEntry& entry, MlsxFacts& facts)
{
    const size_t equals = fact.find('=');
    if (equals == std::string_view::npos)
        return;
    const std::string name = LowerAscii(fact.substr(0, equals));
    const std::string_view value = fact.substr(equals + 1);
    if (name == "type") {
        const std::string type = LowerAscii(value);
        if (type == "dir") {
            entry.isDirectory = true;
        } else if (type == "cdir" || type == "pdir") {
            entry.isDirectory = true;
            facts.selfOrParent = true;
        } else if (type.starts_with("os.unix=slink") || type.starts_with("os.unix=symlink")) {
            entry.isLink = true;
        }
    } else if (name == "size") {
        entry.hasSize = ftplist::ParseDecimal(value, entry.size);
    } else if (name == "unix.mode") {
        // "0755", "755", or Python's "0o755"; the three low digits are the
        // nine bits shown.
        std::string_view digits = value.starts_with("0o") ? value.substr(2) : value;
        uint64_t mode = 0;
        for (const char c : digits)
            mode = c >= '0' && c <= '7' && mode < 010000 ? mode * 8 + static_cast<uint64_t>(c - '0') : UINT64_MAX;
        if (!digits.empty() && mode != UINT64_MAX)
            entry.permissions = ModeLetters(static_cast<unsigned>(mode));
    } else if (name == "modify") {
        const auto at = ParseModify(value);
        entry.hasTime = at.has_value();
        entry.modified = at.value_or(0);
    }
}

} // namespace

ListLineKind ParseMlsxLine(std::string_view line, FtpListEntry& out)
{
    out = FtpListEntry{};
    line = ftplist::StripLineEnd(line);
    size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return ListLineKind::Skip;
    std::string_view facts = line.substr(0, space);
    std::string_view name = line.substr(space + 1);
    if (space == 0) {
        // Either a line without facts, or an MLST entry line with its
        // leading space still on: the latter when what follows reads as facts.
        const size_t next = name.find(' ');
        if (next != std::string_view::npos && LooksLikeFacts(name.substr(0, next))) {
            facts = name.substr(0, next);
            name = name.substr(next + 1);
        }
    } else if (!LooksLikeFacts(facts)) {
        return ListLineKind::Skip;
    }

    FtpListEntry entry;
    MlsxFacts seen;
    while (!facts.empty()) {
        const size_t semicolon = facts.find(';');
        ApplyFact(facts.substr(0, semicolon), entry, seen);
        facts = semicolon == std::string_view::npos ? std::string_view{} : facts.substr(semicolon + 1);
    }
    entry.name = std::string(name);
    if (entry.name.empty())
        return ListLineKind::Skip;
    out = std::move(entry);
    // The listed folder and its parent are not entries of it, whatever
    // name the server gives them (often a full path).
    if (seen.selfOrParent)
        return ListLineKind::Skip;
    return ftplist::Classify(out);
}
