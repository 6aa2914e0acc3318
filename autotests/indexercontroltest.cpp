// SPDX-License-Identifier: GPL-2.0-or-later
#include "baloocontroller.h"
#include "balooctl.h"
#include "baloomonitor.h"
#include "baloosettings.h"
#include "screensaverproxy.h"
#include "searchsettings.h"
#include "settingsdialog.h"
#include "testhelpers.h"

#include <Baloo/IndexerConfig>

#include <QDBusPendingCallWatcher>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

// The real indexer on the session's bus, the real status tool, and a screen
// saver and notification server of our own, in a Russian session.
class IndexerControlTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No test mode: the indexer, a process of its own, reads the same files.
        QVERIFY2(QDir::homePath().startsWith(qEnvironmentVariable("NYD_SESSION_DIR", QStringLiteral("-")) + QLatin1Char('/')), "run in scripts/session.sh");
        QCoreApplication::setApplicationName(QStringLiteral("nyd-search-panel"));
        QCoreApplication::setOrganizationName(QStringLiteral("nyd"));
        const QString notifyrc =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/knotifications5/nyd-search-panel.notifyrc");
        QVERIFY(TestHelpers::writeFile(notifyrc, TestHelpers::readFile(QStringLiteral(NYD_NOTIFYRC))));
        cleanup();
        qputenv("LC_ALL", "C.UTF-8");
        qputenv("LANGUAGE", "ru");
        qputenv("PATH", QFile::encodeName(m_bin) + ':' + qgetenv("PATH"));
        writeIndexerSettings(true, false);
        m_services.start(QStringLiteral(NYD_FAKE_SERVICES), {});
        QCOMPARE(nextLine(), QByteArray("ready\n"));
        m_indexer.start(QStringLiteral("baloo_file"), {});
        m_monitor = new BalooMonitor(this);
        // Out of its start-up and its first look at the folders.
        QTRY_VERIFY_WITH_TIMEOUT(m_monitor->state() == 0 || m_monitor->state() == 9, 60000);
    }
    void cleanup()
    {
        QDir(m_records).removeRecursively();
        // Every command the panel gives is recorded on its way to the real tool.
        QVERIFY(TestHelpers::writeRecorder(m_bin + QStringLiteral("/balooctl"), m_records, "exec /usr/bin/balooctl \"$@\""));
        BalooCtl::setStatusProgramForTesting(QStringLiteral("/usr/bin/balooctl"), 30000);
    }

    void progress_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("progress");
        const QByteArray waiting = "\nFiles waiting for content indexing: ";
        QTest::newRow("a quarter waits") << "Indexer state: Idle\nTotal files indexed: 200" + waiting + "50\n" << 0 << 75;
        QTest::newRow("floor of 28.999…") << "Total files indexed: 100" + waiting + "71" << 0 << 28;
        QTest::newRow("more waiting than indexed") << "Total files indexed: 10" + waiting + "15" << 0 << 0;
        QTest::newRow("the later line counts") << "Total files indexed: 1\nTotal files indexed: 4" + waiting + "1" << 0 << 75;
        QTest::newRow("no waiting line") << QByteArray("Total files indexed: 200\n") << 0 << -1;
        QTest::newRow("nothing indexed") << "Total files indexed: 0" + waiting + "0" << 0 << -1;
        QTest::newRow("text after the number") << "Total files indexed: 200 files" + waiting + "50" << 0 << -1;
        QTest::newRow("failed") << "Total files indexed: 200" + waiting + "50" << 1 << -1;
        QTest::newRow("hangs") << QByteArray() << -1 << -1;
        QTest::newRow("hangs, with a suspend, till the application quits") << QByteArray() << -2 << -1;
        QTest::newRow("floods") << QByteArray() << -3 << -1;
    }
    void progress()
    {
        QFETCH(QByteArray, output);
        QFETCH(int, exitCode);
        QFETCH(int, progress);
        const QString tool = m_bin + QStringLiteral("/balooctl");
        const QByteArray end = exitCode < -2 ? QByteArray("exec yes 'Total files indexed: 1'")
            : exitCode < 0                   ? QByteArray("exec sleep 60")
                                             : "exit " + QByteArray::number(exitCode);
        QVERIFY(TestHelpers::writeRecorder(tool, m_records, "printf '%s' '" + output + "'\n" + end));
        BalooCtl::setStatusProgramForTesting(tool, exitCode == -1 ? 300 : 60000);
        // Asked twice while one run is in flight: one run, both told.
        QList<int> answers;
        for (int i = 0; i < 2; ++i) {
            BalooCtl::indexingProgress(this, [&answers](int answer) {
                answers << answer;
            });
        }
        // A hung order of a kind has no second beside it; all end when the application quits.
        if (exitCode == -2) {
            BalooCtl::suspend();
            BalooCtl::suspend();
            QTRY_COMPARE(TestHelpers::recordedCalls(m_records).size(), 2);
            QMetaObject::invokeMethod(qApp, "aboutToQuit");
        }
        QTRY_COMPARE(answers, QList<int>({progress, progress}));
        QStringList calls = TestHelpers::recordedArguments(m_records);
        calls.sort();
        QCOMPARE(calls.join(QLatin1Char(' ')), exitCode == -2 ? QStringLiteral("status suspend") : QStringLiteral("status"));
        QTRY_VERIFY(!TestHelpers::recordedStillRunning(m_records));
    }

    void realIndexer()
    {
        // A folder added to the settings is indexed once the indexer is told.
        QVERIFY(TestHelpers::writeFile(m_folder + QStringLiteral("-more/xylophonic.txt"), "Added later."));
        BalooSettings settings;
        settings.setFolders({m_folder + QLatin1Char('/'), m_folder + QStringLiteral("-more/")});
        settings.save();
        BalooCtl::updateConfig();
        const QStringList search{QStringLiteral("-c"), QStringLiteral("baloosearch xylophonic | grep -q xylophonic")};
        QTRY_VERIFY_WITH_TIMEOUT(QProcess::execute(QStringLiteral("sh"), search) == 0, 30000);
    }

    void settingsFile()
    {
        // What the panel writes is what the indexer reads.
        BalooSettings settings;
        settings.setIndexHiddenFolders(true);
        settings.setOnlyBasicIndexing(true);
        settings.setExcludedFolders({m_folder + QStringLiteral("/skip/")});
        settings.setExcludedMimetypes({QStringLiteral("image/png"), QStringLiteral("text/plain")});
        settings.save();
        {
            Baloo::IndexerConfig indexer;
            QVERIFY(indexer.fileIndexingEnabled() && indexer.onlyBasicIndexing() && indexer.indexHidden());
            QCOMPARE(indexer.excludeFolders(), settings.excludedFolders());
            QStringList mimetypes = indexer.excludeMimetypes();
            mimetypes.sort();
            QCOMPARE(mimetypes, settings.excludedMimetypes());
        }
        // An administrator's lock holds.
        QVERIFY(TestHelpers::writeFile(m_config, "[Basic Settings][$i]\nIndexing-Enabled=true\n"));
        settings.load();
        QVERIFY(settings.isIndexingEnabledImmutable() && !settings.isFoldersImmutable());
        QSignalSpy enabledChanged(&settings, &BalooSettings::indexingEnabledChanged);
        settings.setIndexingEnabled(false);
        QVERIFY(settings.indexingEnabled() && enabledChanged.isEmpty());
    }

    void idleMode_data()
    {
        QTest::addColumn<bool>("idleMode");
        QTest::addColumn<QByteArray>("screenSaver"); // 0, 1 or silent
        QTest::addColumn<bool>("suspended");
        QTest::addColumn<QString>("setting"); // "basic", "disabled", "paused" or none
        QTest::addColumn<QString>("command");
        QTest::newRow("away mode, screen saver off") << true << QByteArray("0") << false << QString() << QStringLiteral("suspend");
        QTest::newRow("away mode, already suspended") << true << QByteArray("0") << true << QString() << QString();
        QTest::newRow("away mode, screen saver on") << true << QByteArray("1") << true << QString() << QStringLiteral("resume");
        QTest::newRow("away mode, screen saver silent") << true << QByteArray("silent") << false << QString() << QStringLiteral("suspend");
        QTest::newRow("suspended from outside, not asked") << false << QByteArray("silent") << true << QString() << QStringLiteral("resume");
        QTest::newRow("running") << false << QByteArray("0") << false << QString() << QString();
        QTest::newRow("only basic indexing") << false << QByteArray("0") << true << QStringLiteral("basic") << QString();
        QTest::newRow("indexing disabled") << true << QByteArray("0") << false << QStringLiteral("disabled") << QString();
        QTest::newRow("paused by the user") << false << QByteArray("0") << true << QStringLiteral("paused") << QString();
    }
    void idleMode()
    {
        QFETCH(bool, idleMode);
        QFETCH(QByteArray, screenSaver);
        QFETCH(bool, suspended);
        QFETCH(QString, setting);
        QFETCH(QString, command);
        setSuspended(suspended);
        writeSearchSettings(idleMode, false, 3);
        writeIndexerSettings(setting != QLatin1String("disabled"), setting == QLatin1String("basic"));
        m_services.write("active " + screenSaver + '\n');
        QCOMPARE(nextLine(), "active " + screenSaver + '\n');

        BalooController controller(m_monitor);
        controller.setPausedByUser(setting == QLatin1String("paused"));
        QMetaObject::invokeMethod(&controller, "checkIndexer");
        // Asked in idle mode only, one question at a time, and nothing waits for the answer but the rule.
        QMetaObject::invokeMethod(&controller, "checkIndexer");
        const auto questions = controller.findChildren<QDBusPendingCallWatcher *>();
        QCOMPARE(questions.size(), int(idleMode && setting.isEmpty()));
        if (!questions.isEmpty()) {
            // Nothing started yet, seen without letting the answer in.
            QVERIFY(!TestHelpers::recorderRunning(m_bin + QStringLiteral("/balooctl")) && TestHelpers::recordedCalls(m_records).isEmpty());
            QVERIFY(QSignalSpy(questions.first(), &QDBusPendingCallWatcher::finished).wait(20000));
        }
        QCOMPARE(commands(), command);
        QTRY_COMPARE_WITH_TIMEOUT(m_monitor->state() == 1, command.isEmpty() ? suspended : command == QLatin1String("suspend"), 20000);
    }

    void sizeLimit()
    {
        qputenv("BALOO_DB_PATH", QFile::encodeName(m_database));
        QFile index(m_database + QStringLiteral("/index"));
        QVERIFY(QDir().mkpath(m_database) && index.open(QIODevice::WriteOnly) && index.resize((qint64(3) << 30) + 1)); // sparse
        setSuspended(false);
        writeSearchSettings(false, true, 3);
        BalooController controller(m_monitor);
        QSignalSpy removed(&controller, &BalooController::limitRemoved);
        QMetaObject::invokeMethod(&controller, "checkIndexer");
        QCOMPARE(commands(), QStringLiteral("suspend"));
        const char notification[] = "notify %1 Nyd search panel|edit-find|Indexation suspended|Reached index size limit (%2 GB) Current index size: %3|";
        QCOMPARE(nextLine(),
                 QString::fromUtf8(notification).arg(1).arg(3).arg(QStringLiteral("3.0 GiB")).toUtf8() + "1;Remove the limit and continue indexing|0\n");
        // Crossed still, but told once.
        QTRY_COMPARE_WITH_TIMEOUT(m_monitor->state(), 1, 20000);
        QMetaObject::invokeMethod(&controller, "checkIndexer");
        QCOMPARE(commands(), QString());

        // Exactly at the limit is within it, and the notification goes; a 5 GiB index is past 4.
        QVERIFY(index.resize(qint64(3) << 30));
        controller.reevaluate();
        QCOMPARE(commands(), QStringLiteral("resume"));
        QCOMPARE(nextLine(), QByteArray("close 1\n"));
        QTRY_VERIFY_WITH_TIMEOUT(m_monitor->state() != 1, 20000);
        writeSearchSettings(false, true, 4);
        QVERIFY(index.resize(qint64(5) << 30));
        QMetaObject::invokeMethod(&controller, "checkIndexer");
        QCOMPARE(commands(), QStringLiteral("suspend"));
        QVERIFY(nextLine().startsWith(QString::fromUtf8(notification).arg(2).arg(4).arg(QStringLiteral("5.0 GiB")).toUtf8()));

        // Its action, once, lifts the limit, lets the indexer go on and closes it.
        QTRY_COMPARE_WITH_TIMEOUT(m_monitor->state(), 1, 20000);
        m_services.write("invoke 2 1\ninvoke 2 1\n");
        QCOMPARE(nextLine(), QByteArray("close 2\n"));
        QVERIFY(!ScreenSaverProxy().GetActive()); // answered after the second action was sent
        QCoreApplication::processEvents();
        QCOMPARE(commands(), QStringLiteral("resume"));
        QVERIFY(!QSettings().value(QStringLiteral("limitIndexSize")).toBool());
        QCOMPARE(removed.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(m_monitor->state() != 1, 20000); // seen, before the next case suspends it
    }

    // The indexer's file, which may be large, is read again only when it changed: written
    // over in place at its size and time, it still holds what it held.
    void indexerFileReadWhenChanged()
    {
        setSuspended(true);
        writeSearchSettings(false, false, 3);
        writeIndexerSettings(false, false);
        const QByteArray disabled = TestHelpers::readFile(m_config);
        const QByteArray enabled = QByteArray(disabled).replace("=false\n[", "=true\n\n[");
        const QDateTime old = QDateTime::currentDateTime().addSecs(-60);
        BalooController controller(m_monitor);
        for (const auto &[contents, time, command] : {std::tuple{disabled, old, ""}, {enabled, old, ""}, {enabled, old.addSecs(1), "resume"}}) {
            QFile file(m_config);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.write(contents) == disabled.size() && file.flush());
            QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
            QMetaObject::invokeMethod(&controller, "checkIndexer");
            QCOMPARE(commands(), QLatin1String(command));
        }
    }

    // The dialog's status band: the 5 GiB index of the test above, the real indexer paused and resumed.
    void statusBand()
    {
        setSuspended(false);
        writeSearchSettings(false, false, 3);
        BalooController controller(m_monitor);
        SettingsDialog dialog(&controller);
        auto *size = dialog.findChild<QLabel *>(QStringLiteral("labelDatabaseSize"));
        auto *status = dialog.findChild<QLabel *>(QStringLiteral("labelStatus"));
        QCOMPARE(size->text(), QStringLiteral("Database size: 5.0 GiB"));
        QVERIFY(QFile::remove(m_database + QStringLiteral("/index")));
        QTRY_COMPARE(size->text(), QStringLiteral("Database size: 0 B"));
        // The real index gives a figure, in the panel's language.
        qunsetenv("BALOO_DB_PATH");
        QTRY_VERIFY(status->text().endsWith(QLatin1String("% complete")));
        auto *pause = dialog.findChild<QPushButton *>(QStringLiteral("pushButtonPauseResumeIndexer"));
        QCOMPARE(pause->text(), QStringLiteral("Pause"));
        pause->click();
        QVERIFY(controller.pausedByUser());
        QTRY_COMPARE_WITH_TIMEOUT(pause->text(), QStringLiteral("Resume"), 20000);
        QTRY_VERIFY(status->text().startsWith(QLatin1String("Status: Suspended, ")));
        // No figure without a tool to give it.
        BalooCtl::setStatusProgramForTesting(m_bin + QStringLiteral("/missing"), 30000);
        QTRY_COMPARE(status->text(), QStringLiteral("Status: Suspended"));
        // With idle mode stored on, the indexer is the controller's to resume.
        writeSearchSettings(true, false, 3);
        QVERIFY(!SettingsDialog(&controller).findChild<QPushButton *>(QStringLiteral("pushButtonPauseResumeIndexer"))->isEnabled());
        pause->click();
        QTRY_COMPARE_WITH_TIMEOUT(pause->text(), QStringLiteral("Pause"), 20000);
        QVERIFY(controller.pausedByUser());
        // Last, as it ends the indexer: a suspension would change nothing.
        m_indexer.kill();
        QTRY_COMPARE(m_monitor->state(), 10);
        controller.setPausedByUser(false);
        QMetaObject::invokeMethod(&controller, "checkIndexer");
        QVERIFY(QSignalSpy(controller.findChild<QDBusPendingCallWatcher *>(), &QDBusPendingCallWatcher::finished).wait(20000));
        QCOMPARE(commands(), QString());
    }

private:
    void writeIndexerSettings(bool enabled, bool basic)
    {
        const QByteArray config = "[Basic Settings]\nIndexing-Enabled=" + QByteArray(enabled ? "true" : "false")
            + "\n[General]\nonly basic indexing=" + (basic ? "true" : "false") + "\nfolders[$e]=" + QFile::encodeName(m_folder) + '\n';
        QVERIFY(TestHelpers::writeFile(m_config, config));
    }
    static void writeSearchSettings(bool idleMode, bool limit, qint64 gigabytes)
    {
        SearchSettings settings;
        settings.setIdleModeIndexing(idleMode);
        settings.setLimitIndexSize(limit);
        settings.setIndexSizeLimit(gigabytes);
        settings.save();
    }
    // Bypasses the recording tool.
    void setSuspended(bool suspended)
    {
        if ((m_monitor->state() == 1) != suspended) {
            QProcess::execute(QStringLiteral("/usr/bin/balooctl"), {suspended ? QStringLiteral("suspend") : QStringLiteral("resume")});
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_monitor->state() == 1, suspended, 20000);
    }
    // The commands given since the last call.
    QString commands()
    {
        const QString found = TestHelpers::recordedCommands(m_bin + QStringLiteral("/balooctl"), m_records).join(QLatin1Char(' '));
        cleanup();
        return found;
    }
    QByteArray nextLine()
    {
        QTest::qWaitFor([this] {
            return m_services.canReadLine();
        });
        return m_services.readLine();
    }

    const QString m_bin = QDir::homePath() + QStringLiteral("/bin");
    const QString m_records = QDir::homePath() + QStringLiteral("/records");
    const QString m_folder = QDir::homePath() + QStringLiteral("/Indexed");
    const QString m_database = QDir::homePath() + QStringLiteral("/database");
    const QString m_config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/baloofilerc");
    QProcess m_indexer;
    QProcess m_services;
    BalooMonitor *m_monitor = nullptr;
};

QTEST_MAIN(IndexerControlTest)

#include "indexercontroltest.moc"
