// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandserver.h"
#include "localpeer.h"
#include "mainwindow.h"
#include "nydcore.h"
#include "singleapplication.h"

#include <QSessionManager>

namespace
{
const char s_version[] = "1.4.6+b4";
const char s_description[] = "Nyd search panel\nNyd search panel application";
const int s_sendTimeout = 5000;

template<typename Sender>
int forwardCommandLine(Sender &sender)
{
    CommandServer server(nullptr, nullptr);
    const QStringList arguments = QCoreApplication::arguments();
    server.checkArguments(arguments);
    sender.sendMessage(SingleApplication::encodeArguments(arguments), s_sendTimeout);
    return 0;
}

// The desktop's own programs come first; ours only stand in for missing ones.
void appendStandInProgramsToPath()
{
    QByteArray path = qgetenv("PATH");
    if (!path.isEmpty()) {
        path += ':';
    }
    qputenv("PATH", path + QByteArrayLiteral(NYD_LIBEXEC_DIR));
}

// A later start only forwards its command line, so it finds out before
// anything graphical is built.
bool forwardedToRunningPanel(int &argc, char **argv, int *status)
{
    QCoreApplication application(argc, argv);
    nydInit(s_version, s_description);
    if (!LocalPeer::isInstanceRunning()) {
        return false;
    }
    LocalPeer peer;
    if (!peer.isClient()) {
        // The running panel ended in the meantime: this start takes over.
        return false;
    }
    *status = forwardCommandLine(peer);
    return true;
}
}

int main(int argc, char *argv[])
{
    // Nothing in the panel draws with OpenGL; loading it for the window alone
    // doubles the time to the first map and the memory.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);

    int status = 0;
    if (forwardedToRunningPanel(argc, argv, &status)) {
        return status;
    }

    SingleApplication application(argc, argv, true);
    nydInit(s_version, s_description);
    if (application.isRunning()) {
        return forwardCommandLine(application);
    }

    appendStandInProgramsToPath();
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
