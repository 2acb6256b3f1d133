#include "ftp/FtpListing.h"
#include "ftp/ListParser.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace std::string_view_literals;

namespace {

// Expected times come from the C library's timegm, not from the parser's
// own date code.
std::time_t Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return timegm(&tm);
}

// A Friday afternoon; decides the year of "Mon DD HH:MM" dates.
const std::time_t kNow = Utc(2024, 3, 15, 12, 0);

struct Row {
    int id;
    std::string_view line;
    ListLineKind kind;
    std::string_view name = {};
    bool isDirectory = false;
    bool isLink = false;
    std::optional<uint64_t> size = std::nullopt;
    std::optional<std::time_t> time = std::nullopt;
};

constexpr bool kDir = true;
constexpr bool kFile = false;
constexpr bool kLink = true;
constexpr bool kPlain = false;
constexpr auto kEntry = ListLineKind::Entry;
constexpr auto kSkip = ListLineKind::Skip;
constexpr auto kBad = ListLineKind::BadName;

template <typename Parse>
void CheckRows(const std::vector<Row>& rows, Parse parse)
{
    for (const Row& row : rows) {
        SCOPED_TRACE("row " + std::to_string(row.id) + ": " + std::string(row.line));
        // Every prefix, in either parser: no read past the text (the sanitizers
        // watch), and nothing unsafe ever comes out as an entry.
        for (size_t length = 0; length <= row.line.size(); ++length) {
            const std::string cut(row.line.substr(0, length));
            FtpListEntry listed;
            FtpListEntry facts;
            if (ParseListLine(cut, kNow, listed) == kEntry) {
                EXPECT_TRUE(IsSafeEntryName(listed.name)) << cut;
            }
            if (ParseMlsxLine(cut, facts) == kEntry) {
                EXPECT_TRUE(IsSafeEntryName(facts.name)) << cut;
            }
        }
        FtpListEntry entry;
        entry.name = "stale";
        entry.hasSize = true;
        const ListLineKind kind = parse(row.line, entry);
        EXPECT_EQ(kind, row.kind);
        if (row.kind == kSkip && row.name.empty()) {
            EXPECT_TRUE(entry.name.empty());
            EXPECT_FALSE(entry.hasSize);
            continue;
        }
        EXPECT_EQ(entry.name, row.name);
        EXPECT_EQ(entry.isDirectory, row.isDirectory);
        EXPECT_EQ(entry.isLink, row.isLink);
        EXPECT_EQ(entry.hasSize, row.size.has_value());
        if (row.size) {
            EXPECT_EQ(entry.size, *row.size);
        }
        EXPECT_EQ(entry.hasTime, row.time.has_value());
        if (row.time) {
            EXPECT_EQ(entry.modified, *row.time);
        }
    }
}

ListLineKind ParseList(std::string_view line, FtpListEntry& entry)
{
    return ParseListLine(line, kNow, entry);
}

std::vector<Row> UnixRows()
{
    return {
        // pyftpdlib: zero-padded day, "%8s" size column.
        {1, "-rw-r--r--   1 root     root            5 Mar 06 10:48 a file.txt\r\n", kEntry, "a file.txt", kFile, kPlain, 5, Utc(2024, 3, 6, 10, 48)},
        {2, "-rw-r--r--   1 root     root            0 Mar 06 10:48   lead", kEntry, "  lead", kFile, kPlain, 0, Utc(2024, 3, 6, 10, 48)},
        {3, "-rw-r--r--   1 root     root     5368709120 Mar 06 10:48 big.iso", kEntry, "big.iso", kFile, kPlain, 5368709120ULL, Utc(2024, 3, 6, 10, 48)},
        {4, "lrwxrwxrwx   1 root     root            3 Mar 06 10:48 linkdir -> sub", kEntry, "linkdir", kFile, kLink, 3, Utc(2024, 3, 6, 10, 48)},
        {5, "drwxr-xr-x   2 root     root         4096 Jun 01  2019 sub", kEntry, "sub", kDir, kPlain, 4096, Utc(2019, 6, 1)},
        // vsftpd: numeric ids; Dec 31 would be far ahead this year, so last year.
        {6, "-rw-r--r--    1 1000     1000       104857 Dec 31 23:59 report.pdf", kEntry, "report.pdf", kFile, kPlain, 104857, Utc(2023, 12, 31, 23, 59)},
        // ProFTPD: space-padded day; ACL and SELinux marks on the mode.
        {7, "-rw-r--r--+  1 ftp      ftp         12345 Mar  5 14:22 acl.txt", kEntry, "acl.txt", kFile, kPlain, 12345, Utc(2024, 3, 5, 14, 22)},
        {8, "drwxr-xr-x.  3 ftpuser  ftpgroup     4096 Feb 29 09:00 leapday", kEntry, "leapday", kDir, kPlain, 4096, Utc(2024, 2, 29, 9, 0)},
        // Pure-FTPd: wide name columns. Less than a day ahead stays this year.
        {9, "-rw-r--r--    1 alice      users           2048 Mar 16 08:00 tomorrow.txt", kEntry, "tomorrow.txt", kFile, kPlain, 2048, Utc(2024, 3, 16, 8, 0)},
        {10, "-rw-r--r--    1 alice      users           2048 Mar 17 13:00 later.txt", kEntry, "later.txt", kFile, kPlain, 2048, Utc(2023, 3, 17, 13, 0)},
        // wu-ftpd style without a group column.
        {11, "-rw-r--r--   1 root     1024 Jan 10  2020 nogroup.txt", kEntry, "nogroup.txt", kFile, kPlain, 1024, Utc(2020, 1, 10)},
        // Devices: "major, minor" instead of a size.
        {12, "crw-rw-rw-   1 root     root       1,   3 Jan  1  2020 null", kEntry, "null", kFile, kPlain, std::nullopt, Utc(2020, 1, 1)},
        {13, "brw-rw----   1 root     disk     8,0 Jan  1  2020 sda", kEntry, "sda", kFile, kPlain, std::nullopt, Utc(2020, 1, 1)},
        // Month names in any case, UTF-8 names, names that look like other things.
        {14, "-rw-r--r--   1 user     group          10 JAN 02  2020 UPPER", kEntry, "UPPER", kFile, kPlain, 10, Utc(2020, 1, 2)},
        {15, "-rw-r--r--   1 user     group          42 Mar 01 12:00 Ünïcødé файл.txt", kEntry, "Ünïcødé файл.txt", kFile, kPlain, 42, Utc(2024, 3, 1, 12, 0)},
        {16, "lrwxrwxrwx   1 user     group           4 Mar 01 12:00 docs -> ../share/docs/", kEntry, "docs", kDir, kLink, 4, Utc(2024, 3, 1, 12, 0)},
        {17, "-rw-r--r--   1 user     group           1 Mar 01 12:00 a -> b", kEntry, "a -> b", kFile, kPlain, 1, Utc(2024, 3, 1, 12, 0)},
        {18, "-rw-r--r--   1 user     group           7 Mar 01 12:00 Jan 5  2020 notes", kEntry, "Jan 5  2020 notes", kFile, kPlain, 7, Utc(2024, 3, 1, 12, 0)},
        {19, "-rw-r--r--   1 may      jun             7 Mar 01 12:00 x", kEntry, "x", kFile, kPlain, 7, Utc(2024, 3, 1, 12, 0)},
        {20, "-rw-r--r--   1 user     group           9 Mar 01 12:00 two  inner  spaces ", kEntry, "two  inner  spaces ", kFile, kPlain, 9, Utc(2024, 3, 1, 12, 0)},
        {21, "-rw-r--r--   1 user     group          99 2023-11-02 17:45 iso.txt", kEntry, "iso.txt", kFile, kPlain, 99, Utc(2023, 11, 2, 17, 45)},
        // A date that reads as one but does not exist: the entry stays, without a time.
        {22, "-rw-r--r--   1 user     group          10 Feb 30  2020 nodate", kEntry, "nodate", kFile, kPlain, 10, std::nullopt},
        // Not entries.
        {23, "total 12", kSkip},
        {24, "", kSkip},
        {25, "ls: cannot open directory .: Permission denied", kSkip},
        {26, "-rw-r--r--   1 user     group          10 Mar 01 12:00", kSkip},
        {27, "-rw-r--r--   1 user     group         ten Mar 01 12:00 nosize", kSkip},
        {28, "xrw-r--r--   1 user     group          10 Mar 01 12:00 badmode", kSkip},
        {29, "drwxr-xr-x   2 user     group        4096 Mar 01 12:00 ..", kSkip, "..", kDir, kPlain, 4096, Utc(2024, 3, 1, 12, 0)},
        // Dangerous names.
        {30, "-rw-r--r--   1 user     group           1 Mar 01 12:00 ../x", kBad, "../x", kFile, kPlain, 1, Utc(2024, 3, 1, 12, 0)},
        {31, "lrwxrwxrwx   1 user     group           1 Mar 01 12:00 .. -> /etc", kSkip, "..", kFile, kLink, 1, Utc(2024, 3, 1, 12, 0)},
    };
}

std::vector<Row> DosRows()
{
    return {
        // IIS: "<DIR>" padded into the size column, 12-hour times.
        {1, "01-02-20  03:04PM       <DIR>          aspnet_client", kEntry, "aspnet_client", kDir, kPlain, std::nullopt, Utc(2020, 1, 2, 15, 4)},
        {2, "02-05-19  10:15AM                  689 iisstart.htm\r\n", kEntry, "iisstart.htm", kFile, kPlain, 689, Utc(2019, 2, 5, 10, 15)},
        {3, "12-31-1999  11:59PM           1,234,567 report with spaces.doc", kEntry, "report with spaces.doc", kFile, kPlain, 1234567, Utc(1999, 12, 31, 23, 59)},
        {4, "07-04-98  12:30PM                   1 noon", kEntry, "noon", kFile, kPlain, 1, Utc(1998, 7, 4, 12, 30)},
        {5, "10-21-2023  17:30       <DIR>          Logs", kEntry, "Logs", kDir, kPlain, std::nullopt, Utc(2023, 10, 21, 17, 30)},
        {6, "03-04-70  12:30PM                100 seventy", kEntry, "seventy", kFile, kPlain, 100, Utc(1970, 3, 4, 12, 30)},
        {7, "03-04-69  12:30PM                100 sixtynine", kEntry, "sixtynine", kFile, kPlain, 100, Utc(2069, 3, 4, 12, 30)},
        {8, "01-02-20  03:04 PM                12 spaced", kEntry, "spaced", kFile, kPlain, 12, Utc(2020, 1, 2, 15, 4)},
        {9, "01-02-20  03:04PM                12  lead", kEntry, " lead", kFile, kPlain, 12, Utc(2020, 1, 2, 15, 4)},
        {10, "13-01-20  01:00PM                100 badmonth", kSkip},
        {11, "01-02-20  13:04PM                 12 badhour", kSkip},
        {12, "01-02-20  03:04PM                1,2, trailingcomma", kSkip},
        {13, "01-02-20  03:04PM       <DIR>          ..", kSkip, "..", kDir, kPlain, std::nullopt, Utc(2020, 1, 2, 15, 4)},
        {14, "01-02-20  03:04PM                   12 ../evil", kBad, "../evil", kFile, kPlain, 12, Utc(2020, 1, 2, 15, 4)},
        {15, "01-02-20  03:04PM       <DIR>          a/b", kBad, "a/b", kDir, kPlain, std::nullopt, Utc(2020, 1, 2, 15, 4)},
    };
}

std::vector<Row> EplfRows()
{
    return {
        {1, "+i8388621.48594,m825718503,r,s280,\tdjb.html", kEntry, "djb.html", kFile, kPlain, 280, 825718503},
        {2, "+i8388621.50690,m824255907,/,\t514", kEntry, "514", kDir, kPlain, std::nullopt, 824255907},
        {3, "+r,s5368709120,\tbig file.iso\r\n", kEntry, "big file.iso", kFile, kPlain, 5368709120ULL, std::nullopt},
        {4, "+i8388621.48598,m824253270,r,s612,\t../x", kBad, "../x", kFile, kPlain, 612, 824253270},
        {5, "+m1,r,s1 no tab", kSkip},
        {6, "+r,s1,\t", kSkip},
    };
}

ListLineKind ParseMlsx(std::string_view line, FtpListEntry& entry) { return ParseMlsxLine(line, entry); }

std::vector<Row> MlsdRows()
{
    return {
        // pyftpdlib's own facts.
        {1, "modify=20240306104806;perm=r;size=5;type=file;unix.mode=0644; a file.txt\r\n", kEntry, "a file.txt", kFile, kPlain, 5, Utc(2024, 3, 6, 10, 48, 6)},
        {2, "modify=20240306104806;perm=r;size=0;type=file;unix.mode=0644;   lead", kEntry, "  lead", kFile, kPlain, 0, Utc(2024, 3, 6, 10, 48, 6)},
        {3, "type=cdir;modify=20240306104806;perm=flcdmpe; .", kSkip, ".", kDir, kPlain, std::nullopt, Utc(2024, 3, 6, 10, 48, 6)},
        {4, "type=pdir;modify=20240306104806;perm=flcdmpe; ..", kSkip, "..", kDir, kPlain, std::nullopt, Utc(2024, 3, 6, 10, 48, 6)},
        {5, "Type=dir;Modify=20231102174500; Photos 2023", kEntry, "Photos 2023", kDir, kPlain, std::nullopt, Utc(2023, 11, 2, 17, 45)},
        {6, "size=5368709120;type=file; big.iso", kEntry, "big.iso", kFile, kPlain, 5368709120ULL},
        {7, "type=file;size=10; semi;colon;name", kEntry, "semi;colon;name", kFile, kPlain, 10},
        {8, " nofacts name.txt", kEntry, "nofacts name.txt", kFile},
        // MLST's entry line keeps its leading space.
        {9, " type=file;size=3;modify=20200101000000; x.txt", kEntry, "x.txt", kFile, kPlain, 3, Utc(2020, 1, 1)},
        {10, " type=file;size=3; /pub/x.txt", kBad, "/pub/x.txt", kFile, kPlain, 3},
        {11, "type=OS.unix=slink:/etc/x;size=3; link", kEntry, "link", kFile, kLink, 3},
        {12, "type=OS.unix=symlink;size=3; link2", kEntry, "link2", kFile, kLink, 3},
        {13, "type=file;size=abc; nosize", kEntry, "nosize", kFile},
        {14, "modify=20230230000000;type=file; baddate", kEntry, "baddate", kFile},
        {15, "modify=20231102174500.123;type=file; fraction", kEntry, "fraction", kFile, kPlain, std::nullopt, Utc(2023, 11, 2, 17, 45)},
        {16, "type=dir; ..", kSkip, "..", kDir},
        {17, "type=file;size=1; a/b", kBad, "a/b", kFile, kPlain, 1},
        {18, "type=file;size=1;", kSkip},
        {19, "garbage", kSkip},
        {20, "type=file;=x; noname-fact", kSkip},
    };
}

} // namespace

TEST(ListParserTest, UnixLines) { CheckRows(UnixRows(), ParseList); }

TEST(ListParserTest, DosLines) { CheckRows(DosRows(), ParseList); }

TEST(ListParserTest, EplfLines) { CheckRows(EplfRows(), ParseList); }

TEST(ListParserTest, MlsdLines) { CheckRows(MlsdRows(), ParseMlsx); }

TEST(ListParserTest, YearOfRecentDatesFollowsNow)
{
    FtpListEntry entry;
    const auto line = "-rw-r--r--   1 u g 1 Jan 01 00:30 newyear"sv;
    // Just before midnight UTC on New Year's Eve, a server ahead of us
    // already lists the new year.
    ASSERT_EQ(ParseListLine(line, Utc(2023, 12, 31, 23, 0), entry), kEntry);
    EXPECT_EQ(entry.modified, Utc(2024, 1, 1, 0, 30));
    ASSERT_EQ(ParseListLine(line, Utc(2024, 6, 1), entry), kEntry);
    EXPECT_EQ(entry.modified, Utc(2024, 1, 1, 0, 30));
    // Feb 29 goes back to the last leap year.
    ASSERT_EQ(ParseListLine("-rw-r--r--   1 u g 1 Feb 29 10:00 leap"sv, Utc(2027, 1, 10), entry), kEntry);
    EXPECT_EQ(entry.modified, Utc(2024, 2, 29, 10, 0));
}

TEST(ListParserTest, UnsafeNamesIncludeThoseLongerThanTheNameLimit)
{
    for (std::string_view name : {"a"sv, " lead"sv, "..."sv, ".hidden"sv, "back\\slash"sv, "Ü.txt"sv})
        EXPECT_TRUE(IsSafeEntryName(name)) << name;
    for (std::string_view name : {""sv, "."sv, ".."sv, "/"sv, "x/"sv, "a\0b"sv, "a\rb"sv, "a\nb"sv})
        EXPECT_FALSE(IsSafeEntryName(name)) << name;
    EXPECT_TRUE(IsSafeEntryName(std::string(kMaxEntryNameBytes, 'n')));
    EXPECT_FALSE(IsSafeEntryName(std::string(kMaxEntryNameBytes + 1, 'n')));
    // A huge name in a listing is counted with the other unsafe ones.
    const std::string listing = "type=file;size=1; ok\r\ntype=file;size=1; " + std::string(10u << 20, 'x') + "\r\n";
    const FtpListing parsed = ParseListing(listing, true, kNow);
    ASSERT_EQ(parsed.entries.size(), 1u);
    EXPECT_EQ(parsed.entries[0].name, "ok");
    EXPECT_EQ(parsed.nBadNames, 1u);
}
