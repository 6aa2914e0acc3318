// SPDX-License-Identifier: GPL-2.0-or-later
// A forwarding start written the way the panel's is (an application object,
// then QLocalSocket), without anything of the panel itself. Built twice: once
// with QtCore and QtNetwork only, once also tied to QtWidgets, so that the
// difference is what loading the graphical libraries costs a later start.
//
//   nyd-bench-qt-socket-client SOCKET MESSAGE

#include <QCoreApplication>
#include <QLocalSocket>
#include <QStringList>
#include <QtEndian>

#ifdef NYD_BENCH_LINK_WIDGETS
#include <QWidget>
#endif

int main(int argc, char **argv)
{
#ifdef NYD_BENCH_LINK_WIDGETS
    // Never true; only keeps the linker from dropping the library.
    if (argc > 1000) {
        return QWidget::staticMetaObject.methodCount();
    }
#endif
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        return 2;
    }

    QLocalSocket socket;
    socket.connectToServer(arguments.at(1));
    if (!socket.waitForConnected(5000)) {
        return 1;
    }

    const QByteArray payload = arguments.at(2).toUtf8();
    uchar header[4];
    qToBigEndian<quint32>(quint32(payload.size()), header);
    socket.write(reinterpret_cast<const char *>(header), sizeof(header));
    socket.write(payload);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(5000)) {
            return 1;
        }
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(5000)) {
            return 1;
        }
    }
    char ack = 0;
    return socket.getChar(&ack) && ack == '\x06' ? 0 : 1;
}
