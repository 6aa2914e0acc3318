// SPDX-License-Identifier: GPL-2.0-or-later
#include "placement.h"

#include <QTest>

Q_DECLARE_METATYPE(Placement)

class PlacementTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void corners_data();
    void corners();
};

void PlacementTest::corners_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("borders"); // top, left, bottom, right

    const QRect hd(0, 0, 1920, 1080);
    // A second monitor right of the first one.
    const QRect second(1920, 0, 1280, 1024);

    QTest::newRow("top, no taskbar") << 0 << 0 << 404 << 532 << 1.0 << hd << QRect(0, 0, 404, 533) << "0111";
    QTest::newRow("top, taskbar 40") << 0 << 40 << 404 << 532 << 1.0 << hd << QRect(0, 40, 404, 533) << "0111";
    QTest::newRow("right, taskbar 40") << 1 << 40 << 404 << 532 << 1.0 << hd << QRect(1920 - 404 - 40, 0, 404, 534) << "1110";
    QTest::newRow("bottom, no taskbar") << 2 << 0 << 404 << 532 << 1.0 << hd << QRect(0, 1080 - 533, 404, 533) << "1101";
    QTest::newRow("bottom, taskbar 40") << 2 << 40 << 404 << 532 << 1.0 << hd << QRect(0, 1080 - 533 - 40, 404, 533) << "1101";
    QTest::newRow("left, taskbar 40") << 3 << 40 << 404 << 532 << 1.0 << hd << QRect(40, 0, 404, 534) << "1011";
    // Out of range: bottom's borders and height, left's corner.
    QTest::newRow("position 7") << 7 << 40 << 404 << 532 << 1.0 << hd << QRect(40, 0, 404, 533) << "1101";
    QTest::newRow("position -1") << -1 << 0 << 404 << 532 << 1.0 << hd << QRect(0, 0, 404, 533) << "1101";

    // Lengths in device pixels shrink by the ratio, truncated.
    QTest::newRow("ratio 2, bottom") << 2 << 40 << 404 << 532 << 2.0 << QRect(0, 0, 960, 540) << QRect(0, 540 - 267 - 20, 202, 267) << "1101";
    QTest::newRow("ratio 2, right") << 1 << 41 << 405 << 533 << 2.0 << QRect(0, 0, 960, 540) << QRect(960 - 202 - 20, 0, 202, 268) << "1110";
    QTest::newRow("ratio 1.5 truncates") << 3 << 31 << 301 << 500 << 1.5 << hd << QRect(20, 0, 200, 335) << "1011";

    // Bounds: the minimum first, the screen second.
    QTest::newRow("below minimum") << 2 << 0 << 10 << 10 << 1.0 << hd << QRect(0, 1080 - 101, 150, 101) << "1101";
    QTest::newRow("above the screen, top") << 0 << 0 << 5000 << 5000 << 1.0 << hd << QRect(0, 0, 1920, 1081) << "0111";
    QTest::newRow("above the screen, left") << 3 << 0 << 5000 << 5000 << 1.0 << hd << QRect(0, 0, 1920, 1082) << "1011";
    QTest::newRow("minimum wins over a small screen") << 2 << 0 << 100 << 50 << 1.0 << QRect(0, 0, 120, 80) << QRect(0, 80 - 101, 150, 101) << "1101";

    QTest::newRow("second monitor, bottom") << 2 << 40 << 404 << 532 << 1.0 << second << QRect(1920, 1024 - 533 - 40, 404, 533) << "1101";
    QTest::newRow("second monitor, right") << 1 << 40 << 404 << 532 << 1.0 << second << QRect(1920 + 1280 - 404 - 40, 0, 404, 534) << "1110";
    QTest::newRow("second monitor, top") << 0 << 40 << 404 << 532 << 1.0 << QRect(0, 1080, 1280, 1024) << QRect(0, 1080 + 40, 404, 533) << "0111";
}

void PlacementTest::corners()
{
    QFETCH(int, position);
    QFETCH(int, size);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(qreal, ratio);
    QFETCH(QRect, screen);
    QFETCH(QRect, geometry);
    QFETCH(QString, borders);

    const Placement placement = computePlacement(position, size, width, height, ratio, screen, screen.size(), QSize(150, 100));
    QCOMPARE(placement.geometry, geometry);
    const QString drawn = QString::number(placement.borderTop) + QString::number(placement.borderLeft) + QString::number(placement.borderBottom)
        + QString::number(placement.borderRight);
    QCOMPARE(drawn, borders);
}

QTEST_GUILESS_MAIN(PlacementTest)
#include "placementtest.moc"
