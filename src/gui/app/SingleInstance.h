#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// One running Vamlo per user and program directory. The first start holds a
// lock file in the program directory and answers on a local socket; a second
// start finds the lock taken, asks the first to come to the front, and ends.
class CSingleInstance : public QObject {
    Q_OBJECT

public:
    explicit CSingleInstance(const QString& appDir, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True when this process is the first. A lock left by a process that no
    // longer runs is taken over.
    bool TryAcquire();
    // Second start: asks the running instance to raise its window, and to
    // open the link when one is given. False when nobody answers (the first
    // is still starting, or has just ended).
    bool ActivateRunningInstance(int timeoutMs = 3000, const QString& link = {});
    // Marks this instance as the one to activate from now on.
    bool Listen();

    const QString& ServerName() const { return m_serverName; }

signals:
    void activationRequested();
    // A second start handed over a link (after activationRequested).
    void linkRequested(const QString& link);

private:
    void OnNewConnection();

    QLockFile m_lock;
    QLocalServer m_server;
    QString m_serverName;
};
