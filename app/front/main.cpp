// SPDX-License-Identifier: GPL-2.0-or-later
// What users start as nyd-search-panel. A later start hands its command line
// to the running panel and is done; anything else becomes the panel itself,
// run with the command line unchanged, which also says what went wrong.
#include "protocol.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace
{
const int s_answerTimeoutMs = 5000;

// The panel's application object takes Qt's own options out of argv, even
// where they stand as a value, and its parser may read a word after one dash
// as short options run together: only the panel knows what these mean.
bool mayMeanSomethingElse(const QString &argument)
{
    const bool wordAfterOneDash = argument.size() > 2 && argument.startsWith(QLatin1Char('-')) && argument.at(1) != QLatin1Char('-');
    return wordAfterOneDash || argument.startsWith(QLatin1String("--qmljsdebugger"));
}

// The arguments, when the panel would take every one of them as an option of
// its own without a word: no help, no error, nothing left over.
bool readCommandLine(int argc, char **argv, QStringList *arguments)
{
    for (int i = 0; i < argc; ++i) {
        QString argument;
        if (!Protocol::decodeUtf8(QByteArray(argv[i]), &argument) || mayMeanSomethingElse(argument)) {
            return false;
        }
        arguments->append(argument);
    }
    QCommandLineParser parser;
    parser.addOptions(Protocol::commandLineOptions());
    return !arguments->isEmpty() && parser.parse(*arguments) && parser.positionalArguments().isEmpty();
}

// No QCoreApplication: a blocking QLocalSocket needs none, and building one
// would double what this program itself costs after the libraries are loaded.
Protocol::SendResult forwardToRunningPanel(int argc, char **argv)
{
    QStringList arguments;
    if (!readCommandLine(argc, argv, &arguments)) {
        return Protocol::SendResult::NotSent;
    }
    const QString serverName = Protocol::address(QStringLiteral("nyd-search-panel"), Protocol::FolderUse::LookOnly).serverName;
    // Once the panel may have the message, starting it as well could run the
    // command twice; so a taken connection ends this start.
    return Protocol::send(serverName, Protocol::encodeArguments(arguments), s_answerTimeoutMs, false);
}

void execPanel(char **argv)
{
    const QString front = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QByteArray panel = QFile::encodeName(QFileInfo(front).path() + QStringLiteral("/" NYD_GUI_DIR_FROM_BINDIR "/nyd-search-panel"));
    ::execv(panel.constData(), argv);
    std::fprintf(stderr, "nyd-search-panel: cannot start %s: %s\n", panel.constData(), std::strerror(errno));
}
}

int main(int argc, char **argv)
{
    switch (forwardToRunningPanel(argc, argv)) {
    case Protocol::SendResult::Acknowledged:
        return 0;
    case Protocol::SendResult::Unanswered:
        std::fputs("nyd-search-panel: the running panel did not answer; the command may not have been executed\n", stderr);
        return 1;
    case Protocol::SendResult::NotSent:
        break;
    }
    execPanel(argv);
    return 1;
}
