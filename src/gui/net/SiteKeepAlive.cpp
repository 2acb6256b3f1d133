#include "net/SiteKeepAlive.h"

#include "connect/KeepAlive.h"
#include "net/NetActions.h"

#include <QPointer>

#include <algorithm>
#include <memory>

CSiteKeepAlive::CSiteKeepAlive(CNetActions& actions, ShownSites shownSites, QObject* parent)
    : QObject(parent), m_actions(actions), m_shownSites(std::move(shownSites))
{
    connect(&m_timer, &QTimer::timeout, this, &CSiteKeepAlive::OnTick);
}

void CSiteKeepAlive::SetInterval(std::chrono::milliseconds interval)
{
    m_interval = std::max(interval, std::chrono::milliseconds(0));
    m_due.clear();
    if (m_interval.count() == 0) {
        m_timer.stop();
        return;
    }
    // Looked at a few times per interval, so a NOOP goes out soon after a
    // site's idle time is up; the look itself costs nothing on the network.
    m_timer.start(std::clamp(m_interval / 4, std::chrono::milliseconds(50), std::chrono::milliseconds(1000)));
}

void CSiteKeepAlive::OnTick()
{
    const std::vector<CVamloSiteInfo*> sites = m_shownSites();
    for (auto it = m_due.begin(); it != m_due.end();)
        it = std::find(sites.begin(), sites.end(), it.key()) == sites.end() ? m_due.erase(it) : std::next(it);
    const int64_t intervalMs = m_interval.count();
    for (CVamloSiteInfo* site : sites) {
        const auto due = m_due.constFind(site);
        if (due != m_due.constEnd() && !due->hasExpired())
            continue;
        // In use now means not idle: look again an interval later. The
        // connection's own clock says how idle it really is.
        m_due.insert(site, QDeadlineTimer(intervalMs));
        auto nextMs = std::make_shared<int64_t>(intervalMs);
        QPointer<CSiteKeepAlive> self(this);
        m_actions.StartQuiet(
            site, [intervalMs, nextMs](NetActionContext& context) { KeepSiteAlive(*context.site, intervalMs, *nextMs); },
            [self, site, nextMs, intervalMs](NetActionEnd end) {
                if (self && end == NetActionEnd::Done && self->m_interval.count() == intervalMs &&
                    self->m_due.contains(site))
                    self->m_due.insert(site, QDeadlineTimer(*nextMs));
            });
    }
}
