// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktopcommand.h"

#include <KConfigGroup>
#include <KDesktopFile>
#include <KShell>

#include <QRegularExpression>

namespace
{
// Field codes stand for files and URLs the panel never passes.
QString withoutFieldCodes(const QString &argument)
{
    QString stripped;
    for (int i = 0; i < argument.size(); ++i) {
        if (argument.at(i) == QLatin1Char('%') && i + 1 < argument.size()) {
            ++i;
            if (argument.at(i) == QLatin1Char('%')) {
                stripped += QLatin1Char('%');
            }
            continue;
        }
        stripped += argument.at(i);
    }
    return stripped;
}
}

QString desktopEntryCommand(const QString &path)
{
    if (!KDesktopFile::isDesktopFile(path)) {
        return {};
    }
    const QString exec = KDesktopFile(path).desktopGroup().readEntry("Exec", QString());

    KShell::Errors error = KShell::NoError;
    const QStringList arguments = KShell::splitArgs(exec, KShell::NoOptions, &error);
    if (error != KShell::NoError) {
        QString command = exec;
        command.remove(QRegularExpression(QStringLiteral("\\s*%[fFuUdDnNickvm]")));
        return command.replace(QStringLiteral("%%"), QStringLiteral("%")).trimmed();
    }

    QStringList command;
    command.reserve(arguments.size());
    for (const QString &argument : arguments) {
        const QString stripped = withoutFieldCodes(argument);
        if (!stripped.isEmpty() || argument.isEmpty()) {
            command << stripped;
        }
    }
    return KShell::joinArgs(command);
}
