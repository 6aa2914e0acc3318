// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsdialog.h"
#include "baloocontroller.h"
#include "balooctl.h"
#include "baloomonitor.h"
#include "baloosettings.h"
#include "foldertablemodel.h"
#include "searchsettings.h"
#include "testhelpers.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTimer>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

// Mounts made here stay in this process: a full or read-only settings folder.
// Taken before any thread starts, as the kernel requires.
static const bool s_ownMounts = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;

namespace
{
// Answers message boxes, OK or else No, and keeps what they said as they show.
struct BoxAnswerer : QObject {
    QStringList said;
    BoxAnswerer()
    {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (box && event->type() == QEvent::Show) {
            said << box->text();
            QMetaObject::invokeMethod(
                box,
                [box] {
                    box->button(box->button(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No)->click();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};
}

// Answers the indexer's "updateConfig" in place of the indexer, and counts.
class FakeIndexer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.baloo")
public:
    int m_updates = 0;
public Q_SLOTS:
    void updateConfig()
    {
        ++m_updates;
    }
};

// The folder list and the dialog over real settings files, with the indexer's
// tool recording what it is told.
class SettingsDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/baloofilerc");
        QCoreApplication::setOrganizationName(QStringLiteral("nyd"));
        QVERIFY(TestHelpers::writeRecorder(m_bin + QStringLiteral("/balooctl"), m_records));
        // The status band asks now and then; only orders are recorded.
        BalooCtl::setStatusProgramForTesting(QStringLiteral("/usr/bin/balooctl"), 30000);
        qputenv("PATH", QFile::encodeName(m_bin) + ':' + qgetenv("PATH"));
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(QStringLiteral("/"), &m_indexer, QDBusConnection::ExportAllSlots) && bus.registerService(QStringLiteral("org.kde.baloo")));
    }

    void folders_data()
    {
        QTest::addColumn<QString>("edits"); // load INCLUDED|EXCLUDED, +path, -path, exclude path, remove path; ~ is home
        QTest::addColumn<QString>("rows"); // shown path:[+-] for indexed or not, L when locked
        QTest::addColumn<bool>("changed");
        const auto row = [](const char *name, const char *edits, const char *rows, bool changed) {
            QTest::newRow(name) << QString::fromUtf8(edits) << QString::fromUtf8(rows) << changed;
        };
        row("home alone is locked", "load ~", "HOME:+L", false);
        row("sorted by code unit", "load /b,/A/|/a", "/A:+ /a:- /b:+", false);
        row("last indexed folder excluded", "load /data|~/x;exclude /data/", "/data:- ~/x:- HOME:+L", true);
        row("locked home stays", "load ~;-~", "HOME:+L", false);
        row("added twice, once with a slash", "load ~|/m;+/m/;-/n;+/n", "/m:+ HOME:+ /n:+", true);
        row("in both lists", "load ~/d|~/d", "~/d:+ ~/d:+", false);
        row("back to the loaded state", "load ~,/m;remove /m/;+/m", "HOME:+ /m:+", false);
        row("removed, home comes back", "load /m;remove /m/", "HOME:+L", true);
        row("a sibling of home", "load ~2", "HOME2:+", false);
        row("names like markup", "load ~/<b>x</b>,~/<img src=x.png>", "~/<b>x</b>:+ ~/<img src=x.png>:+", false);
    }
    void folders()
    {
        QFETCH(QString, edits);
        QFETCH(QString, rows);
        QFETCH(bool, changed);
        const QString home = QDir::homePath();
        FolderTableModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (QString edit : edits.split(QLatin1Char(';'))) {
            edit.replace(QLatin1Char('~'), home);
            const QString path = edit.section(QLatin1Char(' '), 1);
            if (edit.startsWith(QLatin1String("load "))) {
                model.setFolderLists(path.section(QLatin1Char('|'), 0, 0).split(QLatin1Char(','), Qt::SkipEmptyParts),
                                     path.section(QLatin1Char('|'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts));
            } else if (edit.startsWith(QLatin1String("exclude "))) {
                model.excludeFolder(path);
            } else if (edit.startsWith(QLatin1String("remove "))) {
                model.removeFolder(path);
            } else {
                model.addFolder(edit.mid(1), edit.startsWith(QLatin1Char('+')));
            }
        }
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row, 0);
            const bool locked = !(model.flags(index) & Qt::ItemIsEnabled);
            // Shown as a tool tip shows it: a name that looks like markup is still the name.
            const QString tip = index.data(Qt::ToolTipRole).toString();
            const QString tipShown = Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
            QCOMPARE(tipShown,
                     locked ? QStringLiteral("At least one folder must be included to be able to exclude home folder")
                            : model.folderPath(index).replace(home + QLatin1Char('/'), QStringLiteral("~/")));
            const QString indexed = model.index(row, 1).data().toString() == QLatin1String("Indexed") ? QStringLiteral("+") : QStringLiteral("-");
            shown << index.data().toString().replace(home, QStringLiteral("HOME")) + QLatin1Char(':') + indexed + (locked ? QStringLiteral("L") : QString());
        }
        QCOMPARE(shown.join(QLatin1Char(' ')), rows);
        QCOMPARE(model.isChanged(), changed);
        BalooSettings settings;
        model.save(&settings);
        QVERIFY(!(settings.folders() + settings.excludedFolders()).join(QLatin1Char(' ')).contains(QRegularExpression(QStringLiteral("[^/]( |$)"))));
    }

    void init()
    {
        writeIndexer(true, false);
        QSettings().clear();
        // What the case before started may still record itself, or reach the indexer: let it, then
        // forget it. A command of a kind still running would take the next one's place.
        TestHelpers::recordedCommands(m_bin + QStringLiteral("/balooctl"), m_records);
        QTRY_VERIFY(!TestHelpers::recordedStillRunning(m_records));
        QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.kde.baloo")); // answered after the calls before it
        QCoreApplication::processEvents();
        QDir(m_records).removeRecursively();
        QDir().mkpath(m_records);
        m_indexer.m_updates = 0;
    }

    void enableRules()
    {
        writeIndexer(false, false);
        SettingsDialog dialog(&m_controller);
        const auto enabled = [&dialog](const char *name) {
            return dialog.findChild<QWidget *>(QLatin1String(name))->isEnabled();
        };
        QVERIFY(!enabled("checkBoxIndexFileContents") && !enabled("checkBoxIndexHidden") && !enabled("spinBoxIndexSizeLimit"));
        box(dialog, "checkBoxIndexEnabled")->click();
        QVERIFY(enabled("checkBoxIndexFileContents") && enabled("checkBoxIndexHidden") && enabled("checkBoxIdleModeIndexing"));
        box(dialog, "checkBoxIndexFileContents")->click();
        QVERIFY(!enabled("labelLimitIndexSize") && !enabled("checkBoxLimitIndexSize") && !enabled("checkBoxIdleModeIndexing"));
        QVERIFY(enabled("checkBoxIndexMedia") && enabled("tableViewFolders"));
    }

    void excludedTypes_data()
    {
        QTest::addColumn<bool>("documents");
        QTest::addColumn<bool>("media");
        QTest::addColumn<QString>("excluded"); // of image/png, text/plain, text/x-csrc (a default) and unknown/kept (held)
        QTest::newRow("both") << true << true << "text/x-csrc unknown/kept";
        QTest::newRow("documents") << true << false << "image/png text/x-csrc unknown/kept";
        QTest::newRow("media") << false << true << "text/plain text/x-csrc unknown/kept";
        QTest::newRow("neither") << false << false << "image/png text/plain text/x-csrc unknown/kept";
    }
    void excludedTypes()
    {
        QFETCH(bool, documents);
        QFETCH(bool, media);
        QFETCH(QString, excluded);
        BalooSettings held;
        held.setExcludedMimetypes({QStringLiteral("unknown/kept"), QStringLiteral("image/png")});
        held.save();
        SearchSettings before; // both switches edited: untouched, the list stays as it is
        before.setIndexDocuments(!documents);
        before.setIndexMedia(!media);
        before.save();
        SettingsDialog dialog(&m_controller);
        box(dialog, "checkBoxIndexDocuments")->setChecked(documents);
        box(dialog, "checkBoxIndexMedia")->setChecked(media);
        dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        held.load();
        QStringList found =
            held.excludedMimetypes().filter(QRegularExpression(QStringLiteral("^(image/png|text/plain|text/x-csrc|unknown/kept|inode/directory)$")));
        found.sort();
        QCOMPARE(found.join(QLatin1Char(' ')), excluded);
    }

    void resetRestoreAndCancel()
    {
        SettingsDialog dialog(&m_controller);
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        box(dialog, "checkBoxIndexHidden")->click();
        buttons->button(QDialogButtonBox::Reset)->click();
        QVERIFY(!box(dialog, "checkBoxIndexHidden")->isChecked());
        const QByteArray before = TestHelpers::readFile(m_config);
        buttons->button(QDialogButtonBox::RestoreDefaults)->click();
        QVERIFY(box(dialog, "checkBoxIndexEnabled")->isChecked() && !box(dialog, "checkBoxIndexFileContents")->isChecked());
        buttons->button(QDialogButtonBox::Cancel)->click();
        QCOMPARE(TestHelpers::readFile(m_config), before);
    }

    void chooseFolders()
    {
        // "/" is refused and the chooser asked again; a folder chosen twice is one row.
        const QString documents = QDir::homePath() + QStringLiteral("/Documents");
        QVERIFY(QDir().mkpath(documents));
        QStringList answers{QStringLiteral("/"), documents, documents};
        QStringList errors;
        QTimer answering;
        connect(&answering, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                errors << box->windowTitle() + QLatin1Char(':') + box->text();
                box->button(QMessageBox::Ok)->click();
            } else if (auto *chooser = qobject_cast<QFileDialog *>(modal)) {
                // The folder shown is the answer; a selected name would depend on where the focus is.
                chooser->setDirectory(answers.takeFirst());
                QMetaObject::invokeMethod(chooser, "accept");
            }
        });
        answering.start(20);
        SettingsDialog dialog(&m_controller);
        dialog.findChild<QPushButton *>(QStringLiteral("pushButtonRemoveFolder"))->click();
        QCOMPARE(errors, QStringList(QStringLiteral("Input error:Folder \"/\" could not be added.")));
        dialog.findChild<QPushButton *>(QStringLiteral("pushButtonAddFolder"))->click();
        QVERIFY(answers.isEmpty());
        // Documents, and home, which came in when Documents was the last one indexed and went out.
        auto *table = dialog.findChild<QTableView *>();
        QVERIFY(table->model()->rowCount() == 2 && qobject_cast<QPushButton *>(table->indexWidget(table->model()->index(1, 2))));
        // Removing a row keeps the others' widgets, or thousands of rows freeze the panel; home is left alone, locked.
        QWidget *home = table->indexWidget(table->model()->index(1, 1));
        qobject_cast<QPushButton *>(table->indexWidget(table->model()->index(0, 2)))->pressed();
        QVERIFY(table->model()->rowCount() == 1 && table->indexWidget(table->model()->index(0, 1)) == home && !home->isEnabled());
    }

    // Thousands of folders: the rows in view have widgets, and so do those scrolled to.
    void longFolderList()
    {
        QByteArrayList folders;
        for (int i = 0; i < 5000; ++i) {
            folders << "/srv/f" + QByteArray::number(i) + '/';
        }
        QVERIFY(TestHelpers::writeFile(m_config, "[General]\nexclude folders=" + folders.join(',') + '\n'));
        SettingsDialog dialog(&m_controller);
        dialog.show();
        auto *table = dialog.findChild<QTableView *>();
        table->scrollToBottom();
        QTRY_VERIFY(table->indexWidget(table->model()->index(table->model()->rowCount() - 1, 2)));
        QVERIFY(dialog.findChildren<QComboBox *>().size() < 200);
    }

    // OK over files as users' desktops have them: full, read-only, unreadable, locked. What it
    // says and tells the indexer; a failed save keeps the edits and passes for saved nowhere, and
    // once freed, the same dialog saves.
    void surroundings_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("edit"); // clicked before OK, when not locked
        QTest::addColumn<QString>("said"); // %1 the indexer's file, %2 the panel's; questions are answered No
        QTest::addColumn<QString>("commands"); // and "+update" for each update call
        const QString failed = QStringLiteral("The settings could not be saved to %1.");
        const QString unreadable = QStringLiteral("The file search settings in %1 cannot be read, so they are left as they are.");
        const auto row = [](const char *name, const char *setup, const char *edit, const QString &said, const char *commands) {
            QTest::newRow(name) << QString::fromUtf8(setup) << QString::fromLatin1(edit) << said << QString::fromLatin1(commands);
        };
        row("nothing changed", "", "", {}, "enable");
        row("applications only", "", "checkBoxIndexApplications", {}, "enable");
        row("hidden files", "", "checkBoxIndexHidden", {}, "enable +update");
        row("content", "", "checkBoxIndexFileContents", {}, "purge");
        row("off, then asked", "", "checkBoxIndexEnabled", QStringLiteral("File search has been disabled"), "disable");
        // Stored values the controls cannot hold read as the defaults: nothing counts as changed.
        row("limit 2^31, switch not a boolean", "panel indexSizeLimit=2147483648\nlimitIndexSize=garbage", "", {}, "enable");
        row("limit 0", "panel indexSizeLimit=0", "", {}, "enable");
        row("limit not a number", "panel indexSizeLimit=abc", "", {}, "enable");
        row("full disk", "full", "checkBoxIndexHidden", failed, "");
        row("indexer's file read-only", "read-only", "checkBoxIndexFileContents", failed, "");
        row("panel's folder read-only", "read-only panel", "checkBoxIndexApplications", failed.arg(QStringLiteral("%2")), "enable");
        row("a directory", "directory", "checkBoxIndexEnabled", unreadable, "");
        row("a symlink loop", "loop", "checkBoxIndexEnabled", unreadable, "");
        row("a FIFO", "fifo", "checkBoxIndexEnabled", unreadable, "");
        row("content locked by the user",
            "user [Basic Settings]\nIndexing-Enabled=true\n[General]\nonly basic indexing[$i]=false",
            "checkBoxIndexFileContents",
            {},
            "enable");
        row("indexing locked by the system", "system [Basic Settings]\nIndexing-Enabled[$i]=false", "checkBoxIndexEnabled", {}, "");
        row("folders, a whole group locked", "user [Basic Settings]\nIndexing-Enabled=true\n[General][$i]\nfolders=/srv/", "tableViewFolders", {}, "enable");
    }
    void surroundings()
    {
        QFETCH(QString, setup);
        QFETCH(QString, edit);
        QFETCH(QString, said);
        QFETCH(QString, commands);
        QVERIFY(s_ownMounts);
        QSettings().setValue(QStringLiteral("indexMedia"), true); // the panel's file is there
        const QString panelFile = QSettings().fileName();
        const QString systemFile = qEnvironmentVariable("XDG_CONFIG_DIRS").section(QLatin1Char(':'), 0, 0) + QStringLiteral("/baloofilerc");
        const QByteArray config = QFile::encodeName(m_config);
        QByteArray mountPoint;
        if (setup == QLatin1String("full")) {
            mountPoint = QFile::encodeName(QFileInfo(m_config).path());
            const QByteArray kept = TestHelpers::readFile(m_config); // fills the one page there is
            QVERIFY(::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=4k") == 0 && TestHelpers::writeFile(m_config, kept));
        } else if (setup.startsWith(QLatin1String("read-only"))) {
            mountPoint = setup.endsWith(QLatin1String("panel")) ? QFile::encodeName(QFileInfo(panelFile).path()) : config;
            QVERIFY(::mount(mountPoint.constData(), mountPoint.constData(), nullptr, MS_BIND, nullptr) == 0);
            QVERIFY(::mount(nullptr, mountPoint.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0);
        } else if (setup.startsWith(QLatin1String("panel"))) {
            QVERIFY(TestHelpers::writeFile(panelFile, "[General]\n" + setup.section(QLatin1Char(' '), 1).toUtf8()));
        } else if (setup.contains(QLatin1Char('['))) {
            QVERIFY(TestHelpers::writeFile(setup.startsWith(QLatin1String("user")) ? m_config : systemFile, setup.section(QLatin1Char(' '), 1).toUtf8()));
        } else if (!setup.isEmpty()) {
            QVERIFY(QFile::remove(m_config));
            QCOMPARE(setup == QLatin1String("directory")  ? ::mkdir(config.constData(), 0700)
                         : setup == QLatin1String("loop") ? ::symlink(config.constData(), config.constData())
                                                          : ::mkfifo(config.constData(), 0600),
                     0);
        }
        auto restore = qScopeGuard([&] {
            mountPoint.isEmpty() || ::umount2(mountPoint.constData(), MNT_DETACH);
            QFile::remove(systemFile);
            const QFileInfo left(m_config);
            left.isFile() || (left.isDir() ? QDir(m_config).removeRecursively() : QFile::remove(m_config));
        });
        struct stat before = {};
        ::lstat(config.constData(), &before);
        const QByteArray panelBefore = TestHelpers::readFile(panelFile);
        const bool failing = said.startsWith(QLatin1String("The settings could not"));

        SettingsDialog dialog(&m_controller);
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        auto *control = edit.isEmpty() ? nullptr : dialog.findChild<QWidget *>(edit);
        QVERIFY(!control || control->isEnabled() == (failing || setup.isEmpty()));
        auto *check = qobject_cast<QCheckBox *>(control);
        check ? check->click() : void();
        QCOMPARE(dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Apply)->isEnabled(), check && check->isEnabled());
        QVERIFY(!setup.startsWith(QLatin1String("panel"))
                || (dialog.findChild<QSpinBox *>()->value() == 3 && !box(dialog, "checkBoxLimitIndexSize")->isChecked()));
        {
            BoxAnswerer answerer;
            dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
            QTRY_COMPARE(answerer.said.join(QLatin1Char('\n')), said.replace(QLatin1String("%1"), m_config).replace(QLatin1String("%2"), panelFile));
        }
        QVERIFY(accepted.count() == (failing ? 0 : 1) && dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Apply)->isEnabled() == failing);
        QTRY_COMPARE(TestHelpers::recordedCommands(m_bin + QStringLiteral("/balooctl"), m_records).join(QLatin1Char(' '))
                         + QStringLiteral(" +update").repeated(m_indexer.m_updates),
                     commands);
        struct stat after = {};
        QCOMPARE(::lstat(config.constData(), &after), 0);
        QVERIFY(failing || setup.isEmpty() || (after.st_mode == before.st_mode && after.st_mtim.tv_nsec == before.st_mtim.tv_nsec));
        if (failing) {
            QCOMPARE(box(SettingsDialog(&m_controller), edit.toLatin1().constData())->isChecked(), !check->isChecked());
            QCOMPARE(::umount2(mountPoint.constData(), MNT_DETACH), 0);
            mountPoint.clear();
            dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
            QCOMPARE(accepted.count(), 1);
        }
        if (check && check->isEnabled()) { // applied, and so shown by the next dialog
            QCOMPARE(box(SettingsDialog(&m_controller), edit.toLatin1().constData())->isChecked(), check->isChecked());
        }
        QVERIFY(failing || (TestHelpers::readFile(panelFile) == panelBefore) == (edit != QLatin1String("checkBoxIndexApplications")));
    }

    // What the indexer's own tool writes while the dialog is open, and what the user leaves alone, stay.
    void othersWrites()
    {
        const QString home = QDir::homePath();
        QVERIFY(QDir().mkpath(home + QStringLiteral("/Added")));
        QVERIFY(TestHelpers::writeFile(m_config,
                                       "[Basic Settings]\nIndexing-Enabled=true\n\n[General]\nexclude folders=/srv/$USER/\n"
                                       "exclude mimetypes=text/x-csrc,application/json\nfolders[$e]=$HOME/Documents/,$HOME/B/\n"));
        SettingsDialog dialog(&m_controller);
        const QString balooctl =
            QStringLiteral("XDG_CONFIG_HOME=%1 /usr/bin/balooctl config add includeFolders %2/Added").arg(QFileInfo(m_config).path(), home);
        QCOMPARE(QProcess::execute(QStringLiteral("env"), balooctl.split(QLatin1Char(' '))), 0);
        const QList<QByteArray> written = TestHelpers::readFile(m_config).split('\n');
        // The user removes ~/B.
        auto *table = dialog.findChild<QTableView *>();
        const QModelIndex folder = table->model()->match(table->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("~/B"), 1, Qt::MatchExactly).value(0);
        Q_EMIT qobject_cast<QPushButton *>(table->indexWidget(folder.siblingAtColumn(2)))->pressed();
        dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        BalooSettings after;
        after.load();
        QCOMPARE(after.folders(), QStringList({home + QStringLiteral("/Documents/"), home + QStringLiteral("/Added/")}));
        const QList<QByteArray> now = TestHelpers::readFile(m_config).split('\n');
        for (const QByteArray &line : written) {
            QVERIFY2(now.contains(line) || line.startsWith("folders"), line.constData());
        }
    }

private:
    void writeIndexer(bool enabled, bool basic)
    {
        QVERIFY(TestHelpers::writeFile(m_config,
                                       "[Basic Settings]\nIndexing-Enabled=" + QByteArray(enabled ? "true" : "false")
                                           + "\n[General]\nonly basic indexing=" + (basic ? "true" : "false") + "\nfolders[$e]=$HOME/Documents/\n"));
    }
    static QCheckBox *box(const SettingsDialog &dialog, const char *name)
    {
        return dialog.findChild<QCheckBox *>(QLatin1String(name));
    }
    QString m_config;
    BalooMonitor m_monitor;
    BalooController m_controller{&m_monitor};
    const QString m_bin = QDir::homePath() + QStringLiteral("/bin");
    const QString m_records = QDir::homePath() + QStringLiteral("/records");
    FakeIndexer m_indexer;
};

QTEST_MAIN(SettingsDialogTest)

#include "settingsdialogtest.moc"
