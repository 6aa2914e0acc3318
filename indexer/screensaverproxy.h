// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SCREENSAVERPROXY_H
#define SCREENSAVERPROXY_H

#include <QDBusAbstractInterface>

/**
 * The desktop's screen saver on the session bus. Every answer is false or 0
 * when it is not there.
 */
class ScreenSaverProxy : public QDBusAbstractInterface
{
    Q_OBJECT
public:
    explicit ScreenSaverProxy(QObject *parent = nullptr);

public Q_SLOTS:
    bool GetActive();
    uint GetActiveTime();
    uint GetSessionIdleTime();

Q_SIGNALS:
    void ActiveChanged(bool active);
};

#endif
