// SPDX-License-Identifier: GPL-2.0-or-later
// The desktop's screen saver and notification server on the session bus, for
// tests. Prints "ready", then "notify ID app|icon|summary|body|actions|timeout"
// for each notification shown and "close ID" for each one closed; reads "invoke
// ID ACTION" and "active 0|1|silent" lines, echoing the latter once in force.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

// Silent, it takes the question and never answers.
class ScreenSaver : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QByteArray m_active = "0";
public Q_SLOTS:
    bool GetActive()
    {
        setDelayedReply(m_active == "silent");
        return m_active == "1";
    }
};

class Notifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public Q_SLOTS:
    QStringList GetCapabilities()
    {
        return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("persistence")};
    }
    // An update changes a shown notification in place, silently.
    uint Notify(const QString &app,
                uint replaces,
                const QString &icon,
                const QString &summary,
                const QString &body,
                const QStringList &actions,
                const QVariantMap &,
                int timeout)
    {
        if (!replaces) {
            const QStringList fields = {app, icon, summary, body, actions.join(QLatin1Char(';')), QString::number(timeout)};
            std::printf("notify %u %s\n", ++m_lastId, qPrintable(fields.join(QLatin1Char('|')).replace(QLatin1Char('\n'), QLatin1String("\\n"))));
            std::fflush(stdout);
        }
        return replaces ? replaces : m_lastId;
    }
    void CloseNotification(uint id)
    {
        std::printf("close %u\n", id);
        std::fflush(stdout);
        Q_EMIT NotificationClosed(id, 3);
    }
Q_SIGNALS:
    void ActionInvoked(uint id, const QString &action);
    void NotificationClosed(uint id, uint reason);

private:
    uint m_lastId = 0;
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    ScreenSaver screenSaver;
    Notifications notifications;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &screenSaver, QDBusConnection::ExportAllSlots)
        || !bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications, QDBusConnection::ExportAllContents)
        || !bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")) || !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        return 1;
    }
    QByteArray input;
    QSocketNotifier notifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char chunk[4096];
        const ssize_t size = read(STDIN_FILENO, chunk, sizeof chunk);
        if (size <= 0) {
            app.quit();
        }
        input.append(chunk, int(std::max<ssize_t>(size, 0)));
        for (int end = input.indexOf('\n'); end >= 0; end = input.indexOf('\n')) {
            const QList<QByteArray> words = input.left(end).split(' ');
            input.remove(0, end + 1);
            if (words.value(0) == "active") {
                screenSaver.m_active = words.value(1);
                std::printf("active %s\n", screenSaver.m_active.constData());
                std::fflush(stdout);
            } else if (words.value(0) == "invoke") {
                Q_EMIT notifications.ActionInvoked(words.value(1).toUInt(), QString::fromUtf8(words.value(2)));
            }
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "fakedesktopservices.moc"
