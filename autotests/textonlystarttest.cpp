// SPDX-License-Identifier: GPL-2.0-or-later
// Starts of the panel that only print something, as a user runs them.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TextOnlyStartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // A panel of this test meets no other.
        QVERIFY(m_runtime.isValid());
        QVERIFY(QFile::setPermissions(m_runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }

    void answersWithoutDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QByteArrayList>("expected");

        QTest::newRow("help") << QStringLiteral("--help") << QByteArrayList{"-q, --query <text>", "Show/Hide window", "-v, --version"};
        QTest::newRow("help with Qt's options") << QStringLiteral("--help-all") << QByteArrayList{"--toggle", "--qmljsdebugger"};
        QTest::newRow("version") << QStringLiteral("--version") << QByteArrayList{"nyd-search-panel 1.4.6+b4\n"};
    }

    // Over ssh or in a package build there is no display to connect to.
    void answersWithoutDisplay()
    {
        QFETCH(QString, option);
        QFETCH(QByteArrayList, expected);

        QProcess panel;
        start(panel, {option}, false);
        QCOMPARE(panel.exitCode(), 0);
        const QByteArray output = panel.readAllStandardOutput();
        for (const QByteArray &text : expected) {
            QVERIFY2(output.contains(text), output.constData());
        }
        QCOMPARE(panel.readAllStandardError(), QByteArray());
    }

    void missingHelpIsNoNews()
    {
        // No help collection is installed for the tests.
        QProcess panel;
        start(panel, {QStringLiteral("--quit")}, true);
        QCOMPARE(panel.exitCode(), 0);
        const QByteArray errors = panel.readAllStandardError();
        QVERIFY2(!errors.contains("No help collection"), errors.constData());
    }

private:
    void start(QProcess &panel, const QStringList &arguments, bool withDisplay)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        if (!withDisplay) {
            for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
                env.remove(QLatin1String(name));
            }
        }
        panel.setProcessEnvironment(env);
        panel.start(QStringLiteral(NYD_PANEL_EXECUTABLE), arguments);
        QVERIFY(panel.waitForFinished(30000));
        QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    }

    QTemporaryDir m_runtime;
};

QTEST_GUILESS_MAIN(TextOnlyStartTest)

#include "textonlystarttest.moc"
