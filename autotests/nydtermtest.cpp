// SPDX-License-Identifier: GPL-2.0-or-later
// nyd-term with a fake terminal that records how it was started and then
// runs what follows its -e, as real terminals do.
#include "fakedesktop.h"

#include <QTest>

class NydTermTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void commandReachesTheShellAsGiven_data();
    void commandReachesTheShellAsGiven();
    void noCloseLeavesAShell_data();
    void noCloseLeavesAShell();
    void configuredTerminalIsUsed_data();
    void configuredTerminalIsUsed();
    void failuresAreReported_data();
    void failuresAreReported();

private:
    bool configureTerminal(const QByteArray &general);
    QString recorded(const QString &name) const;
    QStringList terminalArguments() const;
    void runToTheEnd(const QStringList &arguments);

    FakeDesktop m_desktop;
    QString m_terminal;
    QString m_shell;
};

void NydTermTest::initTestCase()
{
    QVERIFY(QFile::exists(QStringLiteral(NYD_TERM_EXECUTABLE)));
    QVERIFY(m_desktop.isValid());

    // Records its argv, runs the rest after -e, and says when it is over.
    m_terminal = m_desktop.path(QStringLiteral("bin/fake-terminal"));
    QVERIFY(FakeDesktop::writeFile(m_terminal,
                                   "#!/bin/sh\n"
                                   "printf '%s\\0' \"$@\" > \"$NYD_TEST_RECORDS/argv\"\n"
                                   "while [ $# -gt 0 ] && [ \"$1\" != -e ]; do shift; done\n"
                                   "shift\n"
                                   "\"$@\"\n"
                                   "echo $? > \"$NYD_TEST_RECORDS/ended.part\" && mv \"$NYD_TEST_RECORDS/ended.part\" \"$NYD_TEST_RECORDS/ended\"\n",
                                   true));
    // Stands in for the user's interactive shell.
    m_shell = m_desktop.path(QStringLiteral("bin/fake-shell"));
    QVERIFY(FakeDesktop::writeFile(m_shell, "#!/bin/sh\nprintf '[shell]' >> \"$NYD_TEST_RECORDS/out\"\n", true));

    QVERIFY(!m_desktop.addApplication(QStringLiteral("nyd-fake-terminal"), m_terminal + QStringLiteral(" --from-service"), {}).isEmpty());
    QVERIFY(m_desktop.rebuildServiceCache());
    m_desktop.setVariable(QStringLiteral("SHELL"), m_shell);
}

void NydTermTest::init()
{
    m_desktop.clearRecords();
    QVERIFY(configureTerminal("TerminalApplication=" + m_terminal.toUtf8() + '\n'));
}

bool NydTermTest::configureTerminal(const QByteArray &general)
{
    return FakeDesktop::writeFile(QDir(m_desktop.configHome()).filePath(QStringLiteral("kdeglobals")), "[General]\n" + general);
}

QString NydTermTest::recorded(const QString &name) const
{
    return QDir(m_desktop.recordsFolder()).filePath(name);
}

QStringList NydTermTest::terminalArguments() const
{
    QStringList arguments;
    const QList<QByteArray> parts = FakeDesktop::readFile(recorded(QStringLiteral("argv"))).split('\0');
    for (int i = 0; i + 1 < parts.size(); ++i) {
        arguments << QString::fromUtf8(parts.at(i));
    }
    return arguments;
}

void NydTermTest::runToTheEnd(const QStringList &arguments)
{
    const FakeDesktop::Result result = m_desktop.run(QStringLiteral(NYD_TERM_EXECUTABLE), arguments);
    QVERIFY2(result.finished && result.exitCode == 0, result.standardError.constData());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recorded(QStringLiteral("ended"))), 15000);
}

void NydTermTest::commandReachesTheShellAsGiven_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("expectedOutput");

    // Every command appends, so a second run shows; any quoting fault on the
    // way runs the touch and leaves the marker.
    const QString out = recorded(QStringLiteral("out"));
    const QString marker = recorded(QStringLiteral("pwned"));
    QTest::newRow("blanks") << QStringLiteral("printf '%s|' one \"two  three\" >> %1").arg(out) << QByteArray("one|two  three|");
    QTest::newRow("single quote and command substitution")
        << QStringLiteral("printf %s 'it'\\''s $(touch %1) fine' >> %2").arg(marker, out) << QByteArray("it's $(touch ") + marker.toUtf8() + ") fine";
    QTest::newRow("double quotes and backslash") << QStringLiteral("printf %s \"say \\\"hi\\\" \\\\ \\$(touch %1)\" >> %2").arg(marker, out)
                                                 << QByteArray("say \"hi\" \\ $(touch ") + marker.toUtf8() + ')';
    QTest::newRow("backticks") << QStringLiteral("printf %s '`touch %1`' >> %2").arg(marker, out) << QByteArray("`touch ") + marker.toUtf8() + '`';
    QTest::newRow("several commands") << QStringLiteral("printf a >> %1; printf b >> %1 && printf c >> %1").arg(out) << QByteArray("abc");
    QTest::newRow("trailing comment") << QStringLiteral("printf x >> %1 # done").arg(out) << QByteArray("x");
    // A shell that took it for its own option would print its version and run nothing.
    QTest::newRow("leading dash") << QStringLiteral("--version >/dev/null 2>&1; printf z >> %1").arg(out) << QByteArray("z");
}

void NydTermTest::commandReachesTheShellAsGiven()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, expectedOutput);

    runToTheEnd({QStringLiteral("-e"), command});

    QCOMPARE(FakeDesktop::readFile(recorded(QStringLiteral("out"))), expectedOutput);
    QVERIFY(!QFile::exists(recorded(QStringLiteral("pwned"))));
    QCOMPARE(terminalArguments().count(command), 1);
}

void NydTermTest::noCloseLeavesAShell_data()
{
    QTest::addColumn<bool>("noClose");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("expectedOutput");

    const QString out = recorded(QStringLiteral("out"));
    QTest::newRow("closes") << false << QStringLiteral("printf '[command]' >> %1").arg(out) << QByteArray("[command]");
    QTest::newRow("stays open") << true << QStringLiteral("printf '[command]' >> %1").arg(out) << QByteArray("[command][shell]");
    QTest::newRow("stays open after the command exits")
        << true << QStringLiteral("printf '[command]' >> %1; exit 3").arg(out) << QByteArray("[command][shell]");
    QTest::newRow("stays open after a syntax error") << true << QStringLiteral("printf '[command]' >> %1; if").arg(out) << QByteArray("[shell]");
}

void NydTermTest::noCloseLeavesAShell()
{
    QFETCH(bool, noClose);
    QFETCH(QString, command);
    QFETCH(QByteArray, expectedOutput);

    QStringList arguments = {QStringLiteral("-e"), command};
    if (noClose) {
        arguments.prepend(QStringLiteral("--noclose"));
    }
    runToTheEnd(arguments);

    QCOMPARE(FakeDesktop::readFile(recorded(QStringLiteral("out"))), expectedOutput);
    QCOMPARE(terminalArguments().count(command), 1);
}

void NydTermTest::configuredTerminalIsUsed_data()
{
    QTest::addColumn<QByteArray>("general");
    QTest::addColumn<QStringList>("leadingArguments");

    const QByteArray terminal = m_terminal.toUtf8();
    QTest::newRow("program only") << QByteArray("TerminalApplication=" + terminal + '\n') << QStringList{QStringLiteral("-e")};
    QTest::newRow("program with its own arguments") << QByteArray("TerminalApplication=" + terminal + " --title 'Nyd term'\n")
                                                    << QStringList{QStringLiteral("--title"), QStringLiteral("Nyd term"), QStringLiteral("-e")};
    QTest::newRow("service wins over program") << QByteArray("TerminalService=nyd-fake-terminal.desktop\nTerminalApplication=/nonexistent/terminal\n")
                                               << QStringList{QStringLiteral("--from-service"), QStringLiteral("-e")};
}

void NydTermTest::configuredTerminalIsUsed()
{
    QFETCH(QByteArray, general);
    QFETCH(QStringList, leadingArguments);

    QVERIFY(configureTerminal(general));
    const QString command = QStringLiteral("printf ok >> %1").arg(recorded(QStringLiteral("out")));
    runToTheEnd({QStringLiteral("-e"), command});

    QCOMPARE(FakeDesktop::readFile(recorded(QStringLiteral("out"))), QByteArray("ok"));
    QCOMPARE(terminalArguments().mid(0, leadingArguments.size()), leadingArguments);
}

void NydTermTest::failuresAreReported_data()
{
    QTest::addColumn<QByteArray>("general");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expectedMessage");

    const QByteArray terminal = "TerminalApplication=" + m_terminal.toUtf8() + '\n';
    const QStringList command = {QStringLiteral("-e"), QStringLiteral("true")};
    QTest::newRow("terminal program missing") << QByteArray("TerminalApplication=/nonexistent/terminal\n") << command
                                              << QStringLiteral("/nonexistent/terminal");
    QTest::newRow("no command") << terminal << QStringList{QStringLiteral("--noclose")} << QStringLiteral("usage");
    QTest::newRow("empty command") << terminal << QStringList{QStringLiteral("-e"), QString()} << QStringLiteral("usage");
    QTest::newRow("command split in words") << terminal << QStringList{QStringLiteral("-e"), QStringLiteral("echo"), QStringLiteral("hi")}
                                            << QStringLiteral("usage");
}

void NydTermTest::failuresAreReported()
{
    QFETCH(QByteArray, general);
    QFETCH(QStringList, arguments);
    QFETCH(QString, expectedMessage);

    QVERIFY(configureTerminal(general));
    const FakeDesktop::Result result = m_desktop.run(QStringLiteral(NYD_TERM_EXECUTABLE), arguments);
    QVERIFY(result.finished);
    QVERIFY(result.exitCode != 0);
    const QString message = QString::fromUtf8(result.lastErrorLine());
    QVERIFY2(message.startsWith(QLatin1String("nyd-term: ")) && message.contains(expectedMessage), qPrintable(message));
    QVERIFY(!QFile::exists(recorded(QStringLiteral("argv"))));
}

QTEST_GUILESS_MAIN(NydTermTest)

#include "nydtermtest.moc"
