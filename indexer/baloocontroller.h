// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BALOOCONTROLLER_H
#define BALOOCONTROLLER_H

#include <QObject>

#include <memory>
#include <optional>

class BalooMonitor;
class KNotification;
class QDBusPendingCallWatcher;
class ScreenSaverProxy;

/**
 * Keeps the file indexer within the user's index size limit and, when asked
 * for, to the times the screen saver is on. Checks every five seconds.
 */
class BalooController : public QObject
{
    Q_OBJECT
public:
    BalooController(BalooMonitor *monitor, QObject *parent = nullptr);
    ~BalooController() override;

    BalooMonitor *monitor() const;
    bool pausedByUser() const;
    void setPausedByUser(bool paused);

    // Forgets why the indexer was suspended and checks again at once.
    void reevaluate();

    // The size in bytes of the index database; 0 when there is none.
    static qint64 indexSize();

Q_SIGNALS:
    void limitRemoved();

private Q_SLOTS:
    void checkIndexer();
    void onNotificationActivated(unsigned int action);
    void onNotificationClosed();

private:
    // Applies the rules; with idle mode on, once the screen saver has answered.
    void check(std::optional<bool> screenSaverActive);
    void askScreenSaver();
    void suspendForIdle(bool suspended);
    void releaseIdle(bool suspended);
    void suspendForSizeLimit(bool suspended);
    void releaseSizeLimit();
    void notifyLimitReached(qint64 limit);
    void removeLimit();
    void closeNotification();

    BalooMonitor *m_monitor;
    ScreenSaverProxy *m_screenSaver;
    QDBusPendingCallWatcher *m_screenSaverQuestion = nullptr;
    bool m_suspendedForIdle = false;
    bool m_suspendedForSizeLimit = false;
    std::unique_ptr<KNotification, void (*)(KNotification *)> m_notification;
    bool m_notifyArmed = true;
    bool m_pausedByUser = false;
};

#endif
