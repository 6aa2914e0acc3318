// SPDX-License-Identifier: GPL-2.0-or-later
// Small helpers several tests share: scratch files and stand-in programs that
// record how they were started.
#ifndef TESTHELPERS_H
#define TESTHELPERS_H

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <unistd.h>

namespace TestHelpers
{
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Writes the file, and the folder it goes in when missing.
inline bool writeFile(const QString &path, const QByteArray &contents, bool executable = false)
{
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size()) {
        return false;
    }
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFile::ExeOwner);
}

/// A shell program at path that leaves its name and arguments, NUL-separated, in
/// a file of its own in records (a folder without single quotes), then runs body.
/// It needs no other program, so it works with any PATH.
inline bool writeRecorder(const QString &path, const QString &records, const QByteArray &body = {})
{
    const QByteArray script =
        "#!/bin/sh\nfor a in \"${0##*/}\" \"$@\"; do printf '%s\\000' \"$a\"; done > '" + QFile::encodeName(records) + "/call-'$$\n" + body + '\n';
    return QDir().mkpath(records) && writeFile(path, script, true);
}

/// Name and arguments of every start recorded in records so far.
inline QList<QStringList> recordedCalls(const QString &records)
{
    QList<QStringList> calls;
    const QStringList names = QDir(records).entryList({QStringLiteral("call-*")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QByteArray record = readFile(QDir(records).filePath(name));
        QStringList call = QString::fromUtf8(record.constData(), record.size()).split(QChar());
        call.removeLast();
        calls.append(call);
    }
    return calls;
}

/// Whether a process may still leave a record of the recorder at path: it runs
/// the recorder, or it is a child of this process that has yet to start its program.
inline bool recorderRunning(const QString &path)
{
    const QByteArray program = QFile::encodeName(path);
    const QByteArray self = readFile(QStringLiteral("/proc/self/cmdline"));
    const QByteArray child = "\nPPid:\t" + QByteArray::number(::getpid()) + '\n';
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return std::any_of(processes.cbegin(), processes.cend(), [&](const QString &process) {
        const QByteArray command = readFile(QStringLiteral("/proc/%1/cmdline").arg(process));
        return command.split('\0').contains(program) || (command == self && readFile(QStringLiteral("/proc/%1/status").arg(process)).contains(child));
    });
}

/// The arguments of every start recorded in records so far, one start after the other.
inline QStringList recordedArguments(const QString &records)
{
    QStringList arguments;
    for (const QStringList &call : recordedCalls(records)) {
        arguments << call.mid(1);
    }
    return arguments;
}

/// The arguments of every start of the recorder at path so far. Each start records
/// itself as it runs, maybe after one started later: waited for without letting in
/// anything that could start another. A start of the recorder itself is the marker.
inline QStringList recordedCommands(const QString &path, const QString &records)
{
    QProcess::execute(path, {QStringLiteral("--version")});
    QDeadlineTimer deadline(30000);
    while (recorderRunning(path) && !deadline.hasExpired()) {
        QThread::msleep(5);
    }
    QStringList found = recordedArguments(records);
    found.removeAll(QStringLiteral("--version"));
    return found;
}

/// Whether a start recorded in records is still a child of this process, not yet
/// waited for; its number may have gone to another process meanwhile.
inline bool recordedStillRunning(const QString &records)
{
    const QStringList names = QDir(records).entryList({QStringLiteral("call-*")}, QDir::Files);
    const QByteArray child = "\nPPid:\t" + QByteArray::number(::getpid()) + '\n';
    return std::any_of(names.cbegin(), names.cend(), [&child](const QString &name) {
        return readFile(QStringLiteral("/proc/%1/status").arg(name.mid(5))).contains(child);
    });
}
}

#endif
