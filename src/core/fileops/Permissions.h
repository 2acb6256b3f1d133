#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CActionLog;

// Read, write and execute for owner, group and others: the nine bits the
// Permissions dialog shows (0 to 0777).
inline constexpr unsigned kPermissionBits = 0777;

// "rwxr-xr-x" for 0755.
std::string PermissionsText(unsigned mode);
// "755" for 0755 (always three digits).
std::string OctalModeText(unsigned mode);
// One to four octal digits ("644", "0644"); the bits above the nine are
// refused, so a typed number never sets setuid or sticky bits by surprise.
bool ParseOctalMode(std::string_view text, unsigned& mode);
// The nine mode letters of a listing ("rwxr-sr-T" counts s as x, S and T as
// no x); false when the text is not nine such letters.
bool ParseModeLetters(std::string_view text, unsigned& mode);

// What the Permissions dialog asks for. For a folder, the contents option
// walks into it: its files, its folders, or both, get the same mode.
struct PermissionChange {
    unsigned mode = 0644;
    bool contents = false;
    bool files = true;
    bool folders = true;
};

// Where a change is applied: the local disk or a site's connection.
class IPermissionPlace {
public:
    enum class Kind { File, Folder, Link };
    struct Entry {
        std::string name;
        Kind kind = Kind::File;
    };
    enum class Result { Done, Failed, Unsupported };

    virtual ~IPermissionPlace() = default;
    // The entries of a folder without "." and ".."; a link, and what the
    // listing cannot tell from a link, is Link. False with a cause when the
    // folder could not be listed.
    virtual bool List(const std::string& folder, std::vector<Entry>& entries, std::string& cause) = 0;
    // Changes one entry's mode; Unsupported ends the whole change.
    virtual Result Change(const std::string& path, unsigned mode, std::string& cause) = 0;
    virtual std::string Join(const std::string& folder, const std::string& name) const = 0;
    // Empty while a folder this deep may be walked into, else why not.
    virtual std::string WalkLimit(const std::string& folder, int depth) const = 0;
};

// The local disk. Links inside a walked folder are never changed nor
// followed; a chosen link changes what it points to, as chmod does.
class CLocalPermissionPlace : public IPermissionPlace {
public:
    static constexpr int kMaxDepth = 100;
    bool List(const std::string& folder, std::vector<Entry>& entries, std::string& cause) override;
    Result Change(const std::string& path, unsigned mode, std::string& cause) override;
    std::string Join(const std::string& folder, const std::string& name) const override;
    std::string WalkLimit(const std::string& folder, int depth) const override;
};

// Applies a change to one entry, or walks a folder, writing each step to the
// action log. Failures of single entries are logged and the walk goes on;
// Unsupported and a cancel stop it.
class CPermissionWalk {
public:
    struct Outcome {
        size_t changed = 0;
        size_t failed = 0;
        size_t skipped = 0;       // links, and folders beyond the bounds
        bool unsupported = false;
        bool canceled = false;
        std::string firstCause;   // of the first failure
    };

    CPermissionWalk(IPermissionPlace& place, CActionLog& log, std::function<bool()> canceled = {});
    // place: the site's address or "Local"; path: the chosen entry.
    Outcome Apply(const std::string& placeName, const std::string& path, bool isFolder, const PermissionChange& change);

private:
    void Walk(const std::string& folder, int depth, const PermissionChange& change, bool changeSelf);
    bool ChangeOne(const std::string& path, unsigned mode);
    bool Stopped();

    IPermissionPlace& m_place;
    CActionLog& m_log;
    std::function<bool()> m_canceled;
    Outcome m_outcome;
};

// The message for the user after a change (empty when everything worked).
std::string PermissionOutcomeMessage(const std::string& path, const CPermissionWalk::Outcome& outcome);
