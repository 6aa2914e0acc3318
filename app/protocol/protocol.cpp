// SPDX-License-Identifier: GPL-2.0-or-later
#include "protocol.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTextCodec>
#include <QThread>
#include <QtEndian>

#include <limits>

#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace Protocol
{
namespace
{
constexpr int HeaderSize = 4;
constexpr int RetryIntervalMs = 50;

// Owned by us, a directory itself rather than a link to one, and closed to
// everybody else.
bool isPrivateFolder(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        return false;
    }
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 0777) == 0700;
}

QString sanitizedName(const QString &appId)
{
    QString name;
    for (const QChar c : appId) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char('.');
        name.append(plain ? c : QLatin1Char('_'));
    }
    // Socket paths are short; the hash in the file name keeps ids apart.
    name.truncate(32);
    if (name.isEmpty() || name.startsWith(QLatin1Char('.'))) {
        name.prepend(QLatin1String("app"));
    }
    return name;
}

// Nobody else can add or rename entries in it.
bool isClosedParent(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return false;
    }
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
}

// The user's own cache folder: unlike the shared temporary folder, another
// account cannot take a name in it first.
QString cacheHome(FolderUse use)
{
    QString path = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!QDir::isAbsolutePath(path)) {
        const QString home = QDir::homePath();
        path = home == QDir::rootPath() ? QString() : home + QLatin1String("/.cache");
    }
    if (!path.isEmpty() && use == FolderUse::Create) {
        ::mkdir(QFile::encodeName(path).constData(), 0700);
    }
    return path;
}

QString privateFolder(const QString &key, FolderUse use)
{
    const QString runtimeDir = QDir::cleanPath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    if (!runtimeDir.isEmpty() && runtimeDir != QLatin1String(".") && isPrivateFolder(runtimeDir)) {
        return runtimeDir;
    }

    const QString parent = cacheHome(use);
    const QString folder = parent + QLatin1Char('/') + key;
    const QByteArray encoded = QFile::encodeName(folder);
    if (!parent.isEmpty() && isClosedParent(parent)) {
        if (use == FolderUse::Create && ::mkdir(encoded.constData(), 0700) == 0) {
            // The umask may have taken bits we need.
            ::chmod(encoded.constData(), 0700);
        }
        if (isPrivateFolder(folder)) {
            return folder;
        }
    }
    if (use == FolderUse::Create) {
        qWarning("%s is not a private folder of this user, so no other instance can be reached", encoded.constData());
    }
    return QString();
}

int remainingMs(const QDeadlineTimer &deadline)
{
    return int(qMin<qint64>(deadline.remainingTime(), std::numeric_limits<int>::max()));
}
}

Address address(const QString &appId, FolderUse use)
{
    const QString uid = QString::number(::geteuid());
    const QString name = sanitizedName(appId);
    const QString key = name + QLatin1Char('-') + uid;
    const QString folder = privateFolder(key, use);
    if (folder.isEmpty()) {
        return {};
    }
    QString serverName = folder + QLatin1Char('/') + key;
    // Only an id that lost characters needs the hash to stay apart from others.
    if (name != appId) {
        const QByteArray hash = QCryptographicHash::hash(appId.toUtf8() + '\0' + uid.toLatin1(), QCryptographicHash::Sha1).toHex().left(12);
        serverName += QLatin1Char('-') + QString::fromLatin1(hash);
    }
    // A longer path would be cut short by the socket address and reach another.
    if (QFile::encodeName(serverName).size() >= int(sizeof(sockaddr_un::sun_path))) {
        if (use == FolderUse::Create) {
            qWarning("%s is too long for a socket, so no other instance can be reached", QFile::encodeName(serverName).constData());
        }
        return {};
    }
    return {serverName, serverName + QLatin1String(".lock")};
}

// The command server's texts, in its translation context.
QList<QCommandLineOption> commandLineOptions()
{
    const auto text = [](const char *source) {
        return QCoreApplication::translate("CommandServer", source);
    };
    return {
        {{QStringLiteral("q"), QStringLiteral("query")},
         text(QT_TRANSLATE_NOOP("CommandServer", "Prepend text to the current search query")),
         text(QT_TRANSLATE_NOOP("CommandServer", "text"))},
        {QStringLiteral("hide"), text(QT_TRANSLATE_NOOP("CommandServer", "Hide window"))},
        {QStringLiteral("toggle"), text(QT_TRANSLATE_NOOP("CommandServer", "Show/Hide window"))},
        {QStringLiteral("hidden"), text(QT_TRANSLATE_NOOP("CommandServer", "Start with hidden window"))},
        {{QStringLiteral("m"), QStringLiteral("monitor")},
         text(QT_TRANSLATE_NOOP("CommandServer", "Monitor name")),
         text(QT_TRANSLATE_NOOP("CommandServer", "monitor"))},
        {{QStringLiteral("p"), QStringLiteral("position")},
         text(QT_TRANSLATE_NOOP("CommandServer", "Corner position [0-3]")),
         text(QT_TRANSLATE_NOOP("CommandServer", "position")),
         QStringLiteral("2")},
        {{QStringLiteral("s"), QStringLiteral("size")},
         text(QT_TRANSLATE_NOOP("CommandServer", "Taskbar height")),
         text(QT_TRANSLATE_NOOP("CommandServer", "size")),
         QStringLiteral("0")},
        {QStringLiteral("width"), text(QT_TRANSLATE_NOOP("CommandServer", "Width")), text(QT_TRANSLATE_NOOP("CommandServer", "width")), QStringLiteral("202")},
        {QStringLiteral("height"),
         text(QT_TRANSLATE_NOOP("CommandServer", "Height")),
         text(QT_TRANSLATE_NOOP("CommandServer", "height")),
         QStringLiteral("532")},
        {QStringLiteral("quit"), text(QT_TRANSLATE_NOOP("CommandServer", "Quit application"))},
    };
}

QString encodeArguments(const QStringList &arguments)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact));
}

bool decodeArguments(const QString &message, QStringList *arguments)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(message.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return false;
    }
    QStringList decoded;
    const QJsonArray array = document.array();
    for (const QJsonValue &value : array) {
        if (!value.isString()) {
            return false;
        }
        decoded.append(value.toString());
    }
    *arguments = decoded;
    return true;
}

bool decodeUtf8(const QByteArray &bytes, QString *text)
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    *text = QTextCodec::codecForMib(106)->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

FrameResult readFrame(QIODevice *device, QString *message)
{
    uchar header[HeaderSize];
    if (device->peek(reinterpret_cast<char *>(header), HeaderSize) < HeaderSize) {
        return FrameResult::Incomplete;
    }
    const quint32 size = qFromBigEndian<quint32>(header);
    if (size > quint32(MaxMessageSize)) {
        return FrameResult::Invalid;
    }
    if (device->bytesAvailable() < HeaderSize + qint64(size)) {
        return FrameResult::Incomplete;
    }
    device->skip(HeaderSize);
    return decodeUtf8(device->read(size), message) ? FrameResult::Message : FrameResult::Invalid;
}

SendResult send(const QString &serverName, const QString &message, int timeoutMs, bool waitForListener)
{
    const QByteArray payload = message.toUtf8();
    if (serverName.isEmpty() || payload.size() > MaxMessageSize) {
        return SendResult::NotSent;
    }

    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(serverName);
        if (socket.waitForConnected(remainingMs(deadline))) {
            break;
        }
        socket.abort();
        if (!waitForListener || deadline.hasExpired()) {
            return SendResult::NotSent;
        }
        const int left = remainingMs(deadline);
        QThread::msleep(ulong(left < 0 ? RetryIntervalMs : qMin(left, RetryIntervalMs)));
    }

    uchar header[HeaderSize];
    qToBigEndian<quint32>(quint32(payload.size()), header);
    socket.write(reinterpret_cast<const char *>(header), HeaderSize);
    socket.write(payload);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(remainingMs(deadline))) {
            return SendResult::Unanswered;
        }
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(remainingMs(deadline))) {
            return SendResult::Unanswered;
        }
    }
    char ack = 0;
    return socket.getChar(&ack) && ack == AckByte ? SendResult::Acknowledged : SendResult::Unanswered;
}
}
