// SPDX-License-Identifier: GPL-2.0-or-later
// Placement on a real display whose device pixel ratio is 2.
#include "mainwindow.h"
#include "x11testhelpers.h"

#include <QApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

class PlacementScaledTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void screenByName();
    void placesInDeviceIndependentPixels_data();
    void placesInDeviceIndependentPixels();
};

void PlacementScaledTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
}

void PlacementScaledTest::screenByName()
{
    QScreen *primary = QGuiApplication::primaryScreen();
    QVERIFY(!primary->name().isEmpty());
    QCOMPARE(MainWindow::screenByName(primary->name()), primary);
    QCOMPARE(MainWindow::screenByName(QString()), primary);
    QCOMPARE(MainWindow::screenByName(QStringLiteral("NO-SUCH-OUTPUT")), primary);
    // Names are compared exactly.
    QCOMPARE(MainWindow::screenByName(primary->name().toLower() + QLatin1Char(' ')), primary);
}

void PlacementScaledTest::placesInDeviceIndependentPixels_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QRect>("logical");

    // A 1920x1080 display at ratio 2 is 960x540; width 404 and taskbar 40 halve.
    QTest::newRow("top") << 0 << QRect(0, 20, 202, 267);
    QTest::newRow("right") << 1 << QRect(960 - 202 - 20, 0, 202, 268);
    QTest::newRow("bottom") << 2 << QRect(0, 540 - 267 - 20, 202, 267);
    QTest::newRow("left") << 3 << QRect(20, 0, 202, 268);
}

void PlacementScaledTest::placesInDeviceIndependentPixels()
{
    QFETCH(int, position);
    QFETCH(QRect, logical);

    MainWindow window(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    window.place(QStringLiteral("NO-SUCH-OUTPUT"), position, 40, 404, 532);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.geometry(), logical);

    const QRect device(logical.topLeft() * 2, logical.size() * 2);
    QTRY_COMPARE(X11TestHelpers::topLevelWindow(QByteArrayLiteral("Nyd search panel")).geometry, device);
}

int main(int argc, char *argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    PlacementScaledTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "placementscaledtest.moc"
