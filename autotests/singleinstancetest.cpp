// SPDX-License-Identifier: GPL-2.0-or-later
// One panel per user: whoever holds the lock listens, and every later start
// hands it its command line, through the panel's own client or through the
// front users start. Real processes throughout; see main() for the parts
// this program plays in them.
#include "localpeer.h"
#include "protocol.h"
#include "singleapplication.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <memory>

#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const int s_fakePanelStatus = 42;

// A client sends its message; a primary prints each one it gets until its
// standard input closes.
int runPeer(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    LocalPeer peer(nullptr, QString::fromUtf8(argv[2]));
    if (peer.isClient()) {
        std::puts("client");
        return peer.sendMessage(QString::fromUtf8(argv[3]), 20000) ? 0 : 1;
    }
    std::puts("primary");
    QObject::connect(&peer, &LocalPeer::messageReceived, [](const QString &message) {
        std::printf("received %s\n", message.toUtf8().constData());
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    return app.exec();
}

struct Child {
    explicit Child(const QStringList &arguments)
    {
        process.start(QCoreApplication::applicationFilePath(), arguments);
    }
    ~Child()
    {
        process.closeWriteChannel();
        process.waitForFinished();
    }
    QByteArrayList lines()
    {
        output += process.readAllStandardOutput();
        QByteArrayList result = output.split('\n');
        result.removeLast();
        return result;
    }
    // The event loop runs meanwhile, for a primary in this process to answer.
    int status()
    {
        const bool finished = QTest::qWaitFor(
            [this]() {
                return process.state() == QProcess::NotRunning;
            },
            30000);
        return finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QProcess process;
    QByteArray output;
};

std::unique_ptr<Child> startPeer(const QString &appId, const QString &message = QString())
{
    return std::make_unique<Child>(QStringList{QStringLiteral("--peer"), appId, message});
}

QString uniqueAppId()
{
    static int counter = 0;
    return QStringLiteral("nydsitest-%1-%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

bool makeFolder(const QString &path, mode_t mode)
{
    return QDir().mkpath(path) && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// Makes @p path one @p kind of folder: an octal mode, "link" (to the private
// folder it is in), "file", "foreign" (private, of another user) or "missing".
bool prepare(const QString &path, const QString &kind)
{
    if (kind == QLatin1String("link")) {
        return QFile::link(QFileInfo(path).path(), path);
    }
    if (kind == QLatin1String("file")) {
        return QFile(path).open(QIODevice::WriteOnly);
    }
    if (kind == QLatin1String("foreign")) {
        return makeFolder(path, 0700) && ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
    }
    return kind == QLatin1String("missing") || makeFolder(path, mode_t(kind.toUInt(nullptr, 8)));
}

struct FrontRun {
    int status;
    QByteArrayList panelArguments;
    QByteArray errors;
};

FrontRun runFront(const QString &folder, const QByteArrayList &arguments)
{
    QStringList encoded{QStringLiteral("--exec"), QString::fromLatin1(QFile::encodeName(folder + QStringLiteral("/bin/nyd-search-panel")).toPercentEncoding())};
    for (const QByteArray &argument : arguments) {
        encoded << QString::fromLatin1(argument.toPercentEncoding());
    }
    Child front(encoded);
    FrontRun run{front.status(), front.lines(), front.process.readAllStandardError()};
    for (QByteArray &argument : run.panelArguments) {
        argument = QByteArray::fromPercentEncoding(argument);
    }
    return run;
}
}

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_runtimeDir = qgetenv("XDG_RUNTIME_DIR");
        m_tempDir = qgetenv("TMPDIR");
    }
    // Some cases move the folders; every process started here inherits them.
    void cleanup()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtimeDir);
        qputenv("TMPDIR", m_tempDir);
    }

    void concurrentStartsAndTheNext_data()
    {
        QTest::addColumn<bool>("crash");
        QTest::newRow("primary quits") << false;
        QTest::newRow("primary crashes") << true;
    }
    void concurrentStartsAndTheNext()
    {
        QFETCH(bool, crash);
        const QString appId = uniqueAppId();
        std::vector<std::unique_ptr<Child>> peers;
        for (int i = 0; i < 8; ++i) {
            peers.emplace_back(startPeer(appId, QStringLiteral("[\"peer %1\",\"a|--quit\",\"Größe\"]").arg(i)));
        }
        Child *primary = nullptr;
        QSet<QByteArray> sent;
        for (const auto &peer : peers) {
            QTRY_VERIFY_WITH_TIMEOUT(!peer->lines().isEmpty(), 30000);
            if (peer->lines().first() == "client") {
                QCOMPARE(peer->status(), 0);
                sent.insert("received " + peer->process.arguments().at(2).toUtf8());
            } else {
                QVERIFY2(!primary, "two primaries");
                primary = peer.get();
            }
        }
        QVERIFY(primary);
        // Every client waited for its acknowledgement, so all is printed by now.
        const QByteArrayList lines = primary->lines();
        QCOMPARE(QSet<QByteArray>(lines.cbegin() + 1, lines.cend()), sent);

        // What a crashed primary leaves behind must not block the next start.
        if (crash) {
            ::kill(pid_t(primary->process.processId()), SIGKILL);
        }
        peers.clear();
        const Protocol::Address address = Protocol::address(appId, Protocol::FolderUse::Create);
        QCOMPARE(QFile::exists(address.serverName) && QFile::exists(address.lockFileName), crash);
        LocalPeer next(nullptr, appId);
        QVERIFY(!next.isClient());
        QSignalSpy received(&next, &LocalPeer::messageReceived);
        QCOMPARE(startPeer(appId, QStringLiteral("again"))->status(), 0);
        QCOMPARE(received.value(0).value(0).toString(), QStringLiteral("again"));
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
        const QString appId = uniqueAppId();
        const Protocol::Address address = Protocol::address(appId, Protocol::FolderUse::Create);
        const QString path = contents == "//" ? address.serverName : address.lockFileName;
        QFile file(path);
        QVERIFY(contents.startsWith('/') ? QDir().mkpath(path + QStringLiteral("/inside"))
                                         : file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
        file.close();
        const auto start = startPeer(appId);
        QTRY_COMPARE_WITH_TIMEOUT(start->lines().value(0), QByteArray("primary"), 30000);
        QCOMPARE(startPeer(appId, QStringLiteral("reached"))->status(), 0);
    }

    // Nothing is executed, nor answered, before a receiver is there.
    void earlyMessageWaitsForAReceiver()
    {
        LocalPeer primary(nullptr, uniqueAppId());
        QVERIFY(!primary.isClient());
        QLocalSocket early;
        early.connectToServer(primary.serverName());
        QVERIFY(early.waitForConnected(5000));
        QVERIFY(early.write(QByteArray("\0\0\0\5early", 9)) == 9 && early.waitForBytesWritten(5000));
        const auto taken = [&primary]() {
            const QLocalSocket *socket = primary.findChild<QLocalSocket *>();
            int queued = 1;
            return socket && ::ioctl(int(socket->socketDescriptor()), FIONREAD, &queued) == 0 && queued == 0 && socket->bytesAvailable() == 0;
        };
        QTRY_VERIFY(taken());
        QSignalSpy received(&primary, &LocalPeer::messageReceived);
        QTRY_COMPARE(received.count(), 1);
        QTRY_VERIFY(early.bytesAvailable() > 0);
        QCOMPARE(early.readAll(), QByteArray(1, Protocol::AckByte));
    }

    void badPeersAreDropped_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("noise") << QByteArray("\xde\xad\xbe\xef\x13\x37 and more\x00\xff", 18);
        QTest::newRow("length over the limit") << QByteArray("\x00\x10\x00\x01xyz", 7);
        QTest::newRow("largest length") << QByteArray(4, '\xff');
        QTest::newRow("not UTF-8") << QByteArray("\x00\x00\x00\x04\xff\xfe\xc3\x28", 8);
        QTest::newRow("cut-off UTF-8") << QByteArray("\0\0\0\2a\303", 6);
        QTest::newRow("cut-off frame") << QByteArray("\0\0\0\144abc", 7);
        QTest::newRow("cut-off header") << QByteArray(2, '\0');
        QTest::newRow("silent") << QByteArray();
    }
    void badPeersAreDropped()
    {
        QFETCH(QByteArray, bytes);
        const QString appId = uniqueAppId();
        LocalPeer primary(nullptr, appId);
        QVERIFY(!primary.isClient());
        QSignalSpy received(&primary, &LocalPeer::messageReceived);
        QLocalSocket bad;
        bad.connectToServer(primary.serverName());
        QVERIFY(bad.waitForConnected(5000));
        bad.write(bytes);
        QVERIFY(bad.waitForBytesWritten(5000) || bytes.isEmpty());

        // Served while the bad peer still hangs on.
        QCOMPARE(startPeer(appId, QStringLiteral("real"))->status(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(bad.state(), QLocalSocket::UnconnectedState, 20000);
        QCOMPARE(bad.readAll(), QByteArray());
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("real"));
    }

    void sendGivesUp_data()
    {
        QTest::addColumn<bool>("listens");
        QTest::newRow("lock held, nobody listens") << false;
        QTest::newRow("listener never answers") << true;
    }
    void sendGivesUp()
    {
        QFETCH(bool, listens);
        LocalPeer peer(nullptr, uniqueAppId());
        QLockFile lock(peer.lockFileName());
        QVERIFY(lock.tryLock(0));
        QLocalServer server;
        QVERIFY(!listens || server.listen(peer.serverName()));
        QVERIFY(peer.isClient());
        QVERIFY(!peer.sendMessage(QStringLiteral("anyone?"), 300));
        QCOMPARE(server.waitForNewConnection(0), listens);
    }

    void privateFolders_data()
    {
        QTest::addColumn<QString>("runtimeKind");
        QTest::addColumn<QString>("fallbackKind");
        QTest::addColumn<QString>("used");
        const auto row = [](const char *name, const char *runtimeKind, const char *fallbackKind, const char *used) {
            QTest::newRow(name) << QString::fromLatin1(runtimeKind) << QString::fromLatin1(fallbackKind) << QString::fromLatin1(used);
        };
        row("private runtime folder", "0700", "missing", "runtime");
        row("runtime folder open to others", "0755", "missing", "fallback");
        row("runtime folder open to the group", "0770", "missing", "fallback");
        row("runtime folder a link", "link", "missing", "fallback");
        row("no runtime folder", "missing", "missing", "fallback");
        row("fallback open to others", "missing", "0755", "");
        row("fallback open to the group", "missing", "0750", "");
        row("fallback a link", "missing", "link", "");
        row("fallback a file", "missing", "file", "");
        row("fallback of another user", "missing", "foreign", "");
    }
    void privateFolders()
    {
        QFETCH(QString, runtimeKind);
        QFETCH(QString, fallbackKind);
        QFETCH(QString, used);
        if (fallbackKind == QLatin1String("foreign") && ::geteuid() != 0) {
            QSKIP("needs root to hand a folder to another user");
        }
        QTemporaryDir base(QStringLiteral("/tmp/nydsi-XXXXXX"));
        const QString appId = uniqueAppId();
        const QString folders[] = {base.filePath(QStringLiteral("runtime")), base.filePath(QStringLiteral("%1-%2").arg(appId).arg(::geteuid()))};
        QVERIFY(prepare(folders[0], runtimeKind) && prepare(folders[1], fallbackKind));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folders[0]));
        qputenv("TMPDIR", QFile::encodeName(base.path()));

        // The front only looks; the panel makes its folder.
        QCOMPARE(Protocol::address(appId, Protocol::FolderUse::LookOnly).serverName.isEmpty(), used != QLatin1String("runtime"));
        if (used.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not a private folder")));
        }
        LocalPeer peer(nullptr, appId);
        QVERIFY(!peer.isClient());
        QCOMPARE(peer.serverName().section(QLatin1Char('/'), 0, -2), used.isEmpty() ? QString() : folders[used == QLatin1String("fallback")]);
        QCOMPARE(Protocol::address(appId, Protocol::FolderUse::LookOnly).serverName, peer.serverName());
    }

    void activationWindow_data()
    {
        QTest::addColumn<bool>("minimized");
        QTest::addColumn<bool>("activate");
        QTest::newRow("minimised") << true << true;
        QTest::newRow("behind another window") << false << true;
        QTest::newRow("minimised, left alone") << true << false;
    }
    void activationWindow()
    {
        QFETCH(bool, minimized);
        QFETCH(bool, activate);
        auto app = qobject_cast<SingleApplication *>(qApp);
        QVERIFY(!app->isRunning());
        QWidget window, other;
        for (QWidget *widget : {&window, &other}) {
            widget->resize(200, 100);
            widget->show();
            QVERIFY(QTest::qWaitForWindowExposed(widget));
        }
        other.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &other);
        if (minimized) {
            window.showMinimized();
            QTRY_VERIFY(window.isMinimized());
        }
        app->setActivationWindow(&window, activate);
        bool minimizedAtReceipt = false;
        connect(app, &SingleApplication::messageReceived, &window, [&]() {
            minimizedAtReceipt = window.isMinimized();
        });
        QCOMPARE(startPeer(QCoreApplication::applicationName(), QStringLiteral("show yourself"))->status(), 0);
        // Already up when receivers of the message run.
        QCOMPARE(minimizedAtReceipt, minimized && !activate);
        if (activate) {
            QTRY_COMPARE(QApplication::activeWindow(), &window);
        }
        app->setActivationWindow(nullptr);
    }

    void front_data();
    void front();

private:
    QByteArray m_runtimeDir;
    QByteArray m_tempDir;
};

void SingleInstanceTest::front_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<QString>("outcome");

    const QByteArray own("nyd-search-panel");
    // One argument may not be that long, so the longest message takes several.
    QByteArrayList atLimit{own};
    QStringList asText{QString::fromUtf8(own)};
    for (int i = 0; i < 11; ++i) {
        atLimit << "-q" << QByteArray(Protocol::MaxMessageSize / 11, 'x');
        asText << QStringLiteral("-q") << QString::fromLatin1(atLimit.last());
    }
    atLimit.last().chop(Protocol::encodeArguments(asText).toUtf8().size() - Protocol::MaxMessageSize);
    QByteArrayList overLimit = atLimit;
    overLimit.last().append('x');

    const auto row = [](const char *name, const char *setup, const QByteArrayList &arguments, const char *outcome) {
        QTest::newRow(name) << QString::fromLatin1(setup) << arguments << QString::fromLatin1(outcome);
    };
    row("nothing", "panel", {own}, "forwarded");
    row("every option",
        "panel",
        {own, "--toggle", "--hide", "--hidden", "--quit", "-m", "HDMI-1", "-p", "2", "-s", "40", "--width=3", "--height", "5"},
        "forwarded");
    row("bars, spaces, non-ASCII", "panel", {"/opt/Ünicode/nyd", "-q", "a|--quit", "--query= x  y ", "-q", "Größe 検索 🙂"}, "forwarded");
    row("quotes, control characters", "panel", {own, "-q", "a\"b\\c\nd\te\x01\x7f", "-q", "[\"a\"]", "-q", ""}, "forwarded");
    row("values that look like options", "panel", {own, "-q", "--hide", "-m", "--help", "-q", "-"}, "forwarded");
    row("byte-order mark, dropped as Qt does", "panel", {own, "-q", "\xef\xbb\xbfx", "-q", "y\xef\xbb\xbf"}, "forwarded");
    row("at the size limit", "panel", atLimit, "forwarded");
    row("help", "panel", {own, "--help"}, "panel");
    row("unknown option", "panel", {own, "--no-such-option", "--hide"}, "panel");
    row("missing value", "panel", {own, "--toggle", "-q"}, "panel");
    row("positional argument", "panel", {own, "word"}, "panel");
    row("Qt's own option", "panel", {own, "--toggle", "-style=fusion"}, "panel");
    row("taken out by Qt, even as a value", "panel", {own, "-q", "--qmljsdebugger=port:1"}, "panel");
    row("short options run together", "panel", {own, "-qx"}, "panel");
    row("invalid UTF-8", "panel", {own, "-q", "\xff"}, "panel");
    row("cut-off UTF-8 in argv[0]", "panel", {"nyd-\xc3", "--toggle"}, "panel");
    row("over the size limit", "panel", overLimit, "panel");
    row("no panel", "none", {own, "--toggle"}, "panel");
    row("stale socket of a crashed panel", "stale", {own, "--toggle"}, "panel");
    row("listener never answers", "silent", {own, "--toggle"}, "taken");
    row("panel program missing", "missing", {own, "--help"}, "missing");
}

void SingleInstanceTest::front()
{
    QFETCH(QString, setup);
    QFETCH(QByteArrayList, arguments);
    QFETCH(QString, outcome);

    // A copy of the front, with this program where it looks for the panel.
    QTemporaryDir sandbox(QStringLiteral("/tmp/nydsi-XXXXXX"));
    const QString bin = sandbox.filePath(QStringLiteral("bin"));
    const QString panel = QDir::cleanPath(
        bin + QLatin1Char('/') + QDir(QFileInfo(QStringLiteral(NYD_PANEL_EXECUTABLE)).path()).relativeFilePath(QStringLiteral(NYD_PANEL_GUI_EXECUTABLE)));
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(QFileInfo(panel).path()));
    QVERIFY(QFile::copy(QStringLiteral(NYD_PANEL_EXECUTABLE), bin + QStringLiteral("/nyd-search-panel")));
    QVERIFY(setup == QLatin1String("missing") || QFile::link(QCoreApplication::applicationFilePath(), panel));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(sandbox.path()));

    const QString appId = QStringLiteral("nyd-search-panel");
    LocalPeer primary(nullptr, appId);
    QSignalSpy received(&primary, &LocalPeer::messageReceived);
    QLocalServer listener;
    if (setup == QLatin1String("panel")) {
        QVERIFY(!primary.isClient());
    } else if (setup == QLatin1String("stale")) {
        const auto crashed = startPeer(appId);
        QTRY_COMPARE_WITH_TIMEOUT(crashed->lines().value(0), QByteArray("primary"), 30000);
        ::kill(pid_t(crashed->process.processId()), SIGKILL);
    } else if (setup == QLatin1String("silent")) {
        QVERIFY(listener.listen(sandbox.filePath(QStringLiteral("nyd-search-panel-%1").arg(::geteuid()))));
    }

    const FrontRun run = runFront(sandbox.path(), arguments);
    if (outcome == QLatin1String("forwarded")) {
        QCOMPARE(run.status, 0);
        QVERIFY(run.panelArguments.isEmpty());
        QTRY_COMPARE(received.count(), 1);
        QStringList decoded, expected;
        QVERIFY(Protocol::decodeArguments(received.at(0).at(0).toString(), &decoded));
        for (const QByteArray &argument : arguments) {
            expected << QString::fromUtf8(argument);
        }
        QCOMPARE(decoded, expected);
    } else if (outcome == QLatin1String("panel")) {
        QCOMPARE(run.status, s_fakePanelStatus);
        QCOMPARE(run.panelArguments, arguments);
        if (setup == QLatin1String("panel")) {
            // Had anything been sent, it would come before this.
            QCOMPARE(runFront(sandbox.path(), {"nyd-search-panel", "--hide"}).status, 0);
            QTRY_COMPARE(received.count(), 1);
            QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("[\"nyd-search-panel\",\"--hide\"]"));
        }
    } else {
        // Once the message may have got through, starting the panel could run it twice.
        QCOMPARE(run.status, 1);
        QVERIFY(run.panelArguments.isEmpty());
        QVERIFY2(run.errors.contains(outcome == QLatin1String("missing") ? "cannot start" : "did not answer"), run.errors.constData());
    }
}

int main(int argc, char **argv)
{
    // --exec PROGRAM ARGV0 [ARG...], percent-encoded: starts a front with
    // arguments that need not be text.
    if (argc >= 4 && qstrcmp(argv[1], "--exec") == 0) {
        for (int i = 2; i < argc; ++i) {
            qstrcpy(argv[i], QByteArray::fromPercentEncoding(argv[i]).constData());
        }
        qputenv("NYD_FAKE_PANEL", "1");
        ::execv(argv[2], argv + 3);
        return 3;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 4 && qstrcmp(argv[1], "--peer") == 0) {
        return runPeer(argc, argv);
    }
    // Behind a copy of the front, where the panel would be.
    if (qEnvironmentVariableIsSet("NYD_FAKE_PANEL")) {
        for (int i = 0; i < argc; ++i) {
            std::puts(QByteArray(argv[i]).toPercentEncoding().constData());
        }
        return s_fakePanelStatus;
    }
    // An identity of its own, so that runs side by side do not meet.
    QCoreApplication::setApplicationName(QStringLiteral("singleinstancetest-%1").arg(QCoreApplication::applicationPid()));
    SingleApplication app(argc, argv);
    SingleInstanceTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "singleinstancetest.moc"
