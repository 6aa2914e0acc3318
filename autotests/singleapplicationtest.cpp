// SPDX-License-Identifier: GPL-2.0-or-later
#include "singleapplication.h"
#include "localpeer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <QtEndian>

#include <algorithm>
#include <memory>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
QString uniqueAppId()
{
    static int counter = 0;
    return QStringLiteral("peertest-%1-%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

QString folderKey(const QString &appId)
{
    return appId + QLatin1Char('-') + QString::number(::geteuid());
}

QByteArray frameHeader(quint32 size)
{
    uchar header[4];
    qToBigEndian<quint32>(size, header);
    return QByteArray(reinterpret_cast<const char *>(header), 4);
}

// Sets an environment variable for one scope.
struct ScopedEnv {
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name)
        , m_hadValue(qEnvironmentVariableIsSet(name))
        , m_oldValue(qgetenv(name))
    {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
    ~ScopedEnv()
    {
        if (m_hadValue) {
            qputenv(m_name, m_oldValue);
        } else {
            qunsetenv(m_name);
        }
    }
    const char *m_name;
    bool m_hadValue;
    QByteArray m_oldValue;
};

// A client blocks until the primary acknowledges, and the primaries here
// answer from the test's event loop, so clients send from a thread of their own.
struct ClientThread {
    ClientThread(LocalPeer *peer, const QString &message, int timeout = 10000)
        : m_thread(QThread::create([this, peer, message, timeout]() {
            m_sent = peer->sendMessage(message, timeout);
        }))
    {
        m_thread->start();
    }
    // Same, with a peer of its own made in that thread.
    ClientThread(const QString &appId, const QString &message, int timeout = 10000)
        : m_thread(QThread::create([this, appId, message, timeout]() {
            LocalPeer peer(nullptr, appId);
            m_isClient = peer.isClient();
            m_sent = m_isClient && peer.sendMessage(message, timeout);
        }))
    {
        m_thread->start();
    }
    ~ClientThread()
    {
        m_thread->wait();
    }
    bool isFinished() const
    {
        return m_thread->isFinished();
    }
    std::unique_ptr<QThread> m_thread;
    bool m_isClient = true;
    bool m_sent = false;
};

// Stands for one helper process and what it printed so far.
struct PeerProcess {
    explicit PeerProcess(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this]() {
            m_output += m_process.readAllStandardOutput();
        });
        m_process.start(QStringLiteral(NYD_PEER_HELPER), arguments);
    }
    ~PeerProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    QList<QByteArray> lines() const
    {
        QList<QByteArray> result = m_output.split('\n');
        result.removeLast();
        return result;
    }
    QProcess m_process;
    QByteArray m_output;
};
}

class SingleApplicationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void argumentsRoundTrip_data();
    void argumentsRoundTrip();
    void decodeRejects_data();
    void decodeRejects();

    void primaryAndClient_data();
    void primaryAndClient();
    void nextStartAfterPrimaryQuits();
    void messageOverLimitIsNotDelivered();
    void sendGivesUp_data();
    void sendGivesUp();
    void staleFilesOfCrashedPrimary();
    void garbagePeerIsDropped_data();
    void garbagePeerIsDropped();
    void concurrentStarts();

    void activationWindow_data();
    void activationWindow();

    void socketNamesKeepIdsApart();
    void runtimeDirMustBePrivate_data();
    void runtimeDirMustBePrivate();
    void unsafeFallbackFolderIsRefused_data();
    void unsafeFallbackFolderIsRefused();

private:
    SingleApplication *app() const
    {
        return qobject_cast<SingleApplication *>(qApp);
    }
};

void SingleApplicationTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(app());
    QVERIFY(!app()->isRunning());
    QVERIFY(QFileInfo(QStringLiteral(NYD_PEER_HELPER)).isExecutable());
}

void SingleApplicationTest::argumentsRoundTrip_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("none") << QStringList();
    QTest::newRow("pipe inside") << QStringList{QStringLiteral("a|b"), QStringLiteral("|")};
    QTest::newRow("option hidden behind a pipe") << QStringList{QStringLiteral("-q"), QStringLiteral("a|--quit")};
    QTest::newRow("empty arguments") << QStringList{QString(), QStringLiteral("x"), QString()};
    QTest::newRow("non-ASCII") << QStringList{QStringLiteral("Größe"), QStringLiteral("検索"), QStringLiteral("🙂")};
    QTest::newRow("newlines") << QStringList{QStringLiteral("one\ntwo"), QStringLiteral("\r\n"), QStringLiteral("\n")};
    QTest::newRow("looks like the wire form") << QStringList{QStringLiteral("[\"a\"]"), QStringLiteral("\\"), QStringLiteral("\"")};
}

void SingleApplicationTest::argumentsRoundTrip()
{
    QFETCH(QStringList, arguments);

    const QString message = SingleApplication::encodeArguments(arguments);
    QStringList decoded{QStringLiteral("stale")};
    QVERIFY(SingleApplication::decodeArguments(message, &decoded));
    QCOMPARE(decoded, arguments);
}

void SingleApplicationTest::decodeRejects_data()
{
    QTest::addColumn<QString>("message");

    QTest::newRow("empty") << QString();
    QTest::newRow("garbage") << QStringLiteral("\x01\x02 not json");
    QTest::newRow("pipe-separated") << QStringLiteral("-q|--quit");
    QTest::newRow("object") << QStringLiteral("{\"a\":\"b\"}");
    QTest::newRow("number in the list") << QStringLiteral("[\"a\",1]");
    QTest::newRow("null in the list") << QStringLiteral("[\"a\",null]");
    QTest::newRow("nested list") << QStringLiteral("[[\"a\"]]");
    QTest::newRow("bare string") << QStringLiteral("\"a\"");
    QTest::newRow("trailing garbage") << QStringLiteral("[\"a\"]x");
    QTest::newRow("cut off") << QStringLiteral("[\"a\",");
}

void SingleApplicationTest::decodeRejects()
{
    QFETCH(QString, message);

    QStringList decoded{QStringLiteral("untouched")};
    QVERIFY(!SingleApplication::decodeArguments(message, &decoded));
    QCOMPARE(decoded, QStringList{QStringLiteral("untouched")});
}

void SingleApplicationTest::primaryAndClient_data()
{
    QTest::addColumn<QString>("message");

    QTest::newRow("plain") << QStringLiteral("hello");
    QTest::newRow("empty") << QString();
    QTest::newRow("non-ASCII") << QStringLiteral("Grüße, 検索 🙂");
    QTest::newRow("byte-order mark first") << (QChar(0xfeff) + QStringLiteral("x"));
    QTest::newRow("newlines") << QStringLiteral("a\nb\r\n");
    QTest::newRow("arguments") << SingleApplication::encodeArguments({QStringLiteral("-q"), QStringLiteral("a|--quit")});
    // Two UTF-8 bytes each: exactly at the limit, and many reads long.
    QTest::newRow("at the size limit") << QString(LocalPeer::MaxMessageSize / 2, QChar(0xe9));
}

void SingleApplicationTest::primaryAndClient()
{
    QFETCH(QString, message);

    const QString appId = uniqueAppId();
    LocalPeer primary(nullptr, appId);
    LocalPeer client(nullptr, appId);
    QVERIFY(!primary.isClient());
    QVERIFY(client.isClient());
    // Decided once.
    QVERIFY(!primary.isClient());
    QVERIFY(client.isClient());

    QSignalSpy received(&primary, &LocalPeer::messageReceived);
    ClientThread sender(&client, message);
    QVERIFY(received.wait());
    QTRY_VERIFY(sender.isFinished());
    QVERIFY(sender.m_sent);
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), message);
}

void SingleApplicationTest::nextStartAfterPrimaryQuits()
{
    const QString appId = uniqueAppId();
    auto first = std::make_unique<LocalPeer>(nullptr, appId);
    QVERIFY(!first->isClient());
    first.reset();

    LocalPeer second(nullptr, appId);
    QVERIFY(!second.isClient());

    QSignalSpy received(&second, &LocalPeer::messageReceived);
    ClientThread sender(appId, QStringLiteral("again"));
    QVERIFY(received.wait());
    QTRY_VERIFY(sender.isFinished());
    QVERIFY(sender.m_isClient);
    QVERIFY(sender.m_sent);
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("again"));
}

void SingleApplicationTest::messageOverLimitIsNotDelivered()
{
    const QString appId = uniqueAppId();
    LocalPeer primary(nullptr, appId);
    QVERIFY(!primary.isClient());
    QSignalSpy received(&primary, &LocalPeer::messageReceived);

    ClientThread tooLong(appId, QString(LocalPeer::MaxMessageSize + 1, QLatin1Char('x')));
    QTRY_VERIFY_WITH_TIMEOUT(tooLong.isFinished(), 20000);
    QVERIFY(tooLong.m_isClient);
    QVERIFY(!tooLong.m_sent);

    // Still there for the next one; nothing of the long one got through.
    ClientThread next(appId, QStringLiteral("next"));
    QVERIFY(received.wait());
    QTRY_VERIFY(next.isFinished());
    QVERIFY(next.m_sent);
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("next"));
}

void SingleApplicationTest::sendGivesUp_data()
{
    QTest::addColumn<bool>("listener");

    QTest::newRow("nobody listens") << false;
    QTest::newRow("listener never answers") << true;
}

void SingleApplicationTest::sendGivesUp()
{
    QFETCH(bool, listener);

    const QString appId = uniqueAppId();
    LocalPeer peer(nullptr, appId);
    QVERIFY(!peer.lockFileName().isEmpty());

    // A primary that holds the lock but never got as far as answering.
    QLockFile lock(peer.lockFileName());
    QVERIFY(lock.tryLock(0));
    QLocalServer server;
    if (listener) {
        QVERIFY(server.listen(peer.serverName()));
    }

    QVERIFY(peer.isClient());
    QVERIFY(!peer.sendMessage(QStringLiteral("anyone?"), 300));
    if (listener) {
        // It did get through to the listener; only the answer was missing.
        QVERIFY(server.waitForNewConnection(0));
    }
}

void SingleApplicationTest::staleFilesOfCrashedPrimary()
{
    const QString appId = uniqueAppId();
    QString serverName;
    QString lockFileName;
    {
        LocalPeer probe(nullptr, appId);
        serverName = probe.serverName();
        lockFileName = probe.lockFileName();
    }

    PeerProcess crashing({appId});
    QTRY_VERIFY_WITH_TIMEOUT(!crashing.lines().isEmpty(), 20000);
    QCOMPARE(crashing.lines().first(), QByteArray("primary"));
    QVERIFY(QFileInfo::exists(serverName));
    QVERIFY(QFileInfo::exists(lockFileName));
    ::kill(pid_t(crashing.m_process.processId()), SIGKILL);
    QVERIFY(crashing.m_process.waitForFinished());
    // Nobody cleaned up after it.
    QVERIFY(QFileInfo::exists(serverName));
    QVERIFY(QFileInfo::exists(lockFileName));

    LocalPeer next(nullptr, appId);
    QVERIFY(!next.isClient());
    QSignalSpy received(&next, &LocalPeer::messageReceived);
    ClientThread sender(appId, QStringLiteral("after the crash"));
    QVERIFY(received.wait());
    QTRY_VERIFY(sender.isFinished());
    QVERIFY(sender.m_sent);
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("after the crash"));
}

void SingleApplicationTest::garbagePeerIsDropped_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("random bytes") << QByteArray("\xde\xad\xbe\xef\x13\x37 and more noise\x00\xff", 23);
    QTest::newRow("length over the limit") << frameHeader(LocalPeer::MaxMessageSize + 1) + QByteArray("xyz");
    QTest::newRow("largest length") << frameHeader(0xffffffffu);
    QTest::newRow("not UTF-8") << frameHeader(4) + QByteArray("\xff\xfe\xc3\x28");
    QTest::newRow("cut-off UTF-8") << frameHeader(2) + QByteArray("a\xc3");
    QTest::newRow("cut-off frame") << frameHeader(100) + QByteArray("abc");
    QTest::newRow("cut-off header") << QByteArray("\x00\x00", 2);
    QTest::newRow("nothing at all") << QByteArray();
}

void SingleApplicationTest::garbagePeerIsDropped()
{
    QFETCH(QByteArray, bytes);

    const QString appId = uniqueAppId();
    LocalPeer primary(nullptr, appId);
    QVERIFY(!primary.isClient());
    QSignalSpy received(&primary, &LocalPeer::messageReceived);

    QLocalSocket garbage;
    garbage.connectToServer(primary.serverName());
    QVERIFY(garbage.waitForConnected(5000));
    if (!bytes.isEmpty()) {
        garbage.write(bytes);
        QVERIFY(garbage.waitForBytesWritten(5000));
    }

    // Served while the bad peer still hangs on or is being dropped.
    ClientThread sender(appId, QStringLiteral("real"));
    QVERIFY(received.wait());
    QTRY_VERIFY(sender.isFinished());
    QVERIFY(sender.m_sent);

    QTRY_COMPARE_WITH_TIMEOUT(garbage.state(), QLocalSocket::UnconnectedState, 20000);
    QCOMPARE(garbage.readAll(), QByteArray());
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("real"));
}

void SingleApplicationTest::concurrentStarts()
{
    const QString appId = uniqueAppId();
    constexpr int count = 8;
    std::vector<std::unique_ptr<PeerProcess>> peers;
    for (int i = 0; i < count; ++i) {
        peers.push_back(std::make_unique<PeerProcess>(QStringList{appId, QStringLiteral("peer-%1").arg(i), QStringLiteral("a|--quit")}));
    }

    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(peers.cbegin(),
                                         peers.cend(),
                                         [](const std::unique_ptr<PeerProcess> &peer) {
                                             return !peer->lines().isEmpty();
                                         }),
                             30000);

    PeerProcess *primary = nullptr;
    QSet<QString> expected;
    for (int i = 0; i < count; ++i) {
        const QByteArray role = peers[i]->lines().first();
        if (role == "primary") {
            QVERIFY2(!primary, "two primaries");
            primary = peers[i].get();
        } else {
            QCOMPARE(role, QByteArray("client"));
            expected.insert(QStringLiteral("peer-%1").arg(i));
        }
    }
    QVERIFY(primary);

    for (const auto &peer : peers) {
        if (peer.get() == primary) {
            continue;
        }
        QTRY_COMPARE_WITH_TIMEOUT(peer->m_process.state(), QProcess::NotRunning, 30000);
        QCOMPARE(peer->m_process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(peer->m_process.exitCode(), 0);
        QCOMPARE(peer->lines().value(1), QByteArray("sent"));
    }

    // Every client waited for its acknowledgement, so all is printed by now.
    QTRY_COMPARE(primary->lines().size(), count);
    QSet<QString> got;
    for (const QByteArray &line : primary->lines().mid(1)) {
        QVERIFY(line.startsWith("received "));
        QStringList arguments;
        QVERIFY(SingleApplication::decodeArguments(QString::fromUtf8(line.mid(9)), &arguments));
        QCOMPARE(arguments.size(), 2);
        QCOMPARE(arguments.at(1), QStringLiteral("a|--quit"));
        got.insert(arguments.at(0));
    }
    QCOMPARE(got, expected);

    primary->m_process.closeWriteChannel();
    QVERIFY(primary->m_process.waitForFinished());
    QCOMPARE(primary->m_process.exitCode(), 0);
}

void SingleApplicationTest::activationWindow_data()
{
    QTest::addColumn<bool>("minimized");
    QTest::addColumn<bool>("activateOnMessage");

    QTest::newRow("minimised") << true << true;
    QTest::newRow("behind another window") << false << true;
    QTest::newRow("minimised, left alone") << true << false;
}

void SingleApplicationTest::activationWindow()
{
    QFETCH(bool, minimized);
    QFETCH(bool, activateOnMessage);

    QWidget window;
    window.setWindowTitle(QStringLiteral("activation"));
    window.resize(200, 100);
    QWidget other;
    other.setWindowTitle(QStringLiteral("other"));
    other.resize(200, 100);

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    other.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &other);
    if (minimized) {
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());
    }

    app()->setActivationWindow(&window, activateOnMessage);
    QCOMPARE(app()->activationWindow(), &window);

    bool minimizedAtReceipt = false;
    QString message;
    const auto connection = connect(app(), &SingleApplication::messageReceived, this, [&](const QString &text) {
        minimizedAtReceipt = window.isMinimized();
        message = text;
    });

    QSignalSpy received(app(), &SingleApplication::messageReceived);
    ClientThread sender(QString(), QStringLiteral("show yourself"));
    QVERIFY(received.wait());
    disconnect(connection);
    QTRY_VERIFY(sender.isFinished());
    QVERIFY(sender.m_sent);
    QCOMPARE(message, QStringLiteral("show yourself"));

    if (activateOnMessage) {
        // Already up when receivers of the message run.
        QVERIFY(!minimizedAtReceipt);
        QVERIFY(!window.isMinimized());
        QVERIFY(window.isVisible());
        QTRY_COMPARE(QApplication::activeWindow(), &window);
    } else {
        QVERIFY(minimizedAtReceipt);
        QVERIFY(window.isMinimized());
    }

    app()->setActivationWindow(nullptr);
}

void SingleApplicationTest::socketNamesKeepIdsApart()
{
    const QString a32(32, QLatin1Char('a'));
    // Each group is one name once characters are replaced or the id is cut.
    const QStringList ids{QStringLiteral("peer x"),
                          QStringLiteral("peer_x"),
                          QStringLiteral("peer/x"),
                          QStringLiteral("peer\u00e9x"),
                          a32,
                          a32 + QLatin1Char('a'),
                          a32 + QStringLiteral("-first"),
                          a32 + QStringLiteral("-second"),
                          QStringLiteral(".peer"),
                          QStringLiteral("app.peer")};
    const QRegularExpression plainId(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9._-]{0,31}$"));
    const QString uid = QString::number(::geteuid());

    QSet<QString> names;
    for (const QString &id : ids) {
        const LocalPeer peer(nullptr, id);
        const QString fileName = QFileInfo(peer.serverName()).fileName();
        QVERIFY2(!names.contains(fileName), qPrintable(id));
        names.insert(fileName);
        QCOMPARE(peer.lockFileName(), peer.serverName() + QStringLiteral(".lock"));
        // A plain id's name is what the forwarding front looks for without hashing.
        if (plainId.match(id).hasMatch()) {
            QCOMPARE(fileName, id + QLatin1Char('-') + uid);
        } else {
            QVERIFY2(QRegularExpression(QStringLiteral("-%1-[0-9a-f]{12}$").arg(uid)).match(fileName).hasMatch(), qPrintable(fileName));
        }
    }
}

void SingleApplicationTest::runtimeDirMustBePrivate_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("used");

    QTest::newRow("private") << QStringLiteral("0700") << true;
    QTest::newRow("open to others") << QStringLiteral("0755") << false;
    QTest::newRow("open to the group") << QStringLiteral("0770") << false;
    QTest::newRow("link to a private folder") << QStringLiteral("link") << false;
    QTest::newRow("missing") << QStringLiteral("missing") << false;
}

void SingleApplicationTest::runtimeDirMustBePrivate()
{
    QFETCH(QString, kind);
    QFETCH(bool, used);

    QTemporaryDir base(QDir::tempPath() + QStringLiteral("/nydpeer-XXXXXX"));
    QVERIFY(base.isValid());
    const QString runtimeDir = base.filePath(QStringLiteral("runtime"));
    const QString tempDir = base.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(tempDir));
    if (kind == QLatin1String("link")) {
        const QString real = base.filePath(QStringLiteral("real"));
        QVERIFY(QDir().mkpath(real));
        QCOMPARE(::chmod(QFile::encodeName(real).constData(), 0700), 0);
        QVERIFY(QFile::link(real, runtimeDir));
    } else if (kind != QLatin1String("missing")) {
        QVERIFY(QDir().mkpath(runtimeDir));
        QCOMPARE(::chmod(QFile::encodeName(runtimeDir).constData(), mode_t(kind.toUInt(nullptr, 8))), 0);
    }

    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir));
    ScopedEnv tempEnv("TMPDIR", QFile::encodeName(tempDir));
    const QString appId = uniqueAppId();
    LocalPeer peer(nullptr, appId);
    QVERIFY(!peer.isClient());

    const QString folder = QFileInfo(peer.serverName()).path();
    QCOMPARE(QFileInfo(peer.lockFileName()).path(), folder);
    if (used) {
        QCOMPARE(folder, runtimeDir);
    } else {
        QCOMPARE(folder, tempDir + QLatin1Char('/') + folderKey(appId));
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &st), 0);
        QVERIFY(S_ISDIR(st.st_mode));
        QCOMPARE(st.st_uid, ::geteuid());
        QCOMPARE(st.st_mode & 0777, mode_t(0700));
    }

    // And the peer does listen there.
    QLocalSocket socket;
    socket.connectToServer(peer.serverName());
    QVERIFY(socket.waitForConnected(5000));
}

void SingleApplicationTest::unsafeFallbackFolderIsRefused_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("open to others") << QStringLiteral("0755");
    QTest::newRow("open to the group") << QStringLiteral("0750");
    QTest::newRow("link to a private folder") << QStringLiteral("link");
    QTest::newRow("a file") << QStringLiteral("file");
    QTest::newRow("owned by another user") << QStringLiteral("foreign");
}

void SingleApplicationTest::unsafeFallbackFolderIsRefused()
{
    QFETCH(QString, kind);

    QTemporaryDir base(QDir::tempPath() + QStringLiteral("/nydpeer-XXXXXX"));
    QVERIFY(base.isValid());
    const QString tempDir = base.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(tempDir));
    const QString appId = uniqueAppId();
    const QString folder = tempDir + QLatin1Char('/') + folderKey(appId);
    const QString real = base.filePath(QStringLiteral("real"));
    QVERIFY(QDir().mkpath(real));
    QCOMPARE(::chmod(QFile::encodeName(real).constData(), 0700), 0);

    if (kind == QLatin1String("link")) {
        QVERIFY(QFile::link(real, folder));
    } else if (kind == QLatin1String("file")) {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("foreign")) {
        if (::geteuid() != 0) {
            QSKIP("needs root to hand a folder to another user");
        }
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0700), 0);
        QCOMPARE(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
    } else {
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(kind.toUInt(nullptr, 8))), 0);
    }

    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", QByteArray());
    ScopedEnv tempEnv("TMPDIR", QFile::encodeName(tempDir));
    LocalPeer peer(nullptr, appId);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not a private folder")));
    QVERIFY(peer.serverName().isEmpty());
    QVERIFY(peer.lockFileName().isEmpty());
    QVERIFY(!peer.isClient());
    QVERIFY(!peer.sendMessage(QStringLiteral("anyone?"), 100));

    // Nothing was put in there.
    QCOMPARE(QDir(real).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden), QStringList());
    if (QFileInfo(folder).isDir() && !QFileInfo(folder).isSymLink()) {
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden), QStringList());
    }
}

int main(int argc, char **argv)
{
    // An identity of its own, so that runs side by side do not meet.
    QCoreApplication::setApplicationName(QStringLiteral("singleapplicationtest-%1").arg(QCoreApplication::applicationPid()));
    SingleApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    SingleApplicationTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "singleapplicationtest.moc"
