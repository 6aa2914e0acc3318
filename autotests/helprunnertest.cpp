// SPDX-License-Identifier: GPL-2.0-or-later
// KRunner's AbstractRunnerTest builds messages from char literals; it must come before any Qt header.
#undef QT_NO_CAST_FROM_ASCII
#include "helpsearchengine.h"
#include "helpsearchengine_p.h"

#include <KRunner/AbstractRunnerTest>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <algorithm>

namespace
{
QString indexPath()
{
    return QDir::homePath() + QStringLiteral("/.local/share/nydhelp/ru/.nydhelp/fts");
}
}

class HelpRunnerTest : public AbstractRunnerTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void nothingToSearch_data();
    void nothingToSearch();
    void findsPages_data();
    void findsPages();
    void matchFields_data();
    void matchFields();

private:
    void prepareCollection();
    QList<Plasma::QueryMatch> matchesFor(const QString &query);
};

void HelpRunnerTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    const QString session = qEnvironmentVariable("NYD_SESSION_DIR");
    QVERIFY2(!session.isEmpty() && QDir::homePath().startsWith(session + QLatin1Char('/')), "run inside scripts/session.sh");
    setSourceCollectionForTesting(QStringLiteral(NYD_TEST_HELP_COLLECTION));
    initProperties();
}

void HelpRunnerTest::prepareCollection()
{
    HelpSearchEngine *engine = HelpSearchEngine::instance();
    if (QFileInfo(engine->collectionFile()).isReadable() && QFileInfo(indexPath()).size() > 0) {
        return;
    }
    QSignalSpy finished(engine, &HelpSearchEngine::indexingFinished);
    engine->prepare();
    QVERIFY(finished.wait(60000));
    QVERIFY(QFileInfo(indexPath()).size() > 0);
}

QList<Plasma::QueryMatch> HelpRunnerTest::matchesFor(const QString &query)
{
    // The manager ignores a query equal to the one before.
    manager->reset();
    launchQuery(query);
    QList<Plasma::QueryMatch> matches = manager->matches();
    std::stable_sort(matches.begin(), matches.end(), [](const Plasma::QueryMatch &left, const Plasma::QueryMatch &right) {
        return left.relevance() > right.relevance();
    });
    return matches;
}

void HelpRunnerTest::nothingToSearch_data()
{
    QTest::addColumn<bool>("removeCollection");
    QTest::addColumn<bool>("removeIndex");
    QTest::addColumn<bool>("emptyIndex");

    QTest::newRow("no collection") << true << true << false;
    QTest::newRow("no index") << false << true << false;
    QTest::newRow("empty index") << false << false << true;
}

void HelpRunnerTest::nothingToSearch()
{
    QFETCH(bool, removeCollection);
    QFETCH(bool, removeIndex);
    QFETCH(bool, emptyIndex);

    prepareCollection();
    const QString collection = HelpSearchEngine::instance()->collectionFile();
    if (removeCollection) {
        QVERIFY(QFile::remove(collection));
    }
    if (removeIndex) {
        QVERIFY(QFile::remove(indexPath()));
    }
    if (emptyIndex) {
        QVERIFY(QFile::resize(indexPath(), 0));
    }

    QVERIFY(matchesFor(QStringLiteral("keyboard")).isEmpty());
    // Searching must not have made a collection of its own.
    QCOMPARE(QFileInfo::exists(collection), !removeCollection);
}

void HelpRunnerTest::findsPages_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("titles");

    const QString basics = QStringLiteral("Panel basics");
    const QString shortcuts = QStringLiteral("Keyboard shortcuts");
    const QString indexing = QStringLiteral("Indexing files");
    const QString pages = QStringLiteral("Справочные страницы");

    QTest::newRow("title word") << QStringLiteral("keyboard") << QStringList{shortcuts};
    QTest::newRow("text only") << QStringLiteral("marmalade") << QStringList{shortcuts};
    QTest::newRow("start of a word") << QStringLiteral("zeppel") << QStringList{indexing};
    QTest::newRow("title above text") << QStringLiteral("indexing") << QStringList{indexing, basics};
    QTest::newRow("every word") << QStringLiteral("periwinkle taskbar") << QStringList{basics};
    QTest::newRow("words on different pages") << QStringLiteral("periwinkle zeppelin") << QStringList{};
    QTest::newRow("cyrillic") << QStringLiteral("самовар") << QStringList{pages};
    QTest::newRow("cyrillic, other case, start") << QStringLiteral("САМОВ") << QStringList{pages};
    QTest::newRow("query syntax is text") << QStringLiteral("marmalade\" OR \"zeppelin") << QStringList{};
    QTest::newRow("unknown") << QStringLiteral("xylophone") << QStringList{};
}

void HelpRunnerTest::findsPages()
{
    QFETCH(QString, query);
    QFETCH(QStringList, titles);

    prepareCollection();
    QStringList found;
    const QList<Plasma::QueryMatch> matches = matchesFor(query);
    for (const Plasma::QueryMatch &match : matches) {
        found << match.text();
    }
    QCOMPARE(found, titles);
}

void HelpRunnerTest::matchFields_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("excerpt");

    QTest::newRow("in the text: around the word") << QStringLiteral("marmalade") << QStringLiteral("Keyboard shortcuts") << QStringLiteral("shortcuts.html")
                                                  << QStringLiteral("Holding the marmalade modifier");
    QTest::newRow("in the title: start of the text") << QStringLiteral("keyboard") << QStringLiteral("Keyboard shortcuts") << QStringLiteral("shortcuts.html")
                                                     << QStringLiteral("Press Escape to hide the panel.");
    QTest::newRow("cyrillic") << QStringLiteral("самовар") << QStringLiteral("Справочные страницы") << QStringLiteral("pages.html")
                              << QStringLiteral("рассказано про самовар");
}

void HelpRunnerTest::matchFields()
{
    QFETCH(QString, query);
    QFETCH(QString, title);
    QFETCH(QString, page);
    QFETCH(QString, excerpt);

    prepareCollection();
    const QList<Plasma::QueryMatch> matches = matchesFor(query);
    QCOMPARE(matches.size(), 1);
    const Plasma::QueryMatch &match = matches.constFirst();

    QCOMPARE(match.matchCategory(), QStringLiteral("Help"));
    QCOMPARE(match.text(), title);
    QCOMPARE(match.data().toUrl(), QUrl(QStringLiteral("qthelp://org.nyd.help.ru/nydhelp/") + page));
    QVERIFY(!match.iconName().isEmpty());

    // Short plain text, never the title again.
    const QString subtext = match.subtext();
    QVERIFY2(subtext.contains(excerpt), qPrintable(subtext));
    QVERIFY2(!subtext.contains(title), qPrintable(subtext));
    QVERIFY2(!subtext.contains(QLatin1Char('<')) && !subtext.contains(QLatin1Char('>')), qPrintable(subtext));
    QVERIFY2(subtext.size() <= 160, qPrintable(subtext));
}

QTEST_MAIN(HelpRunnerTest)

#include "helprunnertest.moc"
