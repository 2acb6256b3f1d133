#pragma once

#include "fileops/Permissions.h"

class IRemoteConnection;

// A site's connection, on the thread that holds the site. Links, and
// folders the listings cannot tell from links, are never walked into.
class CRemotePermissionPlace : public IPermissionPlace {
public:
    explicit CRemotePermissionPlace(IRemoteConnection& connection) : m_connection(connection) {}
    bool List(const std::string& folder, std::vector<Entry>& entries, std::string& cause) override;
    Result Change(const std::string& path, unsigned mode, std::string& cause) override;
    std::string Join(const std::string& folder, const std::string& name) const override;
    std::string WalkLimit(const std::string& folder, int depth) const override;

private:
    IRemoteConnection& m_connection;
};
