// SPDX-License-Identifier: GPL-2.0-or-later
#include "nydcore.h"
#include "nydintegration.h"
#include "ryxhelper.h"
#include "ryxhelper_p.h"
#include "testhelpers.h"

#include <QColor>
#include <QDesktopServices>
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
    void initTestCase()
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

    void init()
    {
        m_scratch.reset(new QTemporaryDir(qEnvironmentVariable("NYD_SESSION_DIR") + QStringLiteral("/nyddesktoptest-XXXXXX")));
        QVERIFY(m_scratch->isValid());
        m_helpUrls.clear();
    }

    void cleanup()
    {
        for (const QByteArray &name : s_environmentNames) {
            m_savedEnvironment.contains(name) ? qputenv(name.constData(), m_savedEnvironment.value(name)) : qunsetenv(name.constData());
        }
        setMaxMicOverrideForTesting(-1);
        QDesktopServices::unsetUrlHandler(QStringLiteral("help"));
        m_scratch.reset();
    }

    void directories_data()
    {
        QTest::addColumn<NydDir>("which");
        QTest::addColumn<QString>("expected");

        QTest::newRow("config") << NydConfigDir << QStringLiteral("@HOME@/.nyd");
        QTest::newRow("theme") << NydThemeDir << QStringLiteral("@HOME@/.nyd/theme");
        QTest::newRow("desktop") << NydDesktopDir << QStringLiteral("@HOME@/Desktop");
        QTest::newRow("documents") << NydDocumentsDir << QStringLiteral("@HOME@/Documents");
        QTest::newRow("taskbar launchers") << NydTaskbarLaunchersDir << QStringLiteral("@DATA@/nyd/taskbar");
        QTest::newRow("home") << NydHomeDir << QStringLiteral("@HOME@");
        QTest::newRow("unknown") << static_cast<NydDir>(5) << QString();
    }

    void directories()
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
        QCOMPARE(QString::fromStdString(GetNydDir(which)), expected.replace(QLatin1String("@HOME@"), home).replace(QLatin1String("@DATA@"), data));
    }

    void directoriesFollowChanges()
    {
        const QString first = scratchPath(QStringLiteral("first"));
        const QString second = scratchPath(QStringLiteral("second"));
        QVERIFY(QDir().mkpath(first));
        QVERIFY(TestHelpers::writeFile(second + QStringLiteral("/.config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Arbeitsfläche\"\n"));
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
        qputenv("HOME", QFile::encodeName(first));
        const std::string &config = GetNydDir(NydConfigDir);
        const std::string &taskbar = GetNydDir(NydTaskbarLaunchersDir);
        const std::string &desktop = GetNydDir(NydDesktopDir);
        QCOMPARE(QString::fromStdString(taskbar), first + QStringLiteral("/.local/share/nyd/taskbar"));

        // Someone renames the folders while the panel runs.
        const QString userDirs = first + QStringLiteral("/.config/user-dirs.dirs");
        QVERIFY(TestHelpers::writeFile(userDirs, "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_DOCUMENTS_DIR=\"$HOME/Papers/\"\n"));
        QCOMPARE(QString::fromStdString(GetNydDir(NydDesktopDir)), first + QStringLiteral("/Schreibtisch"));
        QCOMPARE(QString::fromStdString(GetNydDir(NydDocumentsDir)), first + QStringLiteral("/Papers"));
        QVERIFY(TestHelpers::writeFile(userDirs, "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"));
        QCOMPARE(QString::fromStdString(GetNydDir(NydDesktopDir)), first + QStringLiteral("/Bureau"));
        QCOMPARE(QString::fromStdString(GetNydDir(NydDocumentsDir)), first + QStringLiteral("/Documents"));

        // Another home: the earlier references are the same strings, now holding the new values.
        qputenv("HOME", QFile::encodeName(second));
        QCOMPARE(&GetNydDir(NydConfigDir), &config);
        QCOMPARE(&GetNydDir(NydTaskbarLaunchersDir), &taskbar);
        QCOMPARE(&GetNydDir(NydDesktopDir), &desktop);
        QCOMPARE(QString::fromStdString(config), second + QStringLiteral("/.nyd"));
        QCOMPARE(QString::fromStdString(taskbar), second + QStringLiteral("/.local/share/nyd/taskbar"));
        QCOMPARE(QString::fromStdString(desktop), second + QStringLiteral("/Arbeitsfläche"));
        // Each selector keeps its own string.
        QVERIFY(&config != &taskbar && &config != &GetNydDir(NydThemeDir));
    }

    void colors_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("color");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *call, const char *color, const char *expected) {
            QTest::newRow(name) << QString::fromLatin1(call) << QString::fromLatin1(color) << QString::fromLatin1(expected);
        };

        row("text on white", "text", "#ffffff", "#000000");
        // Contrast with black and with white cross between these two greys.
        row("text on the darkest grey for black", "text", "#767676", "#000000");
        row("text on the lightest grey for white", "text", "#757575", "#ffffff");
        row("text on blue", "text", "#0000ff", "#ffffff");
        row("text on no colour", "text", "nonsense", "#000000");
        row("lighten a quarter, rounded", "shade 0.25", "#204060", "#587088");
        row("lighten beyond fully", "shade 2.5", "#204060", "#ffffff");
        row("darken a quarter", "shade -0.25", "#c08040", "#906030");
        row("darken beyond fully", "shade -3", "#c08040", "#000000");
        row("no change, in lower case", "shade 0", "#C08040", "#c08040");
        row("shade of no colour", "shade 0.3", "not a colour", "not a colour");
        row("black stays dark", "dark", "#000000", "#000000");
        row("no colour stays dark", "dark", "not a colour", "not a colour");
    }

    void colors()
    {
        QFETCH(QString, call);
        QFETCH(QString, color);
        QFETCH(QString, expected);

        const std::string name = color.toStdString();
        if (call == QLatin1String("text")) {
            QCOMPARE(QString::fromStdString(textColorFor(name)), expected);
        } else if (call.startsWith(QLatin1String("shade "))) {
            QCOMPARE(QString::fromStdString(CreateShadeColor(name, call.mid(6).toDouble())), expected);
        } else {
            QCOMPARE(QString::fromStdString(GetPrimaryDarkColor(name, true)), expected);
            QCOMPARE(QString::fromStdString(GetPrimaryDarkColor(name, false)), expected);
        }
    }

    void primaryDarkColor()
    {
        // Darker, the strong one more so, and not another colour.
        for (const char *color : {"#ff0000", "#336699", "#808080"}) {
            const QColor base{QLatin1String(color)};
            const QString strong = QString::fromStdString(GetPrimaryDarkColor(color, true));
            const QString gentle = QString::fromStdString(GetPrimaryDarkColor(color, false));
            const QRegularExpression colorName(QStringLiteral("^#[0-9a-f]{6}$"));
            QVERIFY2(colorName.match(strong).hasMatch() && colorName.match(gentle).hasMatch(), qPrintable(strong + QLatin1Char(' ') + gentle));
            QVERIFY2(QColor(strong).lightnessF() < QColor(gentle).lightnessF() && QColor(gentle).lightnessF() < base.lightnessF(), color);
            for (const QColor &dark : {QColor(strong), QColor(gentle)}) {
                QVERIFY2(base.hslHue() < 0 ? dark.hslHue() == -1 : qAbs(dark.hslHue() - base.hslHue()) <= 2, qPrintable(dark.name()));
            }
        }
    }

    void initMakesSettingsUsable()
    {
        QCOMPARE(QSettings().status(), QSettings::AccessError);

        // The settings file tells the organisation and the application name.
        nydInit("2.5.1", "Nyd desktop test\nA longer text that is no title");
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("2.5.1"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Nyd desktop test"));
        QSettings settings;
        settings.setValue(QStringLiteral("probe"), 42);
        settings.sync();
        QCOMPARE(settings.status(), QSettings::NoError);
        QVERIFY(TestHelpers::readFile(QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("nyd/nyddesktoptest.conf"))).contains("probe=42"));

        // Null pointers leave what the first call set.
        nydInit(nullptr, nullptr);
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("2.5.1"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Nyd desktop test"));
    }

    void helpShow_data()
    {
        QTest::addColumn<bool>("application");
        QTest::addColumn<bool>("viewer");

        QTest::newRow("viewer started detached") << true << true;
        QTest::newRow("no viewer: the URL goes to the desktop") << true << false;
        QTest::newRow("no application object, viewer") << false << true;
        QTest::newRow("no application object, no viewer") << false << false;
    }

    void helpShow()
    {
        QFETCH(bool, application);
        QFETCH(bool, viewer);

        // The viewer waits at a gate, so the help shows only if nobody waits for the viewer.
        const QString gate = scratchPath(QStringLiteral("viewer-gate"));
        if (viewer) {
            QCOMPARE(::mkfifo(QFile::encodeName(gate).constData(), 0600), 0);
            QVERIFY(TestHelpers::writeRecorder(scratchPath(QStringLiteral("bin/khelpcenter")),
                                               scratchPath(QStringLiteral("records")),
                                               "read -r _ < '" + QFile::encodeName(gate) + '\''));
        }
        qputenv("PATH", QFile::encodeName(scratchPath(QStringLiteral("bin"))));
        if (application) {
            QDesktopServices::setUrlHandler(QStringLiteral("help"), this, "handleHelpUrl");
            nydHelpShow(QStringLiteral("kcm_nydsearch"));
        } else {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(s_withoutApplication)});
            QVERIFY(child.waitForFinished() && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
            // Without an application object the name still comes from the executable.
            QCOMPARE(child.readAllStandardOutput(), QByteArrayLiteral("nyddesktoptest\nnyd\n"));
        }
        if (viewer) {
            int gateFd = -1;
            const auto openGate = [&gateFd, &gate] {
                gateFd = gateFd >= 0 ? gateFd : ::open(QFile::encodeName(gate).constData(), O_WRONLY | O_NONBLOCK);
                return gateFd >= 0;
            };
            QTRY_VERIFY(openGate());
            QCOMPARE(::write(gateFd, "\n", 1), ssize_t(1));
            ::close(gateFd);
            QTRY_COMPARE(TestHelpers::recordedCalls(scratchPath(QStringLiteral("records"))),
                         (QList<QStringList>{{QStringLiteral("khelpcenter"), QStringLiteral("help:/kcm_nydsearch")}}));
        }
        QTRY_COMPARE(m_helpUrls, application && !viewer ? QList<QUrl>{QUrl(QStringLiteral("help:/kcm_nydsearch"))} : QList<QUrl>());
    }

    void maxMic_data()
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

    void maxMic()
    {
        QFETCH(QByteArray, variable);
        QFETCH(int, forced);
        QFETCH(bool, expected);

        variable.isNull() ? qunsetenv("NYD_TEST_MAX_MIC") : qputenv("NYD_TEST_MAX_MIC", variable);
        setMaxMicOverrideForTesting(forced);
        QCOMPARE(MICDetect::isCurrentProcessHasMaxMIC(), expected);
    }

private:
    QString scratchPath(const QString &name) const
    {
        return m_scratch->filePath(name);
    }

    QHash<QByteArray, QByteArray> m_savedEnvironment;
    QScopedPointer<QTemporaryDir> m_scratch;
    QList<QUrl> m_helpUrls;
};

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
