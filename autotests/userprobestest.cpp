// SPDX-License-Identifier: GPL-2.0-or-later
#include "userprobes.h"
#include "ryxhelper_p.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

const QByteArray s_environmentNames[] = {"PATH", "SUDO_USER", "NYD_PROBE_LEVEL"};

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}
}

class UserProbesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void ryxIdLevel_data();
    void ryxIdLevel();
    void hasMaxMicLevel_data();
    void hasMaxMicLevel();

    void realUserHome_data();
    void realUserHome();
    void realUserHomeOfListedAccount_data();
    void realUserHomeOfListedAccount();

private:
    // Puts a fake "ryx-id" with this shell body on PATH; a null body leaves PATH without one.
    bool installFakeTool(const QByteArray &body);

    QHash<QByteArray, QByteArray> m_savedEnvironment;
    QScopedPointer<QTemporaryDir> m_scratch;
    QString m_ranMarker;
};

void UserProbesTest::initTestCase()
{
    for (const QByteArray &name : s_environmentNames) {
        if (qEnvironmentVariableIsSet(name.constData())) {
            m_savedEnvironment.insert(name, qgetenv(name.constData()));
        }
    }
}

void UserProbesTest::init()
{
    m_scratch.reset(new QTemporaryDir);
    QVERIFY(m_scratch->isValid());
    m_ranMarker = m_scratch->filePath(QStringLiteral("tool-ran"));
}

void UserProbesTest::cleanup()
{
    for (const QByteArray &name : s_environmentNames) {
        if (m_savedEnvironment.contains(name)) {
            qputenv(name.constData(), m_savedEnvironment.value(name));
        } else {
            qunsetenv(name.constData());
        }
    }
    setMaxMicOverrideForTesting(-1);
    m_scratch.reset();
}

bool UserProbesTest::installFakeTool(const QByteArray &body)
{
    const QString bin = m_scratch->filePath(QStringLiteral("bin"));
    if (!QDir().mkpath(bin)) {
        return false;
    }
    // Only this folder: a real tool elsewhere must not answer. The fake uses shell built-ins only.
    qputenv("PATH", QFile::encodeName(bin));
    if (body.isNull()) {
        return true;
    }

    const QString tool = bin + QStringLiteral("/ryx-id");
    const QByteArray script = "#!/bin/sh\n"
                              ": > '"
        + QFile::encodeName(m_ranMarker)
        + "'\n"
          "[ \"$#\" -eq 1 ] && [ \"$1\" = \"-i\" ] || exit 64\n"
        + body + '\n';
    return writeFile(tool, script) && QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void UserProbesTest::ryxIdLevel_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("padded number") << QByteArrayLiteral("printf ' 3 \\n'") << 3u;
    QTest::newRow("largest level") << QByteArrayLiteral("printf '4294967295\\n'") << 4294967295u;
    QTest::newRow("environment inherited") << QByteArrayLiteral("printf '%s\\n' \"$NYD_PROBE_LEVEL\"") << 7u;
    QTest::newRow("standard error ignored") << QByteArrayLiteral("printf '9\\n' >&2; printf '3\\n'") << 3u;
    QTest::newRow("zero") << QByteArrayLiteral("printf '0\\n'") << 0u;
    QTest::newRow("word") << QByteArrayLiteral("printf 'high\\n'") << 0u;
    QTest::newRow("number and word") << QByteArrayLiteral("printf '3 levels\\n'") << 0u;
    QTest::newRow("past 32 bits") << QByteArrayLiteral("printf '4294967296\\n'") << 0u;
    QTest::newRow("negative") << QByteArrayLiteral("echo '-3'") << 0u;
    QTest::newRow("nothing printed") << QByteArrayLiteral(":") << 0u;
    QTest::newRow("failure exit") << QByteArrayLiteral("printf '3\\n'; exit 1") << 0u;
    QTest::newRow("killed") << QByteArrayLiteral("printf '3\\n'; kill -KILL $$") << 0u;
    QTest::newRow("tool missing") << QByteArray() << 0u;
}

void UserProbesTest::ryxIdLevel()
{
    QFETCH(QByteArray, body);
    QFETCH(quint32, expected);
    QVERIFY(installFakeTool(body));
    qputenv("NYD_PROBE_LEVEL", "7");

    QCOMPARE(::ryxIdLevel(), expected);
    // A zero must come from the tool's answer, not from never finding it.
    QCOMPARE(QFile::exists(m_ranMarker), !body.isNull());
}

void UserProbesTest::hasMaxMicLevel_data()
{
    QTest::addColumn<bool>("maxMic");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("expected");

    QTest::newRow("no integrity levels") << false << QByteArrayLiteral("printf '3\\n'") << false;
    QTest::newRow("top level") << true << QByteArrayLiteral("printf '3\\n'") << true;
    QTest::newRow("top level, tool says 0") << true << QByteArrayLiteral("printf '0\\n'") << false;
    QTest::newRow("top level, tool fails") << true << QByteArrayLiteral("printf '3\\n'; exit 2") << false;
    QTest::newRow("top level, tool missing") << true << QByteArray() << false;
}

void UserProbesTest::hasMaxMicLevel()
{
    QFETCH(bool, maxMic);
    QFETCH(QByteArray, body);
    QFETCH(bool, expected);
    QVERIFY(installFakeTool(body));
    setMaxMicOverrideForTesting(maxMic ? 1 : 0);

    QCOMPARE(::hasMaxMicLevel(), expected);
    QCOMPARE(QFile::exists(m_ranMarker), maxMic && !body.isNull());
}

void UserProbesTest::realUserHome_data()
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

void UserProbesTest::realUserHome()
{
    QFETCH(QByteArray, sudoUser);
    QFETCH(QString, expected);
    if (sudoUser == "nyd-no-such-account") {
        QVERIFY(!getpwnam(sudoUser.constData()));
    }
    if (sudoUser.isNull()) {
        qunsetenv("SUDO_USER");
    } else {
        qputenv("SUDO_USER", sudoUser);
    }

    const QString home = ::realUserHome();
    QCOMPARE(home, expected);
    QCOMPARE(home.isNull(), expected.isNull());
}

void UserProbesTest::realUserHomeOfListedAccount_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("expectedHome");

    QTest::newRow("home through a symbolic link") << QStringLiteral("nyd-linked") << QStringLiteral("real-home");
    QTest::newRow("name and home beyond ASCII") << QStringLiteral("jürgen") << QStringLiteral("Häuser/jürgen");
    QTest::newRow("home missing") << QStringLiteral("nyd-homeless") << QString();
}

void UserProbesTest::realUserHomeOfListedAccount()
{
    QFETCH(QString, account);
    QFETCH(QString, expectedHome);

    // The accounts exist only in a copy of the account list that a private mount
    // namespace lays over /etc/passwd for one child process.
    const QDir scratch(m_scratch->path());
    QVERIFY(scratch.mkpath(QStringLiteral("real-home")));
    QVERIFY(scratch.mkpath(QStringLiteral("Häuser/jürgen")));
    QVERIFY(QFile::link(scratch.filePath(QStringLiteral("real-home")), scratch.filePath(QStringLiteral("link-home"))));
    const QString accounts = QStringLiteral(
                                 "root:x:0:0:root:/root:/bin/sh\n"
                                 "nyd-linked:x:4242:4242::%1/link-home:/bin/sh\n"
                                 "jürgen:x:4243:4243::%1/Häuser/jürgen:/bin/sh\n"
                                 "nyd-homeless:x:4244:4244::%1/gone:/bin/sh\n")
                                 .arg(scratch.path());
    const QString passwdFile = scratch.filePath(QStringLiteral("passwd"));
    QVERIFY(writeFile(passwdFile, accounts.toUtf8()));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SUDO_USER"), account);
    child.setProcessEnvironment(environment);
    child.start(QStringLiteral("unshare"),
                {QStringLiteral("--mount"),
                 QStringLiteral("--propagation"),
                 QStringLiteral("private"),
                 QStringLiteral("/bin/sh"),
                 QStringLiteral("-c"),
                 QStringLiteral("mount --bind \"$1\" /etc/passwd 2>/dev/null || exit 77; exec \"$2\" %1").arg(QLatin1String(s_printRealHome)),
                 QStringLiteral("sh"),
                 passwdFile,
                 QCoreApplication::applicationFilePath()});
    QVERIFY(child.waitForFinished());
    if (child.error() == QProcess::FailedToStart || (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 77)) {
        QSKIP("No private mount namespace here (needs root and unshare)");
    }
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);

    const QString expected = expectedHome.isNull() ? QString::fromLatin1(s_nullHome) : QFileInfo(scratch.filePath(expectedHome)).canonicalFilePath();
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()), expected);
}

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
