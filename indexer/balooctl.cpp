// SPDX-License-Identifier: GPL-2.0-or-later
#include "balooctl.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QHash>
#include <QLocale>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <cmath>
#include <memory>

namespace
{
QString s_statusProgram = QStringLiteral("/usr/bin/balooctl");
int s_timeoutMs = 30000;
constexpr int s_failed = -1;
// The status is a few lines; anything much longer is not the status.
constexpr qint64 s_maxStatusBytes = 64 * 1024;

struct Waiter {
    bool guarded;
    QPointer<QObject> context;
    std::function<void(int)> done;
};

// The status run in flight and whoever waits for it; empty while none runs.
QList<Waiter> &waiters()
{
    static QList<Waiter> list;
    return list;
}

// The runs in flight, by argument: a second order of a kind while the first
// is still going would only pile up beside a hung tool.
QHash<QString, QProcess *> &running()
{
    static QHash<QString, QProcess *> runs;
    return runs;
}

// A tool still running when the panel quits would outlive it.
void endRuns()
{
    for (QProcess *process : qAsConst(running())) {
        process->kill();
    }
}

// Starts the tool unless a run of the same kind is in flight. The process is
// ended at the time-out and deleted once it has finished, never while it runs:
// the destructor would wait for it on the GUI thread.
QProcess *startRun(const QString &program, const QString &argument, const QProcessEnvironment &environment)
{
    if (running().contains(argument)) {
        return nullptr;
    }
    static const bool endingRunsAtQuit = QCoreApplication::instance() && QObject::connect(qApp, &QCoreApplication::aboutToQuit, endRuns);
    Q_UNUSED(endingRunsAtQuit)
    auto *process = new QProcess;
    process->setProcessEnvironment(environment);
    process->setProgram(program);
    process->setArguments({argument});
    process->setStandardErrorFile(QProcess::nullDevice());
    running().insert(argument, process);

    auto *timeout = new QTimer(process);
    timeout->setSingleShot(true);
    QObject::connect(timeout, &QTimer::timeout, process, &QProcess::kill);
    const auto forget = [process, argument] {
        running().remove(argument);
        process->deleteLater();
    };
    QObject::connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process, forget);
    QObject::connect(process, &QProcess::errorOccurred, process, [forget](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            forget();
        }
    });
    timeout->start(s_timeoutMs);
    process->start(QIODevice::ReadOnly);
    return process;
}

void command(const char *argument)
{
    if (QProcess *process = startRun(QStringLiteral("balooctl"), QLatin1String(argument), QProcessEnvironment::systemEnvironment())) {
        process->setStandardOutputFile(QProcess::nullDevice());
    }
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

// The tool answers in the session's language unless every variable that could
// choose one says otherwise; the panel reads its English lines.
QProcessEnvironment statusEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"LC_ALL", "LANG"}) {
        environment.insert(QLatin1String(name), QStringLiteral("C"));
    }
    for (const char *name : {"LANGUAGE", "LC_MESSAGES"}) {
        environment.remove(QLatin1String(name));
    }
    return environment;
}

void startStatusRun()
{
    QProcess *process = startRun(s_statusProgram, QStringLiteral("status"), statusEnvironment());
    if (!process) {
        return;
    }
    auto output = std::make_shared<QByteArray>();
    QObject::connect(process, &QProcess::readyReadStandardOutput, process, [process, output] {
        output->append(process->read(s_maxStatusBytes + 1 - output->size()));
        if (output->size() > s_maxStatusBytes) {
            process->kill();
        }
    });
    QObject::connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process, [output](int code, QProcess::ExitStatus status) {
        answerWaiters(status == QProcess::NormalExit && code == 0 ? BalooCtl::progressFromStatus(*output) : s_failed);
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            answerWaiters(s_failed);
        }
    });
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
    return qBound(0, int(std::floor(double(total - waiting) / total * 100.0)), 100);
}

void BalooCtl::setStatusProgramForTesting(const QString &program, int timeoutMs)
{
    s_statusProgram = program;
    s_timeoutMs = timeoutMs;
}
