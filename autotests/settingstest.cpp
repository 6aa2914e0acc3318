// SPDX-License-Identifier: GPL-2.0-or-later
// What the panel reads from the user's files and the system: theme colours,
// whose theme, the access level and its search settings.
#include "commandserver.h"
#include "nydcore.h"
#include "ryxhelper_p.h"
#include "testhelpers.h"
#include "themefiles.h"

#include <QApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

class SettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // The description's first line names the windows.
        nydInit("2.5.1", "Nyd search\nA longer text that is no title");
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Nyd search"));
        qputenv("PATH", QFile::encodeName(m_bin.path()));
    }
    void themeColors_data()
    {
        QTest::addColumn<QByteArray>("primary");
        QTest::addColumn<int>("top"); // top integrity level: 0 not claimed, 1 by the override, 2 by the variable, 3 variable but override off
        QTest::addColumn<QByteArray>("ryxId"); // what the tool prints for -i; null: not installed
        QTest::addColumn<QString>("expected"); // MenuActiveColor MenuColor MenuStringActiveColor MenuStringColor
        QTest::addColumn<QByteArray>("theme");
        const auto row = [](const char *name, const char *primary, int top, const char *ryxId, const char *expected, const char *theme = nullptr) {
            const char all[] = "MenuActiveColor=PrimaryLightColor\nMenuColor=PrimaryDarkColor\nMenuStringActiveColor=PrimaryLightTextColor\n";
            QTest::newRow(name) << QByteArray(primary) << top << QByteArray(ryxId) << QString::fromLatin1(expected)
                                << (theme ? QByteArray(theme) : all + QByteArray("MenuStringColor=PrimaryDarkTextColor"));
        };
        const char blue[] = "#71a6ca #22628d #000000 #ffffff";
        row("no files", nullptr, 0, nullptr, "true true true true", "");
        row("literal, no self-reference", "#2a7ab0", 0, nullptr, "true #fafafa true PrimaryColor", "MenuColor=#fafafa\nMenuStringColor=PrimaryColor");
        row("shades of the primary", "#2a7ab0", 0, "echo 63", blue);
        row("white only darkens", "#ffffff", 0, nullptr, "#dfdfdf #bfbfbf #000000 #000000");
        row("black only lightens", "#000000", 0, nullptr, "#555555 #2a2a2a #ffffff #ffffff");
        row("qt even at the top level", "qt", 1, "echo 63", "#f4f4f4 #bfbfbf #000000 #000000");
        row("top level: privileged primary", "#2a7ab0", 2, "printf ' 4294967295 \\n'", "#b05555 #6d0000 #ffffff #ffffff");
        row("override beats the variable", "#2a7ab0", 3, "echo 63", blue);
        row("tool failed", "#2a7ab0", 1, "echo 3; exit 1", blue);
        row("tool missing", "#2a7ab0", 1, nullptr, blue);
    }
    void themeColors()
    {
        QFETCH(QByteArray, primary);
        QFETCH(int, top);
        QFETCH(QByteArray, ryxId);
        QFETCH(QString, expected);
        QFETCH(QByteArray, theme);
        const QString nyd = QDir::homePath() + QStringLiteral("/.nyd/");
        QVERIFY(QDir(nyd).removeRecursively() && QDir(m_bin.path()).removeRecursively());
        QVERIFY(primary.isNull() || TestHelpers::writeFile(nyd + QStringLiteral("paletterc"), "[Variables]\nPrimaryColor=" + primary));
        QVERIFY(theme.isEmpty() || TestHelpers::writeFile(nyd + QStringLiteral("theme/current.themerc"), "[Variables]\n" + theme));
        QVERIFY(ryxId.isNull() || TestHelpers::writeFile(m_bin.filePath(QStringLiteral("ryx-id")), "#!/bin/sh\n[ \"$1\" = -i ] && " + ryxId, true));
        qputenv("NYD_TEST_MAX_MIC", top >= 2 ? "1" : "");
        setMaxMicOverrideForTesting(top == 1 ? 1 : top == 3 ? 0 : -1);
        QCOMPARE(QStringList(CommandServer::readThemeColors().values()).join(QLatin1Char(' ')), expected);
    }
    void serializedThemeValueIsText()
    {
        // QSettings would build the list it claims, of 2^31 strings.
        const QString path = QDir::homePath() + QStringLiteral("/.nyd/theme/current.themerc");
        QVERIFY(TestHelpers::writeFile(path, "[Variables]\nMenuColor=@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\nMenuStringColor=#102030\n"));
        QFile aged(path);
        QVERIFY(aged.open(QIODevice::ReadOnly) && aged.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        const QMap<QString, QString> colors = CommandServer::readThemeColors();
        QVERIFY(colors.value(QStringLiteral("MenuColor")).startsWith(QLatin1String("@Variant(")));
        QCOMPARE(colors.value(QStringLiteral("MenuStringColor")), QStringLiteral("#102030"));
        // An edit of the same size shows at the next read; a FIFO is no theme and must not block.
        QVERIFY(TestHelpers::writeFile(path, "[Variables]\nMenuColor=@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\nMenuStringColor=#405060\n"));
        QCOMPARE(CommandServer::readThemeColors().value(QStringLiteral("MenuStringColor")), QStringLiteral("#405060"));
        QVERIFY(QFile::remove(path) && ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not a regular file")));
        QCOMPARE(CommandServer::readThemeColors().value(QStringLiteral("MenuStringColor")), QStringLiteral("true"));
        QVERIFY(QFile::remove(path));
    }
    void themeOfTheUserBehindSudo()
    {
        const passwd *self = getpwuid(getuid());
        for (const QByteArray &user : {QByteArray(), QByteArray("nyd-no-such-account"), QByteArray(self->pw_name)}) {
            user.isNull() ? qunsetenv("SUDO_USER") : qputenv("SUDO_USER", user);
            const QString home = user == self->pw_name ? QDir(QString::fromUtf8(self->pw_dir)).canonicalPath() : QDir::homePath();
            QCOMPARE(locateThemeFiles().paletteFile, home + QStringLiteral("/.nyd/paletterc"));
        }
        qunsetenv("SUDO_USER");
    }

    void helpShowsThePanelsGuide() // the topic's page, in the collection the help search copied for the user
    {
        const QString collection = QDir::homePath() + QStringLiteral("/.local/share/nydhelp/ru/nydhelp.qhc");
        QVERIFY(TestHelpers::writeFile(collection, "collection"));
        QVERIFY(TestHelpers::writeRecorder(m_bin.filePath(QStringLiteral("assistant")), m_bin.filePath(QStringLiteral("records"))));
        nydHelpShow(QStringLiteral("nyd-search-panel"));
        const QString shown = QStringLiteral("assistant -collectionFile %1 -showUrl qthelp://org.nyd.searchpanel.en/nyd-search-panel-en/en/filesearch.html");
        QTRY_COMPARE(TestHelpers::recordedCalls(m_bin.filePath(QStringLiteral("records"))).value(0).join(QLatin1Char(' ')), shown.arg(collection));
    }

private:
    QTemporaryDir m_bin;
};

QTEST_MAIN(SettingsTest)

#include "settingstest.moc"
