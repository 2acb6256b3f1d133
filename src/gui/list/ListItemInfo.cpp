#include "list/ListItemInfo.h"

#include "app/VamloDoc.h"

#include <QChar>

#include <cstdio>

int64_t SizeInKB(uint64_t bytes)
{
    return static_cast<int64_t>(bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0));
}

std::string SizeText(const CListItemInfo& item)
{
    if (item.IsFolder() || item.m_bLink)
        return {};
    return std::to_string(item.m_nSizeKB) + " KB";
}

std::string ModifiedText(std::time_t time)
{
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr)
        return {};
    // Built by hand: strftime's %p follows the locale and is empty in some.
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d %s", local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900, hour12, local.tm_min, local.tm_hour < 12 ? "AM" : "PM");
    return text;
}

namespace {

// The next code point of a UTF-8 string. A byte that starts no valid
// sequence stands for itself, so that every name still has one order.
char32_t NextCodePoint(const std::string& text, size_t& pos)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    int length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    }
    if (length == 0 || pos + length > text.size()) {
        ++pos;
        return lead;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return lead;
        }
        value = (value << 6) | (next & 0x3F);
    }
    pos += length;
    return value;
}

// Larger values first.
template <typename T> int Descending(T a, T b) { return a > b ? -1 : (a < b ? 1 : 0); }

} // namespace

int CompareNamesNoCase(const std::string& a, const std::string& b)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = QChar::toCaseFolded(NextCodePoint(a, i));
        const char32_t cb = QChar::toCaseFolded(NextCodePoint(b, j));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

int CompareListItems(const CListItemInfo& a, const CListItemInfo& b, int32_t sortColumn, int32_t sortForward)
{
    if (sortColumn < 0 || sortColumn > 3 || sortColumn == 2)
        return 0;   // Location: every row of one listing has the same
    const bool forward = sortForward == 1;
    if (a.IsFolder() != b.IsFolder()) {
        const int folderFirst = a.IsFolder() ? -1 : 1;
        return forward ? folderFirst : -folderFirst;
    }
    int order = 0;
    switch (sortColumn) {
    case 0:
        order = CompareNamesNoCase(a.m_strName, b.m_strName);
        break;
    case 1:
        order = Descending(a.m_nSizeKB, b.m_nSizeKB);
        break;
    case 3:
        order = Descending(a.m_timeModified, b.m_timeModified);   // newer first
        break;
    }
    return forward ? order : -order;
}

int CompareListItems(const CListItemInfo& a, const CListItemInfo& b, const CVamloDoc& doc)
{
    return CompareListItems(a, b, doc.m_nSortColumn, doc.m_bSortForward);
}
