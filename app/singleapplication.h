// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SINGLEAPPLICATION_H
#define SINGLEAPPLICATION_H

#include <QApplication>
#include <QPointer>
#include <QStringList>

class LocalPeer;

/**
 * An application that runs once per user. A later start finds the running
 * instance with isRunning() and hands it a message with sendMessage().
 */
class SingleApplication : public QApplication
{
    Q_OBJECT
public:
    SingleApplication(int &argc, char **argv, bool guiEnabled = true);
    ~SingleApplication() override;

    bool isRunning();
    bool sendMessage(const QString &message, int timeout = 5000);

    void setActivationWindow(QWidget *window, bool activateOnMessage = true);
    QWidget *activationWindow() const;

    // Lossless wire form of an argument list, and back (see Protocol).
    static QString encodeArguments(const QStringList &arguments);
    static bool decodeArguments(const QString &message, QStringList *arguments);

public Q_SLOTS:
    void activateWindow();

Q_SIGNALS:
    void messageReceived(const QString &message);

protected:
    void connectNotify(const QMetaMethod &signal) override;

private:
    LocalPeer *m_peer;
    QPointer<QWidget> m_activationWindow;
    bool m_activateOnMessage = false;
    bool m_peerConnected = false;
};

#endif
