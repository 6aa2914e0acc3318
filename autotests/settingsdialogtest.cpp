// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsdialog.h"
#include "baloocontroller.h"
#include "baloomonitor.h"
#include "baloosettings.h"
#include "foldertablemodel.h"
#include "searchsettings.h"
#include "testhelpers.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>

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
        qputenv("PATH", QFile::encodeName(m_bin) + ':' + qgetenv("PATH"));
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(QStringLiteral("/"), &m_indexer, QDBusConnection::ExportAllSlots) && bus.registerService(QStringLiteral("org.kde.baloo")));
    }

    void folders_data()
    {
        QTest::addColumn<QString>("edits"); // load INCLUDED|EXCLUDED, +path, -path, exclude path, remove path; ~ is home
        QTest::addColumn<QString>("rows"); // shown path:[+-] for indexed or not, L when locked
        QTest::addColumn<bool>("changed");
        QTest::newRow("home alone is locked") << "load ~"
                                              << "HOME:+L" << false;
        QTest::newRow("sorted by code unit") << "load /b,/A/|/a"
                                             << "/A:+ /a:- /b:+" << false;
        QTest::newRow("last indexed folder excluded") << "load /data|~/x;exclude /data/"
                                                      << "/data:- ~/x:- HOME:+L" << true;
        QTest::newRow("locked home stays") << "load ~;-~"
                                           << "HOME:+L" << false;
        QTest::newRow("added twice, once with a slash") << "load ~|/m;+/m/;-/n;+/n"
                                                        << "/m:+ HOME:+ /n:+" << true;
        QTest::newRow("in both lists") << "load ~/d|~/d"
                                       << "~/d:+ ~/d:+" << false;
        QTest::newRow("back to the loaded state") << "load ~,/m;remove /m/;+/m"
                                                  << "HOME:+ /m:+" << false;
        QTest::newRow("removed, home comes back") << "load /m;remove /m/"
                                                  << "HOME:+L" << true;
        QTest::newRow("a sibling of home") << "load ~2"
                                           << "HOME2:+" << false;
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
            QCOMPARE(index.data(Qt::ToolTipRole).toString() == QLatin1String("At least one folder must be included to be able to exclude home folder"), locked);
            const QString indexed = model.index(row, 1).data().toString() == QLatin1String("Indexed") ? QStringLiteral("+") : QStringLiteral("-");
            shown << index.data().toString().replace(home, QStringLiteral("HOME")) + QLatin1Char(':') + indexed + (locked ? QStringLiteral("L") : QString());
        }
        QCOMPARE(shown.join(QLatin1Char(' ')), rows);
        QCOMPARE(model.isChanged(), changed);
        BalooSettings settings;
        model.save(&settings);
        QVERIFY(!model.isChanged());
        QVERIFY(!(settings.folders() + settings.excludedFolders()).join(QLatin1Char(' ')).contains(QRegularExpression(QStringLiteral("[^/]( |$)"))));
    }

    void init()
    {
        writeIndexer(true, false);
        QSettings().clear();
        // A command of a kind still running would take the next one's place.
        QTRY_VERIFY(!TestHelpers::recordedStillRunning(m_records));
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

    void apply_data()
    {
        QTest::addColumn<QString>("edit"); // the check box clicked
        QTest::addColumn<QString>("commands");
        QTest::addColumn<int>("updates");
        QTest::newRow("nothing changed") << QString() << "enable" << 0;
        QTest::newRow("applications only") << "checkBoxIndexApplications"
                                           << "enable" << 0;
        QTest::newRow("hidden files") << "checkBoxIndexHidden"
                                      << "enable" << 1;
        QTest::newRow("content") << "checkBoxIndexFileContents"
                                 << "purge" << 0;
        QTest::newRow("off, then asked") << "checkBoxIndexEnabled"
                                         << "disable" << 0;
    }
    void apply()
    {
        QFETCH(QString, edit);
        QFETCH(QString, commands);
        QFETCH(int, updates);
        SettingsDialog dialog(&m_controller);
        if (!edit.isEmpty()) {
            box(dialog, edit.toLatin1().constData())->click();
        }
        QTimer answering; // the question after switching off is answered No: nothing is purged
        connect(&answering, &QTimer::timeout, this, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                box->button(QMessageBox::No)->click();
            }
        });
        answering.start(20);
        // OK applies even when nothing changed.
        dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        QTRY_COMPARE(TestHelpers::recordedArguments(m_records).join(QLatin1Char(' ')), commands);
        QTRY_COMPARE(m_indexer.m_updates, updates);
        QVERIFY(!dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Apply)->isEnabled());
        QCOMPARE(BalooSettings().indexingEnabled(), edit != QLatin1String("checkBoxIndexEnabled"));
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
        SettingsDialog dialog(&m_controller);
        box(dialog, "checkBoxIndexDocuments")->setChecked(documents);
        box(dialog, "checkBoxIndexMedia")->setChecked(media);
        dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        held.load();
        QStringList found;
        for (const char *type : {"image/png", "text/plain", "text/x-csrc", "unknown/kept", "inode/directory"}) {
            if (held.excludedMimetypes().contains(QLatin1String(type))) {
                found << QLatin1String(type);
            }
        }
        QCOMPARE(found.join(QLatin1Char(' ')), excluded);
    }

    void resetRestoreAndCancel()
    {
        QSettings().setValue(QStringLiteral("indexSizeLimit"), 0);
        SettingsDialog dialog(&m_controller);
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        // A stored limit of 0 is no limit one can choose: it shows as the default.
        QCOMPARE(dialog.findChild<QSpinBox *>()->value(), 3);
        box(dialog, "checkBoxIndexHidden")->click();
        buttons->button(QDialogButtonBox::Reset)->click();
        QVERIFY(!box(dialog, "checkBoxIndexHidden")->isChecked());
        const QByteArray before = TestHelpers::readFile(m_config);
        buttons->button(QDialogButtonBox::RestoreDefaults)->click();
        QVERIFY(box(dialog, "checkBoxIndexEnabled")->isChecked() && !box(dialog, "checkBoxIndexFileContents")->isChecked());
        buttons->button(QDialogButtonBox::Cancel)->click();
        QCOMPARE(TestHelpers::readFile(m_config), before);
        QCOMPARE(QSettings().value(QStringLiteral("indexSizeLimit")).toInt(), 0);
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
