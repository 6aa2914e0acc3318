// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LOCALPEER_H
#define LOCALPEER_H

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QMetaMethod;

/**
 * One end of the per-user channel between instances of an application.
 *
 * The first peer of an identity takes a lock file and listens on a local
 * socket; any later peer of that identity, in this or another process, is a
 * client that can hand it messages. Both files live in a folder only the user
 * can reach.
 */
class LocalPeer : public QObject
{
    Q_OBJECT
public:
    /// @p appId defaults to the application name, looked up on first use.
    explicit LocalPeer(QObject *parent = nullptr, const QString &appId = QString());
    ~LocalPeer() override;

    /**
     * True when another peer already holds the identity. Otherwise this peer
     * becomes the primary and listens. Decided on the first call only.
     */
    bool isClient();

    /**
     * Hands @p message to the primary. True only once the primary has
     * acknowledged it; false when that did not happen within @p timeout ms.
     */
    bool sendMessage(const QString &message, int timeout);

    /// Full path of the socket; empty when there is no safe folder for it.
    QString serverName() const;
    /// Full path of the lock file that decides the primary; empty likewise.
    QString lockFileName() const;

Q_SIGNALS:
    /**
     * Emitted by the primary once per message received, in the order they
     * came, each from the event loop once the one before has returned. Held
     * until something is connected; the sender is answered only afterwards.
     */
    void messageReceived(const QString &message);

protected:
    void connectNotify(const QMetaMethod &signal) override;

private:
    struct Pending {
        QPointer<QLocalSocket> socket;
        QString message;
    };

    void resolveIdentity() const;
    bool takeOverBrokenLock();
    void listen();
    bool startListening();
    void keepListening();
    void acceptConnections();
    void readFrames(QLocalSocket *socket);
    void scheduleDelivery();
    void deliverNext();

    QString m_appId;
    mutable QString m_serverName;
    mutable QString m_lockFileName;
    mutable bool m_resolved = false;
    bool m_decided = false;
    bool m_isClient = false;
    std::unique_ptr<QLockFile> m_lockFile;
    QLocalServer *m_server = nullptr;
    QList<Pending> m_pending;
    bool m_delivering = false;
};

#endif
