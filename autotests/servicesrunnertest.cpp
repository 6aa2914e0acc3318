// SPDX-License-Identifier: GPL-2.0-or-later
// KRunner's AbstractRunnerTest builds messages from char literals; it must come before any Qt header.
#undef QT_NO_CAST_FROM_ASCII
#include <KRunner/AbstractRunnerTest>
#include <KShell>

#include "desktopcommand.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <algorithm>

namespace
{
struct Entry {
    const char *fileName;
    const char *contents;
};

// Invented applications; no real one matches "fennimore".
const Entry s_entries[] = {
    {"fennimore.desktop", "Name=Fennimore\nGenericName=Map Maker\nComment=Draws fennimore maps\nIcon=fennimore-icon\nExec=fennimore --new-window %U\n"},
    {"fennimore-studio.desktop",
     "Name=Fennimore Studio\nGenericName=Sound Studio\nIcon=fennimore-studio\nExec=\"/opt/Fennimore Tools/bin/studio\" --profile \"my work\" %F\n"},
    {"old-fennimore.desktop", "Name=Old Fennimore Viewer\nIcon=old-fennimore\nExec=ofv %i %c %k\n"},
    {"bigfennimore.desktop", "Name=Bigfennimore\nIcon=bigfennimore\nExec=sh -c \"echo 100%% done\" %f\n"},
    {"paperweight.desktop", "Name=Paperweight\nKeywords=fennimore;weights;\nIcon=paperweight\nExec=paperweight\n"},
    {"lantern.desktop", "Name=Lantern\nIcon=lantern\nExec=/usr/libexec/fennimored --quiet --file=%f\n"},
    {"fennimore-hidden.desktop", "Name=Fennimore Hidden\nHidden=true\nExec=fennimore-hidden\n"},
    {"fennimore-secret.desktop", "Name=Fennimore Secret\nNoDisplay=true\nExec=fennimore-secret\n"},
};
}

class ServicesRunnerTest : public AbstractRunnerTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void findsApplications_data();
    void findsApplications();
    void ranking_data();
    void ranking();
    void matchFields_data();
    void matchFields();
    void command_data();
    void command();

private:
    QList<Plasma::QueryMatch> ownMatches(const QString &query);
    Plasma::QueryMatch ownMatch(const QString &query, const QString &text);

    QString m_applications;
};

void ServicesRunnerTest::initTestCase()
{
    // kbuildsycoca5 gets test mode as well, so both look at the same scratch folders.
    QStandardPaths::setTestModeEnabled(true);
    initProperties();

    m_applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    QVERIFY(QDir(m_applications).removeRecursively());
    QVERIFY(QDir().mkpath(m_applications));
    for (const Entry &entry : s_entries) {
        QFile file(m_applications + QLatin1Char('/') + QLatin1String(entry.fileName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\n");
        file.write(entry.contents);
    }

    QProcess sycoca;
    sycoca.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sycoca.start(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--testmode"), QStringLiteral("--noincremental")});
    QVERIFY(sycoca.waitForFinished(120000));
    QCOMPARE(sycoca.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sycoca.exitCode(), 0);
}

QList<Plasma::QueryMatch> ServicesRunnerTest::ownMatches(const QString &query)
{
    // The manager ignores a query equal to the one before.
    manager->reset();
    launchQuery(query);
    // The system's own applications may match too; only ours are known.
    QList<Plasma::QueryMatch> matches = manager->matches();
    matches.erase(std::remove_if(matches.begin(),
                                 matches.end(),
                                 [this](const Plasma::QueryMatch &match) {
                                     return !match.data().toUrl().toLocalFile().startsWith(m_applications + QLatin1Char('/'));
                                 }),
                  matches.end());
    return matches;
}

Plasma::QueryMatch ServicesRunnerTest::ownMatch(const QString &query, const QString &text)
{
    const QList<Plasma::QueryMatch> matches = ownMatches(query);
    for (const Plasma::QueryMatch &match : matches) {
        if (match.text() == text) {
            return match;
        }
    }
    return Plasma::QueryMatch(nullptr);
}

void ServicesRunnerTest::findsApplications_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("names");

    const QStringList everyVisible = {QStringLiteral("Bigfennimore"),
                                      QStringLiteral("Fennimore"),
                                      QStringLiteral("Fennimore Studio"),
                                      QStringLiteral("Lantern"),
                                      QStringLiteral("Old Fennimore Viewer"),
                                      QStringLiteral("Paperweight")};
    QTest::newRow("name, keyword, executable") << QStringLiteral("fennimore") << everyVisible;
    QTest::newRow("other case, start of name") << QStringLiteral("FENNIM") << everyVisible;
    QTest::newRow("surrounding spaces") << QStringLiteral("  fennimore ") << everyVisible;
    QTest::newRow("generic name") << QStringLiteral("map maker") << QStringList{QStringLiteral("Fennimore")};
    QTest::newRow("keyword") << QStringLiteral("weights") << QStringList{QStringLiteral("Paperweight")};
    QTest::newRow("executable") << QStringLiteral("fennimored") << QStringList{QStringLiteral("Lantern")};
    QTest::newRow("one letter: starts of names only") << QStringLiteral(
        "f") << QStringList{QStringLiteral("Fennimore"), QStringLiteral("Fennimore Studio"), QStringLiteral("Old Fennimore Viewer")};
    QTest::newRow("hidden") << QStringLiteral("fennimore hidden") << QStringList{};
    QTest::newRow("no display") << QStringLiteral("fennimore secret") << QStringList{};
    QTest::newRow("comment is not searched") << QStringLiteral("draws") << QStringList{};
}

void ServicesRunnerTest::findsApplications()
{
    QFETCH(QString, query);
    QFETCH(QStringList, names);

    QStringList found;
    const QList<Plasma::QueryMatch> matches = ownMatches(query);
    for (const Plasma::QueryMatch &match : matches) {
        found << match.text();
    }
    found.sort();
    QCOMPARE(found, names);
}

void ServicesRunnerTest::ranking_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("higher");
    QTest::addColumn<QString>("lower");

    const QString term = QStringLiteral("fennimore");
    QTest::newRow("whole name over start") << term << QStringLiteral("Fennimore") << QStringLiteral("Fennimore Studio");
    QTest::newRow("start over inside") << term << QStringLiteral("Fennimore Studio") << QStringLiteral("Bigfennimore");
    QTest::newRow("word over inside") << term << QStringLiteral("Old Fennimore Viewer") << QStringLiteral("Bigfennimore");
    QTest::newRow("start over later word") << term << QStringLiteral("Fennimore Studio") << QStringLiteral("Old Fennimore Viewer");
    QTest::newRow("name over keyword") << term << QStringLiteral("Fennimore Studio") << QStringLiteral("Paperweight");
    QTest::newRow("name over executable") << term << QStringLiteral("Fennimore Studio") << QStringLiteral("Lantern");
    QTest::newRow("more of the name typed") << QStringLiteral("fenn") << QStringLiteral("Fennimore") << QStringLiteral("Fennimore Studio");
}

void ServicesRunnerTest::ranking()
{
    QFETCH(QString, query);
    QFETCH(QString, higher);
    QFETCH(QString, lower);

    const Plasma::QueryMatch first = ownMatch(query, higher);
    const Plasma::QueryMatch second = ownMatch(query, lower);
    QVERIFY(first.isValid());
    QVERIFY(second.isValid());
    QVERIFY2(first.relevance() > second.relevance(), qPrintable(QStringLiteral("%1 <= %2").arg(first.relevance()).arg(second.relevance())));
}

void ServicesRunnerTest::matchFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("subtext");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("type");

    QTest::newRow("whole name, comment") << QStringLiteral("Fennimore") << QStringLiteral("Draws fennimore maps") << QStringLiteral("fennimore-icon")
                                         << QStringLiteral("fennimore.desktop") << int(Plasma::QueryMatch::ExactMatch);
    QTest::newRow("start, no comment") << QStringLiteral("Fennimore Studio") << QStringLiteral("Sound Studio") << QStringLiteral("fennimore-studio")
                                       << QStringLiteral("fennimore-studio.desktop") << int(Plasma::QueryMatch::PossibleMatch);
    QTest::newRow("keyword, nothing to describe it") << QStringLiteral("Paperweight") << QString() << QStringLiteral("paperweight")
                                                     << QStringLiteral("paperweight.desktop") << int(Plasma::QueryMatch::PossibleMatch);
}

void ServicesRunnerTest::matchFields()
{
    QFETCH(QString, text);
    QFETCH(QString, subtext);
    QFETCH(QString, icon);
    QFETCH(QString, fileName);
    QFETCH(int, type);

    const Plasma::QueryMatch match = ownMatch(QStringLiteral("fennimore"), text);
    QVERIFY(match.isValid());
    QCOMPARE(match.matchCategory(), QStringLiteral("Applications"));
    QCOMPARE(match.subtext(), subtext);
    QCOMPARE(match.iconName(), icon);
    QCOMPARE(match.data().toUrl(), QUrl::fromLocalFile(m_applications + QLatin1Char('/') + fileName));
    QCOMPARE(int(match.type()), type);
}

void ServicesRunnerTest::command_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("URL list") << QStringLiteral("Fennimore") << QStringList{QStringLiteral("fennimore"), QStringLiteral("--new-window")};
    QTest::newRow("quoted arguments") << QStringLiteral("Fennimore Studio")
                                      << QStringList{QStringLiteral("/opt/Fennimore Tools/bin/studio"), QStringLiteral("--profile"), QStringLiteral("my work")};
    QTest::newRow("icon, caption, file") << QStringLiteral("Old Fennimore Viewer") << QStringList{QStringLiteral("ofv")};
    QTest::newRow("literal percent") << QStringLiteral("Bigfennimore")
                                     << QStringList{QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo 100% done")};
    QTest::newRow("code inside an argument") << QStringLiteral("Lantern")
                                             << QStringList{QStringLiteral("/usr/libexec/fennimored"), QStringLiteral("--quiet"), QStringLiteral("--file=")};
}

void ServicesRunnerTest::command()
{
    QFETCH(QString, text);
    QFETCH(QStringList, arguments);

    const Plasma::QueryMatch match = ownMatch(QStringLiteral("fennimore"), text);
    QVERIFY(match.isValid());
    // The command is handed to a shell as it is.
    KShell::Errors error = KShell::NoError;
    QCOMPARE(KShell::splitArgs(desktopEntryCommand(match.data().toUrl().toLocalFile()), KShell::AbortOnMeta, &error), arguments);
    QCOMPARE(error, KShell::NoError);
}

QTEST_MAIN(ServicesRunnerTest)

#include "servicesrunnertest.moc"
