#include "ui/ListItemInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace {

CListItemInfo File(const char* name, int64_t kb, std::time_t time) { return {LIST_KIND_FILE, name, kb, time}; }
CListItemInfo Folder(const char* name, std::time_t time) { return {LIST_KIND_FOLDER, name, 0, time}; }

int Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

} // namespace

TEST(ListItemInfoTest, SizeTextCountsEveryStartedKilobyteIn64Bits)
{
    const struct {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 KB"},
        {1, "1 KB"},
        {1023, "1 KB"},
        {1024, "1 KB"},
        {1025, "2 KB"},
        {4294967295ull, "4194304 KB"},
        {4294967296ull + 1, "4194305 KB"},   // past 32 bits
        {5ull << 30, "5242880 KB"},
        {UINT64_MAX, "18014398509481984 KB"},
    };
    for (const auto& c : cases) {
        const CListItemInfo item(LIST_KIND_FILE, "f", SizeInKB(c.bytes), 0);
        EXPECT_EQ(SizeText(item), c.text) << c.bytes << " bytes";
    }
    EXPECT_EQ(SizeText(CListItemInfo(LIST_KIND_FOLDER, "d", 0, 0)), "");
}

TEST(ListItemInfoTest, ModifiedTextIsLocalTimeWithTwelveHourClock)
{
    const struct {
        const char* zone;
        std::time_t time;
        const char* text;
    } cases[] = {
        {"UTC0", 0, "01/01/1970 12:00 AM"},
        {"UTC0", 1700000000, "11/14/2023 10:13 PM"},
        {"UTC0", 12 * 3600 + 5 * 60, "01/01/1970 12:05 PM"},
        {"UTC0", 11 * 3600 + 59 * 60, "01/01/1970 11:59 AM"},
        {"UTC0", 4102444800, "01/01/2100 12:00 AM"},   // past the 32-bit end of time
        {"XYZ-2", 0, "01/01/1970 02:00 AM"},            // two hours ahead of UTC
        {"XYZ-2", 1700000000, "11/15/2023 12:13 AM"},
    };
    const char* old = std::getenv("TZ");
    const std::optional<std::string> saved = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    for (const auto& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(ModifiedText(c.time), c.text) << c.zone << " " << c.time;
    }
    if (saved)
        setenv("TZ", saved->c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(ListItemInfoTest, NamesCompareWithoutRegardToCaseIncludingNonAscii)
{
    EXPECT_EQ(CompareNamesNoCase("readme.TXT", "README.txt"), 0);
    EXPECT_LT(CompareNamesNoCase("alpha", "Beta"), 0);
    EXPECT_GT(CompareNamesNoCase("Beta", "alpha"), 0);
    EXPECT_LT(CompareNamesNoCase("abc", "ABCD"), 0);
    EXPECT_EQ(CompareNamesNoCase("\xC3\x84pfel", "\xC3\xA4PFEL"), 0);       // Äpfel, äPFEL
    EXPECT_EQ(CompareNamesNoCase("\xCE\xA3\xCE\xB9", "\xCF\x83\xCE\x99"), 0);   // Σι, σΙ
    // A byte that starts no valid sequence still orders and never reads past the end.
    EXPECT_NE(CompareNamesNoCase("a\xC3", "a\xC3\x84"), 0);
    EXPECT_EQ(CompareNamesNoCase("x\xFFy", "X\xFFY"), 0);
}

TEST(ListItemInfoTest, ComparatorFollowsTheSortTableRowByRow)
{
    const std::time_t older = 1000;
    const std::time_t newer = 2000;
    const CListItemInfo fileA = File("apple", 5, newer);
    const CListItemInfo fileB = File("Banana", 9, older);
    const CListItemInfo fileBsame = File("cherry", 9, older);
    const CListItemInfo dirA = Folder("attic", older);
    const CListItemInfo dirZ = Folder("Zoo", newer);

    const struct {
        int column;
        int forward;
        const CListItemInfo& a;
        const CListItemInfo& b;
        int expected;   // -1 a first, 1 b first, 0 equal
        const char* why;
    } table[] = {
        // Name
        {0, 1, dirZ, fileA, -1, "name forward: folders before files"},
        {0, 1, fileA, dirZ, 1, "name forward: a file after a folder"},
        {0, 1, fileA, fileB, -1, "name forward: A to Z, case ignored"},
        {0, 1, dirA, dirZ, -1, "name forward: folders A to Z among themselves"},
        {0, 0, dirZ, fileA, 1, "name reverse: files before folders"},
        {0, 0, fileA, fileB, 1, "name reverse: Z to A"},
        {0, 0, dirA, dirZ, 1, "name reverse: folders Z to A"},
        // Size
        {1, 1, dirA, fileB, -1, "size forward: folders before files"},
        {1, 1, fileB, fileA, -1, "size forward: larger first"},
        {1, 1, fileB, fileBsame, 0, "size forward: equal sizes are equal"},
        {1, 1, dirA, dirZ, 0, "size: folders count as size 0 among themselves"},
        {1, 0, dirA, fileB, 1, "size reverse: files before folders"},
        {1, 0, fileA, fileB, -1, "size reverse: smaller first"},
        {1, 0, dirA, dirZ, 0, "size reverse: folders still equal"},
        // Location
        {2, 1, dirA, fileA, 0, "location forward: always equal, even folder and file"},
        {2, 0, fileA, fileB, 0, "location reverse: always equal"},
        // Modified
        {3, 1, dirA, fileA, -1, "modified forward: folders before files"},
        {3, 1, fileA, fileB, -1, "modified forward: newer first"},
        {3, 1, dirZ, dirA, -1, "modified forward: newer folder first"},
        {3, 1, fileB, fileBsame, 0, "modified: equal times are equal"},
        {3, 0, dirA, fileA, 1, "modified reverse: files before folders"},
        {3, 0, fileA, fileB, 1, "modified reverse: older first"},
        // Anything but exactly 1 is the reverse direction.
        {0, 7, fileA, fileB, 1, "direction other than 1 is reverse"},
        // A column outside 0..3 orders nothing.
        {4, 1, fileA, fileB, 0, "unknown column"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(Sign(CompareListItems(row.a, row.b, row.column, row.forward)), row.expected) << row.why;
        // Antisymmetric: swapping the pair turns the answer round.
        EXPECT_EQ(Sign(CompareListItems(row.b, row.a, row.column, row.forward)), -row.expected) << row.why;
    }
}
