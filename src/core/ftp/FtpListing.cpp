#include "ftp/FtpListing.h"

#include "ftp/FtpDataChannel.h"
#include "net/NetErrors.h"

#include <cctype>
#include <cerrno>
#include <ctime>

namespace {

// A listing bigger than this is a server gone wrong, not a folder.
constexpr size_t kMaxListingBytes = 256u * 1024 * 1024;
constexpr size_t kReceiveBlock = 64 * 1024;
// A listing must move on by this much within each data time-out: a server
// that trickles a byte at a time would otherwise hold its caller for ever.
constexpr size_t kListingProgressBytes = 4 * 1024;

bool ContainsNoCase(std::string_view text, std::string_view word)
{
    if (word.size() > text.size())
        return false;
    for (size_t i = 0; i + word.size() <= text.size(); ++i) {
        size_t j = 0;
        while (j < word.size()
            && std::tolower(static_cast<unsigned char>(text[i + j])) == std::tolower(static_cast<unsigned char>(word[j])))
            ++j;
        if (j == word.size())
            return true;
    }
    return false;
}

// Servers that answer an empty folder with an error instead of no lines.
bool MeansEmptyFolder(const NetStatus& status)
{
    if (status.code != ERROR_INTERNET_EXTENDED_ERROR || status.response.size() < 3)
        return false;
    if (status.response[0] != '4' && status.response[0] != '5')
        return false;
    std::string_view first(status.response);
    first = first.substr(0, first.find('\n'));
    return ContainsNoCase(first, "no files") || ContainsNoCase(first, "empty");
}

// Reads the data connection to its end, then the final reply.
NetStatus ReceiveAll(FtpSession& session, const std::string& command, std::string& text)
{
    NetStream data;
    if (NetStatus opened = OpenDataTransfer(session, command, data); !opened)
        return opened;
    NetStatus status;
    const int dataMs = session.control.Timeouts().dataMs;
    Deadline window(dataMs);
    size_t windowStart = 0;
    for (;;) {
        const size_t used = text.size();
        text.resize(used + kReceiveBlock);
        size_t received = 0;
        status = data.Receive(text.data() + used, kReceiveBlock, window, received);
        text.resize(used + received);
        if (!status || received == 0)
            break;
        if (text.size() - windowStart >= kListingProgressBytes) {
            window = Deadline(dataMs);
            windowStart = text.size();
        }
        if (text.size() > kMaxListingBytes) {
            status = NetStatus::Error(ERROR_INTERNET_INVALID_SERVER_RESPONSE);
            break;
        }
    }
    data.Reset();
    if (!status) {
        session.AbortAndResync(1000);
        return status;
    }
    FtpReply reply;
    if (NetStatus read = session.control.ReadReply(reply); !read)
        return read;
    return reply.Class() == 2 ? NetStatus::Success() : ReplyFailure(reply);
}

std::string WithArgument(const char* command, const std::string& argument)
{
    return argument.empty() ? std::string(command) : std::string(command) + " " + argument;
}

// "213 <value>" -> value.
std::string_view Reply213Value(const FtpReply& reply)
{
    std::string_view line(reply.text);
    line = line.substr(0, line.find('\n'));
    return line.size() > 4 ? line.substr(4) : std::string_view();
}

// "YYYYMMDDHHMMSS[.sss]" as UTC.
bool ParseMdtm(std::string_view value, std::time_t& time)
{
    if (value.size() < 14)
        return false;
    uint64_t parts[6] = {};
    const size_t widths[6] = {4, 2, 2, 2, 2, 2};
    size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        if (!ftplist::ParseDecimal(value.substr(pos, widths[i]), parts[i]))
            return false;
        pos += widths[i];
    }
    auto utc = ftplist::UtcTime(static_cast<int>(parts[0]), static_cast<unsigned>(parts[1]),
        static_cast<unsigned>(parts[2]), static_cast<unsigned>(parts[3]), static_cast<unsigned>(parts[4]),
        static_cast<unsigned>(parts[5]));
    if (!utc)
        return false;
    time = *utc;
    return true;
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The facts of the entry line of an MLST reply (the line that starts with a
// space). The path the server echoes is ours, so the name is taken from it.
bool ParseMlstReply(const FtpReply& reply, const std::string& path, FtpListEntry& entry)
{
    std::string_view text(reply.text);
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line[0] != ' ')
            continue;
        // Facts, then one space, then the path: parse the facts with a
        // stand-in name, since the echoed path holds "/".
        const std::string_view body = line.substr(1);
        const size_t space = body.find(' ');
        const std::string_view facts = space == std::string_view::npos ? std::string_view() : body.substr(0, space);
        const std::string probe = std::string(facts) + " x";
        FtpListEntry parsed;
        ParseMlsxLine(probe, parsed);
        parsed.name = BaseName(path);
        entry = parsed;
        return true;
    }
    return false;
}

NetStatus FindInParent(FtpSession& session, const std::string& path, FtpListEntry& entry)
{
    const size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? std::string() : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    FtpListing listing;
    if (NetStatus listed = ListFolder(session, parent, listing); !listed)
        return listed;
    for (const FtpListEntry& candidate : listing.entries) {
        if (candidate.name == name) {
            entry = candidate;
            return NetStatus::Success();
        }
    }
    return NetStatus::Error(ENOENT);
}

} // namespace

FtpListing ParseListing(const std::string& text, bool mlsd, std::time_t now)
{
    FtpListing listing;
    std::string_view rest(text);
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        FtpListEntry entry;
        const ListLineKind kind = mlsd ? ParseMlsxLine(line, entry) : ParseListLine(line, now, entry);
        if (kind == ListLineKind::Entry && IsSafeEntryName(entry.name))
            listing.entries.push_back(std::move(entry));
        else if (kind == ListLineKind::Skip && IsDotsName(entry.name) && entry.isDirectory)
            listing.entries.push_back(std::move(entry));
        else if (kind != ListLineKind::Skip)
            ++listing.nBadNames;
    }
    return listing;
}

NetStatus ListFolder(FtpSession& session, const std::string& folder, FtpListing& listing, bool longList)
{
    const bool mlsd = session.features.bMlst && !longList;
    std::string text;
    NetStatus status = ReceiveAll(session, WithArgument(mlsd ? "MLSD" : "LIST", folder), text);
    if (!status) {
        if (!MeansEmptyFolder(status))
            return status;
        text.clear();
    }
    listing = ParseListing(text, mlsd, std::time(nullptr));
    return NetStatus::Success();
}

void FetchModifiedTime(FtpSession& session, const std::string& path, FtpListEntry& entry)
{
    FtpReply reply;
    if (session.features.bMdtm && session.Expect("MDTM " + path, 2, &reply) && reply.code == 213)
        entry.hasTime = ParseMdtm(Reply213Value(reply), entry.modified);
}

NetStatus FindEntry(FtpSession& session, const std::string& requested, FtpListEntry& entry, bool wantTime)
{
    std::string path = requested;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (path.empty())
        return NetStatus::Error(ENOENT);
    if (path == "/") {
        // The root has no parent to list it; it always exists.
        if (NetStatus ready = session.Ready(); !ready)
            return ready;
        entry = FtpListEntry{};
        entry.name.assign(1, '/');
        entry.isDirectory = true;
        return NetStatus::Success();
    }

    FtpReply reply;
    if (session.features.bMlst) {
        if (NetStatus status = session.Expect("MLST " + path, 2, &reply); !status)
            return status;
        if (!ParseMlstReply(reply, path, entry))
            return NetStatus::Error(ERROR_INTERNET_INVALID_SERVER_RESPONSE, reply.text);
        return IsSafeEntryName(entry.name) ? NetStatus::Success() : NetStatus::Error(ENOENT);
    }

    // Servers start in ASCII type, where many refuse SIZE: an unknown type
    // is settled as binary, the type transfers use most.
    if (session.features.bSize && session.CurrentType() == 0) {
        if (NetStatus typed = session.SetType('I'); !typed && !session.control.IsOpen())
            return typed;
    }
    if (session.features.bSize && session.CurrentType() == 'I') {
        // SIZE answers only for files (in binary type); MDTM adds the time.
        NetStatus sized = session.Expect("SIZE " + path, 2, &reply);
        if (!sized && !session.control.IsOpen())
            return sized;
        uint64_t size = 0;
        if (sized && reply.code == 213 && ftplist::ParseDecimal(Reply213Value(reply), size)) {
            entry = FtpListEntry{};
            entry.name = BaseName(path);
            entry.hasSize = true;
            entry.size = size;
            if (wantTime)
                FetchModifiedTime(session, path, entry);
            if (!session.control.IsOpen())
                return session.control.ClosedStatus();
            if (IsSafeEntryName(entry.name))
                return NetStatus::Success();
        }
        // No size: a folder, or nothing at all. A CWD tells which without a
        // listing of the whole parent, which a check before every upload into
        // a large folder cannot afford. It needs a known directory to return to.
        const std::string before = session.KnownDirectory();
        if (reply.code / 100 == 5 && !before.empty()) {
            const FtpReply sizeReply = reply;
            NetStatus entered = session.Expect("CWD " + path, 2, &reply);
            if (!entered) {
                if (!session.control.IsOpen())
                    return entered;
                return NetStatus::Error(ERROR_INTERNET_EXTENDED_ERROR, sizeReply.text);
            }
            session.ForgetDirectory();
            if (NetStatus back = session.ChangeDirectory(before); !back)
                return back;
        }
    }
    return FindInParent(session, path, entry);
}
