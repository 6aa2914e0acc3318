// SPDX-License-Identifier: GPL-2.0-or-later
#include "localpeer.h"

#include "protocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QMetaMethod>
#include <QTimer>

#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

namespace
{
// A peer that stalls this long mid-frame, or sends nothing, is dropped.
constexpr int IdleTimeoutMs = 3000;
// Well inside the time a later start keeps trying to connect.
constexpr int ListenCheckIntervalMs = 2000;

bool peerIsSameUser(QLocalSocket *socket)
{
    struct ucred credentials;
    socklen_t length = sizeof(credentials);
    if (::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || length != sizeof(credentials)) {
        return false;
    }
    return credentials.uid == ::geteuid();
}

// The folder is ours alone, so nothing of value can be in the way.
bool removeFolderInTheWay(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink() && QDir(path).removeRecursively();
}

void drop(QLocalSocket *socket)
{
    socket->abort();
    socket->deleteLater();
}
}

LocalPeer::LocalPeer(QObject *parent, const QString &appId)
    : QObject(parent)
    , m_appId(appId)
{
}

LocalPeer::~LocalPeer()
{
    // The server removes the socket file on close, so close it while we still
    // hold the lock: afterwards it may already belong to the next primary.
    if (m_server) {
        m_server->close();
    }
    m_lockFile.reset();
}

void LocalPeer::resolveIdentity() const
{
    if (m_resolved) {
        return;
    }
    m_resolved = true;
    const Protocol::Address address = Protocol::address(m_appId.isEmpty() ? QCoreApplication::applicationName() : m_appId, Protocol::FolderUse::Create);
    m_serverName = address.serverName;
    m_lockFileName = address.lockFileName;
}

QString LocalPeer::serverName() const
{
    resolveIdentity();
    return m_serverName;
}

QString LocalPeer::lockFileName() const
{
    resolveIdentity();
    return m_lockFileName;
}

bool LocalPeer::isClient()
{
    if (m_decided) {
        return m_isClient;
    }
    m_decided = true;

    resolveIdentity();
    if (m_lockFileName.isEmpty()) {
        return false;
    }

    m_lockFile = std::make_unique<QLockFile>(m_lockFileName);
    // Only a dead owner makes the lock stale; a busy primary must keep it.
    m_lockFile->setStaleLockTime(0);
    if (m_lockFile->tryLock(0) || (takeOverBrokenLock() && m_lockFile->tryLock(0))) {
        listen();
        return false;
    }

    const QLockFile::LockError error = m_lockFile->error();
    m_lockFile.reset();
    if (error == QLockFile::LockFailedError) {
        m_isClient = true;
    } else {
        qWarning("LocalPeer: cannot create the lock file %s", qPrintable(m_lockFileName));
    }
    return m_isClient;
}

// QLockFile already takes over the lock of an owner that is gone, but keeps one
// it cannot read, and would leave every start a client of nobody.
bool LocalPeer::takeOverBrokenLock()
{
    qint64 pid = 0;
    QString hostName;
    QString appName;
    if (m_lockFile->error() != QLockFile::LockFailedError || m_lockFile->getLockInfo(&pid, &hostName, &appName)) {
        return false;
    }
    if (removeFolderInTheWay(m_lockFileName)) {
        return true;
    }
    // Refused while a live owner holds the file, which it does once it has it.
    return m_lockFile->removeStaleLockFile();
}

void LocalPeer::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &LocalPeer::acceptConnections);
    if (!startListening()) {
        qWarning("LocalPeer: cannot listen on %s: %s", qPrintable(m_serverName), qPrintable(m_server->errorString()));
    }
    // QLocalServer stops for good, and removes its socket file, once accept()
    // fails, as when the process runs out of descriptors; the file may also go.
    auto check = new QTimer(this);
    check->setTimerType(Qt::VeryCoarseTimer);
    connect(check, &QTimer::timeout, this, &LocalPeer::keepListening);
    check->start(ListenCheckIntervalMs);
}

bool LocalPeer::startListening()
{
    // Left behind by a primary that died; the lock says nobody uses it.
    removeFolderInTheWay(m_serverName);
    QLocalServer::removeServer(m_serverName);
    return m_server->listen(m_serverName);
}

void LocalPeer::keepListening()
{
    const QFileInfo socketFile(m_serverName);
    if (m_server->isListening() && socketFile.exists() && !socketFile.isDir()) {
        return;
    }
    m_server->close();
    if (startListening()) {
        qWarning("LocalPeer: listening again on %s", qPrintable(m_serverName));
    }
}

void LocalPeer::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsSameUser(socket)) {
            qWarning("LocalPeer: dropped a connection from another user");
            drop(socket);
            continue;
        }

        auto idle = new QTimer(socket);
        idle->setSingleShot(true);
        idle->setInterval(IdleTimeoutMs);
        connect(idle, &QTimer::timeout, socket, [socket]() {
            drop(socket);
        });
        idle->start();

        connect(socket, &QLocalSocket::readyRead, this, [this, socket]() {
            readFrames(socket);
        });
        // Bytes may have arrived before we connected to readyRead.
        if (socket->bytesAvailable() > 0) {
            readFrames(socket);
        }
    }
}

void LocalPeer::readFrames(QLocalSocket *socket)
{
    QString message;
    for (;;) {
        switch (Protocol::readFrame(socket, &message)) {
        case Protocol::FrameResult::Incomplete:
            return;
        case Protocol::FrameResult::Invalid:
            qWarning("LocalPeer: dropped a peer that sent something that is not a message");
            drop(socket);
            return;
        case Protocol::FrameResult::Message:
            break;
        }
        // A sender whose message waits its turn is not idle.
        if (QTimer *idle = socket->findChild<QTimer *>()) {
            idle->stop();
        }
        m_pending.append({socket, message});
        scheduleDelivery();
    }
}

void LocalPeer::connectNotify(const QMetaMethod &signal)
{
    if (signal == QMetaMethod::fromSignal(&LocalPeer::messageReceived)) {
        scheduleDelivery();
    }
}

// Never delivered from a read handler: a receiver that runs the event loop
// would otherwise meet the next message, or the freed socket, inside it.
void LocalPeer::scheduleDelivery()
{
    QMetaObject::invokeMethod(this, &LocalPeer::deliverNext, Qt::QueuedConnection);
}

void LocalPeer::deliverNext()
{
    if (m_delivering || m_pending.isEmpty() || !isSignalConnected(QMetaMethod::fromSignal(&LocalPeer::messageReceived))) {
        return;
    }
    const Pending pending = m_pending.takeFirst();
    QPointer<LocalPeer> self(this);
    m_delivering = true;
    Q_EMIT messageReceived(pending.message);
    // A receiver may have torn down the peer, and the sender may be gone.
    if (!self) {
        return;
    }
    m_delivering = false;
    if (pending.socket) {
        pending.socket->write(&Protocol::AckByte, 1);
        pending.socket->flush();
        if (QTimer *idle = pending.socket->findChild<QTimer *>()) {
            idle->start();
        }
    }
    if (!m_pending.isEmpty()) {
        scheduleDelivery();
    }
}

bool LocalPeer::sendMessage(const QString &message, int timeout)
{
    return isClient() && Protocol::send(m_serverName, message, timeout, true) == Protocol::SendResult::Acknowledged;
}
