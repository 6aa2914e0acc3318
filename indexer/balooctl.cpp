// SPDX-License-Identifier: GPL-2.0-or-later
#include "balooctl.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QLocale>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <cmath>

namespace
{
QString s_statusProgram = QStringLiteral("/usr/bin/balooctl");
int s_statusTimeoutMs = 30000;
constexpr int s_failed = 100;

struct Waiter {
    bool guarded;
    QPointer<QObject> context;
    std::function<void(int)> done;
};

// The run in flight and whoever waits for it; empty while none runs.
QList<Waiter> &waiters()
{
    static QList<Waiter> list;
    return list;
}

void command(const char *argument)
{
    QProcess::startDetached(QStringLiteral("balooctl"), {QLatin1String(argument)});
}

void answerWaiters(int progress)
{
    const QList<Waiter> waiting = std::exchange(waiters(), {});
    for (const Waiter &waiter : waiting) {
        if (!waiter.guarded || waiter.context) {
            waiter.done(progress);
        }
    }
}

void startStatusRun()
{
    auto *process = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    process->setProcessEnvironment(environment);
    process->setProgram(s_statusProgram);
    process->setArguments({QStringLiteral("status")});

    auto *timeout = new QTimer(process);
    timeout->setSingleShot(true);
    // Whichever comes first answers; the process is gone after that.
    auto finish = [process](int progress) {
        if (!process->property("answered").toBool()) {
            process->setProperty("answered", true);
            process->disconnect();
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(1000);
            }
            process->deleteLater();
            answerWaiters(progress);
        }
    };
    QObject::connect(timeout, &QTimer::timeout, process, [finish] {
        finish(s_failed);
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            finish(s_failed);
        }
    });
    QObject::connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process, [process, finish](int code, QProcess::ExitStatus status) {
        finish(status == QProcess::NormalExit && code == 0 ? BalooCtl::progressFromStatus(process->readAllStandardOutput()) : s_failed);
    });
    timeout->start(s_statusTimeoutMs);
    process->start(QIODevice::ReadOnly);
}
}

BalooCtl::BalooCtl(QObject *parent)
    : QObject(parent)
{
}

void BalooCtl::enable()
{
    command("enable");
}

void BalooCtl::disable()
{
    command("disable");
}

void BalooCtl::suspend()
{
    command("suspend");
}

void BalooCtl::resume()
{
    command("resume");
}

void BalooCtl::purge()
{
    command("purge");
}

void BalooCtl::updateConfig()
{
    const QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.baloo"), QStringLiteral("/"), QStringLiteral("org.kde.baloo"), QStringLiteral("updateConfig"));
    QDBusConnection::sessionBus().asyncCall(call);
}

void BalooCtl::indexingProgress(QObject *context, const std::function<void(int)> &done)
{
    const bool idle = waiters().isEmpty();
    waiters().append({context != nullptr, context, done});
    if (idle) {
        startStatusRun();
    }
}

int BalooCtl::progressFromStatus(const QByteArray &output)
{
    static const QRegularExpression totalPattern(QStringLiteral("Total\\s+files\\s+indexed:\\s+(.*)"));
    static const QRegularExpression waitingPattern(QStringLiteral("Files\\s+waiting\\sfor\\scontent\\sindexing:\\s(.*)"));
    static const QLocale c(QStringLiteral("C"));

    // The text ends at the first NUL, as a C string would.
    const QString text = QString::fromUtf8(output.constData(), qstrnlen(output.constData(), output.size()));
    QString totalText;
    QString waitingText;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch total = totalPattern.match(line);
        if (total.hasMatch()) {
            totalText = total.captured(1);
        }
        const QRegularExpressionMatch waiting = waitingPattern.match(line);
        if (waiting.hasMatch()) {
            waitingText = waiting.captured(1);
        }
    }
    bool totalRead = false;
    bool waitingRead = false;
    const int total = c.toInt(totalText, &totalRead);
    const int waiting = c.toInt(waitingText, &waitingRead);
    if (!totalRead || !waitingRead || total == 0) {
        return s_failed;
    }
    return int(std::floor(double(total - waiting) / total * 100.0));
}

void BalooCtl::setStatusProgramForTesting(const QString &program, int timeoutMs)
{
    s_statusProgram = program;
    s_statusTimeoutMs = timeoutMs;
}
