// SPDX-License-Identifier: GPL-2.0-or-later
// The panel as real processes: a first start that runs, later starts that
// forward their command lines to it.
#include "x11testhelpers.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

class PanelProcessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void textOnlyStarts();
    void laterStartsDriveTheRunningPanel();
    void commandsQueuedWhileBusy();
    void placesTheWindowByTheTaskbar_data();
    void placesTheWindowByTheTaskbar();

private:
    QProcessEnvironment environment() const;
    bool isListening() const;
    void startFirst(const QStringList &arguments);
    int runSecond(const QStringList &arguments, QByteArray *output = nullptr);

    QTemporaryDir *m_runtime = nullptr;
    QProcess *m_first = nullptr;
};

void PanelProcessTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(QFile::exists(QStringLiteral(NYD_PANEL_EXECUTABLE)));
}

void PanelProcessTest::init()
{
    // Each case gets its own runtime folder, so its panel meets no other.
    m_runtime = new QTemporaryDir;
    QVERIFY(m_runtime->isValid());
    QFile::setPermissions(m_runtime->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void PanelProcessTest::cleanup()
{
    if (m_first) {
        if (m_first->state() != QProcess::NotRunning) {
            m_first->kill();
            m_first->waitForFinished();
        }
        delete m_first;
        m_first = nullptr;
    }
    delete m_runtime;
    m_runtime = nullptr;
}

QProcessEnvironment PanelProcessTest::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime->path());
    return env;
}

bool PanelProcessTest::isListening() const
{
    const auto entries = QDir(m_runtime->path()).entryInfoList(QDir::System);
    return std::any_of(entries.cbegin(), entries.cend(), [](const QFileInfo &entry) {
        return entry.fileName().startsWith(QLatin1String("nyd-search-panel"));
    });
}

void PanelProcessTest::startFirst(const QStringList &arguments)
{
    m_first = new QProcess;
    m_first->setProcessEnvironment(environment());
    m_first->setProgram(QStringLiteral(NYD_PANEL_EXECUTABLE));
    m_first->setArguments(arguments);
    m_first->start();
    m_first->waitForStarted();
    // Started at the same moment, a later start could win the race instead.
    QTRY_VERIFY_WITH_TIMEOUT(isListening(), 15000);
}

int PanelProcessTest::runSecond(const QStringList &arguments, QByteArray *output)
{
    QProcess second;
    second.setProcessEnvironment(environment());
    second.start(QStringLiteral(NYD_PANEL_EXECUTABLE), arguments);
    if (!second.waitForFinished(15000)) {
        second.kill();
        return -1;
    }
    if (output) {
        *output = second.readAllStandardOutput();
    }
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
}

void PanelProcessTest::textOnlyStarts()
{
    // Over ssh or in a package build there is no display, and no help collection installed.
    const auto run = [this](const QString &option, bool display) {
        QProcess panel;
        QProcessEnvironment env = environment();
        for (const char *name : {"DISPLAY", "QT_QPA_PLATFORM"}) {
            display ? void() : env.remove(QLatin1String(name));
        }
        panel.setProcessEnvironment(env);
        panel.setProcessChannelMode(QProcess::MergedChannels);
        panel.start(QStringLiteral(NYD_PANEL_EXECUTABLE), {option});
        return panel.waitForFinished(15000) && panel.exitStatus() == QProcess::NormalExit && panel.exitCode() == 0 ? panel.readAll() : QByteArray("failed");
    };
    const QByteArray help = run(QStringLiteral("--help"), false);
    for (const char *line : {"-q, --query <text>",
                             "Prepend text to the current search query",
                             "Show/Hide window",
                             "-m, --monitor <monitor>",
                             "Corner position [0-3]",
                             "-s, --size <size>",
                             "--width <width>",
                             "--height <height>",
                             "Quit application",
                             "-v, --version"}) {
        QVERIFY2(help.contains(line), help.constData());
    }
    QVERIFY(run(QStringLiteral("--help-all"), false).contains("--qmljsdebugger"));
    QCOMPARE(run(QStringLiteral("--version"), false), QByteArray("nyd-search-panel 1.4.6+b4\n"));
    // A first start told to quit ends at once, silently.
    QCOMPARE(run(QStringLiteral("--quit"), true), QByteArray());
    QVERIFY(!X11TestHelpers::isPanelViewable());
}

void PanelProcessTest::laterStartsDriveTheRunningPanel()
{
    const auto said = [this](const char *text) {
        return m_first->peek(1 << 16).contains(text);
    };
    startFirst({QStringLiteral("--hidden"), QStringLiteral("-p"), QStringLiteral("0"), QStringLiteral("-s"), QStringLiteral("30")});
    // Once it answers a later start, it has applied its own command line.
    QCOMPARE(runSecond({QStringLiteral("--hidden"), QStringLiteral("--ready-marker")}), 0);
    QTRY_VERIFY(said("ready-marker"));
    QVERIFY(!X11TestHelpers::isPanelViewable());
    // A start without options shows a hidden panel, placed again.
    QCOMPARE(runSecond({QStringLiteral("-p"), QStringLiteral("0"), QStringLiteral("-s"), QStringLiteral("30")}), 0);
    QTRY_VERIFY(X11TestHelpers::isPanelViewable());
    QCOMPARE(X11TestHelpers::topLevelWindow("Nyd search panel").geometry.topLeft(), QPoint(0, 30));
    for (const auto &[option, shown] : {std::pair{"--toggle", false}, {"--toggle", true}, {"--hide", false}, {"", true}}) {
        QCOMPARE(runSecond(QString::fromLatin1(option).split(QLatin1Char(' '), Qt::SkipEmptyParts)), 0);
        QTRY_COMPARE(X11TestHelpers::isPanelViewable(), shown);
    }

    // Help is printed by the later start, which forwards nothing.
    QByteArray output;
    QCOMPARE(runSecond({QStringLiteral("--help"), QStringLiteral("--help-marker")}, &output), 0);
    QVERIFY(output.contains("Show/Hide window"));
    // A parse error is printed on both sides, and the rest executes.
    QCOMPARE(runSecond({QStringLiteral("--no-such-option"), QStringLiteral("--hide")}, &output), 0);
    QCOMPARE(output, QByteArrayLiteral("Unknown option 'no-such-option'.\n"));
    QTRY_VERIFY(said("Unknown option 'no-such-option'."));
    QTRY_VERIFY(!X11TestHelpers::isPanelViewable());
    QVERIFY(!said("help-marker"));
    // Split on the bar, these would quit the panel and hide it.
    QCOMPARE(runSecond({QStringLiteral("-q"), QStringLiteral("a|--quit"), QStringLiteral("-q"), QStringLiteral("b|--hide|")}), 0);
    QCOMPARE(runSecond({QStringLiteral("--after-bars")}), 0);
    QTRY_VERIFY(said("after-bars"));
    QVERIFY(X11TestHelpers::isPanelViewable());

    QCOMPARE(runSecond({QStringLiteral("--quit")}), 0);
    QVERIFY(m_first->waitForFinished(15000));
    QCOMPARE(m_first->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_first->exitCode(), 0);
}

void PanelProcessTest::commandsQueuedWhileBusy()
{
    startFirst({QStringLiteral("--hidden")});
    const auto pid = pid_t(m_first->processId());
    ::kill(pid, SIGSTOP);
    // Each sender gives up waiting before the next starts, so the panel meets
    // them in this order, their sockets already closed.
    for (const char *marker : {"--queued-0", "--queued-1"}) {
        QProcess sender;
        sender.setProcessEnvironment(environment());
        sender.start(QStringLiteral(NYD_PANEL_EXECUTABLE),
                     {QStringLiteral("--hidden"), QStringLiteral("-q"), QStringLiteral("x"), QString::fromLatin1(marker)});
        QVERIFY(sender.waitForFinished(15000) && sender.exitCode() == 1);
    }
    ::kill(pid, SIGCONT);
    QCOMPARE(runSecond({QStringLiteral("--hidden"), QStringLiteral("--after-queue")}), 0);
    QTRY_VERIFY(m_first->peek(1 << 16).contains("after-queue"));
    const QByteArray output = m_first->peek(1 << 16);
    QVERIFY2(output.indexOf("queued-0") >= 0 && output.indexOf("queued-0") < output.indexOf("queued-1"), output.constData());
    QCOMPARE(m_first->state(), QProcess::Running);
}

void PanelProcessTest::placesTheWindowByTheTaskbar_data()
{
    QTest::addColumn<QString>("position");
    QTest::addColumn<QRect>("geometry");

    // The test display is 1920x1080; width 300 asks for 600 pixels.
    QTest::newRow("top") << QStringLiteral("0") << QRect(0, 40, 600, 501);
    QTest::newRow("right") << QStringLiteral("1") << QRect(1920 - 600 - 40, 0, 600, 502);
    QTest::newRow("bottom") << QStringLiteral("2") << QRect(0, 1080 - 501 - 40, 600, 501);
    QTest::newRow("left") << QStringLiteral("3") << QRect(40, 0, 600, 502);
}

void PanelProcessTest::placesTheWindowByTheTaskbar()
{
    QFETCH(QString, position);
    QFETCH(QRect, geometry);

    const QStringList arguments{QStringLiteral("-p"),
                                position,
                                QStringLiteral("-s"),
                                QStringLiteral("40"),
                                QStringLiteral("--width"),
                                QStringLiteral("300"),
                                QStringLiteral("--height"),
                                QStringLiteral("500")};
    startFirst(arguments);
    QTRY_VERIFY_WITH_TIMEOUT(X11TestHelpers::isPanelViewable(), 15000);
    QTRY_COMPARE(X11TestHelpers::topLevelWindow("Nyd search panel").geometry, geometry);

    // A forwarded command set places it again.
    QCOMPARE(runSecond({QStringLiteral("-p"), QStringLiteral("0"), QStringLiteral("-s"), QStringLiteral("0")}), 0);
    QTRY_COMPARE(X11TestHelpers::topLevelWindow("Nyd search panel").geometry.topLeft(), QPoint(0, 0));
}

QTEST_GUILESS_MAIN(PanelProcessTest)
#include "panelprocesstest.moc"
