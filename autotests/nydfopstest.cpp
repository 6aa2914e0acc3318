// SPDX-License-Identifier: GPL-2.0-or-later
// nyd-fops --copy: copies land whole, nothing is ever overwritten, and a
// failed copy leaves the destination as it was.
#include "fakedesktop.h"

#include <QDirIterator>
#include <QTest>

#include <sys/stat.h>

class NydFopsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void copyKeepsTheBytes_data();
    void copyKeepsTheBytes();
    void existingTargetIsNeverOverwritten_data();
    void existingTargetIsNeverOverwritten();
    void failuresLeaveTheDestinationAlone_data();
    void failuresLeaveTheDestinationAlone();

private:
    QString source(const QString &relative) const;
    QString destination() const;
    FakeDesktop::Result copy(const QString &from, const QString &to) const;
    // Relative path -> contents (folders end in '/'), hidden entries included.
    static QMap<QString, QByteArray> tree(const QString &folder);

    FakeDesktop *m_desktop = nullptr;
};

void NydFopsTest::init()
{
    QVERIFY(QFile::exists(QStringLiteral(NYD_FOPS_EXECUTABLE)));
    m_desktop = new FakeDesktop;
    QVERIFY(m_desktop->isValid());
    QVERIFY(QDir().mkpath(source(QString())));
    QVERIFY(QDir().mkpath(destination()));
}

void NydFopsTest::cleanup()
{
    delete m_desktop;
    m_desktop = nullptr;
}

QString NydFopsTest::source(const QString &relative) const
{
    return QDir(m_desktop->path(QStringLiteral("home/source"))).filePath(relative);
}

QString NydFopsTest::destination() const
{
    return m_desktop->path(QStringLiteral("home/destination"));
}

FakeDesktop::Result NydFopsTest::copy(const QString &from, const QString &to) const
{
    return m_desktop->run(QStringLiteral(NYD_FOPS_EXECUTABLE), {QStringLiteral("--copy"), from, to});
}

QMap<QString, QByteArray> NydFopsTest::tree(const QString &folder)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(folder).relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            entries.insert(relative + QLatin1Char('/'), QByteArray());
        } else if (it.fileInfo().isFile()) {
            entries.insert(relative, FakeDesktop::readFile(path));
        } else {
            // Reading a FIFO would wait for a writer.
            entries.insert(relative, QByteArrayLiteral("<special>"));
        }
    }
    return entries;
}

void NydFopsTest::copyKeepsTheBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folder");

    QTest::newRow("text file") << QStringLiteral("report.txt") << false;
    QTest::newRow("blanks and non-ASCII") << QStringLiteral("Bericht für März 2024 – final.txt") << false;
    QTest::newRow("empty file") << QStringLiteral("empty") << false;
    QTest::newRow("folder with subfolders") << QStringLiteral("Holiday photos") << true;
}

void NydFopsTest::copyKeepsTheBytes()
{
    QFETCH(QString, name);
    QFETCH(bool, folder);

    QByteArray binary;
    for (int i = 0; i < 300000; ++i) {
        binary += char(i * 7 % 256);
    }
    if (folder) {
        QVERIFY(QDir().mkpath(source(name + QStringLiteral("/day 1/ünter"))));
        QVERIFY(FakeDesktop::writeFile(source(name + QStringLiteral("/day 1/beach.raw")), binary));
        QVERIFY(FakeDesktop::writeFile(source(name + QStringLiteral("/notes.txt")), "sand\n"));
        QVERIFY(FakeDesktop::writeFile(source(name + QStringLiteral("/.hidden")), "h"));
    } else {
        QVERIFY(FakeDesktop::writeFile(source(name), name == QLatin1String("empty") ? QByteArray() : binary));
    }

    // The destination as the panel passes it, with a trailing slash.
    const FakeDesktop::Result result = copy(source(name), destination() + QLatin1Char('/'));
    QVERIFY2(result.finished && result.exitCode == 0, result.standardError.constData());

    const QString target = QDir(destination()).filePath(name);
    if (folder) {
        QCOMPARE(tree(target), tree(source(name)));
    } else {
        QCOMPARE(FakeDesktop::readFile(target), FakeDesktop::readFile(source(name)));
    }
    // Nothing else stays behind, staging included.
    QCOMPARE(QDir(destination()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{name});
    // The source is left as it was.
    QVERIFY(QFileInfo::exists(source(name)));
}

void NydFopsTest::existingTargetIsNeverOverwritten_data()
{
    QTest::addColumn<bool>("folder");

    QTest::newRow("file") << false;
    QTest::newRow("folder") << true;
}

void NydFopsTest::existingTargetIsNeverOverwritten()
{
    QFETCH(bool, folder);

    const QString name = QStringLiteral("plan v2.txt");
    const QString original = folder ? source(name + QStringLiteral("/inside")) : source(name);
    if (folder) {
        QVERIFY(QDir().mkpath(source(name)));
    }
    QVERIFY(FakeDesktop::writeFile(original, "first version\n"));
    const FakeDesktop::Result first = copy(source(name), destination());
    QVERIFY2(first.finished && first.exitCode == 0, first.standardError.constData());
    const QMap<QString, QByteArray> afterFirst = tree(destination());

    QVERIFY(FakeDesktop::writeFile(original, "second version, longer than the first\n"));
    const FakeDesktop::Result second = copy(source(name), destination());
    QVERIFY(second.finished);
    QVERIFY(second.exitCode != 0);
    const QString target = QDir(destination()).filePath(name);
    QCOMPARE(QString::fromUtf8(second.lastErrorLine()), QStringLiteral("nyd-fops: %1 already exists").arg(target));
    QCOMPARE(tree(destination()), afterFirst);
}

void NydFopsTest::failuresLeaveTheDestinationAlone_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("expectedMessage");

    // Rows are built before init(), so they name places relative to the test's desktop.
    QTest::newRow("missing source") << QStringLiteral("source/gone.txt") << QStringLiteral("destination") << QStringLiteral("gone.txt does not exist");
    QTest::newRow("missing destination folder") << QStringLiteral("source/data.txt") << QStringLiteral("nowhere/") << QStringLiteral("nowhere is not a folder");
    QTest::newRow("destination is a file") << QStringLiteral("source/data.txt") << QStringLiteral("source/data.txt")
                                           << QStringLiteral("data.txt is not a folder");
    QTest::newRow("folder into itself") << QStringLiteral("source") << QStringLiteral("source/album") << QStringLiteral("into itself");
    // A FIFO cannot be copied: the copy fails after the regular files went through.
    QTest::newRow("unreadable entry mid-copy") << QStringLiteral("source/album") << QStringLiteral("destination") << QStringLiteral("pipe");
}

void NydFopsTest::failuresLeaveTheDestinationAlone()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, expectedMessage);

    QVERIFY(FakeDesktop::writeFile(source(QStringLiteral("data.txt")), "data\n"));
    QVERIFY(QDir().mkpath(source(QStringLiteral("album"))));
    QVERIFY(FakeDesktop::writeFile(source(QStringLiteral("album/a first.jpg")), QByteArray(100000, 'a')));
    QVERIFY(::mkfifo(QFile::encodeName(source(QStringLiteral("album/pipe"))).constData(), 0600) == 0);
    QVERIFY(FakeDesktop::writeFile(source(QStringLiteral("album/z last.jpg")), QByteArray(100000, 'z')));

    const QMap<QString, QByteArray> before = tree(m_desktop->home());
    const FakeDesktop::Result result = copy(QDir(m_desktop->home()).filePath(from), QDir(m_desktop->home()).filePath(to));
    QVERIFY(result.finished);
    QVERIFY(result.exitCode != 0);
    const QString message = QString::fromUtf8(result.lastErrorLine());
    QVERIFY2(message.startsWith(QLatin1String("nyd-fops: ")) && message.contains(expectedMessage), qPrintable(message));
    QCOMPARE(tree(m_desktop->home()), before);
}

QTEST_GUILESS_MAIN(NydFopsTest)

#include "nydfopstest.moc"
