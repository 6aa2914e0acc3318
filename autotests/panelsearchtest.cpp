// SPDX-License-Identifier: GPL-2.0-or-later
// The panel with its real runners and a real index: what typing shows, how
// the keyboard moves over it, and the programs a result starts.
#include "mainwindow.h"
#include "resultsmodel.h"
#include "testhelpers.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class PanelSearchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QDir::homePath().startsWith(qEnvironmentVariable("NYD_SESSION_DIR", QStringLiteral("-")) + QLatin1Char('/')), "run in scripts/session.sh");
        for (const char *program : {"nyd-open", "nyd-term"}) {
            QVERIFY(TestHelpers::writeRecorder(m_bin.filePath(QLatin1String(program)), m_records));
        }
        qputenv("PATH", QFile::encodeName(m_bin.path()) + ':' + qgetenv("PATH"));
        // Enough applications for a list that scrolls, and one whose command a shell would take apart if it were not quoted.
        const QString applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + QLatin1Char('/');
        for (int i = 0; i <= 12; ++i) {
            const QByteArray name = i ? "Quuxtool " + QByteArray::number(i).rightJustified(2, '0') : QByteArray("Zoltermo");
            const QByteArray exec = i ? QByteArray::number(i).prepend("true ") : "printf \"%s\" \"it's $(touch " + QFile::encodeName(m_marker) + ")\"";
            const QByteArray entry = "[Desktop Entry]\nType=Application\nIcon=system-run\nName=" + name + "\nExec=" + exec;
            QVERIFY(TestHelpers::writeFile(applications + QString::fromLatin1(name) + QStringLiteral(".desktop"), entry));
        }
        QCOMPARE(QProcess::execute(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--noincremental")}), 0);
        // A file in the real index, found by a word inside it.
        QVERIFY(TestHelpers::writeFile(m_file, "Notes about the zephyrine project.\n"));
        QVERIFY(TestHelpers::writeFile(
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/baloofilerc"),
            "[Basic Settings]\nIndexing-Enabled=true\n[General]\nonly basic indexing=false\nfolders[$e]=" + QFile::encodeName(QDir::homePath()) + "/EndToEnd"));
        m_indexer.start(QStringLiteral("baloo_file"), {});
        // Asked in a process of its own: one in this process could keep the index file the indexer replaces.
        const QStringList indexed{QStringLiteral("-c"), QStringLiteral("baloosearch zephyrine | grep -qxF \"$0\""), m_file};
        QTRY_VERIFY_WITH_TIMEOUT(QProcess::execute(QStringLiteral("sh"), indexed) == 0, 120000);
    }

    void cleanupTestCase()
    {
        m_indexer.terminate();
        QVERIFY(m_indexer.waitForFinished(30000));
    }

    void init()
    {
        QVERIFY(QDir(m_records).removeRecursively() && QDir().mkpath(m_records));
        m_window = std::make_unique<MainWindow>(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
        // A few rows tall only, so the list has something to scroll.
        m_window->place(QString(), 2, 0, 404, 300);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_list = m_window->findChild<QListView *>(QStringLiteral("listViewSearchResults"));
        m_query = m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"));
        new QAbstractItemModelTester(m_list->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_window.get());
    }

    void typingAndKeys()
    {
        search(QStringLiteral("zzqxjv"));
        QCOMPARE(page(), QStringLiteral("pageNoResults"));
        QCOMPARE(m_list->model()->rowCount(), 0);

        search(QStringLiteral("quuxtool"));
        QCOMPARE(page(), QStringLiteral("pageSearchResults"));
        const QAbstractItemModel *model = m_list->model();
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Best match"));
        QCOMPARE(m_list->currentIndex().data(ResultsModel::CategoryRole).toString(), QStringLiteral("Applications"));
        // The results area gives way to a visible scroll bar.
        QTRY_VERIFY(m_list->verticalScrollBar()->isVisible());
        QCOMPARE(m_window->findChild<QLayout *>(QStringLiteral("verticalLayoutResults"))->contentsMargins().right(), 1);

        QList<int> results;
        for (const QModelIndex &result : model->match(model->index(0, 0), ResultsModel::IsCategoryRole, false, -1, Qt::MatchExactly)) {
            results << result.row();
        }
        QVERIFY2(results.first() == 1 && results.last() - results.first() >= results.size(), "the results must span a second header");
        // Down walks every result once, never a header, and stops at the last.
        QList<int> visited{m_list->currentIndex().row()};
        for (int step = 0; step < model->rowCount(); ++step) {
            QTest::keyClick(m_query, Qt::Key_Down);
            if (m_list->currentIndex().row() != visited.last()) {
                visited << m_list->currentIndex().row();
            }
        }
        QCOMPARE(visited, results);
        for (int i = visited.size() - 2; i >= 0; --i) {
            QTest::keyClick(m_list, Qt::Key_Up);
            QCOMPARE(m_list->currentIndex().row(), visited.at(i));
        }
        // Up on the first result shows the header above it.
        m_list->verticalScrollBar()->setValue(m_list->verticalScrollBar()->maximum());
        QTest::keyClick(m_query, Qt::Key_Up);
        QCOMPARE(m_list->currentIndex().row(), 1);
        QCOMPARE(m_list->verticalScrollBar()->value(), 0);
        QCOMPARE(m_query->text(), QStringLiteral("quuxtool"));
    }

    void enterOpensTheFile()
    {
        search(QStringLiteral("zephyrine"));
        const QModelIndex file = firstResultOf(QStringLiteral("Text"));
        QCOMPARE(file.data(ResultsModel::SubtextRole).toString(), m_file);
        m_list->setCurrentIndex(file);
        QTest::keyClick(m_query, Qt::Key_Return);
        QVERIFY(m_window->isHidden());
        QTRY_COMPARE(TestHelpers::recordedCalls(m_records),
                     QList<QStringList>({{QStringLiteral("nyd-open"), QStringLiteral("-e"), QUrl::fromLocalFile(m_file).toString()}}));
    }

    void terminalGetsTheCommandWhole()
    {
        search(QStringLiteral("zoltermo"));
        m_window->openResultInTerminal(firstResultOf(QStringLiteral("Applications")));
        QTRY_COMPARE(TestHelpers::recordedCalls(m_records).size(), 1);
        const QStringList call = TestHelpers::recordedCalls(m_records).constFirst();
        QVERIFY2(call.size() == 4 && call.at(1) == QLatin1String("--noclose") && call.at(3).contains(QLatin1String("$(touch ")),
                 qPrintable(call.join(QLatin1Char('|'))));
        QVERIFY(!QFile::exists(m_marker));
    }

private:
    void search(const QString &text)
    {
        auto *model = qobject_cast<ResultsModel *>(m_list->model());
        m_query->setFocus();
        m_query->clear();
        QTest::keyClicks(m_query, text);
        QCOMPARE(model->queryString(), text.trimmed());
        QTRY_VERIFY_WITH_TIMEOUT(!model->querying(), 15000);
    }

    QModelIndex firstResultOf(const QString &category) const
    {
        const QModelIndexList found = m_list->model()->match(m_list->model()->index(0, 0), ResultsModel::CategoryRole, category, 1, Qt::MatchExactly);
        return found.isEmpty() ? QModelIndex() : found.first();
    }

    QString page() const
    {
        return m_window->findChild<QStackedWidget *>(QStringLiteral("stackedWidgetResults"))->currentWidget()->objectName();
    }

    QTemporaryDir m_bin;
    const QString m_records = m_bin.filePath(QStringLiteral("records"));
    const QString m_marker = m_bin.filePath(QStringLiteral("pwned"));
    const QString m_file = QDir::homePath() + QStringLiteral("/EndToEnd/two words/zephyrine notes.txt");
    QProcess m_indexer;
    std::unique_ptr<MainWindow> m_window;
    QListView *m_list = nullptr;
    QLineEdit *m_query = nullptr;
};

QTEST_MAIN(PanelSearchTest)
#include "panelsearchtest.moc"
