#pragma once

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

class CNetActions;
class CVamloSiteInfo;

// Keeps the connections of the sites shown in the tree from the servers'
// idle time-outs: a site idle for the interval is sent NOOP, on a worker,
// as a quiet network action that never touches a site in use. A connection
// found dropped is let go, so the tree shows the site disconnected.
class CSiteKeepAlive : public QObject {
    Q_OBJECT

public:
    using ShownSites = std::function<std::vector<CVamloSiteInfo*>()>;

    CSiteKeepAlive(CNetActions& actions, ShownSites shownSites, QObject* parent = nullptr);

    // Idle time before a NOOP; zero turns the keep-alive off.
    void SetInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds Interval() const { return m_interval; }

private:
    void OnTick();

    CNetActions& m_actions;
    ShownSites m_shownSites;
    QTimer m_timer;
    std::chrono::milliseconds m_interval{0};
    // When each shown site is next looked at.
    QHash<CVamloSiteInfo*, QDeadlineTimer> m_due;
};
