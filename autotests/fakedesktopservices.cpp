// SPDX-License-Identifier: GPL-2.0-or-later
// The desktop's screen saver and notification server on the session bus, for
// tests. Prints "ready", then "notify ID app|icon|summary|body|actions|timeout"
// for each notification shown; reads "active 0|1" and "invoke ID ACTION" lines.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

class ScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    bool m_active = false;
public Q_SLOTS:
    bool GetActive()
    {
        return m_active;
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
Q_SIGNALS:
    void ActionInvoked(uint id, const QString &action);

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
                screenSaver.m_active = words.value(1) == "1";
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
