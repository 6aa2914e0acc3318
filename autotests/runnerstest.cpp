// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktopcommand.h"
#include "helpsearchengine.h"
#include "helpsearchengine_p.h"
#include "indexqueryclient.h"
#include "testhelpers.h"

#include <KRunner/RunnerManager>
#include <KShell>

#include <QHelpEngineCore>
#include <QMimeDatabase>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>

// Invented applications: file and icon name, entry, the command the panel runs and the line under the name.
const char *const s_applications[][4] = {
    {"fennimore", "Name=Fennimore\nGenericName=Map Maker\nComment=Draws maps\nExec=fennimore --new-window %U", "fennimore|--new-window", "Draws maps"},
    // The same command once field codes are gone: still an application of its own.
    {"fennimore-files", "Name=Fennimore Files\nExec=fennimore --new-window %F", "fennimore|--new-window", ""},
    {"studio", "Name=Fennimore Studio\nGenericName=Studio\nExec=\"/opt/F T/studio\" -p \"my work\" %F", "/opt/F T/studio|-p|my work", "Studio"},
    {"ofv", "Name=Old Fennimore Viewer\nExec=ofv %i %c %k", "ofv", ""},
    {"bigfennimore", "Name=Bigfennimore\nExec=sh -c \"echo 100%% done\" %f", "sh|-c|echo 100% done", ""},
    {"paperweight", "Name=Paperweight\nKeywords=fennimore;weights;\nExec=paperweight", "paperweight", ""},
    {"lantern", "Name=Lantern\nExec=/usr/libexec/fennimored --quiet --file=%f", "/usr/libexec/fennimored|--quiet|--file=", ""},
    {"latern", "Name=Latern\nExec=latern", "latern", ""},
    {"hidden", "Name=Fennimore Hidden\nHidden=true\nExec=fennimore-hidden", "", ""},
    {"secret", "Name=Fennimore Secret\nNoDisplay=true\nExec=fennimore-secret", "", ""},
};

class RunnersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No test mode: the service cache and the index are built by programs of their own.
        QVERIFY2(QDir::homePath().startsWith(qEnvironmentVariable("NYD_SESSION_DIR", QStringLiteral("-")) + QLatin1Char('/')), "run in scripts/session.sh");
        // As the panel has them: on in its runner configuration, off in the desktop's own search.
        Plasma::RunnerManager desktop;
        desktop.reloadConfiguration();
        m_manager.reloadConfiguration();
        for (const char *id : {"nydservices", "nydbaloosearch", "nydhelp"}) {
            QVERIFY(m_manager.runner(QLatin1String(id)) && !desktop.runner(QLatin1String(id)));
        }
        for (const auto &[name, entry, command, subtext] : s_applications) {
            const QByteArray contents = QByteArray("[Desktop Entry]\nType=Application\nIcon=") + name + '\n' + entry;
            QVERIFY(TestHelpers::writeFile(m_applications + QLatin1String(name) + QStringLiteral(".desktop"), contents));
        }
        QCOMPARE(QProcess::execute(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--noincremental")}), 0);
        // A plain folder, as hidden ones are not indexed; the kinds come from the names.
        for (const QString &name : QStringLiteral("plan.txt csv ods odp odt png wav mp4 zip folder/.keep").split(QLatin1Char(' '))) {
            QVERIFY(TestHelpers::writeFile(m_folder + QStringLiteral("quixotic.") + name, "x"));
        }
        QVERIFY(TestHelpers::writeFile(m_folder + QStringLiteral("quixotic.bin"), QByteArray("\0\1\2\3", 4).repeated(4)));
        QVERIFY(TestHelpers::writeFile(m_folder + QStringLiteral("notes.txt"), "A rather quixotic, zephyrous idea."));
        QVERIFY(TestHelpers::writeFile(m_folder + QStringLiteral("Crème brûlée.txt"), "Dessert."));
        QVERIFY(TestHelpers::writeFile(m_folder + QStringLiteral("отчет.txt"), "x"));
        for (int i = 10; i < 25; ++i) {
            const QString name = i % 3 ? QStringLiteral("log-%1.txt") : QStringLiteral("lantern-%1.txt");
            QVERIFY(TestHelpers::writeFile(m_folder + name.arg(i), "The lighthouse keeper wrote this down in the meadow."));
            // The index lists the newest first: written in the same second or not, their order is set.
            QFile file(m_folder + name.arg(i));
            QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(QDateTime::fromSecsSinceEpoch(1700000000 - i), QFileDevice::FileModificationTime));
        }
        // More texts than the newest files the index is asked for, and an older image among them.
        const QString beacons = QStringLiteral("cd '%1' && for i in $(seq 60); do echo x >beacon-$i.txt; done && touch -d 2020-01-01 beacon.png");
        QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), beacons.arg(m_folder)}), 0);
        const QByteArray config = "[Basic Settings]\nIndexing-Enabled=true\n[General]\nonly basic indexing=false\nfolders[$e]=" + QFile::encodeName(m_folder);
        QVERIFY(TestHelpers::writeFile(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/baloofilerc"), config));
        m_indexer.start(QStringLiteral("baloo_file"), {});
        // Contents come after all names. Asked in a process of its own: one in this process could keep the index file the indexer replaces.
        const QString indexed = QStringLiteral("baloosearch quixotic | grep -q notes.txt && [ $(baloosearch lighthouse | grep -c /) = 15 ]");
        QTRY_VERIFY_WITH_TIMEOUT(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), indexed}) == 0, 120000);
        setSourceCollectionForTesting(QStringLiteral(NYD_TEST_HELP_COLLECTION));
        m_collection = HelpSearchEngine::instance()->collectionFile();
        m_index = QFileInfo(m_collection).path() + QStringLiteral("/.nydhelp/fts"); // where Qt Help keeps it
        prepareHelp();
    }
    void applications_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("found"); // strongest first
        const QString all = QStringLiteral("Fennimore|Fennimore Files|Fennimore Studio|Lantern|Old Fennimore Viewer|Paperweight|Bigfennimore");
        QTest::newRow("name, executable, word, keyword, inside") << QStringLiteral("fennimore") << all;
        QTest::newRow("more of the name typed, other case, spaces") << QStringLiteral(" FENN ") << all;
        QTest::newRow("generic name") << QStringLiteral("map maker") << QStringLiteral("Fennimore");
        QTest::newRow("one letter: starts of words") << QStringLiteral("f")
                                                     << QStringLiteral("Fennimore|Fennimore Files|Fennimore Studio|Old Fennimore Viewer");
        QTest::newRow("hidden") << QStringLiteral("fennimore hidden") << QString();
        QTest::newRow("no display") << QStringLiteral("fennimore secret") << QString();
    }
    void applications()
    {
        QFETCH(QString, query);
        QFETCH(QString, found);
        QStringList names;
        for (const Plasma::QueryMatch &match : matches(query, "nydservices")) {
            for (const auto &[name, entry, command, subtext] : s_applications) {
                // The system's own applications may match too.
                if (match.data().toUrl().toLocalFile() == m_applications + QLatin1String(name) + QStringLiteral(".desktop")) {
                    names << match.text();
                    QCOMPARE(QStringList({match.matchCategory(), match.iconName(), match.subtext()}),
                             QStringList({QStringLiteral("Applications"), QString::fromUtf8(name), QString::fromUtf8(subtext)}));
                    QCOMPARE(match.type() == Plasma::QueryMatch::ExactMatch, !match.text().compare(query.trimmed(), Qt::CaseInsensitive));
                    // The command goes to a shell as it is, without the codes for files the panel never passes.
                    const QString entryCommand = desktopEntryCommand(match.data().toUrl().toLocalFile());
                    QCOMPARE(KShell::splitArgs(entryCommand, KShell::AbortOnMeta).join(QLatin1Char('|')), QString::fromUtf8(command));
                }
            }
        }
        QCOMPARE(names.join(QLatin1Char('|')), found);
    }
    // Typed with the other keyboard layout, or with a slip of one key.
    void forgiving_data()
    {
        QTest::addColumn<QString>("runner");
        QTest::addColumn<QString>("query");
        // Strongest first, "~" after those below every match of a text as typed; "=word": what the word finds, all below.
        QTest::addColumn<QString>("found");
        const auto row = [](const char *name, const char *runner, const char *query, const char *found) {
            QTest::newRow(name) << QString::fromLatin1(runner) << QString::fromUtf8(query) << QString::fromUtf8(found);
        };
        row("applications, Latin as Cyrillic", "nydservices", "ауттшьщку", "=fennimore");
        row("files, Cyrillic as Latin", "nydbaloosearch", "jnxtn", "=отчет");
        row("files, Latin as Cyrillic", "nydbaloosearch", "йгшчщешс", "=quixotic");
        row("help, Latin as Cyrillic", "nydhelp", "лунищфкв", "=keyboard");
        row("help, Cyrillic as Latin", "nydhelp", "cfvjdfh", "=самовар");
        row("letter missing, in names", "nydservices", "fenimore", "Fennimore~|Fennimore Files~|Fennimore Studio~|Old Fennimore Viewer~");
        row("letter extra", "nydservices", "lanttern", "Lantern~");
        row("wrong letter, executable", "nydservices", "fennimorad", "Lantern~");
        row("neighbours swapped, generic name", "nydservices", "makre", "Fennimore~");
        row("below an exact match", "nydservices", "lantern", "Lantern|Latern~");
        row("short word: no slips", "nydservices", "mker", "");
    }
    void forgiving()
    {
        QFETCH(QString, runner);
        QFETCH(QString, query);
        QFETCH(QString, found);
        const auto texts = [this, &runner](const QString &query) {
            QStringList texts;
            for (const Plasma::QueryMatch &match : matches(query, qPrintable(runner))) {
                // The system's own applications may match too.
                if (runner != QLatin1String("nydservices") || match.data().toUrl().toLocalFile().startsWith(m_applications)) {
                    texts << match.text() + QLatin1String(match.type() < Plasma::QueryMatch::PossibleMatch ? "~" : "");
                }
            }
            return texts.join(QLatin1Char('|'));
        };
        if (found.startsWith(QLatin1Char('='))) {
            found = texts(found.mid(1)).replace(QLatin1Char('|'), QStringLiteral("~|")) + QLatin1Char('~');
            QVERIFY(found.size() > 1);
        }
        QCOMPARE(texts(query), found);
    }
    void applicationsInstalledLaterAreFound()
    {
        QVERIFY(
            TestHelpers::writeFile(m_applications + QStringLiteral("latecomer.desktop"), "[Desktop Entry]\nType=Application\nName=Latecomer\nExec=latecomer"));
        QCOMPARE(QProcess::execute(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--noincremental")}), 0);
        QCOMPARE(matches(QStringLiteral("latecomer"), "nydservices").value(0).text(), QStringLiteral("Latecomer"));
    }
    // The words of the search benchmark: a rare word, a common one, the start of file names.
    void sameResultsAsBefore_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("found"); // text:category:relevance, strongest first
        QTest::newRow("rare") << QStringLiteral("zephyrous") << QStringLiteral("notes.txt:Text:0.4");
        QTest::newRow("common") << QStringLiteral("meadow")
                                << QStringLiteral(
                                       "log-10.txt:Text:0.4 log-11.txt:Text:0.399 lantern-12.txt:Text:0.398 log-13.txt:Text:0.397 "
                                       "log-14.txt:Text:0.396 lantern-15.txt:Text:0.395 log-16.txt:Text:0.394 log-17.txt:Text:0.393 "
                                       "lantern-18.txt:Text:0.392 log-19.txt:Text:0.391");
        QTest::newRow("prefix") << QStringLiteral("lante")
                                << QStringLiteral(
                                       "lantern-12.txt:Text:0.771429 lantern-15.txt:Text:0.770429 lantern-18.txt:Text:0.769429 "
                                       "lantern-21.txt:Text:0.768429 lantern-24.txt:Text:0.767429");
    }
    void sameResultsAsBefore()
    {
        QFETCH(QString, query);
        QStringList found;
        for (const Plasma::QueryMatch &match : matches(query, "nydbaloosearch")) {
            found << QStringLiteral("%1:%2:%3").arg(match.text(), match.matchCategory()).arg(match.relevance());
        }
        QTEST(found.join(QLatin1Char(' ')), "found");
    }
    void files()
    {
        // Each file once, whatever number of types the index gave it, under its kind; names before contents.
        QStringList found;
        for (const Plasma::QueryMatch &match : matches(QStringLiteral("quixotic"), "nydbaloosearch")) {
            found << match.text() + QLatin1Char(':') + match.matchCategory();
            QCOMPARE(match.data().toUrl(), QUrl::fromLocalFile(m_folder + match.text()));
            QCOMPARE(match.iconName(), QMimeDatabase().mimeTypeForFile(match.subtext()).iconName());
        }
        QCOMPARE(found.takeLast(), QStringLiteral("notes.txt:Text"));
        found.sort();
        QCOMPARE(found.join(QLatin1Char(' ')),
                 QStringLiteral("quixotic.bin:File quixotic.csv:Spreadsheet quixotic.folder:Folder quixotic.mp4:Video quixotic.odp:Presentation quixotic.ods:"
                                "Spreadsheet quixotic.odt:Document quixotic.plan.txt:Text quixotic.png:Image quixotic.wav:Audio quixotic.zip:Archive"));
        // A file that becomes another kind in place shows as what it is now: at the
        // same size with a new time, then at a new size with that same time.
        const QByteArray changing = QFile::encodeName(m_folder + QStringLiteral("quixotic.bin"));
        const auto kindNow = [this] {
            return matches(QStringLiteral("quixotic.bin"), "nydbaloosearch").value(0).matchCategory();
        };
        QVERIFY(TestHelpers::writeFile(QFile::decodeName(changing), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
        QCOMPARE(kindNow(), QStringLiteral("Image"));
        struct stat image = {};
        QCOMPARE(::stat(changing.constData(), &image), 0);
        QVERIFY(TestHelpers::writeFile(QFile::decodeName(changing), "%PDF-1.4\n"));
        const timespec times[2] = {image.st_atim, image.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, changing.constData(), times, 0), 0);
        QCOMPARE(kindNow(), QStringLiteral("Document"));
        // A name typed without its accents is still the name.
        const QList<Plasma::QueryMatch> dessert = matches(QStringLiteral("creme brulee"), "nydbaloosearch");
        QCOMPARE(dessert.size(), 1);
        QCOMPARE(dessert.first().type(), Plasma::QueryMatch::ExactMatch);
        // The start of a word in any case; a bounded number of one kind, however many, leaving the others their share.
        QCOMPARE(matches(QStringLiteral("QUIXO"), "nydbaloosearch").size(), 12);
        QCOMPARE(matches(QStringLiteral("lighthouse"), "nydbaloosearch").size(), 10);
        QCOMPARE(matches(QStringLiteral("beacon"), "nydbaloosearch").value(0).text(), QStringLiteral("beacon.png"));
    }
    // A purge replaces the index file; the running runner reads the new one as it is rebuilt.
    void purgedIndexIsReadAnew()
    {
        QVERIFY(!matches(QStringLiteral("quixotic"), "nydbaloosearch").isEmpty());
        QCOMPARE(QProcess::execute(QStringLiteral("balooctl"), {QStringLiteral("purge")}), 0);
        QVERIFY(TestHelpers::writeFile(m_folder + QStringLiteral("vermilion.txt"), "Written after the purge."));
        const QStringList indexed{QStringLiteral("-c"), QStringLiteral("baloosearch vermilion | grep -q vermilion")};
        QTRY_VERIFY_WITH_TIMEOUT(QProcess::execute(QStringLiteral("sh"), indexed) == 0, 120000);
        QCOMPARE(matches(QStringLiteral("vermilion"), "nydbaloosearch").value(0).text(), QStringLiteral("vermilion.txt"));
    }
    // An index program that answers without end is ended, and another started in its place;
    // a pipe in the index's place is no index, and is not waited for.
    void brokenIndex()
    {
        const QString records = QDir::homePath() + QStringLiteral("/endless-records");
        QVERIFY(TestHelpers::writeRecorder(QDir::homePath() + QStringLiteral("/bin/endless"), records, "exec yes"));
        QVERIFY(IndexQueryClient(QDir::homePath() + QStringLiteral("/bin/endless")).ask(QStringLiteral("quixotic")).isEmpty());
        QVERIFY(TestHelpers::recordedCalls(records).size() == 2 && !TestHelpers::recordedStillRunning(records));
        qputenv("BALOO_DB_PATH", QFile::encodeName(QDir::homePath()));
        QVERIFY(::mkfifo(QFile::encodeName(QDir::homePath() + QStringLiteral("/index")).constData(), 0600) == 0);
        QCOMPARE(IndexQueryClient(QStandardPaths::findExecutable(QStringLiteral("nyd-index-query"))).ask(QStringLiteral("quixotic")).size(), 10);
        qunsetenv("BALOO_DB_PATH");
    }
    void help_data()
    {
        for (const char *column : {"language", "missing", "query", "titles", "excerpt"}) {
            QTest::addColumn<QString>(column); // of the interface; excerpt of the first page
        }
        const auto row =
            [](const char *name, const char *query, const char *titles, const char *excerpt, const char *missing = "", const char *language = "en") {
                QTest::newRow(name) << QString::fromUtf8(language) << QString::fromUtf8(missing) << QString::fromUtf8(query) << QString::fromUtf8(titles)
                                    << QString::fromUtf8(excerpt);
            };
        row("title: start of the text", "keyboard", "Keyboard shortcuts", "Press Escape to hide the panel.");
        row("text only: around the word", "marmalade", "Keyboard shortcuts", "Holding the marmalade modifier");
        row("start of a word", "zeppel", "Indexing files", "");
        row("title above text", "indexing", "Indexing files|Panel basics", "");
        row("words on different pages", "periwinkle zeppelin", "", "");
        // Only pages of the interface's language, while it has any.
        row("in both languages", "самовар", "Help pages", "tells of the samovar");
        row("in both languages, Russian", "самовар", "Справочные страницы", "рассказано про самовар", "", "ru");
        row("query syntax is text", "marmalade\" OR \"zeppelin", "", "");
        row("no user's copy", "keyboard", "Keyboard shortcuts", "", "collection");
        row("empty index", "keyboard", "Keyboard shortcuts", "", "index");
    }
    void help()
    {
        QFETCH(QString, language);
        QLocale::setDefault(QLocale(language));
        QFETCH(QString, missing);
        QFETCH(QString, query);
        QFETCH(QString, titles);
        QFETCH(QString, excerpt);
        // The user's copy is made once; with a part of it missing there is nothing to search until it is made again.
        const QDateTime copied = QFileInfo(m_collection).lastModified();
        if (!missing.isEmpty()) {
            QVERIFY(missing == QLatin1String("index") ? QFile::resize(m_index, 0) : QFile::remove(m_collection));
            // Searching makes no collection of its own.
            QVERIFY(matches(query, "nydhelp").isEmpty() && QFileInfo::exists(m_collection) == (missing == QLatin1String("index")));
        }
        prepareHelp();
        QCOMPARE(QFileInfo(m_collection).lastModified() == copied, missing.isEmpty());
        const QList<Plasma::QueryMatch> pages = matches(query, "nydhelp");
        QStringList found;
        std::transform(pages.cbegin(), pages.cend(), std::back_inserter(found), std::mem_fn(&Plasma::QueryMatch::text));
        QCOMPARE(found.join(QLatin1Char('|')), titles);
        if (!excerpt.isEmpty()) {
            // Short plain text, never the title again; the page opens by its URL, under its own header.
            const QString subtext = pages.first().subtext();
            QVERIFY2(subtext.contains(excerpt) && !subtext.contains(titles) && !subtext.contains(QLatin1Char('<')) && subtext.size() <= 160,
                     qPrintable(subtext));
            QVERIFY(QHelpEngineCore(m_collection).fileData(pages.first().data().toUrl()).contains(titles.toUtf8()));
            QCOMPARE(pages.first().matchCategory(), QStringLiteral("Help"));
        }
    }

private:
    void prepareHelp()
    {
        const bool ready = QFileInfo(m_collection).isReadable() && QFileInfo(m_index).size() > 0;
        QSignalSpy finished(HelpSearchEngine::instance(), &HelpSearchEngine::indexingFinished);
        HelpSearchEngine::instance()->prepare();
        QVERIFY(ready || finished.wait(60000));
    }
    // What one runner found, strongest first as the panel orders them. The manager ignores a query equal to the one before.
    QList<Plasma::QueryMatch> matches(const QString &query, const char *runner)
    {
        m_manager.reset();
        QSignalSpy finished(&m_manager, &Plasma::RunnerManager::queryFinished);
        m_manager.launchQuery(query);
        QTest::qVerify(finished.wait(30000), "finished.wait(30000)", "", __FILE__, __LINE__);
        QMultiMap<QPair<int, qreal>, Plasma::QueryMatch> found;
        for (const Plasma::QueryMatch &match : m_manager.matches()) {
            if (match.runner()->id() == QLatin1String(runner)) {
                found.insert({-match.type(), -match.relevance()}, match);
            }
        }
        return found.values();
    }

    Plasma::RunnerManager m_manager{QStringLiteral(NYD_RUNNER_CONFIG)};
    QProcess m_indexer;
    const QString m_applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + QLatin1Char('/');
    const QString m_folder = QDir::homePath() + QStringLiteral("/Indexed/");
    QString m_collection;
    QString m_index;
};

QTEST_MAIN(RunnersTest)

#include "runnerstest.moc"
