// SPDX-License-Identifier: GPL-2.0-or-later
#include "balooctl.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QFutureWatcher>
#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QtConcurrent>

#include <cmath>
#include <signal.h>

namespace
{
QString s_statusProgram = QStringLiteral("/usr/bin/balooctl");
int s_timeoutMs = 30000;
constexpr int s_failed = -1;
// The status is a few lines; anything much longer is not the status.
constexpr qint64 s_maxStatusBytes = 64 * 1024;
// The status run in flight, to end from the GUI thread when the application
// quits, and how many times it did, for a run that was just starting then.
QMutex s_statusLock;
qint64 s_statusPid = 0;
int s_quits = 0;

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
    const QMutexLocker locker(&s_statusLock);
    ++s_quits;
    if (s_statusPid > 0) {
        ::kill(pid_t(s_statusPid), SIGKILL);
    }
}

// Returns how many times the application quit so far.
int setStatusPid(qint64 pid)
{
    const QMutexLocker locker(&s_statusLock);
    s_statusPid = pid;
    return s_quits;
}

void endRunsAtQuit()
{
    static const bool connected = QCoreApplication::instance() && QObject::connect(qApp, &QCoreApplication::aboutToQuit, endRuns);
    Q_UNUSED(connected)
}

// Starts the tool unless a run of the same kind is in flight. The process is
// ended at the time-out and deleted once it has finished, never while it runs:
// the destructor would wait for it on the GUI thread.
void command(const char *argument)
{
    const QString kind = QLatin1String(argument);
    if (running().contains(kind)) {
        return;
    }
    endRunsAtQuit();
    auto *process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    running().insert(kind, process);

    auto *timeout = new QTimer(process);
    timeout->setSingleShot(true);
    QObject::connect(timeout, &QTimer::timeout, process, &QProcess::kill);
    const auto forget = [process, kind] {
        running().remove(kind);
        process->deleteLater();
    };
    QObject::connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process, forget);
    QObject::connect(process, &QProcess::errorOccurred, process, [forget](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            forget();
        }
    });
    timeout->start(s_timeoutMs);
    process->start(QStringLiteral("balooctl"), {kind}, QIODevice::ReadOnly);
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

// Runs on a worker thread: a slow tool or a flood of output costs the GUI nothing.
int runStatus(const QString &program, const QProcessEnvironment &environment, int timeoutMs)
{
    const int quits = setStatusPid(0);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, {QStringLiteral("status")}, QIODevice::ReadOnly);
    if (!process.waitForStarted(timeoutMs)) {
        return s_failed;
    }
    if (setStatusPid(process.processId()) != quits) {
        process.kill();
    }
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray output;
    while (output.size() <= s_maxStatusBytes && process.waitForReadyRead(int(deadline.remainingTime()))) {
        output += process.read(s_maxStatusBytes + 1 - output.size());
    }
    const bool finished =
        output.size() <= s_maxStatusBytes && (process.state() == QProcess::NotRunning || process.waitForFinished(int(deadline.remainingTime())));
    output += process.read(s_maxStatusBytes + 1 - output.size());
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    setStatusPid(0);
    const bool succeeded = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 && output.size() <= s_maxStatusBytes;
    return succeeded ? BalooCtl::progressFromStatus(output) : s_failed;
}

void startStatusRun()
{
    endRunsAtQuit();
    auto *run = new QFutureWatcher<int>;
    QObject::connect(run, &QFutureWatcherBase::finished, run, [run] {
        answerWaiters(run->result());
        run->deleteLater();
    });
    run->setFuture(QtConcurrent::run(runStatus, s_statusProgram, statusEnvironment(), s_timeoutMs));
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
