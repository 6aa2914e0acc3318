// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchsettings.h"
#include "nydcore.h"
#include "testhelpers.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

namespace
{
// Settings as "applications documents media limited limit idle", the switches as 0 or 1.
QString describe(const SearchSettings &settings)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(int(settings.indexApplications()))
        .arg(int(settings.indexDocuments()))
        .arg(int(settings.indexMedia()))
        .arg(int(settings.limitIndexSize()))
        .arg(settings.indexSizeLimit())
        .arg(int(settings.idleModeIndexing()));
}

SearchSettings settingsFrom(const QString &description, QObject *parent = nullptr)
{
    const QStringList values = description.split(QLatin1Char(' '));
    SearchSettings settings(parent);
    settings.setIndexApplications(values.at(0) == QLatin1String("1"));
    settings.setIndexDocuments(values.at(1) == QLatin1String("1"));
    settings.setIndexMedia(values.at(2) == QLatin1String("1"));
    settings.setLimitIndexSize(values.at(3) == QLatin1String("1"));
    settings.setIndexSizeLimit(values.at(4).toLongLong());
    settings.setIdleModeIndexing(values.at(5) == QLatin1String("1"));
    return settings;
}
}

class SearchSettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        nydInit("1.0", nullptr);
        m_file = QSettings().fileName();
        QCOMPARE(m_file, QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/nyd/searchsettingstest.conf"));
        const QString session = qEnvironmentVariable("NYD_SESSION_DIR");
        QVERIFY2(session.isEmpty() || m_file.startsWith(session + QLatin1Char('/')), qPrintable(m_file));
    }

    void init()
    {
        QFile::remove(m_file);
        // A fresh QSettings also makes the process forget the old file.
        QVERIFY(QSettings().allKeys().isEmpty());
    }

    void load_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("after");

        // An empty "before" stands for a new SearchSettings.
        QTest::newRow("no file: the defaults") << QString() << QByteArray() << QStringLiteral("1 1 1 0 3 0");
        QTest::newRow("no file: values kept") << QStringLiteral("0 0 0 1 17 1") << QByteArray() << QStringLiteral("0 0 0 1 17 1");
        QTest::newRow("only the limit switch") << QString() << QByteArray("[General]\nlimitIndexSize=true\n") << QStringLiteral("1 1 1 1 3 0");
        QTest::newRow("everything") << QString()
                                    << QByteArray(
                                           "[General]\nindexApplications=false\nindexDocuments=false\nindexMedia=false\n"
                                           "limitIndexSize=true\nindexSizeLimit=42\nidleModeIndexing=true\n")
                                    << QStringLiteral("0 0 0 1 42 1");
        QTest::newRow("non-numeric limit") << QString() << QByteArray("[General]\nindexSizeLimit=lots\n") << QStringLiteral("1 1 1 0 0 0");
        // Only the low 32 bits of 5000000000 come back.
        QTest::newRow("limit beyond 32 bits") << QString() << QByteArray("[General]\nindexSizeLimit=5000000000\n") << QStringLiteral("1 1 1 0 705032704 0");
    }

    void load()
    {
        QFETCH(QString, before);
        QFETCH(QByteArray, file);
        QFETCH(QString, after);

        QVERIFY(file.isNull() || TestHelpers::writeFile(m_file, file));
        SearchSettings settings = before.isEmpty() ? SearchSettings() : settingsFrom(before);
        settings.load();
        QCOMPARE(describe(settings), after);
    }

    void roundTrip()
    {
        SearchSettings saved = settingsFrom(QStringLiteral("0 1 0 1 12 1"));
        saved.save();

        QList<QByteArray> lines = TestHelpers::readFile(m_file).split('\n');
        lines.removeAll(QByteArray());
        QVERIFY(!lines.isEmpty());
        // Top-level keys are what QSettings files under [General].
        QCOMPARE(lines.takeFirst(), QByteArrayLiteral("[General]"));
        std::sort(lines.begin(), lines.end());
        QCOMPARE(lines.join(' '),
                 QByteArray("idleModeIndexing=true indexApplications=false indexDocuments=true indexMedia=false indexSizeLimit=12 limitIndexSize=true"));

        SearchSettings loaded;
        loaded.load();
        QCOMPARE(describe(loaded), describe(saved));
        QVERIFY(loaded == saved && !(loaded != saved));
    }

    void inequality_data()
    {
        QTest::addColumn<QString>("other");

        QTest::newRow("applications") << QStringLiteral("0 1 1 0 3 0");
        QTest::newRow("documents") << QStringLiteral("1 0 1 0 3 0");
        QTest::newRow("media") << QStringLiteral("1 1 0 0 3 0");
        QTest::newRow("limit switch") << QStringLiteral("1 1 1 1 3 0");
        QTest::newRow("limit") << QStringLiteral("1 1 1 0 4 0");
        QTest::newRow("idle mode") << QStringLiteral("1 1 1 0 3 1");
    }

    void inequality()
    {
        QFETCH(QString, other);
        const SearchSettings first;
        const SearchSettings second = settingsFrom(other);
        QVERIFY(first != second && !(first == second) && second != first);
    }

    void copyConstructor()
    {
        QObject owner;
        const SearchSettings original = settingsFrom(QStringLiteral("0 0 0 1 64 1"), &owner);
        const SearchSettings copy(original);
        QCOMPARE(copy.parent(), &owner);
        QCOMPARE(describe(copy), describe(original));
        QVERIFY(copy == original);
    }

private:
    QString m_file;
};

QTEST_GUILESS_MAIN(SearchSettingsTest)

#include "searchsettingstest.moc"
