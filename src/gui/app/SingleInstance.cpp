#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

#include <unistd.h>

namespace {

constexpr char kActivateRequest[] = "activate\n";
constexpr char kOpenRequest[] = "open ";
// A request is one line; a longer one is not ours.
constexpr qsizetype kMaxRequestBytes = 8192;

QString ServerNameFor(const QString& appDir)
{
    // Socket names live in one shared folder: the user id and the program
    // directory keep users and separate installations apart.
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(appDir).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("vamlo-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash));
}

} // namespace

CSingleInstance::CSingleInstance(const QString& appDir, QObject* parent)
    : QObject(parent), m_lock(QDir(appDir).filePath(QStringLiteral("vamlo.lock"))), m_serverName(ServerNameFor(appDir))
{
    // The first instance holds the lock for its whole life, so age alone must
    // never make it stale; a lock whose process has died still is.
    m_lock.setStaleLockTime(0);
    connect(&m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
}

CSingleInstance::~CSingleInstance() = default;

bool CSingleInstance::TryAcquire()
{
    // QLockFile takes over a lock whose process no longer runs.
    return m_lock.tryLock(0);
}

bool CSingleInstance::ActivateRunningInstance(int timeoutMs, const QString& link)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(link.isEmpty() ? QByteArray(kActivateRequest) : kOpenRequest + link.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Wait for the first instance to take the request before ending.
    socket.waitForReadyRead(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool CSingleInstance::Listen()
{
    // A socket left behind by a crashed first instance would block listening.
    QLocalServer::removeServer(m_serverName);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    return m_server.listen(m_serverName);
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // The line may come in pieces; it is kept on the socket till whole.
            const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
            const qsizetype end = request.indexOf('\n');
            if (end < 0 && request.size() <= kMaxRequestBytes) {
                socket->setProperty("request", request);
                return;
            }
            const QByteArray line = request.left(end);
            if (end < 0 || end > kMaxRequestBytes || (line != "activate" && !line.startsWith(kOpenRequest))) {
                socket->abort();
                return;
            }
            // One request per start.
            disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
            socket->write("ok\n");
            socket->flush();
            emit activationRequested();
            if (line.startsWith(kOpenRequest))
                emit linkRequested(QString::fromUtf8(line.mid(qsizetype(sizeof kOpenRequest) - 1)));
        });
    }
}
