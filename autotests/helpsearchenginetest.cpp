// SPDX-License-Identifier: GPL-2.0-or-later
#include "helpsearchengine.h"
#include "helpsearchengine_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEngineCore>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

namespace
{
const QString s_namespace = QStringLiteral("org.nyd.help.ru");
const QString s_markerKey = QStringLiteral("nydTestMarker");

QString userFolder()
{
    return QDir::homePath() + QStringLiteral("/.local/share/nydhelp/ru");
}

QString indexPath()
{
    return userFolder() + QStringLiteral("/.nydhelp/fts");
}

// Something only this copy of the collection has, to tell a kept copy from a new one.
bool setMarker(const QString &collection)
{
    QHelpEngineCore engine(collection);
    return engine.setupData() && engine.setCustomValue(s_markerKey, true);
}

bool hasMarker(const QString &collection)
{
    QHelpEngineCore engine(collection);
    return engine.setupData() && engine.customValue(s_markerKey, false).toBool();
}
}

class HelpSearchEngineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void collectionFileNamesUserCopy();
    void firstPrepareCopiesAndIndexes();
    void secondPrepareDoesNothing();
    void missingPartRebuilds_data();
    void missingPartRebuilds();
    void missingSourceLeavesNothing();

private:
    bool isIndexing() const;
    void prepareAndWait();

    HelpSearchEngine *m_engine = nullptr;
};

void HelpSearchEngineTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // The engine works in the home folder itself, so only a scratch home will do.
    const QString session = qEnvironmentVariable("NYD_SESSION_DIR");
    QVERIFY2(!session.isEmpty() && QDir::homePath().startsWith(session + QLatin1Char('/')), "run inside scripts/session.sh");
    QVERIFY(QFileInfo::exists(QStringLiteral(NYD_TEST_HELP_COLLECTION)));

    setSourceCollectionForTesting(QStringLiteral(NYD_TEST_HELP_COLLECTION));
    m_engine = HelpSearchEngine::instance();
    QCOMPARE(HelpSearchEngine::instance(), m_engine);
}

void HelpSearchEngineTest::init()
{
    QTRY_VERIFY(!isIndexing());
    QVERIFY(QDir(userFolder()).removeRecursively());
}

bool HelpSearchEngineTest::isIndexing() const
{
    return m_engine->m_helpEngine || m_engine->m_searchEngine;
}

void HelpSearchEngineTest::prepareAndWait()
{
    QSignalSpy finished(m_engine, &HelpSearchEngine::indexingFinished);
    m_engine->prepare();
    QVERIFY(isIndexing());
    QVERIFY(finished.wait(60000));
    QVERIFY(!isIndexing());
}

void HelpSearchEngineTest::collectionFileNamesUserCopy()
{
    QCOMPARE(m_engine->collectionFile(), userFolder() + QStringLiteral("/nydhelp.qhc"));
    QVERIFY(!QFileInfo::exists(m_engine->collectionFile()));
}

void HelpSearchEngineTest::firstPrepareCopiesAndIndexes()
{
    QSignalSpy finished(m_engine, &HelpSearchEngine::indexingFinished);
    m_engine->prepare();
    // The copy is made before prepare() returns; only the index takes time.
    QVERIFY(QFileInfo(m_engine->collectionFile()).isReadable());
    QVERIFY(isIndexing());

    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!isIndexing());
    QVERIFY(QFileInfo(indexPath()).size() > 0);

    // A working collection: the documentation it names opens from the new place.
    QHelpEngineCore copy(m_engine->collectionFile());
    QVERIFY(copy.setupData());
    QCOMPARE(copy.registeredDocumentations(), QStringList{s_namespace});
    const QByteArray page = copy.fileData(QUrl(QStringLiteral("qthelp://org.nyd.help.ru/nydhelp/shortcuts.html")));
    QVERIFY2(page.contains("Keyboard shortcuts"), page.constData());
}

void HelpSearchEngineTest::secondPrepareDoesNothing()
{
    prepareAndWait();
    QVERIFY(setMarker(m_engine->collectionFile()));
    const qint64 indexSize = QFileInfo(indexPath()).size();

    m_engine->prepare();
    QVERIFY(!isIndexing());
    QVERIFY(hasMarker(m_engine->collectionFile()));
    QCOMPARE(QFileInfo(indexPath()).size(), indexSize);
}

void HelpSearchEngineTest::missingPartRebuilds_data()
{
    QTest::addColumn<bool>("removeCollection");
    QTest::addColumn<bool>("removeIndex");
    QTest::addColumn<bool>("emptyIndex");

    QTest::newRow("no index") << false << true << false;
    QTest::newRow("empty index") << false << false << true;
    QTest::newRow("no collection") << true << false << false;
}

void HelpSearchEngineTest::missingPartRebuilds()
{
    QFETCH(bool, removeCollection);
    QFETCH(bool, removeIndex);
    QFETCH(bool, emptyIndex);

    prepareAndWait();
    QVERIFY(setMarker(m_engine->collectionFile()));
    if (removeCollection) {
        QVERIFY(QFile::remove(m_engine->collectionFile()));
    }
    if (removeIndex) {
        QVERIFY(QFile::remove(indexPath()));
    }
    if (emptyIndex) {
        QVERIFY(QFile::resize(indexPath(), 0));
    }

    prepareAndWait();
    // A fresh copy, and an index with something in it.
    QVERIFY(!hasMarker(m_engine->collectionFile()));
    QVERIFY(QFileInfo(indexPath()).size() > 0);
}

void HelpSearchEngineTest::missingSourceLeavesNothing()
{
    const QString installed = m_engine->m_sourceCollection;
    const QString absent = QDir::homePath() + QStringLiteral("/absent/nydhelp.qhc");
    m_engine->m_sourceCollection = absent;

    m_engine->prepare();
    m_engine->m_sourceCollection = installed;

    QVERIFY(!isIndexing());
    // Opening a missing collection would have made an empty one.
    QVERIFY(!QFileInfo::exists(absent));
    QVERIFY(!QFileInfo::exists(m_engine->collectionFile()));
}

// Qt Help reads pages through QTextDocument, which wants fonts, as in the panel.
QTEST_MAIN(HelpSearchEngineTest)

#include "helpsearchenginetest.moc"
