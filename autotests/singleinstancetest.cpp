// SPDX-License-Identifier: GPL-2.0-or-later
// One panel per user, later starts hand it their command lines; real processes throughout.
#include "localpeer.h"
#include "protocol.h"
#include "singleapplication.h"
#include "testhelpers.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <cstdio>
#include <cstring>
#include <memory>

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// How the front ends: handed over (or taken), ran the panel, or could not.
enum FrontStatus { Forwarded = 0, NotDelivered = 1, RanPanel = 42 };

struct Child : QProcess {
    explicit Child(const QStringList &arguments)
    {
        start(QCoreApplication::applicationFilePath(), arguments);
    }
    ~Child() override
    {
        closeWriteChannel();
        waitForFinished();
    }
    // The event loop runs meanwhile, for a primary in this process to answer.
    int status()
    {
        if (state() != NotRunning) {
            QSignalSpy(this, qOverload<int, QProcess::ExitStatus>(&QProcess::finished)).wait(30000);
        }
        return state() == NotRunning && exitStatus() == NormalExit ? exitCode() : -1;
    }
};

std::unique_ptr<Child> startPeer(const QString &appId, const QString &message = QString())
{
    return std::make_unique<Child>(QStringList{QStringLiteral("--peer"), appId, message});
}

// The front copied into @p folder, with arguments that need not be text.
std::unique_ptr<Child> startFront(const QString &folder, const QByteArrayList &arguments)
{
    QStringList encoded{QStringLiteral("--exec"), folder + QStringLiteral("/bin/nyd-search-panel")};
    for (const QByteArray &argument : arguments) {
        encoded << QString::fromLatin1(argument.toPercentEncoding());
    }
    return std::make_unique<Child>(encoded);
}

// Makes @p path one @p kind of folder: an octal mode, "link" (to the private
// folder it is in), "foreign" (private, of another user), "missing" or "shared"
// (missing, in a folder everybody can write).
bool prepare(const QString &path, const QString &kind)
{
    const QByteArray name = QFile::encodeName(path);
    const bool foreign = kind == QLatin1String("foreign");
    if (kind == QLatin1String("shared") || kind == QLatin1String("link")) {
        const QString parent = QFileInfo(path).path();
        return kind == QLatin1String("link") ? QFile::link(parent, path) : ::chmod(QFile::encodeName(parent).constData(), 01777) == 0;
    }
    return kind == QLatin1String("missing")
        || (QDir().mkpath(path) && ::chmod(name.constData(), foreign ? 0700 : kind.toUInt(nullptr, 8)) == 0
            && (!foreign || ::chown(name.constData(), 65534, 65534) == 0));
}
}

class SingleInstanceTest : public QObject
{
    Q_OBJECT

    const QByteArray m_runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray m_cacheDir = qgetenv("XDG_CACHE_HOME");

private Q_SLOTS:
    // Some cases move the folders; every process started here inherits them.
    void cleanup()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtimeDir);
        qputenv("XDG_CACHE_HOME", m_cacheDir);
    }
    void badPeersAreDropped_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("silent") << QByteArray();
        QTest::newRow("noise") << QByteArray("\xde\xad\xbe\xef\x13\x37 and more\x00\xff", 18);
        QTest::newRow("length over the limit") << QByteArray("\x00\x10\x00\x01xyz", 7);
        QTest::newRow("not UTF-8") << QByteArray("\x00\x00\x00\x04\xff\xfe\xc3\x28", 8);
        QTest::newRow("cut-off frame") << QByteArray("\0\0\0\144abc", 7);
    }
    // A bad peer that hangs on keeps nobody else waiting.
    void badPeersAreDropped()
    {
        QFETCH(QByteArray, bytes);
        const QString appId = QUuid::createUuid().toString(QUuid::Id128);
        LocalPeer primary(nullptr, appId);
        QVERIFY(!primary.isClient());
        QSignalSpy received(&primary, &LocalPeer::messageReceived);
        QLocalSocket bad;
        bad.connectToServer(primary.serverName());
        QVERIFY(bad.waitForConnected(5000) && bad.write(bytes) == bytes.size() && (bytes.isEmpty() || bad.waitForBytesWritten(5000)));
        // Served while the bad peer still hangs on, which is then dropped unanswered.
        QCOMPARE(startPeer(appId, QStringLiteral("real"))->status(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(bad.state(), QLocalSocket::UnconnectedState, 20000);
        QCOMPARE(bad.readAll(), QByteArray());
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("real"));
    }
    void brokenLockIsTakenOver_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("empty lock file") << QByteArray();
        QTest::newRow("garbled lock file") << QByteArray("\xff\0garbage\n\n", 11);
        QTest::newRow("directory at the lock path") << QByteArray("/");
        QTest::newRow("directory at the socket path") << QByteArray("//");
    }
    void brokenLockIsTakenOver()
    {
        QFETCH(QByteArray, contents);
        const QString appId = QUuid::createUuid().toString(QUuid::Id128);
        const Protocol::Address address = Protocol::address(appId, Protocol::FolderUse::Create);
        const QString path = contents == "//" ? address.serverName : address.lockFileName;
        QVERIFY(contents.startsWith('/') ? QDir().mkpath(path + QStringLiteral("/inside")) : TestHelpers::writeFile(path, contents));
        const auto start = startPeer(appId);
        QTRY_COMPARE_WITH_TIMEOUT(start->peek(8), QByteArray("primary\n"), 30000);
        QCOMPARE(startPeer(appId, QStringLiteral("reached"))->status(), 0);
    }
    // Nothing is executed, nor answered, before a receiver is there.
    void earlyMessageWaitsForAReceiver()
    {
        LocalPeer primary(nullptr, QUuid::createUuid().toString(QUuid::Id128));
        QVERIFY(!primary.isClient());
        QLocalSocket early;
        early.connectToServer(primary.serverName());
        QVERIFY(early.waitForConnected(5000) && early.write(QByteArray("\0\0\0\5early", 9)) == 9 && early.waitForBytesWritten(5000));
        const auto taken = [&primary]() {
            const QLocalSocket *socket = primary.findChild<QLocalSocket *>();
            int queued = 1;
            return socket && ::ioctl(int(socket->socketDescriptor()), FIONREAD, &queued) == 0 && queued == 0 && socket->bytesAvailable() == 0;
        };
        QTRY_VERIFY(taken());
        QSignalSpy received(&primary, &LocalPeer::messageReceived);
        QTRY_COMPARE(received.count(), 1);
        QTRY_COMPARE(early.peek(2), QByteArray(1, Protocol::AckByte)); // the answer, and nothing else
    }
    void privateFolders_data()
    {
        QTest::addColumn<QString>("kinds"); // of the runtime folder and the fallback
        QTest::addColumn<int>("used"); // -1: none, 0: runtime, 1: fallback
        QTest::newRow("private runtime folder") << QStringLiteral("0700 missing") << 0;
        QTest::newRow("runtime folder open to others") << QStringLiteral("0755 missing") << 1;
        QTest::newRow("runtime folder a link") << QStringLiteral("link missing") << 1;
        QTest::newRow("no runtime folder") << QStringLiteral("missing missing") << 1;
        QTest::newRow("fallback open to others") << QStringLiteral("missing 0755") << -1;
        QTest::newRow("fallback a link") << QStringLiteral("missing link") << -1;
        QTest::newRow("fallback of another user") << QStringLiteral("missing foreign") << -1;
        QTest::newRow("fallback among others' files") << QStringLiteral("missing shared") << -1;
    }
    void privateFolders()
    {
        QFETCH(QString, kinds);
        QFETCH(int, used);
        if (kinds.endsWith(QLatin1String(" foreign")) && ::geteuid() != 0) {
            QSKIP("needs root to hand a folder to another user");
        }
        QTemporaryDir base(QStringLiteral("/tmp/nydsi-XXXXXX"));
        const QString appId = QUuid::createUuid().toString(QUuid::Id128);
        const QString folders[] = {base.filePath(QStringLiteral("runtime")), base.filePath(QStringLiteral("%1-%2").arg(appId).arg(::geteuid()))};
        QVERIFY(prepare(folders[0], kinds.section(QLatin1Char(' '), 0, 0)) && prepare(folders[1], kinds.section(QLatin1Char(' '), 1)));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folders[0]));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(base.path()));
        // The front only looks; the panel makes its folder.
        QCOMPARE(Protocol::address(appId, Protocol::FolderUse::LookOnly).serverName.isEmpty(), used != 0);
        if (used < 0) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not a private folder")));
        }
        LocalPeer peer(nullptr, appId);
        QVERIFY(!peer.isClient());
        QCOMPARE(peer.serverName().section(QLatin1Char('/'), 0, -2), used < 0 ? QString() : folders[used]);
        QCOMPARE(Protocol::address(appId, Protocol::FolderUse::LookOnly).serverName, peer.serverName());
    }
    void front_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<int>("status");
        const QByteArray own("nyd-search-panel");
        // One argument may not be that long, so the longest message takes several.
        QByteArrayList full{own};
        for (int i = 0; i < 11; ++i) {
            full << "-q" << QByteArray(Protocol::MaxMessageSize / 11, 'x');
        }
        full.last().chop(Protocol::encodeArguments(QString::fromLatin1(full.join(' ')).split(QLatin1Char(' '))).toUtf8().size() - Protocol::MaxMessageSize);
        const auto row = [](const char *name, const char *setup, const QByteArrayList &arguments, FrontStatus status) {
            QTest::newRow(name) << QString::fromLatin1(setup) << arguments << int(status);
        };
        row("options", "panel", {own, "--toggle", "--hide", "--hidden", "--quit", "-m", "DP-1", "-p", "2", "-s", "4", "--width=3", "--height", "5"}, Forwarded);
        row("bars, spaces, non-ASCII", "panel", {"/opt/Ünicode/nyd", "-q", "a|--quit", "--query= x  y ", "-q", "Größe 検索 🙂"}, Forwarded);
        row("quotes, control characters", "panel", {own, "-q", "a\"b\\c\nd\te\x01\x7f", "-q", "[\"a\"]", "-q", ""}, Forwarded);
        row("values that look like options", "panel", {own, "-q", "--hide", "-m", "--help", "-q", "-"}, Forwarded);
        row("at the size limit", "panel", full, Forwarded);
        row("help", "panel", {own, "--help"}, RanPanel);
        row("unknown option", "panel", {own, "--no-such-option", "--hide"}, RanPanel);
        row("Qt's own option", "panel", {own, "--toggle", "-style=fusion"}, RanPanel);
        row("taken out by Qt, even as a value", "panel", {own, "-q", "--qmljsdebugger=port:1"}, RanPanel);
        row("invalid UTF-8", "panel", {own, "-q", "\xff"}, RanPanel);
        row("over the size limit", "panel", full.mid(0, full.size() - 1) << full.last() + 'x', RanPanel);
        row("no panel", "none", {own, "--toggle"}, RanPanel);
        row("stale socket of a crashed panel", "stale", {own, "--toggle"}, RanPanel);
        // Once the message may have got through, starting the panel could run it twice.
        row("listener never answers", "silent", {own, "--toggle"}, NotDelivered);
        row("panel program missing", "missing", {own, "--help"}, NotDelivered);
    }
    void front()
    {
        QFETCH(QString, setup);
        QFETCH(QByteArrayList, arguments);
        QFETCH(int, status);
        // A copy of the front, with this program where it looks for the panel.
        QTemporaryDir sandbox(QStringLiteral("/tmp/nydsi-XXXXXX"));
        const QString bin = sandbox.filePath(QStringLiteral("bin/"));
        const QString panel =
            QDir::cleanPath(bin + QDir(QFileInfo(QStringLiteral(NYD_PANEL_EXECUTABLE)).path()).relativeFilePath(QStringLiteral(NYD_PANEL_GUI_EXECUTABLE)));
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(QFileInfo(panel).path())
                && QFile::copy(QStringLiteral(NYD_PANEL_EXECUTABLE), bin + QStringLiteral("nyd-search-panel")));
        QVERIFY(setup == QLatin1String("missing") || QFile::link(QCoreApplication::applicationFilePath(), panel));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(sandbox.path()));
        LocalPeer primary(nullptr, QStringLiteral("nyd-search-panel"));
        QSignalSpy received(&primary, &LocalPeer::messageReceived);
        QLocalServer listener;
        if (setup == QLatin1String("panel")) {
            QVERIFY(!primary.isClient());
        } else if (setup == QLatin1String("stale")) {
            const auto crashed = startPeer(QStringLiteral("nyd-search-panel"));
            QTRY_COMPARE_WITH_TIMEOUT(crashed->peek(8), QByteArray("primary\n"), 30000);
            crashed->kill();
        } else if (setup == QLatin1String("silent")) {
            QVERIFY(listener.listen(sandbox.filePath(QStringLiteral("nyd-search-panel-%1").arg(::geteuid()))));
        }
        const auto front = startFront(sandbox.path(), arguments);
        QCOMPARE(front->status(), status);
        QCOMPARE(front->readAllStandardOutput(), status == RanPanel ? arguments.join('\0') + '\0' : QByteArray());
        const QByteArray errors = front->readAllStandardError();
        QVERIFY2(status != NotDelivered || errors.contains(setup == QLatin1String("silent") ? "did not answer" : "cannot start"), errors.constData());
        if (setup == QLatin1String("panel")) {
            // Had anything else been sent, it would come before this.
            if (status != Forwarded) {
                arguments = QByteArrayList{"nyd-search-panel", "--hide"};
                QCOMPARE(startFront(sandbox.path(), arguments)->status(), int(Forwarded));
            }
            QTRY_COMPARE(received.count(), 1);
            QStringList decoded;
            QVERIFY(Protocol::decodeArguments(received.at(0).at(0).toString(), &decoded));
            const QByteArray sent = arguments.join('\0'); // no argument holds a NUL
            QCOMPARE(decoded, QString::fromUtf8(sent.constData(), sent.size()).split(QChar()));
        }
    }
};

int main(int argc, char **argv)
{
    // --exec PROGRAM ARGV0 [ARG...], percent-encoded: a front with this program as its panel.
    if (argc >= 4 && qstrcmp(argv[1], "--exec") == 0) {
        for (int i = 2; i < argc; ++i) {
            qstrcpy(argv[i], QByteArray::fromPercentEncoding(argv[i]).constData());
        }
        qputenv("NYD_FAKE_PANEL", "1");
        ::execv(argv[2], argv + 3);
        return 3;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    // --peer APPID MESSAGE: a client sends its message; a primary serves until stdin closes, with a receiver so that it answers.
    if (argc == 4 && qstrcmp(argv[1], "--peer") == 0) {
        QCoreApplication app(argc, argv);
        LocalPeer peer(nullptr, QString::fromUtf8(argv[2]));
        if (peer.isClient()) {
            std::puts("client");
            return peer.sendMessage(QString::fromUtf8(argv[3]), 20000) ? 0 : 1;
        }
        std::puts("primary");
        QObject::connect(&peer, &LocalPeer::messageReceived, &app, [] {});
        QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        return app.exec();
    }
    if (qEnvironmentVariableIsSet("NYD_FAKE_PANEL")) {
        for (int i = 0; i < argc; ++i) {
            std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, stdout);
        }
        return RanPanel;
    }
    // An identity of its own, so that runs side by side do not meet.
    QCoreApplication::setApplicationName(QStringLiteral("singleinstancetest-%1").arg(QCoreApplication::applicationPid()));
    SingleApplication app(argc, argv);
    qRegisterMetaType<QProcess::ExitStatus>();
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "singleinstancetest.moc"
