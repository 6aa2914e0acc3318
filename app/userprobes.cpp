// SPDX-License-Identifier: GPL-2.0-or-later
#include "userprobes.h"

#include "ryxhelper.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include <pwd.h>

QString realUserHome()
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString sudoUserKey = QStringLiteral("SUDO_USER");
    if (!environment.contains(sudoUserKey)) {
        return QString();
    }

    const QByteArray name = environment.value(sudoUserKey).toUtf8();
    const passwd *account = getpwnam(name.constData());
    if (!account || !account->pw_dir) {
        return QString();
    }

    const QDir home(QString::fromUtf8(account->pw_dir));
    if (!home.isReadable()) {
        return QString();
    }
    return home.canonicalPath();
}

quint32 ryxIdLevel()
{
    QProcess tool;
    tool.setProgram(QStringLiteral("ryx-id"));
    tool.setArguments({QStringLiteral("-i")});
    tool.start(QIODevice::ReadWrite);
    if (!tool.waitForFinished(30000)) {
        if (tool.state() != QProcess::NotRunning) {
            tool.kill();
            tool.waitForFinished();
        }
        return 0;
    }
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        return 0;
    }

    bool ok = false;
    const quint32 level = tool.readAllStandardOutput().trimmed().toUInt(&ok, 10);
    return ok ? level : 0;
}

bool hasMaxMicLevel()
{
    // Asking the tool is pointless, and slow, where there are no integrity levels.
    if (!MICDetect::isCurrentProcessHasMaxMIC()) {
        return false;
    }
    return ryxIdLevel() != 0;
}
