// SPDX-License-Identifier: GPL-2.0-or-later
#include "localpeer.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTextCodec>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace
{
constexpr char AckByte = '\x06';
constexpr int HeaderSize = 4;
// A peer that stalls this long mid-frame, or sends nothing, is dropped.
constexpr int IdleTimeoutMs = 3000;
constexpr int RetryIntervalMs = 50;

// Owned by us, a directory itself rather than a link to one, and closed to
// everybody else.
bool isPrivateFolder(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        return false;
    }
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 0777) == 0700;
}

QString sanitizedName(const QString &appId)
{
    QString name;
    for (const QChar c : appId) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char('.');
        name.append(plain ? c : QLatin1Char('_'));
    }
    // Socket paths are short; the hash in the file name keeps ids apart.
    name.truncate(32);
    if (name.isEmpty() || name.startsWith(QLatin1Char('.'))) {
        name.prepend(QLatin1String("app"));
    }
    return name;
}

// Where the socket and the lock may live, or an empty string.
QString privateFolder(const QString &key)
{
    const QString runtimeDir = QDir::cleanPath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    if (!runtimeDir.isEmpty() && runtimeDir != QLatin1String(".") && isPrivateFolder(runtimeDir)) {
        return runtimeDir;
    }

    const QString folder = QDir::tempPath() + QLatin1Char('/') + key;
    const QByteArray encoded = QFile::encodeName(folder);
    if (::mkdir(encoded.constData(), 0700) == 0) {
        // The umask may have taken bits we need.
        ::chmod(encoded.constData(), 0700);
    }
    if (!isPrivateFolder(folder)) {
        qWarning("LocalPeer: %s is not a private folder of this user, so no other instance can be reached", encoded.constData());
        return QString();
    }
    return folder;
}

bool peerIsSameUser(QLocalSocket *socket)
{
    struct ucred credentials;
    socklen_t length = sizeof(credentials);
    if (::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || length != sizeof(credentials)) {
        return false;
    }
    return credentials.uid == ::geteuid();
}

// Strict: a byte-order mark is kept and any invalid or cut sequence fails.
bool decodeUtf8(const QByteArray &bytes, QString *text)
{
    QTextCodec *codec = QTextCodec::codecForMib(106);
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    *text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
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

    const QString appId = m_appId.isEmpty() ? QCoreApplication::applicationName() : m_appId;
    const QString uid = QString::number(::geteuid());
    const QString name = sanitizedName(appId);
    const QString key = name + QLatin1Char('-') + uid;
    const QString folder = privateFolder(key);
    if (folder.isEmpty()) {
        return;
    }
    m_serverName = folder + QLatin1Char('/') + key;
    // Only an id that lost characters needs the hash to stay apart from
    // others; a plain one keeps a name that needs no hashing to find.
    if (name != appId) {
        const QByteArray hash = QCryptographicHash::hash(appId.toUtf8() + '\0' + uid.toLatin1(), QCryptographicHash::Sha1).toHex().left(12);
        m_serverName += QLatin1Char('-') + QString::fromLatin1(hash);
    }
    m_lockFileName = m_serverName + QLatin1String(".lock");
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
    if (m_lockFile->tryLock(0)) {
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

bool LocalPeer::isInstanceRunning(const QString &appId)
{
    const QString lockFileName = LocalPeer(nullptr, appId).lockFileName();
    if (lockFileName.isEmpty()) {
        return false;
    }
    QLockFile lock(lockFileName);
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

void LocalPeer::listen()
{
    // Left behind by a primary that died; the lock says nobody uses it.
    QLocalServer::removeServer(m_serverName);

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        qWarning("LocalPeer: cannot listen on %s: %s", qPrintable(m_serverName), qPrintable(m_server->errorString()));
        delete m_server;
        m_server = nullptr;
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &LocalPeer::acceptConnections);
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
    QPointer<QLocalSocket> guard(socket);
    while (guard && socket->bytesAvailable() >= HeaderSize) {
        uchar header[HeaderSize];
        socket->peek(reinterpret_cast<char *>(header), HeaderSize);
        const quint32 size = qFromBigEndian<quint32>(header);
        if (size > quint32(MaxMessageSize)) {
            qWarning("LocalPeer: dropped a peer that announced a message of %u bytes", size);
            drop(socket);
            return;
        }
        if (socket->bytesAvailable() < HeaderSize + qint64(size)) {
            return;
        }
        socket->skip(HeaderSize);
        const QByteArray payload = socket->read(size);

        QString message;
        if (!decodeUtf8(payload, &message)) {
            qWarning("LocalPeer: dropped a peer that sent a message that is not UTF-8");
            drop(socket);
            return;
        }

        Q_EMIT messageReceived(message);
        // A receiver may have torn down the peer and with it the socket.
        if (!guard) {
            return;
        }
        socket->write(&AckByte, 1);
        socket->flush();
        if (QTimer *idle = socket->findChild<QTimer *>()) {
            idle->start();
        }
    }
}

bool LocalPeer::sendMessage(const QString &message, int timeout)
{
    if (!isClient()) {
        return false;
    }

    const QByteArray payload = message.toUtf8();
    if (payload.size() > MaxMessageSize) {
        qWarning("LocalPeer: a message of %d bytes is too long to send", int(payload.size()));
        return false;
    }

    QDeadlineTimer deadline(timeout);
    const auto remaining = [&deadline]() {
        return deadline.isForever() ? -1 : int(deadline.remainingTime());
    };

    QLocalSocket socket;
    // The primary may hold the lock and not listen yet; try until it does.
    for (;;) {
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(remaining())) {
            break;
        }
        socket.abort();
        if (deadline.hasExpired()) {
            return false;
        }
        const int pause = deadline.isForever() ? RetryIntervalMs : qMin(RetryIntervalMs, remaining());
        QThread::msleep(ulong(qMax(pause, 0)));
        if (deadline.hasExpired()) {
            return false;
        }
    }

    uchar header[HeaderSize];
    qToBigEndian<quint32>(quint32(payload.size()), header);
    socket.write(reinterpret_cast<const char *>(header), HeaderSize);
    socket.write(payload);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(remaining())) {
            return false;
        }
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(remaining())) {
            return false;
        }
    }
    char ack = 0;
    const bool acknowledged = socket.getChar(&ack) && ack == AckByte;
    socket.disconnectFromServer();
    return acknowledged;
}
