// SPDX-License-Identifier: GPL-2.0-or-later
// The program users start: a later start hands its command line to the
// running panel without Qt, anything else becomes the panel itself, run
// unchanged. The panel here is a LocalPeer in this process, and behind a copy
// of the front sits a stand-in that writes down how it was started.
#include "guiprogram.h"
#include "localpeer.h"
#include "singleapplication.h"
#include "socketpath.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace
{
const QString s_appId = QStringLiteral("nyd-search-panel");
// Not 0 and not 1, so that it tells the stand-in's exit from the front's own.
const int s_fakeGuiStatus = 42;

// What one start of the front came to.
struct Run {
    bool finished = false;
    int status = -1;
    bool guiStarted = false;
    QByteArrayList guiArguments;
    QByteArray errorOutput;
};

// Sets an environment variable for one scope; a null value unsets it.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name)
        , m_hadValue(qEnvironmentVariableIsSet(name))
        , m_oldValue(qgetenv(name))
    {
        set(value);
    }
    ~ScopedEnv()
    {
        set(m_hadValue ? m_oldValue : QByteArray());
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    void set(const QByteArray &value)
    {
        if (value.isNull()) {
            qunsetenv(m_name);
        } else {
            qputenv(m_name, value);
        }
    }

    const char *m_name;
    bool m_hadValue;
    QByteArray m_oldValue;
};

bool makePrivate(const QString &path)
{
    return ::chmod(QFile::encodeName(path).constData(), 0700) == 0;
}

// A copy of the front with the stand-in where it looks for the panel.
bool installFront(const QString &binFolder, bool withFakeGui)
{
    const QString front = binFolder + QStringLiteral("/nyd-search-panel");
    if (!QDir().mkpath(binFolder) || !QFile::copy(QStringLiteral(NYD_PANEL_EXECUTABLE), front)) {
        return false;
    }
    if (!withFakeGui) {
        return true;
    }
    const QString gui = QDir::cleanPath(QString::fromStdString(Front::guiProgramFor(QFile::encodeName(binFolder).toStdString())));
    return QDir().mkpath(QFileInfo(gui).path()) && QFile::copy(QStringLiteral(NYD_FAKE_GUI_EXECUTABLE), gui);
}

QByteArrayList readRecord(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArrayList arguments = file.readAll().split('\0');
    // Every argument ends with a NUL, so the last piece is empty.
    arguments.removeLast();
    return arguments;
}

QStringList decodedAsQtWould(const QByteArrayList &arguments)
{
    QStringList decoded;
    for (const QByteArray &argument : arguments) {
        // Like the panel reading its argv, this drops a leading byte-order mark.
        decoded.append(QString::fromUtf8(argument));
    }
    return decoded;
}

// A socket file that nobody listens on any more.
bool leaveStaleSocket(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (size_t(encoded.size()) >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0 && ::listen(fd, 1) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return bound;
}
}

using ArgumentLists = QList<QByteArrayList>;

class FrontForwarderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void cleanPathAsQt_data();
    void cleanPathAsQt();

    void forwardsPlainCommandLines_data();
    void forwardsPlainCommandLines();
    void leavesTheRestToThePanel_data();
    void leavesTheRestToThePanel();
    void startsThePanelWhenNoneAnswers_data();
    void startsThePanelWhenNoneAnswers();
    void findsThePanelWhereItListens_data();
    void findsThePanelWhereItListens();
    void takenConnectionEndsTheStart_data();
    void takenConnectionEndsTheStart();

    void missingPanelIsReported();
    void linksNoQt();

private:
    QByteArray frontPath() const;
    Run runFront(const QByteArray &program, const QByteArray &argv0, const QByteArrayList &arguments, int timeoutMs = 15000);
    bool forwardMarker(QSignalSpy *received);

    std::unique_ptr<QTemporaryDir> m_sandbox;
    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<ScopedEnv> m_runtimeEnv;
    std::unique_ptr<ScopedEnv> m_tempEnv;
    QString m_record;
};

void FrontForwarderTest::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(NYD_PANEL_EXECUTABLE)).isExecutable());
    QVERIFY(QFileInfo(QStringLiteral(NYD_FAKE_GUI_EXECUTABLE)).isExecutable());
    // Inherited by every front started here, and by the stand-in after it.
    qputenv("NYD_FAKE_GUI_STATUS", QByteArray::number(s_fakeGuiStatus));
}

void FrontForwarderTest::init()
{
    // Socket paths are short, so the folders stay close to the root.
    m_sandbox = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/nydfront-XXXXXX"));
    QVERIFY(m_sandbox->isValid());
    QVERIFY(installFront(m_sandbox->filePath(QStringLiteral("bin")), true));
    m_record = m_sandbox->filePath(QStringLiteral("gui-arguments"));
    qputenv("NYD_FAKE_GUI_RECORD", QFile::encodeName(m_record));

    // Each case gets its own runtime folder, so its panel meets no other.
    m_runtime = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/nydrun-XXXXXX"));
    QVERIFY(m_runtime->isValid());
    QVERIFY(makePrivate(m_runtime->path()));
    m_runtimeEnv = std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
    m_tempEnv = std::make_unique<ScopedEnv>("TMPDIR", QFile::encodeName(m_sandbox->path()));
}

void FrontForwarderTest::cleanup()
{
    m_tempEnv.reset();
    m_runtimeEnv.reset();
    m_runtime.reset();
    m_sandbox.reset();
}

QByteArray FrontForwarderTest::frontPath() const
{
    return QFile::encodeName(m_sandbox->filePath(QStringLiteral("bin/nyd-search-panel")));
}

// Raw bytes all the way, so that arguments need not be text. The event loop
// runs meanwhile, for the peers in this process to answer.
Run FrontForwarderTest::runFront(const QByteArray &program, const QByteArray &argv0, const QByteArrayList &arguments, int timeoutMs)
{
    QByteArrayList all = arguments;
    all.prepend(argv0.isNull() ? program : argv0);
    std::vector<char *> argv;
    for (QByteArray &argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    QFile::remove(m_record);
    const QByteArray errors = QFile::encodeName(m_sandbox->filePath(QStringLiteral("front-errors")));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);

    Run run;
    if (spawned != 0) {
        return run;
    }
    int status = 0;
    run.finished = QTest::qWaitFor(
        [&]() {
            return ::waitpid(pid, &status, WNOHANG) == pid;
        },
        timeoutMs);
    if (!run.finished) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return run;
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.guiStarted = QFile::exists(m_record);
    run.guiArguments = readRecord(m_record);
    QFile errorFile(QFile::decodeName(errors));
    if (errorFile.open(QIODevice::ReadOnly)) {
        run.errorOutput = errorFile.readAll();
    }
    return run;
}

// Had an earlier start sent anything, it would have come before this.
bool FrontForwarderTest::forwardMarker(QSignalSpy *received)
{
    const Run run = runFront(frontPath(), QByteArray(), {"-q", "marker"});
    if (!run.finished || run.status != 0 || run.guiStarted || !QTest::qWaitFor([received]() {
            return !received->isEmpty();
        })) {
        return false;
    }
    QStringList arguments;
    return received->count() == 1 && SingleApplication::decodeArguments(received->at(0).at(0).toString(), &arguments)
        && arguments.mid(1) == QStringList{QStringLiteral("-q"), QStringLiteral("marker")};
}

void FrontForwarderTest::cleanPathAsQt_data()
{
    QTest::addColumn<QString>("path");

    for (const char *path : {"",
                             ".",
                             "./",
                             "/",
                             "//",
                             "/run/user/1000",
                             "/run/user/1000/",
                             "//run//user///1000//",
                             "/run/./user/.",
                             "/run/user/../user/1000",
                             "/run/a/b/../../user",
                             "/..",
                             "/../run",
                             "/run/../..",
                             "relative/dir",
                             "./relative",
                             "relative/..",
                             "relative/../..",
                             "../up/../..",
                             "...",
                             "a/.../b/..",
                             ".hidden/./x"}) {
        QTest::addRow("'%s'", path) << QString::fromUtf8(path);
    }
}

void FrontForwarderTest::cleanPathAsQt()
{
    QFETCH(QString, path);

    // The panel finds its folder with QDir::cleanPath; the front must find the same one.
    QCOMPARE(QString::fromStdString(Front::cleanPath(path.toStdString())), QDir::cleanPath(path));
}

void FrontForwarderTest::forwardsPlainCommandLines_data()
{
    QTest::addColumn<QByteArray>("argv0");
    QTest::addColumn<QByteArrayList>("arguments");

    const QByteArray own;
    QTest::newRow("nothing") << own << QByteArrayList{};
    QTest::newRow("toggle") << own << QByteArrayList{"--toggle"};
    QTest::newRow("every flag") << own << QByteArrayList{"--toggle", "--hide", "--hidden", "--quit"};
    QTest::newRow("short options with values") << own << QByteArrayList{"-q", "x", "-m", "HDMI-1", "-p", "2", "-s", "40"};
    QTest::newRow("long options, value apart")
        << own << QByteArrayList{"--query", "x", "--monitor", "DP-2", "--position", "1", "--size", "30", "--width", "300", "--height", "500"};
    QTest::newRow("long options, value joined") << own << QByteArrayList{"--query=a=b", "--monitor=", "--position=0", "--size=0", "--width=1", "--height=2"};
    QTest::newRow("bars stay inside") << own << QByteArrayList{"-q", "a|--quit", "-q", "b|--hide|", "--query=a|--quit"};
    QTest::newRow("values that look like options") << own << QByteArrayList{"-q", "--hide", "-m", "--help", "--query", "-", "-s", "--no-such-option"};
    QTest::newRow("empty values") << own << QByteArrayList{"-q", "", "--monitor", "", "--query="};
    QTest::newRow("non-ASCII") << own << QByteArrayList{"-q", "Größe 検索 🙂", "--monitor=Écran"};
    QTest::newRow("quotes, backslashes, control characters") << own << QByteArrayList{"-q", "a\"b\\c\nd\te\r\x01\x1f\x7f", "-q", "\\\"\\\\"};
    QTest::newRow("looks like the wire form") << own << QByteArrayList{"-q", "[\"a\",\"b\"]", "-q", "\\u0041\\n", "-q", "]"};
    QTest::newRow("noncharacters and the last code point") << own << QByteArrayList{"-q", "\xef\xbf\xbf\xef\xb7\x90\xf4\x8f\xbf\xbf"};
    QTest::newRow("leading byte-order mark, dropped as Qt does") << own << QByteArrayList{"-q", "\xef\xbb\xbfx", "-q", "y\xef\xbb\xbf"};
    QTest::newRow("argv[0] as typed") << QByteArray("nyd-search-panel") << QByteArrayList{"--toggle"};
    QTest::newRow("argv[0] with non-ASCII") << QByteArray("/opt/Ünicode/nyd-search-panel") << QByteArrayList{"--hide"};
}

void FrontForwarderTest::forwardsPlainCommandLines()
{
    QFETCH(QByteArray, argv0);
    QFETCH(QByteArrayList, arguments);

    LocalPeer primary(nullptr, s_appId);
    QVERIFY(!primary.isClient());
    QVERIFY(primary.serverName().startsWith(m_runtime->path()));
    QSignalSpy received(&primary, &LocalPeer::messageReceived);

    const Run run = runFront(frontPath(), argv0, arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.status, 0);
    QVERIFY(!run.guiStarted);
    QTRY_COMPARE(received.count(), 1);

    const QString message = received.at(0).at(0).toString();
    // JSON as any reader takes it, which Qt's alone would not insist on.
    QVERIFY(!message.contains(QRegularExpression(QStringLiteral("[\\x{0}-\\x{1f}]"))));
    QStringList decoded;
    QVERIFY(SingleApplication::decodeArguments(message, &decoded));
    QByteArrayList expected = arguments;
    expected.prepend(argv0.isNull() ? frontPath() : argv0);
    QCOMPARE(decoded, decodedAsQtWould(expected));
}

void FrontForwarderTest::leavesTheRestToThePanel_data()
{
    QTest::addColumn<QByteArray>("argv0");
    QTest::addColumn<QByteArrayList>("arguments");

    const QByteArray own;
    QTest::newRow("help") << own << QByteArrayList{"--help"};
    QTest::newRow("short help") << own << QByteArrayList{"-h"};
    QTest::newRow("question mark") << own << QByteArrayList{"-?"};
    QTest::newRow("help after options") << own << QByteArrayList{"--toggle", "-q", "x", "--help"};
    QTest::newRow("unknown option") << own << QByteArrayList{"--no-such-option", "--hide"};
    QTest::newRow("unknown short option") << own << QByteArrayList{"-x"};
    QTest::newRow("missing value, short") << own << QByteArrayList{"--toggle", "-q"};
    QTest::newRow("missing value, long") << own << QByteArrayList{"--monitor"};
    QTest::newRow("flag with a value") << own << QByteArrayList{"--toggle=yes"};
    QTest::newRow("flag with an empty value") << own << QByteArrayList{"--quit="};
    QTest::newRow("value joined to a short option") << own << QByteArrayList{"-qx"};
    QTest::newRow("short option with =") << own << QByteArrayList{"-q=x"};
    QTest::newRow("short name after two dashes") << own << QByteArrayList{"--q", "x"};
    QTest::newRow("positional argument") << own << QByteArrayList{"word"};
    QTest::newRow("empty positional argument") << own << QByteArrayList{""};
    QTest::newRow("lone dash") << own << QByteArrayList{"-"};
    QTest::newRow("end of options") << own << QByteArrayList{"--", "--toggle"};
    QTest::newRow("taken out by Qt, even as a value") << own << QByteArrayList{"-q", "-qmljsdebugger=port:1"};
    QTest::newRow("taken out by Qt, two dashes") << own << QByteArrayList{"--qmljsdebugger", "x", "--toggle"};
    QTest::newRow("invalid UTF-8") << own << QByteArrayList{"-q", "\xff"};
    QTest::newRow("overlong UTF-8") << own << QByteArrayList{"-q", "\xc0\xaf"};
    QTest::newRow("UTF-8 surrogate") << own << QByteArrayList{"-q", "\xed\xa0\x80"};
    QTest::newRow("cut-off UTF-8") << own << QByteArrayList{"-q", "a\xc3"};
    QTest::newRow("beyond the last code point") << own << QByteArrayList{"-q", "\xf4\x90\x80\x80"};
    QTest::newRow("invalid UTF-8 in argv[0]") << QByteArray("nyd-\xfe") << QByteArrayList{"--toggle"};
    // One argument may not be that long, so it takes several.
    QByteArrayList tooLong;
    for (int i = 0; i < 10; ++i) {
        tooLong << "-q" << QByteArray(LocalPeer::MaxMessageSize / 9, 'x');
    }
    QTest::newRow("too long to forward") << own << tooLong;
}

void FrontForwarderTest::leavesTheRestToThePanel()
{
    QFETCH(QByteArray, argv0);
    QFETCH(QByteArrayList, arguments);

    LocalPeer primary(nullptr, s_appId);
    QVERIFY(!primary.isClient());
    QSignalSpy received(&primary, &LocalPeer::messageReceived);

    const Run run = runFront(frontPath(), argv0, arguments);
    QVERIFY(run.finished);
    // The panel's own exit status: the front became it.
    QCOMPARE(run.status, s_fakeGuiStatus);
    QByteArrayList expected = arguments;
    expected.prepend(argv0.isNull() ? frontPath() : argv0);
    QCOMPARE(run.guiArguments, expected);

    QVERIFY(forwardMarker(&received));
}

void FrontForwarderTest::startsThePanelWhenNoneAnswers_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("no socket") << QStringLiteral("none");
    QTest::newRow("stale socket of a dead panel") << QStringLiteral("stale");
    QTest::newRow("a file where the socket would be") << QStringLiteral("file");
    QTest::newRow("runtime folder open to others") << QStringLiteral("open");
}

void FrontForwarderTest::startsThePanelWhenNoneAnswers()
{
    QFETCH(QString, kind);

    const QString socketPath = LocalPeer(nullptr, s_appId).serverName();
    QVERIFY(socketPath.startsWith(m_runtime->path()));
    QLocalServer untrusted;
    if (kind == QLatin1String("stale")) {
        QVERIFY(leaveStaleSocket(socketPath));
    } else if (kind == QLatin1String("file")) {
        QFile file(socketPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("open")) {
        // Whoever listens in a folder that others can write to is not asked;
        // the panel's own folder in the temporary one does not exist.
        QVERIFY(untrusted.listen(socketPath));
        QCOMPARE(::chmod(QFile::encodeName(m_runtime->path()).constData(), 0755), 0);
    }

    const Run run = runFront(frontPath(), QByteArray(), {"--toggle", "-q", "x"});
    QVERIFY(run.finished);
    QCOMPARE(run.status, s_fakeGuiStatus);
    QCOMPARE(run.guiArguments, (QByteArrayList{frontPath(), "--toggle", "-q", "x"}));
}

void FrontForwarderTest::findsThePanelWhereItListens_data()
{
    QTest::addColumn<QString>("place");

    QTest::newRow("runtime folder") << QStringLiteral("runtime");
    QTest::newRow("runtime folder with a trailing slash") << QStringLiteral("trailing slash");
    QTest::newRow("runtime folder with doubled slashes and dots") << QStringLiteral("dots");
    QTest::newRow("runtime folder through a link and back") << QStringLiteral("link");
    QTest::newRow("no runtime folder: the temporary one") << QStringLiteral("unset");
    QTest::newRow("runtime folder open to others: the temporary one") << QStringLiteral("open");
}

void FrontForwarderTest::findsThePanelWhereItListens()
{
    QFETCH(QString, place);

    const QString runtime = m_runtime->path();
    QByteArray runtimeDir = QFile::encodeName(runtime);
    bool inRuntime = true;
    if (place == QLatin1String("trailing slash")) {
        runtimeDir += '/';
    } else if (place == QLatin1String("dots")) {
        runtimeDir = QFile::encodeName(QFileInfo(runtime).path() + QStringLiteral("//./") + QFileInfo(runtime).fileName() + QStringLiteral("/."));
    } else if (place == QLatin1String("link")) {
        // Read as text, link/.. is the runtime folder itself; followed, it is elsewhere.
        const QString elsewhere = m_sandbox->filePath(QStringLiteral("elsewhere/deeper"));
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(QFile::link(elsewhere, runtime + QStringLiteral("/link")));
        runtimeDir += "/link/..";
    } else if (place == QLatin1String("unset")) {
        runtimeDir = QByteArray();
        inRuntime = false;
    } else if (place == QLatin1String("open")) {
        QCOMPARE(::chmod(runtimeDir.constData(), 0755), 0);
        inRuntime = false;
    }
    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtimeDir);
    // The temporary folder is read the same way.
    ScopedEnv tempEnv("TMPDIR", QFile::encodeName(m_sandbox->path()) + "//");

    LocalPeer primary(nullptr, s_appId);
    QVERIFY(!primary.isClient());
    QCOMPARE(primary.serverName().startsWith(runtime + QLatin1Char('/')), inRuntime);
    QVERIFY(primary.serverName().startsWith(inRuntime ? runtime : m_sandbox->path()));
    QSignalSpy received(&primary, &LocalPeer::messageReceived);

    const Run run = runFront(frontPath(), QByteArray(), {"--toggle"});
    QVERIFY(run.finished);
    QCOMPARE(run.status, 0);
    QVERIFY(!run.guiStarted);
    QTRY_COMPARE(received.count(), 1);
}

void FrontForwarderTest::takenConnectionEndsTheStart_data()
{
    QTest::addColumn<bool>("closes");

    QTest::newRow("listener closes at once") << true;
    QTest::newRow("listener never answers") << false;
}

void FrontForwarderTest::takenConnectionEndsTheStart()
{
    QFETCH(bool, closes);

    QLocalServer server;
    QVERIFY(server.listen(LocalPeer(nullptr, s_appId).serverName()));
    std::vector<QLocalSocket *> taken;
    connect(&server, &QLocalServer::newConnection, this, [&]() {
        while (QLocalSocket *socket = server.nextPendingConnection()) {
            taken.push_back(socket);
            if (closes) {
                socket->abort();
            }
        }
    });

    // Once the message may have got through, starting the panel as well could run it twice.
    const Run run = runFront(frontPath(), QByteArray(), {"--toggle"}, 30000);
    QVERIFY(run.finished);
    QCOMPARE(run.status, 0);
    QVERIFY(!run.guiStarted);
    QCOMPARE(taken.size(), size_t(1));
}

void FrontForwarderTest::missingPanelIsReported()
{
    const QString bin = m_sandbox->filePath(QStringLiteral("alone/bin"));
    QVERIFY(installFront(bin, false));

    const Run run = runFront(QFile::encodeName(bin + QStringLiteral("/nyd-search-panel")), QByteArray(), {"--help"});
    QVERIFY(run.finished);
    QCOMPARE(run.status, 1);
    QVERIFY(!run.guiStarted);
    QCOMPARE(run.errorOutput.count('\n'), 1);
    QVERIFY(run.errorOutput.endsWith('\n'));
    const QByteArray ownFolder = QFile::encodeName(QFileInfo(bin).canonicalFilePath());
    QVERIFY2(run.errorOutput.contains(Front::guiProgramFor(ownFolder.toStdString()).c_str()), run.errorOutput.constData());
}

void FrontForwarderTest::linksNoQt()
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(NYD_PANEL_EXECUTABLE)});
    QVERIFY(ldd.waitForFinished(15000));
    QCOMPARE(ldd.exitCode(), 0);
    const QByteArray libraries = ldd.readAllStandardOutput();
    QVERIFY2(libraries.contains("libc.so"), libraries.constData());
    QVERIFY2(!libraries.contains("libQt"), libraries.constData());
    QVERIFY2(!libraries.contains("libKF5"), libraries.constData());
}

QTEST_GUILESS_MAIN(FrontForwarderTest)
#include "frontforwardertest.moc"
