// SPDX-License-Identifier: GPL-2.0-or-later
#include "screensaverproxy.h"

#include <QDBusReply>

namespace
{
const QString s_service = QStringLiteral("org.freedesktop.ScreenSaver");
const QString s_path = QStringLiteral("/org/freedesktop/ScreenSaver");
// Nothing waits for the answer, but the idle rule does: no answer by then counts as off.
constexpr int s_timeoutMs = 5000;

template<typename T>
T answer(QDBusAbstractInterface *interface, const char *method)
{
    const QDBusReply<T> reply = interface->call(QLatin1String(method));
    return reply.isValid() ? reply.value() : T();
}
}

ScreenSaverProxy::ScreenSaverProxy(QObject *parent)
    : QDBusAbstractInterface(s_service, s_path, "org.freedesktop.ScreenSaver", QDBusConnection::sessionBus(), parent)
{
    setTimeout(s_timeoutMs);
}

bool ScreenSaverProxy::GetActive()
{
    return answer<bool>(this, "GetActive");
}

uint ScreenSaverProxy::GetActiveTime()
{
    return answer<uint>(this, "GetActiveTime");
}

uint ScreenSaverProxy::GetSessionIdleTime()
{
    return answer<uint>(this, "GetSessionIdleTime");
}
