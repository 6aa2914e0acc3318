// SPDX-License-Identifier: GPL-2.0-or-later
// The panel as real processes: a first start that runs, later starts that
// forward their command lines to it.
#include "testhelpers.h"

#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Where the panel's window is while it is viewable, as a window manager sees it; null otherwise.
QRect panelGeometry()
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("search"),
                   QStringLiteral("--onlyvisible"),
                   QStringLiteral("--name"),
                   QStringLiteral("^Nyd search panel$"),
                   QStringLiteral("getwindowgeometry"),
                   QStringLiteral("--shell")});
    QMap<QByteArray, int> values;
    const QList<QByteArray> lines = xdotool.waitForFinished() && xdotool.exitCode() == 0 ? xdotool.readAll().split('\n') : QList<QByteArray>();
    for (const QByteArray &line : lines) {
        values.insert(line.split('=').constFirst(), line.split('=').constLast().toInt());
    }
    return lines.isEmpty() ? QRect() : QRect(values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT"));
}
}

class PanelProcessTest : public QObject
{
    Q_OBJECT

    // Each case gets its own runtime folder, so its panel meets no other.
    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<QProcess> m_first;

    // @p arguments split on spaces; stdout and stderr come merged unless @p channels says otherwise.
    std::unique_ptr<QProcess> start(const QString &arguments, bool display = true, QProcess::ProcessChannelMode channels = QProcess::MergedChannels)
    {
        auto panel = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime->path());
        for (const QString &name : {QStringLiteral("DISPLAY"), QStringLiteral("QT_QPA_PLATFORM")}) {
            display ? void() : env.remove(name);
        }
        panel->setProcessEnvironment(env);
        panel->setProcessChannelMode(channels);
        panel->start(QStringLiteral(NYD_PANEL_EXECUTABLE), arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        return panel;
    }
    // What a start that ends by itself printed, or "failed" unless it succeeded.
    QByteArray run(const QString &arguments, bool display = true)
    {
        const auto panel = start(arguments, display);
        const bool ok = panel->waitForFinished(15000) && panel->exitStatus() == QProcess::NormalExit && panel->exitCode() == 0;
        return ok ? panel->readAll() : QByteArray("failed");
    }
    void startFirst(const QString &arguments)
    {
        m_first = start(arguments);
        // Started at the same moment, a later start could win the race instead.
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(m_runtime->path()).entryList({QStringLiteral("nyd-search-panel*")}, QDir::System).isEmpty(), 15000);
    }

private Q_SLOTS:
    void init()
    {
        m_first.reset();
        m_runtime = std::make_unique<QTemporaryDir>();
    }
    void textOnlyStarts()
    {
        // Over ssh or in a package build there is no display, and no help collection installed.
        const QByteArray help = run(QStringLiteral("--help"), false);
        for (const char *line : {"-q, --query <text>", "Show/Hide window", "Corner position [0-3]", "--width <width>", "Quit application", "-v, --version"}) {
            QVERIFY2(help.contains(line), help.constData());
        }
        // In the user's language, Qt's own texts too.
        const QByteArray language = qgetenv("LANG");
        qputenv("LANG", "ru_RU.UTF-8");
        const QByteArray russian = run(QStringLiteral("--help"), false);
        qputenv("LANG", language);
        QVERIFY2(russian.contains("Показать или скрыть окно") && russian.contains("-q, --query <текст>") && russian.contains("Параметры:"),
                 russian.constData());
        // The version the package has.
        QCOMPARE(run(QStringLiteral("--version"), false), QByteArray("nyd-search-panel " NYD_VERSION "\n"));
        // A first start told to quit ends at once and says nothing of its own; the
        // platform's libraries may speak on its error output on a bare machine.
        const auto quitting = start(QStringLiteral("--quit"), true, QProcess::SeparateChannels);
        QVERIFY(quitting->waitForFinished(15000) && quitting->exitCode() == 0);
        QCOMPARE(quitting->readAllStandardOutput(), QByteArray());
        QVERIFY(!quitting->readAllStandardError().contains("nyd-search-panel"));
        QVERIFY(panelGeometry().isNull());
    }
    // A user's day: hidden at login, shown from the taskbar, a file found by name, its
    // context menu from the keyboard, opened with Enter, the settings button, the end.
    void userSession()
    {
        const QString bin = m_runtime->path() + QStringLiteral("/bin");
        const QString records = m_runtime->path() + QStringLiteral("/records");
        QVERIFY(TestHelpers::writeRecorder(bin + QStringLiteral("/nyd-open"), records));
        qputenv("PATH", QFile::encodeName(bin) + ':' + qgetenv("PATH"));
        const QString file = QDir::homePath() + QStringLiteral("/Reports/quillwort survey.txt");
        QVERIFY(TestHelpers::writeFile(file, "Counted by the lake."));
        startFirst(QStringLiteral("--hidden"));
        QVERIFY(run(QStringLiteral("--toggle")) != "failed");
        QTRY_VERIFY(!panelGeometry().isNull());
        const auto xdotool = [this](const QString &arguments) {
            const QString command = QStringLiteral("search --onlyvisible --pid %1 --name ^Nyd.search.panel$ ").arg(m_first->processId()) + arguments;
            return QProcess::execute(QStringLiteral("xdotool"), command.split(QLatin1Char(' ')));
        };
        // The panel starts the indexer, which knows the file by its name once it has been round.
        const QStringList indexed{QStringLiteral("-c"), QStringLiteral("baloosearch quillwort | grep -q survey")};
        QTRY_VERIFY_WITH_TIMEOUT(QProcess::execute(QStringLiteral("sh"), indexed) == 0, 60000);
        xdotool(QStringLiteral("windowfocus --sync type quillwort"));
        // The context menu, from the keyboard, is a second window of the panel's.
        const QString menuShown = QStringLiteral("[ $(xdotool search --onlyvisible --pid %1 --maxdepth 1 --class . | wc -l) -ge 2 ]").arg(m_first->processId());
        int polls = 0; // a press now and then, until the results are in
        QTRY_VERIFY(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), menuShown}) == 0
                    || (polls++ % 10 == 0 && (xdotool(QStringLiteral("key Menu")), false)));
        // The result's menu, not the query line's: "&Show in file manager" (before "&Send to") opens its folder, the panel stays.
        xdotool(QStringLiteral("key s Return"));
        QTRY_COMPARE(TestHelpers::recordedCalls(records).value(0), (QStringList{QStringLiteral("nyd-open"), QStringLiteral("-e"), QFileInfo(file).path()}));
        const QStringList opened{QStringLiteral("nyd-open"), QStringLiteral("-e"), QUrl::fromLocalFile(file).toString()};
        QTRY_COMPARE((xdotool(QStringLiteral("key Return")), TestHelpers::recordedCalls(records).value(1)), opened);
        QTRY_VERIFY(panelGeometry().isNull());
        QVERIFY(run(QStringLiteral("--toggle")) != "failed");
        QTRY_VERIFY(!panelGeometry().isNull());
        const QRect panel = panelGeometry(); // its settings button is at the right end of the query line
        xdotool(QStringLiteral("mousemove --window %1 %2 %3 click 1")
                    .arg(QStringLiteral("%1"), QString::number(panel.width() - 36), QString::number(panel.height() - 69)));
        QTRY_COMPARE(QProcess::execute(QStringLiteral("xdotool"), QStringLiteral("search --onlyvisible --name ^File.search").split(QLatin1Char(' '))), 0);
        QVERIFY(run(QStringLiteral("--quit")) != "failed");
        QVERIFY(m_first->waitForFinished(10000) && m_first->exitCode() == 0);
    }
    void laterStartsDriveTheRunningPanel()
    {
        const auto said = [this](const char *text) {
            return m_first->peek(1 << 16).contains(text);
        };
        const auto second = [this](const char *arguments) {
            return run(QString::fromUtf8(arguments)) != "failed";
        };
        startFirst(QStringLiteral("--hidden -p 0 -s 30"));
        // Once it answers a later start, it has applied its own command line.
        QVERIFY(second("--hidden --ready-marker"));
        QTRY_VERIFY(said("ready-marker"));
        QVERIFY(panelGeometry().isNull());
        // A start without options shows a hidden panel, placed again.
        QVERIFY(second("-p 0 -s 30"));
        QTRY_COMPARE(panelGeometry().topLeft(), QPoint(0, 30));
        // Each state that should stay is seen by the toggle after it.
        for (const auto &[options, shown] : {std::pair{"--toggle", false},
                                             {"--toggle", true},
                                             {"--hide", false},
                                             {"", true},
                                             {"--hidden", true},
                                             {"--toggle", false},
                                             {"--hidden", false},
                                             {"--hidden --toggle", true},
                                             {"--toggle", false},
                                             {"--toggle --hide", false},
                                             {"--toggle", true}}) {
            QVERIFY(second(options));
            QTRY_COMPARE(panelGeometry().isValid(), shown);
        }
        // Help is printed by the later start, which forwards nothing.
        QVERIFY(run(QStringLiteral("--help --help-marker")).contains("Show/Hide window"));
        // A parse error is printed on both sides, and the rest executes.
        QCOMPARE(run(QStringLiteral("--no-such-option --hide")), QByteArray("Unknown option 'no-such-option'.\n"));
        QTRY_VERIFY(said("Unknown option 'no-such-option'."));
        QTRY_VERIFY(panelGeometry().isNull());
        QVERIFY(!said("help-marker"));
        // Split on the bar, these would quit the panel and hide it.
        QVERIFY(second("-q a|--quit -q b|--hide|") && second("--after-bars"));
        QTRY_VERIFY(said("after-bars"));
        QVERIFY(panelGeometry().isValid());

        QVERIFY(second("--quit") && m_first->waitForFinished(15000));
        QVERIFY(m_first->exitStatus() == QProcess::NormalExit && m_first->exitCode() == 0);
    }
    void commandsQueuedWhileBusy()
    {
        startFirst(QStringLiteral("--hidden"));
        const auto pid = pid_t(m_first->processId());
        // Never 0, which would stop this whole process group.
        QVERIFY(pid > 0 && ::kill(pid, SIGSTOP) == 0);
        // Each sender gives up waiting, and says so, before the next starts, so
        // the panel meets them in this order, their sockets already closed.
        for (const char *marker : {"--queued-0", "--queued-1"}) {
            const auto sender = start(QStringLiteral("--hidden -q x ") + QLatin1String(marker));
            QVERIFY(sender->waitForFinished(15000) && sender->exitCode() == 1 && sender->readAll().contains("did not answer"));
        }
        ::kill(pid, SIGCONT);
        QVERIFY(run(QStringLiteral("--hidden --after-queue")) != "failed");
        QTRY_VERIFY(m_first->peek(1 << 16).contains("after-queue"));
        const QByteArray output = m_first->peek(1 << 16);
        QVERIFY2(output.indexOf("queued-0") >= 0 && output.indexOf("queued-0") < output.indexOf("queued-1"), output.constData());
        QCOMPARE(m_first->state(), QProcess::Running);
    }
    // Many starts at once: each command line reaches the panel whole, and once.
    void simultaneousStartsAllCount()
    {
        startFirst(QStringLiteral("--hidden"));
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int i = 0; i < 100; ++i) {
            starts.push_back(start(QStringLiteral("--hidden --at-once-%1").arg(i)));
        }
        for (const auto &sender : starts) {
            QVERIFY2(sender->waitForFinished(30000) && sender->exitCode() == 0, sender->readAll().constData());
        }
        QVERIFY(run(QStringLiteral("--hidden --after-all")) != "failed");
        QTRY_VERIFY(m_first->peek(1 << 20).contains("after-all"));
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(m_first->peek(1 << 20).count("'at-once-" + QByteArray::number(i) + "'."), 1);
        }
    }
    void listensAgainAfterRunningOutOfDescriptors()
    {
        startFirst(QStringLiteral("--hidden"));
        const QString socket = QDir(m_runtime->path()).entryInfoList({QStringLiteral("nyd-search-panel*")}, QDir::System).constFirst().filePath();
        QVERIFY(run(QStringLiteral("--hidden")) != "failed");
        // Idle connections take the few descriptors left, and accept() fails.
        const rlimit few{32, 32};
        QCOMPARE(::prlimit(pid_t(m_first->processId()), RLIMIT_NOFILE, &few, nullptr), 0);
        std::vector<std::unique_ptr<QLocalSocket>> idle;
        for (int i = 0; i < 40 && QFileInfo::exists(socket); ++i) {
            idle.push_back(std::make_unique<QLocalSocket>());
            idle.back()->connectToServer(socket);
            idle.back()->waitForConnected(1000);
        }
        QTRY_VERIFY(!QFileInfo::exists(socket));
        idle.clear();
        QVERIFY(run(QStringLiteral("--hidden --after-exhaustion")) != "failed");
        QTRY_VERIFY(m_first->peek(1 << 16).contains("after-exhaustion"));
    }
    // Last: an indexer blocked on the FIFO stays so.
    void indexerSettingsFifoHoldsNothing()
    {
        const QByteArray config = QFile::encodeName(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/baloofilerc"));
        QVERIFY((::unlink(config.constData()) == 0 || errno == ENOENT) && ::mkfifo(config.constData(), 0600) == 0);
        startFirst(QStringLiteral("--hidden"));
        QVERIFY(run(QStringLiteral("--toggle")) != "failed");
        QTRY_VERIFY(!panelGeometry().isNull());
        QVERIFY(run(QStringLiteral("--quit")) != "failed" && m_first->waitForFinished(15000));
        ::close(::open(config.constData(), O_WRONLY | O_NONBLOCK)); // whoever waits to read it reads nothing
        QCOMPARE(::unlink(config.constData()), 0);
    }
};

QTEST_GUILESS_MAIN(PanelProcessTest)
#include "panelprocesstest.moc"
