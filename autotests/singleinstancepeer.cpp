// SPDX-License-Identifier: GPL-2.0-or-later
// One instance of an application, for the tests that need real processes.
//
//   singleinstancepeer APPID [ARG...]
//
// Prints "primary" or "client" first. A client hands its arguments to the
// primary and prints "sent" or "not sent"; a primary prints "received
// MESSAGE" for each message until its standard input closes.
#include "singleapplication.h"

#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace
{
void printLine(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fputs("usage: singleinstancepeer APPID [ARG...]\n", stderr);
        return 2;
    }
    // Before the application exists, so that the peer picks it up as identity.
    QCoreApplication::setApplicationName(QString::fromLocal8Bit(argv[1]));
    SingleApplication app(argc, argv);

    if (app.isRunning()) {
        printLine("client");
        const bool sent = app.sendMessage(SingleApplication::encodeArguments(app.arguments().mid(2)), 20000);
        printLine(sent ? "sent" : "not sent");
        return sent ? 0 : 1;
    }

    printLine("primary");
    QObject::connect(&app, &SingleApplication::messageReceived, [](const QString &message) {
        printLine("received " + message.toUtf8());
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input]() {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof(buffer)) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    return app.exec();
}
