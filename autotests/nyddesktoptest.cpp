// SPDX-License-Identifier: GPL-2.0-or-later
#include "nydcore.h"
#include "nydintegration.h"
#include "ryxhelper.h"
#include "ryxhelper_p.h"

#include <QColor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(NydDir)

namespace
{
// Runs the library the way a program would before it has an application object.
const char s_withoutApplication[] = "--without-application";

const QByteArray s_environmentNames[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "PATH", "NYD_TEST_MAX_MIC"};

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

bool writeScript(const QString &path, const QByteArray &body)
{
    return writeFile(path, QByteArrayLiteral("#!/bin/sh\n") + body) && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes the helpers' arguments to outPath, once gatePath (if it is a FIFO) is written to.
bool writeFakeHelpViewer(const QString &binDir, const QString &outPath, const QString &gatePath)
{
    const QByteArray body = "gate='" + QFile::encodeName(gatePath) + "'\n" + "[ -p \"$gate\" ] && read -r _ < \"$gate\"\n" + "printf '%s\\n' \"$@\" > '"
        + QFile::encodeName(outPath) + "'\n";
    return writeScript(binDir + QStringLiteral("/khelpcenter"), body);
}
}

class NydDesktopTest : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE void handleHelpUrl(const QUrl &url)
    {
        m_helpUrls.append(url);
    }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void directories_data();
    void directories();
    void directoriesFollowUserDirs();
    void directoriesFollowHome();

    void textColorFor_data();
    void textColorFor();
    void createShadeColor_data();
    void createShadeColor();
    void primaryDarkColor_data();
    void primaryDarkColor();
    void primaryDarkColorUnchanged_data();
    void primaryDarkColorUnchanged();

    void initMakesSettingsUsable();
    void helpShowStartsViewer();
    void helpShowFallsBackToUrl();
    void helpShowWithoutApplication_data();
    void helpShowWithoutApplication();

    void maxMic_data();
    void maxMic();

private:
    QString scratchPath(const QString &name) const;

    QHash<QByteArray, QByteArray> m_savedEnvironment;
    QScopedPointer<QTemporaryDir> m_scratch;
    QList<QUrl> m_helpUrls;
};

void NydDesktopTest::initTestCase()
{
    // HOME, XDG folders and the settings file are rewritten here; only a sealed session may lose them.
    if (qEnvironmentVariableIsEmpty("NYD_SESSION_DIR")) {
        QSKIP("Needs the sealed session of scripts/session.sh");
    }
    for (const QByteArray &name : s_environmentNames) {
        if (qEnvironmentVariableIsSet(name.constData())) {
            m_savedEnvironment.insert(name, qgetenv(name.constData()));
        }
    }
}

void NydDesktopTest::init()
{
    m_scratch.reset(new QTemporaryDir(qEnvironmentVariable("NYD_SESSION_DIR") + QStringLiteral("/nyddesktoptest-XXXXXX")));
    QVERIFY(m_scratch->isValid());
    m_helpUrls.clear();
}

void NydDesktopTest::cleanup()
{
    for (const QByteArray &name : s_environmentNames) {
        if (m_savedEnvironment.contains(name)) {
            qputenv(name.constData(), m_savedEnvironment.value(name));
        } else {
            qunsetenv(name.constData());
        }
    }
    setMaxMicOverrideForTesting(-1);
    QDesktopServices::unsetUrlHandler(QStringLiteral("help"));
    m_scratch.reset();
}

QString NydDesktopTest::scratchPath(const QString &name) const
{
    return m_scratch->filePath(name);
}

void NydDesktopTest::directories_data()
{
    QTest::addColumn<NydDir>("which");
    QTest::addColumn<QString>("expected");

    QTest::newRow("config") << NydConfigDir << QStringLiteral("@HOME@/.nyd");
    QTest::newRow("theme") << NydThemeDir << QStringLiteral("@HOME@/.nyd/theme");
    QTest::newRow("desktop") << NydDesktopDir << QStringLiteral("@HOME@/Desktop");
    QTest::newRow("documents") << NydDocumentsDir << QStringLiteral("@HOME@/Documents");
    QTest::newRow("taskbar launchers") << NydTaskbarLaunchersDir << QStringLiteral("@DATA@/nyd/taskbar");
    QTest::newRow("home") << NydHomeDir << QStringLiteral("@HOME@");
    QTest::newRow("zero") << static_cast<NydDir>(0) << QString();
    QTest::newRow("between known ones") << static_cast<NydDir>(5) << QString();
    QTest::newRow("past the end") << static_cast<NydDir>(99) << QString();
}

void NydDesktopTest::directories()
{
    QFETCH(NydDir, which);
    QFETCH(QString, expected);

    const QString home = scratchPath(QStringLiteral("home"));
    const QString data = scratchPath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(home));
    // Trailing slashes, as people do write them, must not reach the results.
    qputenv("HOME", QFile::encodeName(home + QLatin1Char('/')));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data + QLatin1Char('/')));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratchPath(QStringLiteral("config"))));

    expected.replace(QLatin1String("@HOME@"), home).replace(QLatin1String("@DATA@"), data);
    QCOMPARE(QString::fromStdString(GetNydDir(which)), expected);
}

void NydDesktopTest::directoriesFollowUserDirs()
{
    const QString home = scratchPath(QStringLiteral("home"));
    const QString config = scratchPath(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(home));
    QVERIFY(QDir().mkpath(config));
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    const QString userDirs = config + QStringLiteral("/user-dirs.dirs");

    QVERIFY(writeFile(userDirs, "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_DOCUMENTS_DIR=\"$HOME/Papers/\"\n"));
    QCOMPARE(QString::fromStdString(GetNydDir(NydDesktopDir)), home + QStringLiteral("/Schreibtisch"));
    QCOMPARE(QString::fromStdString(GetNydDir(NydDocumentsDir)), home + QStringLiteral("/Papers"));

    // Someone renames the folders while the panel runs.
    QVERIFY(writeFile(userDirs, "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"));
    QCOMPARE(QString::fromStdString(GetNydDir(NydDesktopDir)), home + QStringLiteral("/Bureau"));
    QCOMPARE(QString::fromStdString(GetNydDir(NydDocumentsDir)), home + QStringLiteral("/Documents"));
}

void NydDesktopTest::directoriesFollowHome()
{
    const QString first = scratchPath(QStringLiteral("first"));
    const QString second = scratchPath(QStringLiteral("second"));
    QVERIFY(QDir().mkpath(first));
    QVERIFY(QDir().mkpath(second + QStringLiteral("/.config")));
    QVERIFY(writeFile(second + QStringLiteral("/.config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Arbeitsfläche\"\n"));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");

    qputenv("HOME", QFile::encodeName(first));
    const std::string &config = GetNydDir(NydConfigDir);
    const std::string &taskbar = GetNydDir(NydTaskbarLaunchersDir);
    const std::string &desktop = GetNydDir(NydDesktopDir);
    QCOMPARE(QString::fromStdString(config), first + QStringLiteral("/.nyd"));
    QCOMPARE(QString::fromStdString(taskbar), first + QStringLiteral("/.local/share/nyd/taskbar"));
    QCOMPARE(QString::fromStdString(desktop), first + QStringLiteral("/Desktop"));

    qputenv("HOME", QFile::encodeName(second));
    // The earlier references are the same strings, now holding the new values.
    QCOMPARE(&GetNydDir(NydConfigDir), &config);
    QCOMPARE(&GetNydDir(NydTaskbarLaunchersDir), &taskbar);
    QCOMPARE(&GetNydDir(NydDesktopDir), &desktop);
    QCOMPARE(QString::fromStdString(config), second + QStringLiteral("/.nyd"));
    QCOMPARE(QString::fromStdString(taskbar), second + QStringLiteral("/.local/share/nyd/taskbar"));
    QCOMPARE(QString::fromStdString(desktop), second + QStringLiteral("/Arbeitsfläche"));

    // Each selector keeps its own string.
    QVERIFY(&config != &taskbar && &config != &GetNydDir(NydThemeDir));
}

void NydDesktopTest::textColorFor_data()
{
    QTest::addColumn<QString>("background");
    QTest::addColumn<QString>("expected");

    QTest::newRow("white") << QStringLiteral("#ffffff") << QStringLiteral("#000000");
    QTest::newRow("black") << QStringLiteral("#000000") << QStringLiteral("#ffffff");
    QTest::newRow("mid grey") << QStringLiteral("#808080") << QStringLiteral("#000000");
    // Contrast with black and with white cross between these two greys.
    QTest::newRow("darkest grey for black text") << QStringLiteral("#767676") << QStringLiteral("#000000");
    QTest::newRow("lightest grey for white text") << QStringLiteral("#757575") << QStringLiteral("#ffffff");
    QTest::newRow("red") << QStringLiteral("#ff0000") << QStringLiteral("#000000");
    QTest::newRow("green") << QStringLiteral("#00ff00") << QStringLiteral("#000000");
    QTest::newRow("blue") << QStringLiteral("#0000ff") << QStringLiteral("#ffffff");
    QTest::newRow("yellow") << QStringLiteral("#ffff00") << QStringLiteral("#000000");
    QTest::newRow("purple") << QStringLiteral("#800080") << QStringLiteral("#ffffff");
    QTest::newRow("dark red") << QStringLiteral("#c00000") << QStringLiteral("#ffffff");
    QTest::newRow("selection blue") << QStringLiteral("#3daee9") << QStringLiteral("#000000");
    QTest::newRow("empty") << QString() << QStringLiteral("#000000");
    QTest::newRow("not a colour") << QStringLiteral("nonsense") << QStringLiteral("#000000");
    QTest::newRow("too short") << QStringLiteral("#12345") << QStringLiteral("#000000");
}

void NydDesktopTest::textColorFor()
{
    QFETCH(QString, background);
    QFETCH(QString, expected);

    QCOMPARE(QString::fromStdString(::textColorFor(background.toStdString())), expected);
}

void NydDesktopTest::createShadeColor_data()
{
    QTest::addColumn<QString>("color");
    QTest::addColumn<double>("factor");
    QTest::addColumn<QString>("expected");

    QTest::newRow("lighten a quarter") << QStringLiteral("#204060") << 0.25 << QStringLiteral("#587088");
    QTest::newRow("lighten fully") << QStringLiteral("#204060") << 1.0 << QStringLiteral("#ffffff");
    QTest::newRow("lighten beyond fully") << QStringLiteral("#204060") << 2.5 << QStringLiteral("#ffffff");
    QTest::newRow("darken half") << QStringLiteral("#204060") << -0.5 << QStringLiteral("#102030");
    QTest::newRow("darken a quarter") << QStringLiteral("#c08040") << -0.25 << QStringLiteral("#906030");
    QTest::newRow("darken fully") << QStringLiteral("#c08040") << -1.0 << QStringLiteral("#000000");
    QTest::newRow("darken beyond fully") << QStringLiteral("#c08040") << -3.0 << QStringLiteral("#000000");
    QTest::newRow("no change") << QStringLiteral("#c08040") << 0.0 << QStringLiteral("#c08040");
    QTest::newRow("upper case comes back lower case") << QStringLiteral("#C08040") << 0.0 << QStringLiteral("#c08040");
    QTest::newRow("white cannot lighten") << QStringLiteral("#ffffff") << 0.4 << QStringLiteral("#ffffff");
    QTest::newRow("white darkens") << QStringLiteral("#ffffff") << -0.2 << QStringLiteral("#cccccc");
    QTest::newRow("black cannot darken") << QStringLiteral("#000000") << -0.4 << QStringLiteral("#000000");
    QTest::newRow("black lightens") << QStringLiteral("#000000") << 0.2 << QStringLiteral("#333333");
    QTest::newRow("invalid") << QStringLiteral("not a colour") << 0.3 << QStringLiteral("not a colour");
    QTest::newRow("empty") << QString() << -0.3 << QString();
}

void NydDesktopTest::createShadeColor()
{
    QFETCH(QString, color);
    QFETCH(double, factor);
    QFETCH(QString, expected);

    QCOMPARE(QString::fromStdString(CreateShadeColor(color.toStdString(), factor)), expected);
}

void NydDesktopTest::primaryDarkColor_data()
{
    QTest::addColumn<QString>("color");

    QTest::newRow("red") << QStringLiteral("#ff0000");
    QTest::newRow("selection blue") << QStringLiteral("#3daee9");
    QTest::newRow("muted blue") << QStringLiteral("#336699");
    QTest::newRow("pale yellow") << QStringLiteral("#f0e8a0");
    QTest::newRow("grey") << QStringLiteral("#808080");
    QTest::newRow("white") << QStringLiteral("#ffffff");
}

void NydDesktopTest::primaryDarkColor()
{
    QFETCH(QString, color);
    const QColor base(color);
    const QString strong = QString::fromStdString(GetPrimaryDarkColor(color.toStdString(), true));
    const QString gentle = QString::fromStdString(GetPrimaryDarkColor(color.toStdString(), false));

    const QRegularExpression colorName(QStringLiteral("^#[0-9a-f]{6}$"));
    QVERIFY2(colorName.match(strong).hasMatch(), qPrintable(strong));
    QVERIFY2(colorName.match(gentle).hasMatch(), qPrintable(gentle));

    const QColor strongColor(strong);
    const QColor gentleColor(gentle);
    QVERIFY(strongColor.lightnessF() < gentleColor.lightnessF());
    QVERIFY(gentleColor.lightnessF() < base.lightnessF());
    // Darker, not another colour.
    for (const QColor &dark : {strongColor, gentleColor}) {
        if (base.hslHue() < 0) {
            QCOMPARE(dark.hslHue(), -1);
        } else {
            QVERIFY2(qAbs(dark.hslHue() - base.hslHue()) <= 2, qPrintable(dark.name()));
        }
    }
}

void NydDesktopTest::primaryDarkColorUnchanged_data()
{
    QTest::addColumn<QString>("color");

    QTest::newRow("black") << QStringLiteral("#000000");
    QTest::newRow("invalid") << QStringLiteral("not a colour");
    QTest::newRow("empty") << QString();
}

void NydDesktopTest::primaryDarkColorUnchanged()
{
    QFETCH(QString, color);

    QCOMPARE(QString::fromStdString(GetPrimaryDarkColor(color.toStdString(), true)), color);
    QCOMPARE(QString::fromStdString(GetPrimaryDarkColor(color.toStdString(), false)), color);
}

void NydDesktopTest::initMakesSettingsUsable()
{
    QCOMPARE(QSettings().status(), QSettings::AccessError);

    nydInit("2.5.1", "Nyd desktop test\nA longer text that is no title");
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("2.5.1"));
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("nyd"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("nyddesktoptest"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Nyd desktop test"));

    const QString expectedFile = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("nyd/nyddesktoptest.conf"));
    {
        QSettings settings;
        settings.setValue(QStringLiteral("probe"), 42);
        settings.sync();
        QCOMPARE(settings.status(), QSettings::NoError);
        QCOMPARE(settings.fileName(), expectedFile);
    }
    QVERIFY(readFile(expectedFile).contains("probe=42"));

    // Null pointers leave what the first call set.
    nydInit(nullptr, nullptr);
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("2.5.1"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Nyd desktop test"));
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("nyd"));
}

void NydDesktopTest::helpShowStartsViewer()
{
    const QString bin = scratchPath(QStringLiteral("bin"));
    const QString out = scratchPath(QStringLiteral("viewer-arguments"));
    const QString gate = scratchPath(QStringLiteral("viewer-gate"));
    QVERIFY(QDir().mkpath(bin));
    QCOMPARE(::mkfifo(QFile::encodeName(gate).constData(), 0600), 0);
    QVERIFY(writeFakeHelpViewer(bin, out, gate));
    qputenv("PATH", QFile::encodeName(bin) + ':' + m_savedEnvironment.value("PATH"));

    // The viewer waits at the gate, so this returns only if nobody waits for the viewer.
    nydHelpShow(QStringLiteral("kcm_nydsearch"));

    int gateFd = -1;
    const auto openGate = [&gateFd, &gate] {
        if (gateFd < 0) {
            gateFd = ::open(QFile::encodeName(gate).constData(), O_WRONLY | O_NONBLOCK);
        }
        return gateFd >= 0;
    };
    QTRY_VERIFY(openGate());
    QCOMPARE(::write(gateFd, "\n", 1), ssize_t(1));
    ::close(gateFd);

    QTRY_COMPARE(readFile(out), QByteArrayLiteral("help:/kcm_nydsearch\n"));
    QVERIFY(m_helpUrls.isEmpty());
}

void NydDesktopTest::helpShowFallsBackToUrl()
{
    const QString emptyBin = scratchPath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(emptyBin));
    qputenv("PATH", QFile::encodeName(emptyBin));
    QDesktopServices::setUrlHandler(QStringLiteral("help"), this, "handleHelpUrl");

    nydHelpShow(QStringLiteral("kcm_nydsearch"));

    QTRY_COMPARE(m_helpUrls, QList<QUrl>{QUrl(QStringLiteral("help:/kcm_nydsearch"))});
}

void NydDesktopTest::helpShowWithoutApplication_data()
{
    QTest::addColumn<bool>("viewerInstalled");

    QTest::newRow("viewer on PATH") << true;
    QTest::newRow("no viewer") << false;
}

void NydDesktopTest::helpShowWithoutApplication()
{
    QFETCH(bool, viewerInstalled);
    const QString bin = scratchPath(QStringLiteral("bin"));
    const QString out = scratchPath(QStringLiteral("viewer-arguments"));
    QVERIFY(QDir().mkpath(bin));
    if (viewerInstalled) {
        QVERIFY(writeFakeHelpViewer(bin, out, scratchPath(QStringLiteral("no-gate"))));
    }

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), bin);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(s_withoutApplication)});
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    // Without an application object the name still comes from the executable.
    QCOMPARE(child.readAllStandardOutput(), QByteArrayLiteral("nyddesktoptest\nnyd\n"));

    if (viewerInstalled) {
        QTRY_COMPARE(readFile(out), QByteArrayLiteral("help:/kcm_nydsearch\n"));
    }
}

void NydDesktopTest::maxMic_data()
{
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<int>("forced");
    QTest::addColumn<bool>("expected");

    QTest::newRow("plain system") << QByteArray() << -1 << false;
    QTest::newRow("variable forces") << QByteArrayLiteral("1") << -1 << true;
    QTest::newRow("variable off") << QByteArrayLiteral("0") << -1 << false;
    QTest::newRow("override forces") << QByteArray() << 1 << true;
    QTest::newRow("override beats variable") << QByteArrayLiteral("1") << 0 << false;
}

void NydDesktopTest::maxMic()
{
    QFETCH(QByteArray, variable);
    QFETCH(int, forced);
    QFETCH(bool, expected);

    if (variable.isNull()) {
        qunsetenv("NYD_TEST_MAX_MIC");
    } else {
        qputenv("NYD_TEST_MAX_MIC", variable);
    }
    setMaxMicOverrideForTesting(forced);

    QCOMPARE(MICDetect::isCurrentProcessHasMaxMIC(), expected);
}

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], s_withoutApplication) == 0) {
        nydInit("1.0", "Without an application");
        nydHelpShow(QStringLiteral("kcm_nydsearch"));
        std::printf("%s\n%s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(QCoreApplication::organizationName()));
        return 0;
    }

    QGuiApplication app(argc, argv);
    NydDesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "nyddesktoptest.moc"
