#include "connect/KeepAlive.h"

#include "remote/RemoteConnection.h"
#include "model/SiteInfo.h"

KeepAliveResult KeepSiteAlive(CVamloSiteInfo& site, int64_t intervalMs, int64_t& nextMs)
{
    nextMs = intervalMs;
    const std::shared_ptr<IRemoteConnection> connection = site.m_pConnection;
    if (!connection)
        return KeepAliveResult::NotConnected;
    if (connection->IsOpen()) {
        const int64_t idle = connection->IdleMilliseconds();
        if (idle < intervalMs) {
            nextMs = intervalMs - idle;
            return KeepAliveResult::NotDue;
        }
        if (connection->KeepAlive(kKeepAliveReplyMs) == 1)
            return KeepAliveResult::Answered;
    }
    site.Disconnect();
    return KeepAliveResult::Dropped;
}
