// SPDX-License-Identifier: GPL-2.0-or-later
// nyd-find against a scratch desktop whose file manager only records what it
// was asked to show.
#include "fakedesktop.h"

#include <QTest>
#include <QUrl>
#include <QUrlQuery>

class NydFindTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void fileManagerShowsTheHomeSearch_data();
    void fileManagerShowsTheHomeSearch();
    void withoutFileManagerItFails();
};

void NydFindTest::initTestCase()
{
    QVERIFY(QFile::exists(QStringLiteral(NYD_FIND_EXECUTABLE)));
}

void NydFindTest::fileManagerShowsTheHomeSearch_data()
{
    QTest::addColumn<bool>("searchWorker");
    QTest::addColumn<QByteArray>("fileManagerLines");
    QTest::addColumn<bool>("expectSearch");

    const QByteArray kdeFileManager = "Categories=Qt;KDE;System;FileManager;\n";
    const QByteArray localOnlyFileManager = "Categories=System;FileManager;\nX-KDE-Protocols=file\n";
    QTest::newRow("KDE file manager with the search worker") << true << kdeFileManager << true;
    QTest::newRow("KDE file manager without the search worker") << false << kdeFileManager << false;
    QTest::newRow("file manager that only opens local folders") << true << localOnlyFileManager << false;
}

void NydFindTest::fileManagerShowsTheHomeSearch()
{
    QFETCH(bool, searchWorker);
    QFETCH(QByteArray, fileManagerLines);
    QFETCH(bool, expectSearch);

    FakeDesktop desktop;
    QVERIFY(desktop.isValid());
    const QString recorder = desktop.writeRecorder(QStringLiteral("fake-file-manager"));
    QVERIFY(!recorder.isEmpty());
    QVERIFY(!desktop.addApplication(QStringLiteral("nyd-fake-files"), recorder + QStringLiteral(" %u"), {QStringLiteral("inode/directory")}, fileManagerLines)
                 .isEmpty());
    QVERIFY(desktop.setDefaultApplication(QStringLiteral("inode/directory"), QStringLiteral("nyd-fake-files")));
    if (searchWorker) {
        QVERIFY(QDir().mkpath(desktop.path(QStringLiteral("share/kservices5"))));
        QVERIFY(FakeDesktop::writeFile(desktop.path(QStringLiteral("share/kservices5/filenamesearch.protocol")),
                                       "[Protocol]\nexec=kf5/kio/filenamesearch\nprotocol=filenamesearch\ninput=none\noutput=filesystem\n"
                                       "listing=Name,Type\nreading=true\nClass=:local\n"));
    }
    QVERIFY(desktop.rebuildServiceCache());

    const FakeDesktop::Result result = desktop.run(QStringLiteral(NYD_FIND_EXECUTABLE), {QStringLiteral("-d")});
    QVERIFY2(result.finished && result.exitCode == 0, result.standardError.constData());

    QTRY_VERIFY_WITH_TIMEOUT(!desktop.records().isEmpty(), 15000);
    const QList<QStringList> records = desktop.records();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.constFirst().size(), 1);
    const QString shown = records.constFirst().constFirst();
    if (!expectSearch) {
        QCOMPARE(shown, desktop.home());
        return;
    }
    const QUrl search(shown);
    QCOMPARE(search.scheme(), QStringLiteral("filenamesearch"));
    QCOMPARE(QUrl(QUrlQuery(search).queryItemValue(QStringLiteral("url"), QUrl::FullyDecoded)), QUrl::fromLocalFile(desktop.home()));
}

void NydFindTest::withoutFileManagerItFails()
{
    FakeDesktop desktop;
    QVERIFY(desktop.isValid());
    QVERIFY(desktop.rebuildServiceCache());

    const FakeDesktop::Result result = desktop.run(QStringLiteral(NYD_FIND_EXECUTABLE), {QStringLiteral("-d")});
    QVERIFY(result.finished);
    QVERIFY(result.exitCode != 0);
    QVERIFY2(result.lastErrorLine().startsWith("nyd-find: "), result.standardError.constData());
}

QTEST_GUILESS_MAIN(NydFindTest)

#include "nydfindtest.moc"
