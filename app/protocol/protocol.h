// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PROTOCOL_H
#define PROTOCOL_H

#include <QCommandLineOption>
#include <QList>
#include <QStringList>

class QIODevice;

/**
 * How a later start hands its command line to the running panel: a local
 * socket in a folder only the user can reach, one frame per message (a
 * big-endian 32-bit length, then that many bytes of UTF-8 text, for a command
 * line a JSON array of its arguments), answered by one acknowledgement byte.
 */
namespace Protocol
{
/// The largest message, in UTF-8 bytes, that is sent or taken.
constexpr int MaxMessageSize = 1024 * 1024;
constexpr char AckByte = '\x06';

/// Both empty when there is no safe folder for them.
struct Address {
    QString serverName;
    /// Whoever holds it is the instance that listens.
    QString lockFileName;
};

enum class FolderUse {
    /// Make the private folder under the cache one if it is missing.
    Create,
    /// Only look: whoever listens made it.
    LookOnly,
};

/**
 * Where the instance of @p appId listens: the runtime folder when it is
 * private, else a private folder of this user in the user's cache folder,
 * when no other account can write there and the socket path fits.
 */
Address address(const QString &appId, FolderUse use);

/// The panel's options, after the help option, as every start parses them.
QList<QCommandLineOption> commandLineOptions();

/// Lossless text form of an argument list, and back; decodeArguments()
/// returns false, leaving @p arguments alone, for anything else.
QString encodeArguments(const QStringList &arguments);
bool decodeArguments(const QString &message, QStringList *arguments);

/// Strict: any invalid or cut sequence fails; a byte-order mark is kept.
bool decodeUtf8(const QByteArray &bytes, QString *text);

enum class FrameResult {
    Incomplete,
    Message,
    Invalid,
};

/// Takes the next whole frame from @p device, if it holds one.
FrameResult readFrame(QIODevice *device, QString *message);

enum class SendResult {
    /// Nobody took it: too long, no safe folder, or nobody listens.
    NotSent,
    /// Taken, but not acknowledged within the time-out: it may still run.
    Unanswered,
    Acknowledged,
};

/**
 * Connects to @p serverName, sends @p message and waits for the answer, all
 * within @p timeoutMs (-1: no limit). With @p waitForListener, a refused
 * connection is tried again until then: the lock's owner may not listen yet.
 */
SendResult send(const QString &serverName, const QString &message, int timeoutMs, bool waitForListener);
}

#endif
