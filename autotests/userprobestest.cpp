// SPDX-License-Identifier: GPL-2.0-or-later
#include "userprobes.h"
#include "ryxhelper_p.h"
#include "testhelpers.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <pwd.h>
#include <unistd.h>

namespace
{
// Prints realUserHome() and exits; the account list it sees is arranged by the parent test.
const char s_printRealHome[] = "--print-real-home";
const char s_nullHome[] = "(null)";
}

class UserProbesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        qputenv("PATH", m_path);
        qunsetenv("SUDO_USER");
        qunsetenv("NYD_PROBE_LEVEL");
        setMaxMicOverrideForTesting(-1);
    }

    void probes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<quint32>("expected");

        QTest::newRow("padded number") << QByteArrayLiteral("printf ' 3 \\n'") << 3u;
        QTest::newRow("largest level") << QByteArrayLiteral("printf '4294967295\\n'") << 4294967295u;
        QTest::newRow("environment inherited") << QByteArrayLiteral("printf '%s\\n' \"$NYD_PROBE_LEVEL\"") << 7u;
        QTest::newRow("standard error ignored") << QByteArrayLiteral("printf '9\\n' >&2; printf '3\\n'") << 3u;
        QTest::newRow("word") << QByteArrayLiteral("printf 'high\\n'") << 0u;
        QTest::newRow("number and word") << QByteArrayLiteral("printf '3 levels\\n'") << 0u;
        QTest::newRow("past 32 bits") << QByteArrayLiteral("printf '4294967296\\n'") << 0u;
        QTest::newRow("negative") << QByteArrayLiteral("echo '-3'") << 0u;
        QTest::newRow("failure exit") << QByteArrayLiteral("printf '3\\n'; exit 1") << 0u;
        QTest::newRow("killed") << QByteArrayLiteral("printf '3\\n'; kill -KILL $$") << 0u;
        QTest::newRow("tool missing") << QByteArray() << 0u;
    }

    void probes()
    {
        QFETCH(QByteArray, body);
        QFETCH(quint32, expected);
        // A fake "ryx-id" alone on PATH, or none for a null body.
        QTemporaryDir scratch;
        qputenv("PATH", QFile::encodeName(scratch.filePath(QStringLiteral("bin"))));
        QVERIFY(body.isNull() || TestHelpers::writeRecorder(scratch.filePath(QStringLiteral("bin/ryx-id")), scratch.filePath(QStringLiteral("records")), body));
        qputenv("NYD_PROBE_LEVEL", "7");
        // How often the tool was started, all as "ryx-id -i"; -1 for any other start.
        const auto calls = [&scratch] {
            const QList<QStringList> all = TestHelpers::recordedCalls(scratch.filePath(QStringLiteral("records")));
            return all.count(QStringList{QStringLiteral("ryx-id"), QStringLiteral("-i")}) == all.size() ? all.size() : -1;
        };

        QCOMPARE(::ryxIdLevel(), expected);
        // A zero must come from the tool's answer, not from never finding it.
        const int asked = body.isNull() ? 0 : 1;
        QCOMPARE(calls(), asked);
        // Without the top integrity level the tool is not even asked.
        setMaxMicOverrideForTesting(0);
        QVERIFY(!::hasMaxMicLevel());
        QCOMPARE(calls(), asked);
        setMaxMicOverrideForTesting(1);
        QCOMPARE(::hasMaxMicLevel(), expected != 0);
        QCOMPARE(calls(), 2 * asked);
    }

    void realUserHome_data()
    {
        QTest::addColumn<QByteArray>("sudoUser");
        QTest::addColumn<QString>("expected");

        QTest::newRow("not under sudo") << QByteArray() << QString();
        QTest::newRow("empty name") << QByteArrayLiteral("") << QString();
        QTest::newRow("unknown account") << QByteArrayLiteral("nyd-no-such-account") << QString();
        const passwd *self = getpwuid(getuid());
        QVERIFY(self && self->pw_dir);
        const QFileInfo selfHome(QString::fromUtf8(self->pw_dir));
        QTest::newRow("this process's account") << QByteArray(self->pw_name) << (selfHome.isDir() ? selfHome.canonicalFilePath() : QString());
    }

    void realUserHome()
    {
        QFETCH(QByteArray, sudoUser);
        QFETCH(QString, expected);
        QVERIFY(sudoUser != "nyd-no-such-account" || !getpwnam(sudoUser.constData()));
        sudoUser.isNull() ? qunsetenv("SUDO_USER") : qputenv("SUDO_USER", sudoUser);

        const QString home = ::realUserHome();
        QCOMPARE(home, expected);
        QCOMPARE(home.isNull(), expected.isNull());
    }

    void realUserHomeOfListedAccount_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("expectedHome");

        QTest::newRow("home through a symbolic link") << QStringLiteral("nyd-linked") << QStringLiteral("real-home");
        QTest::newRow("name and home beyond ASCII") << QStringLiteral("jürgen") << QStringLiteral("Häuser/jürgen");
        QTest::newRow("home missing") << QStringLiteral("nyd-homeless") << QString();
    }

    void realUserHomeOfListedAccount()
    {
        QFETCH(QString, account);
        QFETCH(QString, expectedHome);

        // The accounts exist only in a copy of the account list that a private mount
        // namespace lays over /etc/passwd for one child process.
        QTemporaryDir scratchDir;
        const QDir scratch(scratchDir.path());
        QVERIFY(scratch.mkpath(QStringLiteral("real-home")) && scratch.mkpath(QStringLiteral("Häuser/jürgen")));
        QVERIFY(QFile::link(scratch.filePath(QStringLiteral("real-home")), scratch.filePath(QStringLiteral("link-home"))));
        const QString passwdFile = scratch.filePath(QStringLiteral("passwd"));
        QVERIFY(TestHelpers::writeFile(passwdFile,
                                       QStringLiteral("root:x:0:0:root:/root:/bin/sh\n"
                                                      "nyd-linked:x:4242:4242::%1/link-home:/bin/sh\n"
                                                      "jürgen:x:4243:4243::%1/Häuser/jürgen:/bin/sh\n"
                                                      "nyd-homeless:x:4244:4244::%1/gone:/bin/sh\n")
                                           .arg(scratch.path())
                                           .toUtf8()));

        // In a chroot unshare cannot make the mounts private and fails on its own.
        QProcess probe;
        probe.start(QStringLiteral("unshare"), QStringLiteral("--mount --propagation private true").split(QLatin1Char(' ')));
        if (!probe.waitForFinished() || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
            QSKIP("No private mount namespace here (needs root and unshare outside a chroot)");
        }

        qputenv("SUDO_USER", account.toUtf8());
        const QString script = QStringLiteral("mount --bind \"$1\" /etc/passwd 2>/dev/null || exit 77; exec \"$2\" %1").arg(QLatin1String(s_printRealHome));
        QProcess child;
        child.start(QStringLiteral("unshare"),
                    QStringLiteral("--mount --propagation private /bin/sh -c").split(QLatin1Char(' '))
                        << script << QStringLiteral("sh") << passwdFile << QCoreApplication::applicationFilePath());
        QVERIFY(child.waitForFinished());
        if (child.error() == QProcess::FailedToStart || (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 77)) {
            QSKIP("No private mount namespace here (needs root and unshare)");
        }
        QVERIFY(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
        const QString expected = expectedHome.isNull() ? QString::fromLatin1(s_nullHome) : QFileInfo(scratch.filePath(expectedHome)).canonicalFilePath();
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()), expected);
    }

private:
    const QByteArray m_path = qgetenv("PATH");
};

int main(int argc, char *argv[])
{
    // Account names and homes are UTF-8; so must the environment that carries them be.
    qputenv("LC_ALL", "C.UTF-8");

    QCoreApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], s_printRealHome) == 0) {
        const QString home = realUserHome();
        std::fputs(home.isNull() ? s_nullHome : home.toUtf8().constData(), stdout);
        return 0;
    }

    UserProbesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "userprobestest.moc"
