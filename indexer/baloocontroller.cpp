// SPDX-License-Identifier: GPL-2.0-or-later
#include "baloocontroller.h"
#include "balooctl.h"
#include "baloomonitor.h"
#include "baloosettings.h"
#include "screensaverproxy.h"
#include "searchsettings.h"

#include <KFormat>
#include <KNotification>

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <sys/stat.h>
#include <ctime>

namespace
{
constexpr int s_checkIntervalMs = 5000;
constexpr int s_suspendedState = 1;
constexpr int s_unavailableState = 10;
constexpr int s_gigabyteShift = 30;

// The indexer's switches as last read from its settings file, which may be
// large: it is read again only when it changed. A file changed within the
// last seconds may change again within the same clock tick, unseen.
struct IndexerSwitches {
    QByteArray stamp;
    bool enabled = false;
    bool basic = false;
};

IndexerSwitches readIndexerSwitches()
{
    static IndexerSwitches last;
    const QByteArray path = QFile::encodeName(BalooSettings::filePath());
    struct stat info = {};
    const bool found = ::stat(path.constData(), &info) == 0;
    QByteArray stamp = "-";
    if (found && info.st_mtim.tv_sec < std::time(nullptr) - 2) {
        for (const qint64 field : {qint64(info.st_dev), qint64(info.st_ino), qint64(info.st_size), qint64(info.st_mtim.tv_sec), qint64(info.st_mtim.tv_nsec)}) {
            stamp += QByteArray::number(field) + ' ';
        }
    }
    if (stamp == "-" || stamp != last.stamp) {
        BalooSettings settings;
        settings.load();
        last = {stamp, settings.indexingEnabled(), settings.onlyBasicIndexing()};
    }
    return last;
}

// A notification may be in the middle of emitting when it goes.
void disposeLater(KNotification *notification)
{
    if (notification) {
        notification->deleteLater();
    }
}
}

BalooController::BalooController(BalooMonitor *monitor, QObject *parent)
    : QObject(parent)
    , m_monitor(monitor)
    , m_screenSaver(new ScreenSaverProxy(this))
    , m_notification(nullptr, disposeLater)
{
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &BalooController::checkIndexer);
    timer->start(s_checkIntervalMs);
}

// Quitting leaves no event loop for a deferred delete, and the popup closes with its object.
BalooController::~BalooController()
{
    delete m_notification.release();
}

BalooMonitor *BalooController::monitor() const
{
    return m_monitor;
}

bool BalooController::pausedByUser() const
{
    return m_pausedByUser;
}

void BalooController::setPausedByUser(bool paused)
{
    m_pausedByUser = paused;
}

void BalooController::reevaluate()
{
    m_notifyArmed = true;
    m_suspendedForIdle = false;
    m_suspendedForSizeLimit = false;
    checkIndexer();
}

void BalooController::checkIndexer()
{
    check(std::nullopt);
}

void BalooController::check(std::optional<bool> screenSaverActive)
{
    if (!m_monitor) {
        return;
    }
    const IndexerSwitches indexer = readIndexerSwitches();
    SearchSettings searchSettings;
    searchSettings.load();

    const bool idleMode = searchSettings.idleModeIndexing();
    const qint64 limit = searchSettings.indexSizeLimit();
    const bool overLimit = searchSettings.limitIndexSize() && indexSize() > (limit << s_gigabyteShift);
    if (!overLimit) {
        closeNotification();
    }
    if (m_pausedByUser || !indexer.enabled || indexer.basic) {
        return;
    }
    // The screen saver may take its time or never answer; the rules wait for it, the panel does not.
    if (idleMode && !screenSaverActive) {
        askScreenSaver();
        return;
    }
    const int state = m_monitor->state();
    const bool suspended = state == s_suspendedState;
    // An indexer that is not running has nothing to suspend.
    const bool nothingToSuspend = suspended || state == s_unavailableState;
    if (overLimit) {
        suspendForSizeLimit(nothingToSuspend);
        notifyLimitReached(limit);
    }
    if (idleMode && !*screenSaverActive) {
        suspendForIdle(nothingToSuspend);
    } else {
        releaseIdle(suspended);
    }
}

void BalooController::askScreenSaver()
{
    if (m_screenSaverQuestion) {
        return;
    }
    m_screenSaverQuestion = new QDBusPendingCallWatcher(m_screenSaver->asyncCall(QStringLiteral("GetActive")), this);
    connect(m_screenSaverQuestion, &QDBusPendingCallWatcher::finished, this, [this] {
        const QDBusPendingReply<bool> reply = *m_screenSaverQuestion;
        std::exchange(m_screenSaverQuestion, nullptr)->deleteLater();
        // No answer counts as a screen saver that is off.
        check(reply.isValid() && reply.value());
    });
}

void BalooController::suspendForIdle(bool suspended)
{
    m_suspendedForIdle = true;
    if (!suspended) {
        BalooCtl::suspend();
    }
}

void BalooController::releaseIdle(bool suspended)
{
    m_suspendedForIdle = false;
    if (suspended && !m_suspendedForSizeLimit) {
        BalooCtl::resume();
    }
}

void BalooController::suspendForSizeLimit(bool suspended)
{
    m_suspendedForSizeLimit = true;
    if (!suspended) {
        BalooCtl::suspend();
    }
}

void BalooController::releaseSizeLimit()
{
    m_suspendedForSizeLimit = false;
    if (!m_suspendedForIdle && m_monitor && m_monitor->state() == s_suspendedState) {
        BalooCtl::resume();
    }
}

void BalooController::notifyLimitReached(qint64 limit)
{
    if (!m_notifyArmed) {
        return;
    }
    m_notification.reset(new KNotification(QStringLiteral("indexSizeLimitReached"), KNotification::Persistent));
    m_notification->setTitle(tr("Indexation suspended"));
    m_notification->setText(
        tr("Reached index size limit (%1 GB)\nCurrent index size: %2").arg(limit).arg(KFormat(QLocale()).formatByteSize(double(indexSize()), 1)));
    m_notification->setIconName(QStringLiteral("edit-find"));
    m_notification->setActions({tr("Remove the limit and continue indexing")});
    m_notification->setAutoDelete(false);
    connect(m_notification.get(), qOverload<unsigned int>(&KNotification::activated), this, &BalooController::onNotificationActivated);
    connect(m_notification.get(), &KNotification::closed, this, &BalooController::onNotificationClosed);
    m_notification->sendEvent();
    m_notifyArmed = false;
}

void BalooController::removeLimit()
{
    SearchSettings settings;
    settings.load();
    settings.setLimitIndexSize(false);
    settings.save();
    releaseSizeLimit();
    m_pausedByUser = false;
    Q_EMIT limitRemoved();
}

// Acts once: the notification goes with its first use.
void BalooController::onNotificationActivated(unsigned int action)
{
    if (action == 1 && m_notification && sender() == m_notification.get()) {
        closeNotification();
        removeLimit();
    }
}

void BalooController::closeNotification()
{
    if (KNotification *notification = m_notification.release()) {
        notification->close();
        disposeLater(notification);
    }
}

void BalooController::onNotificationClosed()
{
    if (sender() == m_notification.get()) {
        m_notification.reset();
    }
}

qint64 BalooController::indexSize()
{
    const QString folder = QString::fromLocal8Bit(qgetenv("BALOO_DB_PATH"));
    const QFileInfo file(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/baloo/index")
                                          : folder + QStringLiteral("/index"));
    // Only looked at, never opened: a pipe or a device in its place must not hold the panel up.
    return file.isFile() ? file.size() : 0;
}
