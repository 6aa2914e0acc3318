// SPDX-License-Identifier: GPL-2.0-or-later
// KRunner's AbstractRunnerTest builds messages from char literals; it must come before any Qt header.
#undef QT_NO_CAST_FROM_ASCII
#include <Baloo/Query>
#include <KRunner/AbstractRunnerTest>

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeDatabase>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <algorithm>

namespace
{
// The runner's bound on results of one kind.
constexpr int s_maxPerCategory = 10;
constexpr int s_floodFiles = 15;

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xffffffff;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320 & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

// A zip archive with stored entries; office formats are such archives with a "mimetype" entry first.
QByteArray zipArchive(const QList<QPair<QByteArray, QByteArray>> &entries)
{
    QByteArray archive;
    QByteArray directory;
    QDataStream out(&archive, QIODevice::WriteOnly);
    QDataStream central(&directory, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    central.setByteOrder(QDataStream::LittleEndian);
    const quint16 date = (1 << 5) | 1; // 1980-01-01

    for (const auto &[name, data] : entries) {
        const quint32 offset = archive.size();
        const quint32 crc = crc32(data);
        out << quint32(0x04034b50) << quint16(20) << quint16(0) << quint16(0) << quint16(0) << date << crc << quint32(data.size()) << quint32(data.size())
            << quint16(name.size()) << quint16(0);
        out.writeRawData(name.constData(), name.size());
        out.writeRawData(data.constData(), data.size());

        central << quint32(0x02014b50) << quint16(20) << quint16(20) << quint16(0) << quint16(0) << quint16(0) << date << crc << quint32(data.size())
                << quint32(data.size()) << quint16(name.size()) << quint16(0) << quint16(0) << quint16(0) << quint16(0) << quint32(0) << offset;
        central.writeRawData(name.constData(), name.size());
    }
    const quint32 directoryOffset = archive.size();
    out.writeRawData(directory.constData(), directory.size());
    out << quint32(0x06054b50) << quint16(0) << quint16(0) << quint16(entries.size()) << quint16(entries.size()) << quint32(directory.size()) << directoryOffset
        << quint16(0);
    return archive;
}

QByteArray openDocument(const QByteArray &mimeType)
{
    return zipArchive({{QByteArrayLiteral("mimetype"), mimeType}, {QByteArrayLiteral("content.xml"), QByteArrayLiteral("<office:document-content/>")}});
}

QByteArray waveFile()
{
    QByteArray wave;
    QDataStream out(&wave, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const QByteArray samples(800, char(0x80));
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(8000) << quint16(1) << quint16(8);
    out.writeRawData("data", 4);
    out << quint32(samples.size());
    out.writeRawData(samples.constData(), samples.size());
    return wave;
}

QByteArray mp4File()
{
    QByteArray video;
    QDataStream out(&video, QIODevice::WriteOnly);
    out << quint32(24);
    out.writeRawData("ftypisom\0\0\2\0isommp41", 20);
    return video;
}

QByteArray pngFile()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// Asked in a process of its own: a reader in this process could keep the index
// file the indexer replaces while it starts up, and never see the new one.
QSet<QString> indexedPaths(const QString &term)
{
    QProcess search;
    search.start(QStringLiteral("baloosearch"), {term});
    QSet<QString> paths;
    if (!search.waitForFinished(30000)) {
        return paths;
    }
    const QList<QByteArray> lines = search.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith('/')) {
            paths.insert(QString::fromUtf8(line.trimmed()));
        }
    }
    return paths;
}
}

class BalooSearchRunnerTest : public AbstractRunnerTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void matchFields_data();
    void matchFields();
    void nameAboveContent();
    void boundPerCategory();
    void noMatch();

private:
    QString path(const QString &name) const;
    QList<Plasma::QueryMatch> matchesFor(const QString &query);

    QString m_folder;
    QString m_configFile;
    QString m_indexFolder;
    QByteArray m_previousConfig;
    bool m_hadIndex = false;
    QProcess m_indexer;
    QSet<QString> m_quixoticFiles;
    QSet<QString> m_floodFiles;
};

QString BalooSearchRunnerTest::path(const QString &name) const
{
    return m_folder + QLatin1Char('/') + name;
}

void BalooSearchRunnerTest::initTestCase()
{
    // No test mode: the indexer runs as a program of its own and must see the same configuration and index.
    const QString session = qEnvironmentVariable("NYD_SESSION_DIR");
    QVERIFY2(!session.isEmpty() && QDir::homePath().startsWith(session + QLatin1Char('/')), "run inside scripts/session.sh");
    initProperties();

    // The indexer leaves out hidden folders, so a plain one in the scratch home.
    m_folder = QDir::homePath() + QStringLiteral("/Indexed");
    QVERIFY(QDir().mkpath(m_folder + QStringLiteral("/quixotic-folder")));
    m_quixoticFiles.insert(path(QStringLiteral("quixotic-folder")));

    const QList<QPair<QString, QByteArray>> files = {
        {QStringLiteral("quixotic-plan.txt"), QByteArrayLiteral("Nothing much in here.\n")},
        {QStringLiteral("notes.txt"), QByteArrayLiteral("A rather quixotic idea for the weekend.\n")},
        {QStringLiteral("quixotic.csv"), QByteArrayLiteral("name,count\nboats,3\n")},
        {QStringLiteral("quixotic.png"), pngFile()},
        {QStringLiteral("quixotic.wav"), waveFile()},
        {QStringLiteral("quixotic.mp4"), mp4File()},
        {QStringLiteral("quixotic.zip"), zipArchive({{QByteArrayLiteral("readme.txt"), QByteArrayLiteral("inside\n")}})},
        {QStringLiteral("quixotic.ods"), openDocument(QByteArrayLiteral("application/vnd.oasis.opendocument.spreadsheet"))},
        {QStringLiteral("quixotic.odp"), openDocument(QByteArrayLiteral("application/vnd.oasis.opendocument.presentation"))},
        {QStringLiteral("quixotic.odt"), openDocument(QByteArrayLiteral("application/vnd.oasis.opendocument.text"))},
        {QStringLiteral("quixotic.bin"), QByteArray("\x00\x01\x02\x03\xfe\xff\x00\x10", 8)},
    };
    for (const auto &[name, contents] : files) {
        QVERIFY(writeFile(path(name), contents));
        if (name.startsWith(QLatin1String("quixotic"))) {
            m_quixoticFiles.insert(path(name));
        }
    }
    for (int i = 0; i < s_floodFiles; ++i) {
        const QString name = path(QStringLiteral("log-%1.txt").arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(writeFile(name, QByteArrayLiteral("The lighthouse keeper wrote this down.\n")));
        m_floodFiles.insert(name);
    }

    // Tests after this one in the same session find the indexer's files as they were.
    m_configFile = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/baloofilerc");
    m_indexFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/baloo");
    m_hadIndex = QFileInfo::exists(m_indexFolder);
    if (QFile config(m_configFile); config.open(QIODevice::ReadOnly)) {
        m_previousConfig = config.readAll();
    }

    QFile config(m_configFile);
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("[Basic Settings]\nIndexing-Enabled=true\n\n[General]\nonly basic indexing=false\nfolders[$e]=");
    config.write(QFile::encodeName(m_folder));
    config.write("\n");
    config.close();

    m_indexer.setProcessChannelMode(QProcess::ForwardedChannels);
    m_indexer.start(QStringLiteral("baloo_file"), QStringList());
    QVERIFY(m_indexer.waitForStarted());

    // notes.txt has the word only inside, so the content indexer must have been through as well.
    m_quixoticFiles.insert(path(QStringLiteral("notes.txt")));
    QTRY_VERIFY_WITH_TIMEOUT(indexedPaths(QStringLiteral("quixotic")) == m_quixoticFiles, 120000);
    QTRY_VERIFY_WITH_TIMEOUT(indexedPaths(QStringLiteral("lighthouse")) == m_floodFiles, 120000);
}

void BalooSearchRunnerTest::cleanupTestCase()
{
    if (m_indexer.state() != QProcess::NotRunning) {
        m_indexer.terminate();
        if (!m_indexer.waitForFinished(30000)) {
            m_indexer.kill();
            m_indexer.waitForFinished();
        }
    }
    QDir(m_folder).removeRecursively();
    if (!m_hadIndex) {
        QDir(m_indexFolder).removeRecursively();
    }
    if (m_previousConfig.isNull()) {
        QFile::remove(m_configFile);
    } else if (QFile config(m_configFile); config.open(QIODevice::WriteOnly)) {
        config.write(m_previousConfig);
    }
}

QList<Plasma::QueryMatch> BalooSearchRunnerTest::matchesFor(const QString &query)
{
    // The manager ignores a query equal to the one before.
    manager->reset();
    launchQuery(query);
    return manager->matches();
}

void BalooSearchRunnerTest::matchFields_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("category");

    const QString term = QStringLiteral("quixotic");
    QTest::newRow("text") << term << QStringLiteral("quixotic-plan.txt") << QStringLiteral("Text");
    QTest::newRow("text by content") << term << QStringLiteral("notes.txt") << QStringLiteral("Text");
    QTest::newRow("comma separated") << term << QStringLiteral("quixotic.csv") << QStringLiteral("Spreadsheet");
    QTest::newRow("spreadsheet") << term << QStringLiteral("quixotic.ods") << QStringLiteral("Spreadsheet");
    QTest::newRow("presentation") << term << QStringLiteral("quixotic.odp") << QStringLiteral("Presentation");
    QTest::newRow("document") << term << QStringLiteral("quixotic.odt") << QStringLiteral("Document");
    QTest::newRow("image") << term << QStringLiteral("quixotic.png") << QStringLiteral("Image");
    QTest::newRow("audio") << term << QStringLiteral("quixotic.wav") << QStringLiteral("Audio");
    QTest::newRow("video") << term << QStringLiteral("quixotic.mp4") << QStringLiteral("Video");
    QTest::newRow("archive") << term << QStringLiteral("quixotic.zip") << QStringLiteral("Archive");
    QTest::newRow("folder") << term << QStringLiteral("quixotic-folder") << QStringLiteral("Folder");
    QTest::newRow("anything else") << term << QStringLiteral("quixotic.bin") << QStringLiteral("File");
    QTest::newRow("start of a word") << QStringLiteral("quixo") << QStringLiteral("quixotic.odt") << QStringLiteral("Document");
    QTest::newRow("other case") << QStringLiteral("QUIXOTIC") << QStringLiteral("quixotic.png") << QStringLiteral("Image");
    QTest::newRow("content only") << QStringLiteral("lighthouse") << QStringLiteral("log-00.txt") << QStringLiteral("Text");
}

void BalooSearchRunnerTest::matchFields()
{
    QFETCH(QString, query);
    QFETCH(QString, name);
    QFETCH(QString, category);

    const QList<Plasma::QueryMatch> matches = matchesFor(query);
    const QString file = path(name);
    const auto match = std::find_if(matches.cbegin(), matches.cend(), [&file](const Plasma::QueryMatch &match) {
        return match.subtext() == file;
    });
    QVERIFY2(match != matches.cend(), qPrintable(file));
    QCOMPARE(match->text(), name);
    QCOMPARE(match->matchCategory(), category);
    QCOMPARE(match->data().toUrl(), QUrl::fromLocalFile(file));
    QCOMPARE(match->iconName(), QMimeDatabase().mimeTypeForFile(file).iconName());

    // Nothing twice, whatever number of types the index gave it.
    QCOMPARE(std::count_if(matches.cbegin(),
                           matches.cend(),
                           [&file](const Plasma::QueryMatch &match) {
                               return match.subtext() == file;
                           }),
             1);
}

void BalooSearchRunnerTest::nameAboveContent()
{
    const QList<Plasma::QueryMatch> matches = matchesFor(QStringLiteral("quixotic"));
    qreal byName = -1;
    qreal byContent = -1;
    for (const Plasma::QueryMatch &match : matches) {
        if (match.subtext() == path(QStringLiteral("quixotic-plan.txt"))) {
            byName = match.relevance();
        } else if (match.subtext() == path(QStringLiteral("notes.txt"))) {
            byContent = match.relevance();
        }
    }
    QVERIFY(byContent > 0);
    QVERIFY2(byName > byContent, qPrintable(QStringLiteral("%1 <= %2").arg(byName).arg(byContent)));
}

void BalooSearchRunnerTest::boundPerCategory()
{
    const QList<Plasma::QueryMatch> matches = matchesFor(QStringLiteral("lighthouse"));
    QCOMPARE(matches.size(), s_maxPerCategory);
    for (const Plasma::QueryMatch &match : matches) {
        QCOMPARE(match.matchCategory(), QStringLiteral("Text"));
        QVERIFY2(m_floodFiles.contains(match.subtext()), qPrintable(match.subtext()));
    }
}

void BalooSearchRunnerTest::noMatch()
{
    QVERIFY(matchesFor(QStringLiteral("xylophone")).isEmpty());
}

QTEST_MAIN(BalooSearchRunnerTest)

#include "baloosearchrunnertest.moc"
