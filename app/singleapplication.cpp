// SPDX-License-Identifier: GPL-2.0-or-later
#include "singleapplication.h"

#include "localpeer.h"
#include "protocol.h"

#include <QMetaMethod>
#include <QWidget>

SingleApplication::SingleApplication(int &argc, char **argv, bool guiEnabled)
    : QApplication(argc, argv)
    , m_peer(new LocalPeer(this))
{
    // Qt 5 has no QApplication without a GUI; the flag stays for callers.
    Q_UNUSED(guiEnabled)
}

// Connected only with the first receiver, for the peer to hold messages until
// someone can execute them.
void SingleApplication::connectNotify(const QMetaMethod &signal)
{
    if (m_peerConnected || signal != QMetaMethod::fromSignal(&SingleApplication::messageReceived)) {
        return;
    }
    m_peerConnected = true;
    // One hop instead of forwarding the signal, so the window is up before
    // any receiver of messageReceived runs, however early it connected.
    connect(m_peer, &LocalPeer::messageReceived, this, [this](const QString &message) {
        if (m_activateOnMessage) {
            activateWindow();
        }
        Q_EMIT messageReceived(message);
    });
}

SingleApplication::~SingleApplication() = default;

bool SingleApplication::isRunning()
{
    return m_peer->isClient();
}

bool SingleApplication::sendMessage(const QString &message, int timeout)
{
    return m_peer->sendMessage(message, timeout);
}

void SingleApplication::setActivationWindow(QWidget *window, bool activateOnMessage)
{
    m_activationWindow = window;
    m_activateOnMessage = activateOnMessage;
}

QWidget *SingleApplication::activationWindow() const
{
    return m_activationWindow;
}

void SingleApplication::activateWindow()
{
    if (!m_activationWindow) {
        return;
    }
    m_activationWindow->setWindowState(m_activationWindow->windowState() & ~Qt::WindowMinimized);
    m_activationWindow->raise();
    m_activationWindow->activateWindow();
}

QString SingleApplication::encodeArguments(const QStringList &arguments)
{
    return Protocol::encodeArguments(arguments);
}

bool SingleApplication::decodeArguments(const QString &message, QStringList *arguments)
{
    return Protocol::decodeArguments(message, arguments);
}
