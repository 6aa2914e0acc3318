// SPDX-License-Identifier: GPL-2.0-or-later
// A scratch desktop for the tests of the desktop's programs: its own home,
// menu, default applications and service cache, and programs that only
// record how they were started. Nothing of the real user's is read or written.
#ifndef FAKEDESKTOP_H
#define FAKEDESKTOP_H

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

class FakeDesktop
{
public:
    struct Result {
        bool finished = false;
        int exitCode = -1;
        QByteArray standardError;
        QByteArray lastErrorLine() const
        {
            const QList<QByteArray> lines = standardError.trimmed().split('\n');
            return lines.constLast();
        }
    };

    FakeDesktop()
    {
        const QStringList folders = {QStringLiteral("home/.config"),
                                     QStringLiteral("home/.local/share/applications"),
                                     QStringLiteral("home/.cache"),
                                     QStringLiteral("share"),
                                     QStringLiteral("bin"),
                                     QStringLiteral("records")};
        m_valid = m_root.isValid();
        for (const QString &folder : folders) {
            m_valid = m_valid && QDir().mkpath(path(folder));
        }
        // Only the MIME database of the system: no system application can answer for a type.
        m_valid = m_valid && QFile::link(QStringLiteral("/usr/share/mime"), path(QStringLiteral("share/mime")));
    }

    bool isValid() const
    {
        return m_valid;
    }

    QString path(const QString &relative) const
    {
        return m_root.filePath(relative);
    }

    QString home() const
    {
        return path(QStringLiteral("home"));
    }

    QString configHome() const
    {
        return path(QStringLiteral("home/.config"));
    }

    QString applicationsFolder() const
    {
        return path(QStringLiteral("home/.local/share/applications"));
    }

    QString recordsFolder() const
    {
        return path(QStringLiteral("records"));
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("home/.local/share")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("home/.cache")));
        env.insert(QStringLiteral("XDG_DATA_DIRS"), path(QStringLiteral("share")));
        env.insert(QStringLiteral("NYD_TEST_RECORDS"), recordsFolder());
        for (auto it = m_variables.cbegin(); it != m_variables.cend(); ++it) {
            env.insert(it.key(), it.value());
        }
        return env;
    }

    /// One more variable for the programs started from now on.
    void setVariable(const QString &name, const QString &value)
    {
        m_variables.insert(name, value);
    }

    static bool writeFile(const QString &filePath, const QByteArray &contents, bool executable = false)
    {
        QFile file(filePath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size()) {
            return false;
        }
        file.close();
        return !executable || file.setPermissions(file.permissions() | QFile::ExeOwner);
    }

    static QByteArray readFile(const QString &filePath)
    {
        QFile file(filePath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    /// A program that records its arguments, one file per start, in the records folder.
    QString writeRecorder(const QString &name) const
    {
        const QString script = path(QStringLiteral("bin/") + name);
        const QByteArray body =
            "#!/bin/sh\n"
            "record=\"$NYD_TEST_RECORDS/call-$$\"\n"
            "printf '%s\\0' \"$@\" > \"$record.part\" && mv \"$record.part\" \"$record\"\n";
        return writeFile(script, body, true) ? script : QString();
    }

    /// Arguments of every recorded start so far.
    QList<QStringList> records() const
    {
        QList<QStringList> calls;
        const QStringList names = QDir(recordsFolder()).entryList({QStringLiteral("call-*")}, QDir::Files);
        for (const QString &name : names) {
            QStringList arguments;
            const QList<QByteArray> parts = readFile(QDir(recordsFolder()).filePath(name)).split('\0');
            for (int i = 0; i + 1 < parts.size(); ++i) {
                arguments << QString::fromUtf8(parts.at(i));
            }
            calls << arguments;
        }
        return calls;
    }

    void clearRecords() const
    {
        const QStringList names = QDir(recordsFolder()).entryList(QDir::Files);
        for (const QString &name : names) {
            QFile::remove(QDir(recordsFolder()).filePath(name));
        }
    }

    /// An application entry in the user's menu; returns its path.
    QString addApplication(const QString &id, const QString &exec, const QStringList &mimeTypes, const QByteArray &extraLines = {}) const
    {
        QByteArray entry = "[Desktop Entry]\nType=Application\nName=" + id.toUtf8() + "\nExec=" + exec.toUtf8() + '\n';
        if (!mimeTypes.isEmpty()) {
            entry += "MimeType=" + mimeTypes.join(QLatin1Char(';')).toUtf8() + ";\n";
        }
        entry += extraLines;
        const QString entryPath = QDir(applicationsFolder()).filePath(id + QStringLiteral(".desktop"));
        return writeFile(entryPath, entry) ? entryPath : QString();
    }

    bool setDefaultApplication(const QString &mimeType, const QString &id)
    {
        m_defaults.insert(mimeType, id + QStringLiteral(".desktop"));
        QByteArray list = "[Default Applications]\n";
        for (auto it = m_defaults.cbegin(); it != m_defaults.cend(); ++it) {
            list += it.key().toUtf8() + '=' + it.value().toUtf8() + '\n';
        }
        return writeFile(QDir(configHome()).filePath(QStringLiteral("mimeapps.list")), list);
    }

    /// Rebuilds the service cache as KDE does after the menu changed.
    bool rebuildServiceCache() const
    {
        const QString kbuildsycoca = QStandardPaths::findExecutable(QStringLiteral("kbuildsycoca5"));
        if (kbuildsycoca.isEmpty()) {
            return false;
        }
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(kbuildsycoca, {QStringLiteral("--noincremental")});
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    Result run(const QString &program, const QStringList &arguments, const QString &workingDirectory = QString()) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(workingDirectory.isEmpty() ? home() : workingDirectory);
        process.start(program, arguments);
        Result result;
        result.finished = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit;
        if (!result.finished) {
            process.kill();
            process.waitForFinished();
        }
        result.exitCode = process.exitCode();
        result.standardError = process.readAllStandardError();
        return result;
    }

private:
    QTemporaryDir m_root;
    QMap<QString, QString> m_defaults;
    QMap<QString, QString> m_variables;
    bool m_valid = false;
};

#endif
