// SPDX-License-Identifier: GPL-2.0-or-later
// nyd-term [--noclose] -e COMMAND: runs a shell command line in the user's
// terminal; with --noclose a shell follows it, so the window stays open.
//
// Not KTerminalLauncherJob: it always keeps konsole open, and hands the
// command to the terminal through one more shell string.

#include "programerror.h"

#include <KConfigGroup>
#include <KIO/CommandLauncherJob>
#include <KIO/DesktopExecParser>
#include <KIO/Job>
#include <KLocalizedString>
#include <KService>
#include <KSharedConfig>
#include <KShell>

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QUrl>

#include <memory>

namespace
{
// Launcher jobs carry KIO's error codes without KIO's wording for them.
QString jobError(const KJob *job)
{
    if (job->error() > KJob::UserDefinedError) {
        return KIO::buildErrorString(job->error(), job->errorText());
    }
    return job->errorString();
}

// The terminal as System Settings stores it: a service first, then a command line.
QStringList terminalCommand()
{
    const KConfigGroup general(KSharedConfig::openConfig(QStringLiteral("kdeglobals")), QStringLiteral("General"));
    const QString serviceId = general.readEntry("TerminalService", QString());
    if (!serviceId.isEmpty()) {
        if (const KService::Ptr service = KService::serviceByStorageId(serviceId)) {
            return KIO::DesktopExecParser(*service, {}).resultingArguments();
        }
    }
    const QString application = general.readEntry("TerminalApplication", QStringLiteral("konsole"));
    KShell::Errors errors = KShell::NoError;
    const QStringList words = KShell::splitArgs(application, KShell::TildeExpand | KShell::AbortOnMeta, &errors);
    if (errors != KShell::NoError || words.isEmpty()) {
        return {QStringLiteral("konsole")};
    }
    return words;
}

QString shellProgram()
{
    const QString bash = QStandardPaths::findExecutable(QStringLiteral("bash"));
    return bash.isEmpty() ? QStringLiteral("/bin/sh") : bash;
}
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("nyd-term"));

    QCommandLineParser parser;
    parser.setApplicationDescription(i18n("Runs a command line in the user's terminal."));
    parser.addHelpOption();
    const QCommandLineOption noCloseOption(QStringLiteral("noclose"), i18n("Keep the terminal open after the command ends."));
    const QCommandLineOption commandOption(QStringLiteral("e"), i18n("The shell command line to run."), i18n("command"));
    parser.addOption(noCloseOption);
    parser.addOption(commandOption);
    parser.process(app);

    const QStringList commands = parser.values(commandOption);
    if (commands.size() != 1 || commands.constFirst().trimmed().isEmpty() || !parser.positionalArguments().isEmpty()) {
        return failWith(i18n("usage: nyd-term [--noclose] -e <command>"));
    }
    const QString command = commands.constFirst();

    QStringList terminal = terminalCommand();
    const QString program = QStandardPaths::findExecutable(terminal.constFirst());
    if (program.isEmpty()) {
        return failWith(i18n("the terminal program %1 was not found", terminal.constFirst()));
    }
    terminal.removeFirst();

    // Every terminal knows "-e PROGRAM ARGS...". The command stays one argument
    // all the way, after a "--" in case it starts with a dash. With --noclose
    // it runs in a shell of its own, so not even an "exit" in it skips the
    // interactive shell that follows.
    const QString shell = shellProgram();
    QStringList arguments = terminal;
    arguments << QStringLiteral("-e") << shell << QStringLiteral("-c");
    if (parser.isSet(noCloseOption)) {
        arguments << QStringLiteral("\"$0\" -c -- \"$1\"; exec \"${SHELL:-$0}\"") << shell << command;
    } else {
        arguments << QStringLiteral("--") << command;
    }

    // CommandLauncherJob quotes every argument on its way to the process.
    auto *job = new KIO::CommandLauncherJob(program, arguments);
    job->setAutoDelete(false);
    const std::unique_ptr<KJob> owner(job);
    if (!job->exec()) {
        return failWith(jobError(job));
    }
    return 0;
}
