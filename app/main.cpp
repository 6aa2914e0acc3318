// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandserver.h"
#include "mainwindow.h"
#include "nydcore.h"
#include "protocol.h"
#include "singleapplication.h"

#include <QFile>
#include <QLibraryInfo>
#include <QSessionManager>
#include <QTranslator>

#include <cstdio>

namespace
{
const char s_version[] = NYD_VERSION;
const char s_description[] = "Nyd search panel\nNyd search panel application";
const int s_sendTimeout = 5000;

int forwardCommandLine(SingleApplication &application)
{
    CommandServer server(nullptr, nullptr);
    const QStringList arguments = QCoreApplication::arguments();
    server.checkArguments(arguments);
    if (!application.sendMessage(Protocol::encodeArguments(arguments), s_sendTimeout)) {
        std::fputs("nyd-search-panel: the running panel did not answer; the command may not have been executed\n", stderr);
        return 1;
    }
    return 0;
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

// Help and the version are text only: they must work where there is no
// display to connect to, as over ssh or in a package build.
// The user's language, for the panel's own texts and Qt's.
void installTranslations()
{
    const QLocale locale;
    const std::pair<QString, QString> catalogs[] = {
        {QStringLiteral("qtbase"), QLibraryInfo::location(QLibraryInfo::TranslationsPath)},
        {QStringLiteral("nyd-search-panel"), QStringLiteral(":/i18n")},
    };
    for (const auto &[name, folder] : catalogs) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(locale, name, QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
        }
    }
}

int answerWithText(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    installTranslations();
    nydInit(s_version, s_description);
    CommandServer(nullptr, nullptr).checkArguments(QCoreApplication::arguments());
    return 0;
}

// The desktop's own programs come first; ours only stand in for missing ones.
// They are installed beside this program, wherever that was.
void appendStandInProgramsToPath()
{
    QByteArray path = qgetenv("PATH");
    if (!path.isEmpty()) {
        path += ':';
    }
    qputenv("PATH", path + QFile::encodeName(QCoreApplication::applicationDirPath()));
}

// Plugins built beside the front, where this program used to be, are still
// found from here.
void addFrontFolderToLibraryPaths()
{
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" NYD_BINDIR_FROM_GUI_DIR));
}
}

int main(int argc, char *argv[])
{
    // Nothing in the panel draws with OpenGL; loading it for the window alone
    // doubles the time to the first map and the memory.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);

    // The front looks for the running panel by this name, whatever name
    // this start was given.
    QCoreApplication::setApplicationName(QStringLiteral("nyd-search-panel"));
    if (CommandServer(nullptr, nullptr).asksOnlyForText(argumentList(argc, argv))) {
        return answerWithText(argc, argv);
    }

    // The front found no panel, or left the command line to the full parser.
    // Another start may have won meanwhile; then this one forwards too.
    SingleApplication application(argc, argv, true);
    installTranslations();
    nydInit(s_version, s_description);
    if (application.isRunning()) {
        return forwardCommandLine(application);
    }

    appendStandInProgramsToPath();
    addFrontFolderToLibraryPaths();
    MainWindow window(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    application.setActivationWindow(&window, true);
    QGuiApplication::setQuitOnLastWindowClosed(false);

    CommandServer server(&window, nullptr);
    server.processArguments(QCoreApplication::arguments());

    QObject::connect(&application, &SingleApplication::messageReceived, &server, &CommandServer::processMessage);
    QObject::connect(&application, &QApplication::focusChanged, &window, &MainWindow::onFocusChanged);
    QObject::connect(&application, &QGuiApplication::saveStateRequest, &application, [](QSessionManager &manager) {
        manager.setRestartHint(QSessionManager::RestartNever);
    });

    return QApplication::exec();
}
