// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandserver.h"
#include "deriveshades.h"
#include "nydintegration.h"
#include "ryxhelper_p.h"
#include "themefiles.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

namespace
{
using ColorMap = QMap<QString, QString>;

void writeVariables(const QString &path, const QByteArray &variables)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Variables]\n" + variables);
}

QString shade(const QString &color, double factor)
{
    return QString::fromStdString(CreateShadeColor(color.toStdString(), factor));
}

QString textFor(const QString &color)
{
    return QString::fromStdString(textColorFor(color.toStdString()));
}
}

class ReadThemeColorsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void deriveShadesCornerColors_data();
    void deriveShadesCornerColors();
    void missingFilesReadAsTrue();
    void themeKeysAndReferences();
    void qtPrimaryTakesTheStyleColor();
    void highestAccessLevelUsesPrivilegedPrimary();
    void sudoUserHomeComesFirst();
    void filesAreLocatedOncePerProcess();

private:
    QString themeFile() const;
    QString paletteFile() const;
    void installFakeRyxId(int level);

    QString m_home;
    QTemporaryDir m_bin;
};

void ReadThemeColorsTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_home = QDir::homePath();
    QVERIFY(m_bin.isValid());
    qputenv("PATH", m_bin.path().toUtf8() + ':' + qgetenv("PATH"));
    qunsetenv("SUDO_USER");
}

void ReadThemeColorsTest::init()
{
    setMaxMicOverrideForTesting(0);
    QFile::remove(themeFile());
    QFile::remove(paletteFile());
}

void ReadThemeColorsTest::cleanup()
{
    setMaxMicOverrideForTesting(-1);
    QFile::remove(m_bin.filePath(QStringLiteral("ryx-id")));
}

QString ReadThemeColorsTest::themeFile() const
{
    return m_home + QStringLiteral("/.nyd/theme/current.themerc");
}

QString ReadThemeColorsTest::paletteFile() const
{
    return m_home + QStringLiteral("/.nyd/paletterc");
}

void ReadThemeColorsTest::installFakeRyxId(int level)
{
    QFile script(m_bin.filePath(QStringLiteral("ryx-id")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n[ \"$1\" = -i ] && echo " + QByteArray::number(level) + "\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}

void ReadThemeColorsTest::deriveShadesCornerColors_data()
{
    QTest::addColumn<QString>("primary");
    QTest::addColumn<QString>("light");
    QTest::addColumn<QString>("dark");

    const QString blue = QStringLiteral("#336699");
    QTest::newRow("ordinary") << blue << shade(blue, 0.333) << QString::fromStdString(GetPrimaryDarkColor(blue.toStdString(), true));
    // White cannot be lightened: both shades go darker.
    QTest::newRow("white") << QStringLiteral("#ffffff") << shade(QStringLiteral("#ffffff"), -0.125) << shade(QStringLiteral("#ffffff"), -0.25);
    // Black cannot be darkened: the "dark" one goes lighter.
    QTest::newRow("black") << QStringLiteral("#000000") << shade(QStringLiteral("#000000"), 0.333) << shade(QStringLiteral("#000000"), 0.166);
}

void ReadThemeColorsTest::deriveShadesCornerColors()
{
    QFETCH(QString, primary);
    QFETCH(QString, light);
    QFETCH(QString, dark);

    std::string lightShade;
    std::string darkShade;
    deriveShades(primary.toStdString(), &lightShade, &darkShade);
    QCOMPARE(QString::fromStdString(lightShade), light);
    QCOMPARE(QString::fromStdString(darkShade), dark);
    QVERIFY(light != dark);

    // Either output may be left out.
    std::string only;
    deriveShades(primary.toStdString(), nullptr, &only);
    QCOMPARE(QString::fromStdString(only), dark);
    deriveShades(primary.toStdString(), &only, nullptr);
    QCOMPARE(QString::fromStdString(only), light);
}

void ReadThemeColorsTest::missingFilesReadAsTrue()
{
    const ColorMap colors = CommandServer::readThemeColors();
    QCOMPARE(colors.keys(),
             QStringList(
                 {QStringLiteral("MenuActiveColor"), QStringLiteral("MenuColor"), QStringLiteral("MenuStringActiveColor"), QStringLiteral("MenuStringColor")}));
    for (const QString &value : colors) {
        QCOMPARE(value, QStringLiteral("true"));
    }
}

void ReadThemeColorsTest::themeKeysAndReferences()
{
    const QString primary = QStringLiteral("#2a7ab0");
    writeVariables(paletteFile(), "PrimaryColor=" + primary.toLatin1() + "\n");
    writeVariables(themeFile(),
                   "MenuColor=#fafafa\n"
                   "MenuActiveColor=PrimaryLightColor\n"
                   "MenuStringActiveColor=PrimaryDarkTextColor\n"
                   "MenuStringColor=PrimaryColor\n");

    std::string light;
    std::string dark;
    deriveShades(primary.toStdString(), &light, &dark);

    const ColorMap colors = CommandServer::readThemeColors();
    QCOMPARE(colors.value(QStringLiteral("MenuColor")), QStringLiteral("#fafafa"));
    QCOMPARE(colors.value(QStringLiteral("MenuActiveColor")), QString::fromStdString(light));
    QCOMPARE(colors.value(QStringLiteral("MenuStringActiveColor")), textFor(QString::fromStdString(dark)));
    // The primary colour itself is no reference.
    QCOMPARE(colors.value(QStringLiteral("MenuStringColor")), QStringLiteral("PrimaryColor"));

    // A key left out still reads as true while the others resolve.
    writeVariables(themeFile(), "MenuColor=PrimaryDarkColor\n");
    const ColorMap partial = CommandServer::readThemeColors();
    QCOMPARE(partial.value(QStringLiteral("MenuColor")), QString::fromStdString(dark));
    QCOMPARE(partial.value(QStringLiteral("MenuActiveColor")), QStringLiteral("true"));
}

void ReadThemeColorsTest::qtPrimaryTakesTheStyleColor()
{
    const QString styleWindow = QApplication::style()->standardPalette().color(QPalette::Window).name();
    std::string light;
    deriveShades(styleWindow.toStdString(), &light, nullptr);

    writeVariables(themeFile(), "MenuColor=PrimaryLightColor\n");
    writeVariables(paletteFile(), "PrimaryColor=qt\n");
    QCOMPARE(CommandServer::readThemeColors().value(QStringLiteral("MenuColor")), QString::fromStdString(light));

    // Not even the highest access level replaces it.
    setMaxMicOverrideForTesting(1);
    installFakeRyxId(3);
    QCOMPARE(CommandServer::readThemeColors().value(QStringLiteral("MenuColor")), QString::fromStdString(light));

    // The check is case-sensitive: "QT" is just a colour name that names nothing.
    setMaxMicOverrideForTesting(0);
    writeVariables(paletteFile(), "PrimaryColor=QT\n\n");
    QVERIFY(CommandServer::readThemeColors().value(QStringLiteral("MenuColor")) != QString::fromStdString(light));
}

void ReadThemeColorsTest::highestAccessLevelUsesPrivilegedPrimary()
{
    writeVariables(themeFile(), "MenuColor=PrimaryLightColor\nMenuActiveColor=PrimaryDarkColor\n");
    writeVariables(paletteFile(), "PrimaryColor=#2a7ab0\n");

    std::string light;
    std::string dark;
    deriveShades("#880000", &light, &dark);

    setMaxMicOverrideForTesting(1);
    installFakeRyxId(63);
    ColorMap colors = CommandServer::readThemeColors();
    QCOMPARE(colors.value(QStringLiteral("MenuColor")), QString::fromStdString(light));
    QCOMPARE(colors.value(QStringLiteral("MenuActiveColor")), QString::fromStdString(dark));

    // Level 0 from the tool is no privilege, whatever the library says.
    installFakeRyxId(0);
    colors = CommandServer::readThemeColors();
    QVERIFY(colors.value(QStringLiteral("MenuColor")) != QString::fromStdString(light));
}

void ReadThemeColorsTest::sudoUserHomeComesFirst()
{
    const passwd *self = getpwuid(getuid());
    QVERIFY(self);
    const QString realHome = QDir(QString::fromUtf8(self->pw_dir)).canonicalPath();
    QVERIFY2(realHome != QDir(m_home).canonicalPath(), "the test needs a scratch HOME");

    qputenv("SUDO_USER", self->pw_name);
    const ThemeFiles files = locateThemeFiles();
    qunsetenv("SUDO_USER");
    QCOMPARE(files.themeFile, realHome + QStringLiteral("/.nyd/theme/current.themerc"));
    QCOMPARE(files.paletteFile, realHome + QStringLiteral("/.nyd/paletterc"));

    const ThemeFiles own = locateThemeFiles();
    QCOMPARE(own.themeFile, m_home + QStringLiteral("/.nyd/theme/current.themerc"));
    QCOMPARE(own.paletteFile, m_home + QStringLiteral("/.nyd/paletterc"));
}

void ReadThemeColorsTest::filesAreLocatedOncePerProcess()
{
    writeVariables(themeFile(), "MenuColor=#123456\n");
    QCOMPARE(CommandServer::readThemeColors().value(QStringLiteral("MenuColor")), QStringLiteral("#123456"));

    QTemporaryDir otherHome;
    writeVariables(otherHome.filePath(QStringLiteral(".nyd/theme/current.themerc")), "MenuColor=#654321\n");
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", otherHome.path().toUtf8());
    const QString color = CommandServer::readThemeColors().value(QStringLiteral("MenuColor"));
    qputenv("HOME", home);
    QCOMPARE(color, QStringLiteral("#123456"));
}

QTEST_MAIN(ReadThemeColorsTest)
#include "readthemecolorstest.moc"
