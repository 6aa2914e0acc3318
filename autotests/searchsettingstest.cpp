// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchsettings.h"
#include "nydcore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

namespace
{
QString describe(const SearchSettings &settings)
{
    return QStringLiteral("applications=%1 documents=%2 media=%3 limited=%4 limit=%5 idle=%6")
        .arg(settings.indexApplications())
        .arg(settings.indexDocuments())
        .arg(settings.indexMedia())
        .arg(settings.limitIndexSize())
        .arg(settings.indexSizeLimit())
        .arg(settings.idleModeIndexing());
}

SearchSettings makeSettings(bool applications, bool documents, bool media, bool limited, qint64 limit, bool idle)
{
    SearchSettings settings;
    settings.setIndexApplications(applications);
    settings.setIndexDocuments(documents);
    settings.setIndexMedia(media);
    settings.setLimitIndexSize(limited);
    settings.setIndexSizeLimit(limit);
    settings.setIdleModeIndexing(idle);
    return settings;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}

class SearchSettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void defaultsWithoutFile();
    void missingKeysKeepValues();
    void loadFromFile_data();
    void loadFromFile();
    void roundTrip();
    void inequality_data();
    void inequality();
    void copyConstructor();

private:
    QString m_file;
};

void SearchSettingsTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    nydInit("1.0", nullptr);

    m_file = QSettings().fileName();
    QCOMPARE(m_file, QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/nyd/searchsettingstest.conf"));
    const QString session = qEnvironmentVariable("NYD_SESSION_DIR");
    if (!session.isEmpty()) {
        QVERIFY2(m_file.startsWith(session + QLatin1Char('/')), qPrintable(m_file));
    }
}

void SearchSettingsTest::init()
{
    QFile::remove(m_file);
    // A fresh QSettings also makes the process forget the old file.
    QVERIFY(QSettings().allKeys().isEmpty());
}

void SearchSettingsTest::defaultsWithoutFile()
{
    SearchSettings settings;
    settings.load();
    QCOMPARE(describe(settings), describe(makeSettings(true, true, true, false, 3, false)));
}

void SearchSettingsTest::missingKeysKeepValues()
{
    SearchSettings settings = makeSettings(false, false, false, true, 17, true);
    settings.load();
    QCOMPARE(describe(settings), describe(makeSettings(false, false, false, true, 17, true)));
}

void SearchSettingsTest::loadFromFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("applications");
    QTest::addColumn<bool>("documents");
    QTest::addColumn<bool>("media");
    QTest::addColumn<bool>("limited");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("idle");

    QTest::newRow("empty file") << QByteArray() << true << true << true << false << qint64(3) << false;
    QTest::newRow("only the limit switch") << QByteArrayLiteral("[General]\nlimitIndexSize=true\n") << true << true << true << true << qint64(3) << false;
    QTest::newRow("everything") << QByteArrayLiteral(
        "[General]\nindexApplications=false\nindexDocuments=false\nindexMedia=false\n"
        "limitIndexSize=true\nindexSizeLimit=42\nidleModeIndexing=true\n")
                                << false << false << false << true << qint64(42) << true;
    QTest::newRow("no section header") << QByteArrayLiteral("indexMedia=false\n") << true << true << false << false << qint64(3) << false;
    QTest::newRow("non-numeric limit") << QByteArrayLiteral("[General]\nindexSizeLimit=lots\n") << true << true << true << false << qint64(0) << false;
    // Only the low 32 bits of 5000000000 come back.
    QTest::newRow("limit beyond 32 bits") << QByteArrayLiteral("[General]\nindexSizeLimit=5000000000\n") << true << true << true << false << qint64(705032704)
                                          << false;
    QTest::newRow("keys in another group") << QByteArrayLiteral("[Search]\nindexMedia=false\nindexSizeLimit=9\n") << true << true << true << false << qint64(3)
                                           << false;
}

void SearchSettingsTest::loadFromFile()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, applications);
    QFETCH(bool, documents);
    QFETCH(bool, media);
    QFETCH(bool, limited);
    QFETCH(qint64, limit);
    QFETCH(bool, idle);

    QVERIFY(QDir().mkpath(QFileInfo(m_file).path()));
    QFile file(m_file);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text), qint64(text.size()));
    file.close();

    SearchSettings settings;
    settings.load();
    QCOMPARE(describe(settings), describe(makeSettings(applications, documents, media, limited, limit, idle)));
}

void SearchSettingsTest::roundTrip()
{
    SearchSettings saved = makeSettings(false, true, false, true, 12, true);
    saved.save();

    QList<QByteArray> lines = readFile(m_file).split('\n');
    lines.removeAll(QByteArray());
    QVERIFY(!lines.isEmpty());
    // Top-level keys are what QSettings files under [General].
    QCOMPARE(lines.takeFirst(), QByteArrayLiteral("[General]"));
    std::sort(lines.begin(), lines.end());
    const QList<QByteArray> expectedLines = {
        "idleModeIndexing=true",
        "indexApplications=false",
        "indexDocuments=true",
        "indexMedia=false",
        "indexSizeLimit=12",
        "limitIndexSize=true",
    };
    QCOMPARE(lines, expectedLines);

    SearchSettings loaded;
    loaded.load();
    QCOMPARE(describe(loaded), describe(saved));
    QVERIFY(loaded == saved);
    QVERIFY(!(loaded != saved));
}

void SearchSettingsTest::inequality_data()
{
    QTest::addColumn<QString>("field");

    QTest::newRow("applications") << QStringLiteral("applications");
    QTest::newRow("documents") << QStringLiteral("documents");
    QTest::newRow("media") << QStringLiteral("media");
    QTest::newRow("limit switch") << QStringLiteral("limited");
    QTest::newRow("limit") << QStringLiteral("limit");
    QTest::newRow("idle mode") << QStringLiteral("idle");
}

void SearchSettingsTest::inequality()
{
    QFETCH(QString, field);
    const SearchSettings first;
    SearchSettings second;
    QVERIFY(first == second);
    QVERIFY(!(first != second));

    if (field == QLatin1String("applications")) {
        second.setIndexApplications(false);
    } else if (field == QLatin1String("documents")) {
        second.setIndexDocuments(false);
    } else if (field == QLatin1String("media")) {
        second.setIndexMedia(false);
    } else if (field == QLatin1String("limited")) {
        second.setLimitIndexSize(true);
    } else if (field == QLatin1String("limit")) {
        second.setIndexSizeLimit(4);
    } else {
        second.setIdleModeIndexing(true);
    }

    QVERIFY(first != second);
    QVERIFY(!(first == second));
    QVERIFY(second != first);
}

void SearchSettingsTest::copyConstructor()
{
    QObject owner;
    SearchSettings original(&owner);
    original.setIndexApplications(false);
    original.setIndexDocuments(false);
    original.setIndexMedia(false);
    original.setLimitIndexSize(true);
    original.setIndexSizeLimit(64);
    original.setIdleModeIndexing(true);

    const SearchSettings copy(original);
    QCOMPARE(copy.parent(), &owner);
    QCOMPARE(describe(copy), describe(original));
    QVERIFY(copy == original);
}

QTEST_GUILESS_MAIN(SearchSettingsTest)

#include "searchsettingstest.moc"
