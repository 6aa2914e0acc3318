// SPDX-License-Identifier: GPL-2.0-or-later
// Theme files come with downloaded themes: whatever they hold, a colour is text.
#include "commandserver.h"
#include "mainwindow.h"
#include "testhelpers.h"
#include "themecolors.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

class HostileThemeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        qunsetenv("SUDO_USER");
    }

    void cleanup()
    {
        QFile::remove(m_themeFile);
    }

    void serializedValueIsNoColour_data()
    {
        QTest::addColumn<QByteArray>("value");

        // QDataStream of a QVariant: type, then the value.
        QTest::newRow("string holding a colour") << QByteArray("@Variant(\\0\\0\\0\\n\\0\\0\\0\\x0e\\0#\\0\\x31\\0\\x32\\0\\x33\\0\\x34\\0\\x35\\0\\x36)");
        QTest::newRow("string list claiming 2^31 elements") << QByteArray("@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)");
        QTest::newRow("polygon claiming 2^31 points") << QByteArray("@Variant(\\0\\0\\0G\\x7f\\xff\\xff\\xff)");
    }

    void serializedValueIsNoColour()
    {
        QFETCH(QByteArray, value);
        QVERIFY(TestHelpers::writeFile(m_themeFile, "[Variables]\nMenuColor=" + value + "\nMenuStringColor=#102030\n"));

        const QMap<QString, QString> colors = CommandServer::readThemeColors();
        QVERIFY(!QColor::isValidColor(colors.value(QStringLiteral("MenuColor"))));
        QCOMPARE(colors.value(QStringLiteral("MenuStringColor")), QStringLiteral("#102030"));

        // The window then falls back on the palette, as for a missing value.
        MainWindow window(nullptr, Qt::FramelessWindowHint);
        window.applyTheme(colors);
        QCOMPARE(ThemeColors::instance()->backgroundColor(), QGuiApplication::palette().color(QPalette::Active, QPalette::Window).name());
    }

private:
    const QString m_themeFile = QDir::homePath() + QStringLiteral("/.nyd/theme/current.themerc");
};

QTEST_MAIN(HostileThemeTest)

#include "hostilethemetest.moc"
