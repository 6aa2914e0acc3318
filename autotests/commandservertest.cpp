// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandserver.h"
#include "mainwindow.h"
#include "singleapplication.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QScreen>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

class CommandServerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void visibility_data();
    void visibility();
    void queryIsPrependedOrCleared();
    void forwardedArgumentsStayWhole();
    void garbageMessageDoesNothing();
    void geometryOptions();
    void quitLeavesTheEventLoop();

private:
    QString queryText() const;
    QStringList command(const QStringList &options) const;

    MainWindow *m_window = nullptr;
    CommandServer *m_server = nullptr;
};

void CommandServerTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void CommandServerTest::init()
{
    m_window = new MainWindow(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    m_server = new CommandServer(m_window);
}

void CommandServerTest::cleanup()
{
    delete m_server;
    delete m_window;
}

QString CommandServerTest::queryText() const
{
    return m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"))->text();
}

QStringList CommandServerTest::command(const QStringList &options) const
{
    return QStringList{QStringLiteral("nyd-search-panel")} + options;
}

void CommandServerTest::visibility_data()
{
    QTest::addColumn<bool>("shownBefore");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("shownAfter");

    const QString hide = QStringLiteral("--hide");
    const QString toggle = QStringLiteral("--toggle");
    const QString hidden = QStringLiteral("--hidden");

    QTest::newRow("hidden, no option: shown") << false << QStringList() << true;
    QTest::newRow("shown, no option: stays") << true << QStringList() << true;
    QTest::newRow("hidden, --hidden: stays hidden") << false << QStringList{hidden} << false;
    QTest::newRow("shown, --hidden: stays shown") << true << QStringList{hidden} << true;
    QTest::newRow("shown, --hide") << true << QStringList{hide} << false;
    QTest::newRow("hidden, --hide") << false << QStringList{hide} << false;
    QTest::newRow("hidden, --toggle") << false << QStringList{toggle} << true;
    QTest::newRow("shown, --toggle") << true << QStringList{toggle} << false;
    QTest::newRow("hide wins over toggle") << false << QStringList{toggle, hide} << false;
    QTest::newRow("toggle wins over hidden") << false << QStringList{hidden, toggle} << true;
    QTest::newRow("hide wins over hidden") << true << QStringList{hidden, hide} << false;
}

void CommandServerTest::visibility()
{
    QFETCH(bool, shownBefore);
    QFETCH(QStringList, options);
    QFETCH(bool, shownAfter);

    if (shownBefore) {
        m_window->show();
    }
    m_server->processRemoteArguments(command(options));
    QCOMPARE(m_window->isVisible(), shownAfter);
    if (shownAfter && !shownBefore) {
        QCOMPARE(m_window->focusWidget()->objectName(), QStringLiteral("lineEditQuery"));
    }
}

void CommandServerTest::queryIsPrependedOrCleared()
{
    auto *stack = m_window->findChild<QStackedWidget *>(QStringLiteral("stackedWidgetResults"));
    m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"))->setText(QStringLiteral("world"));

    m_server->processRemoteArguments(command({QStringLiteral("-q"), QStringLiteral("hello ")}));
    QCOMPARE(queryText(), QStringLiteral("hello world"));
    QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("pageSearchResults"));

    m_server->processRemoteArguments(command({QStringLiteral("--query=new "), QStringLiteral("--query"), QStringLiteral("last ")}));
    QCOMPARE(queryText(), QStringLiteral("last hello world"));

    // A start without options empties the query line.
    m_server->processRemoteArguments(command({}));
    QCOMPARE(queryText(), QString());
    QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("pageEmptySearch"));
}

void CommandServerTest::forwardedArgumentsStayWhole()
{
    QEventLoop loop;
    bool quitSeen = false;
    connect(qApp, &QCoreApplication::aboutToQuit, this, [&quitSeen] {
        quitSeen = true;
    });

    const QStringList arguments = command({QStringLiteral("-q"), QStringLiteral("a|--quit"), QStringLiteral("--hidden")});
    m_server->processMessage(SingleApplication::encodeArguments(arguments));
    QCOMPARE(queryText(), QStringLiteral("a|--quit"));
    QVERIFY(m_window->isHidden());
    QVERIFY(!quitSeen);

    m_server->processMessage(SingleApplication::encodeArguments(command({QStringLiteral("--query"), QStringLiteral("--toggle ∑ ")})));
    QCOMPARE(queryText(), QStringLiteral("--toggle ∑ a|--quit"));
    QVERIFY(m_window->isVisible());
}

void CommandServerTest::garbageMessageDoesNothing()
{
    m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"))->setText(QStringLiteral("kept"));
    const QStringList garbage{
        QStringLiteral("nyd-search-panel|--hide"),
        QString(),
        QStringLiteral("[1,2]"),
        QStringLiteral("{\"a\":1}"),
        QStringLiteral("[]"),
    };
    for (const QString &message : garbage) {
        m_server->processMessage(message);
    }
    QVERIFY(m_window->isHidden());
    QCOMPARE(queryText(), QStringLiteral("kept"));
}

void CommandServerTest::geometryOptions()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();

    m_server->processRemoteArguments(command({QStringLiteral("--width"), QStringLiteral("300"), QStringLiteral("--height"), QStringLiteral("500")}));
    QCOMPARE(m_window->geometry().size(), QSize(600, 501));
    QCOMPARE(m_window->geometry().bottomLeft(), QPoint(screen.left(), screen.bottom()));

    // Values that are not numbers count as 0 and are then bounded by the window's minimum.
    m_server->processRemoteArguments(command({QStringLiteral("--width"), QStringLiteral("wide"), QStringLiteral("-p"), QStringLiteral("top")}));
    QCOMPARE(m_window->width(), m_window->minimumSizeHint().width());
    QCOMPARE(m_window->y(), screen.top());

    // Defaults: 2 x 202 by 532 above a bottom taskbar of thickness 0.
    m_server->processRemoteArguments(command({}));
    QCOMPARE(m_window->geometry().size(), QSize(404, 533));

    m_server->processRemoteArguments(command({QStringLiteral("-p"), QStringLiteral("0"), QStringLiteral("-s"), QStringLiteral("40")}));
    QCOMPARE(m_window->geometry().topLeft(), QPoint(screen.left(), screen.top() + 40));
}

void CommandServerTest::quitLeavesTheEventLoop()
{
    m_window->show();
    m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"))->setText(QStringLiteral("kept"));

    QEventLoop loop;
    QTimer::singleShot(0, this, [this] {
        m_server->processRemoteArguments(command({QStringLiteral("--quit"), QStringLiteral("--hide")}));
    });
    QTimer watchdog;
    bool timedOut = false;
    connect(&watchdog, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.exit(1);
    });
    watchdog.start(5000);
    QCOMPARE(loop.exec(), 0);
    QVERIFY(!timedOut);

    // Quitting touches nothing.
    QVERIFY(m_window->isVisible());
    QCOMPARE(queryText(), QStringLiteral("kept"));
}

QTEST_MAIN(CommandServerTest)
#include "commandservertest.moc"
