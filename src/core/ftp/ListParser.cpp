#include "ftp/ListParser.h"

#include <array>
#include <chrono>
#include <limits>
#include <vector>

// LIST has no standard format: servers print what ls, dir or EPLF print.
// Each parser here recognises its own layout and says Skip to anything else.

namespace ftplist {

std::optional<std::time_t> UtcTime(int year, unsigned month, unsigned day,
                                   unsigned hour, unsigned minute, unsigned second)
{
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
    if (!date.ok() || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    const sys_seconds at = sys_days{date} + hours{hour} + minutes{minute} + seconds{second};
    return static_cast<std::time_t>(at.time_since_epoch().count());
}

bool ParseDecimal(std::string_view text, uint64_t& value)
{
    if (text.empty())
        return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        const auto digit = static_cast<uint64_t>(c - '0');
        if (result > (UINT64_MAX - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

std::string_view StripLineEnd(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

ListLineKind Classify(const FtpListEntry& entry)
{
    if (entry.name.empty())
        return ListLineKind::Skip;
    if (IsDotsName(entry.name))
        return ListLineKind::Skip;
    return IsSafeEntryName(entry.name) ? ListLineKind::Entry : ListLineKind::BadName;
}

} // namespace ftplist

namespace {

using ftplist::ParseDecimal;
using ftplist::UtcTime;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

// A whitespace-separated word and where it ends in the line, so that a name
// can be cut from the line by position with its own spaces intact.
struct Token {
    std::string_view text;
    size_t end = 0;
};

std::vector<Token> Tokenize(std::string_view line)
{
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        const size_t begin = i;
        while (i < line.size() && !IsBlank(line[i]))
            ++i;
        if (i > begin)
            tokens.push_back({line.substr(begin, i - begin), i});
    }
    return tokens;
}

// The text after the token that ends at `end`: exactly one separator is
// dropped, further blanks belong to the name.
std::string_view AfterOneSeparator(std::string_view line, size_t end)
{
    return end + 1 <= line.size() ? line.substr(end + 1) : std::string_view{};
}

std::string_view AfterAllBlanks(std::string_view line, size_t end)
{
    while (end < line.size() && IsBlank(line[end]))
        ++end;
    return line.substr(end);
}

// Two digits at text[pos], as a number.
bool TwoDigits(std::string_view text, size_t pos, unsigned& value)
{
    if (pos + 2 > text.size() || !IsDigits(text.substr(pos, 2)))
        return false;
    value = static_cast<unsigned>((text[pos] - '0') * 10 + (text[pos + 1] - '0'));
    return true;
}

bool SmallNumber(std::string_view text, size_t maxDigits, unsigned& value)
{
    uint64_t parsed = 0;
    if (text.size() > maxDigits || !ParseDecimal(text, parsed))
        return false;
    value = static_cast<unsigned>(parsed);
    return true;
}

// "H:MM" or "HH:MM".
bool ParseClock(std::string_view text, unsigned& hour, unsigned& minute)
{
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3)
        return false;
    return SmallNumber(text.substr(0, colon), 2, hour) && TwoDigits(text, colon + 1, minute)
        && hour <= 23 && minute <= 59;
}

// ---------------------------------------------------------------- Unix ls

unsigned MonthNumber(std::string_view text)
{
    static constexpr std::array<std::string_view, 12> kMonths = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    for (size_t i = 0; i < kMonths.size(); ++i) {
        if (EqualsNoCase(text, kMonths[i]))
            return static_cast<unsigned>(i + 1);
    }
    return 0;
}

// "drwxr-xr-x", with an optional ACL ("+"), SELinux (".") or extended
// attribute ("@") mark after it.
bool IsUnixMode(std::string_view text)
{
    static constexpr std::string_view kTypes = "-dlcbpsDn?";
    static constexpr std::string_view kPermissions = "rwxsStTlL-";
    if (text.size() < 10 || text.size() > 11 || kTypes.find(text[0]) == std::string_view::npos)
        return false;
    for (size_t i = 1; i < 10; ++i) {
        if (kPermissions.find(text[i]) == std::string_view::npos)
            return false;
    }
    return text.size() == 10 || std::string_view("+.@").find(text[10]) != std::string_view::npos;
}

// ls prints a time of day for recent files and leaves the year out: the
// year is the latest one that does not put the date more than a day past
// `now` (a day of slack for servers in time zones ahead of ours).
std::optional<std::time_t> TimeWithoutYear(unsigned month, unsigned day, unsigned hour,
                                           unsigned minute, std::time_t now)
{
    using namespace std::chrono;
    const year_month_day today{floor<days>(sys_seconds{seconds{now}})};
    const int thisYear = static_cast<int>(today.year());
    constexpr std::time_t kSlack = 24 * 60 * 60;
    const std::time_t latest = now > std::numeric_limits<std::time_t>::max() - kSlack
        ? std::numeric_limits<std::time_t>::max()
        : now + kSlack;
    // Bounded: Feb 29 finds a leap year within eight years.
    for (int year = thisYear + 1; year >= thisYear - 8; --year) {
        const auto at = UtcTime(year, month, day, hour, minute);
        if (at && *at <= latest)
            return at;
    }
    return std::nullopt;
}

struct UnixDate {
    size_t firstToken = 0;  // where the date starts among the tokens
    size_t end = 0;         // where its last token ends in the line
    std::optional<std::time_t> time;
};

// "Mon DD HH:MM" or "Mon DD YYYY" starting at tokens[i].
std::optional<UnixDate> ParseLsDate(const std::vector<Token>& tokens, size_t i, std::time_t now)
{
    if (i + 2 >= tokens.size())
        return std::nullopt;
    const unsigned month = MonthNumber(tokens[i].text);
    unsigned day = 0;
    if (month == 0 || !SmallNumber(tokens[i + 1].text, 2, day) || day < 1 || day > 31)
        return std::nullopt;
    const std::string_view last = tokens[i + 2].text;
    UnixDate date{i, tokens[i + 2].end, std::nullopt};
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned year = 0;
    if (ParseClock(last, hour, minute))
        date.time = TimeWithoutYear(month, day, hour, minute, now);
    else if (last.size() == 4 && SmallNumber(last, 4, year) && year >= 1900)
        date.time = UtcTime(static_cast<int>(year), month, day);
    else
        return std::nullopt;
    return date;
}

// "YYYY-MM-DD HH:MM" (ls --time-style=long-iso) starting at tokens[i].
std::optional<UnixDate> ParseIsoDate(const std::vector<Token>& tokens, size_t i)
{
    if (i + 1 >= tokens.size())
        return std::nullopt;
    const std::string_view text = tokens[i].text;
    unsigned year = 0;
    unsigned month = 0;
    unsigned day = 0;
    unsigned hour = 0;
    unsigned minute = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !SmallNumber(text.substr(0, 4), 4, year)
        || !TwoDigits(text, 5, month) || !TwoDigits(text, 8, day)
        || !ParseClock(tokens[i + 1].text, hour, minute))
        return std::nullopt;
    const auto at = UtcTime(static_cast<int>(year), month, day, hour, minute);
    if (!at)
        return std::nullopt;
    return UnixDate{i, tokens[i + 1].end, at};
}

// The size column just before the date: a byte count, or a device's
// "major, minor" (also written "major,minor"), which has no size.
bool ParseSizeColumn(const std::vector<Token>& tokens, size_t dateToken, FtpListEntry& out)
{
    const std::string_view before = tokens[dateToken - 1].text;
    const size_t comma = before.find(',');
    if (comma != std::string_view::npos)
        return IsDigits(before.substr(0, comma)) && IsDigits(before.substr(comma + 1));
    if (!IsDigits(before))
        return false;
    const std::string_view major = tokens[dateToken - 2].text;
    if (major.size() > 1 && major.back() == ',' && IsDigits(major.substr(0, major.size() - 1)))
        return true;
    out.hasSize = ParseDecimal(before, out.size);
    return true;
}

// perms links owner [group] size date name. Owner and group may be any
// word, so the date is found as the first run of tokens that reads as one
// and has a size column before it.
bool ParseUnixLine(std::string_view line, std::time_t now, FtpListEntry& out)
{
    const std::vector<Token> tokens = Tokenize(line);
    if (tokens.size() < 6 || !IsUnixMode(tokens[0].text))
        return false;
    for (size_t i = 2; i + 1 < tokens.size(); ++i) {
        std::optional<UnixDate> date = ParseLsDate(tokens, i, now);
        if (!date)
            date = ParseIsoDate(tokens, i);
        if (!date)
            continue;
        FtpListEntry entry;
        if (!ParseSizeColumn(tokens, i, entry))
            continue;
        const std::string_view name = AfterOneSeparator(line, date->end);
        if (name.empty())
            return false;
        entry.hasTime = date->time.has_value();
        entry.modified = date->time.value_or(0);
        const char type = tokens[0].text[0];
        entry.isDirectory = type == 'd';
        entry.isLink = type == 'l';
        entry.linkMarked = true;
        entry.permissions = std::string(tokens[0].text.substr(1, 9));
        entry.name = std::string(name);
        if (entry.isLink) {
            const size_t arrow = name.find(" -> ");
            if (arrow != std::string_view::npos) {
                entry.name = std::string(name.substr(0, arrow));
                entry.isDirectory = name.back() == '/';
            }
        }
        out = std::move(entry);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- DOS / IIS

// "MM-DD-YY" or "MM-DD-YYYY" ("/" also seen as separator).
bool ParseDosDate(std::string_view text, int& year, unsigned& month, unsigned& day)
{
    if ((text.size() != 8 && text.size() != 10) || (text[2] != '-' && text[2] != '/') || text[5] != text[2])
        return false;
    unsigned parsedYear = 0;
    if (!TwoDigits(text, 0, month) || !TwoDigits(text, 3, day) || !SmallNumber(text.substr(6), 4, parsedYear))
        return false;
    if (text.size() == 8)
        parsedYear += parsedYear >= 70 ? 1900 : 2000;
    year = static_cast<int>(parsedYear);
    return true;
}

// "HH:MM" (24-hour) or "HH:MMAM" / "HH:MMPM"; `meridiem` is a separate
// "AM"/"PM" token when the server put a space before it, else empty.
bool ParseDosTime(std::string_view text, std::string_view meridiem, unsigned& hour, unsigned& minute)
{
    if (meridiem.empty() && text.size() > 2) {
        const std::string_view suffix = text.substr(text.size() - 2);
        if (EqualsNoCase(suffix, "AM") || EqualsNoCase(suffix, "PM")) {
            meridiem = suffix;
            text.remove_suffix(2);
        }
    }
    if (!ParseClock(text, hour, minute))
        return false;
    if (meridiem.empty())
        return true;
    if (hour < 1 || hour > 12)
        return false;
    hour %= 12;
    if (EqualsNoCase(meridiem, "PM"))
        hour += 12;
    return true;
}

// "1234" or "1,234,567": some servers group the digits.
bool ParseGroupedSize(std::string_view text, uint64_t& size)
{
    if (text.empty() || text.front() == ',' || text.back() == ',')
        return false;
    std::string digits;
    for (char c : text) {
        if (c != ',')
            digits.push_back(c);
    }
    return ParseDecimal(digits, size);
}

// date time <DIR>|size name
bool ParseDosLine(std::string_view line, FtpListEntry& out)
{
    const std::vector<Token> tokens = Tokenize(line);
    if (tokens.size() < 4)
        return false;
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    if (!ParseDosDate(tokens[0].text, year, month, day))
        return false;
    size_t next = 2;
    std::string_view meridiem;
    if (EqualsNoCase(tokens[2].text, "AM") || EqualsNoCase(tokens[2].text, "PM")) {
        meridiem = tokens[2].text;
        next = 3;
    }
    unsigned hour = 0;
    unsigned minute = 0;
    if (next + 1 >= tokens.size() || !ParseDosTime(tokens[1].text, meridiem, hour, minute))
        return false;
    const auto at = UtcTime(year, month, day, hour, minute);
    if (!at)
        return false;

    FtpListEntry entry;
    const Token& kind = tokens[next];
    std::string_view name;
    if (EqualsNoCase(kind.text, "<DIR>")) {
        // IIS pads "<DIR>" into the size column: the name starts after the padding.
        entry.isDirectory = true;
        name = AfterAllBlanks(line, kind.end);
    } else if (ParseGroupedSize(kind.text, entry.size)) {
        entry.hasSize = true;
        name = AfterOneSeparator(line, kind.end);
    } else {
        return false;
    }
    if (name.empty())
        return false;
    entry.name = std::string(name);
    entry.hasTime = true;
    entry.modified = *at;
    out = std::move(entry);
    return true;
}

// ---------------------------------------------------------------- EPLF

// "+fact,fact,...,\tname": "/" folder, "r" file, "s<bytes>", "m<epoch seconds>".
bool ParseEplfLine(std::string_view line, FtpListEntry& out)
{
    const size_t tab = line.find('\t');
    if (line.empty() || line.front() != '+' || tab == std::string_view::npos)
        return false;
    FtpListEntry entry;
    std::string_view facts = line.substr(1, tab - 1);
    while (!facts.empty()) {
        const size_t comma = facts.find(',');
        const std::string_view fact = facts.substr(0, comma);
        facts = comma == std::string_view::npos ? std::string_view{} : facts.substr(comma + 1);
        if (fact == "/") {
            entry.isDirectory = true;
        } else if (fact.size() > 1 && fact.front() == 's') {
            entry.hasSize = ParseDecimal(fact.substr(1), entry.size);
        } else if (fact.size() > 1 && fact.front() == 'm') {
            uint64_t seconds = 0;
            if (ParseDecimal(fact.substr(1), seconds) && seconds <= static_cast<uint64_t>(INT64_MAX)) {
                entry.hasTime = true;
                entry.modified = static_cast<std::time_t>(seconds);
            }
        }
    }
    entry.name = std::string(line.substr(tab + 1));
    out = std::move(entry);
    return true;
}

} // namespace

ListLineKind ParseListLine(std::string_view line, std::time_t now, FtpListEntry& out)
{
    out = FtpListEntry{};
    line = ftplist::StripLineEnd(line);
    if (line.empty())
        return ListLineKind::Skip;

    bool parsed = false;
    if (line.front() == '+')
        parsed = ParseEplfLine(line, out);
    else if (line.front() >= '0' && line.front() <= '9')
        parsed = ParseDosLine(line, out);
    else
        parsed = ParseUnixLine(line, now, out);
    if (!parsed)
        return ListLineKind::Skip;

    const ListLineKind kind = ftplist::Classify(out);
    if (kind == ListLineKind::Skip && !IsDotsName(out.name))
        out = FtpListEntry{};
    return kind;
}
