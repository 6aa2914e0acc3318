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
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace
{
// Asked in a process of its own: a reader in this process could keep the index
// file the indexer replaces while it starts up, and never see the new one.
bool isIndexed(const QString &term, const QString &path)
{
    QProcess search;
    search.start(QStringLiteral("baloosearch"), {term});
    return search.waitForFinished(30000) && search.readAllStandardOutput().split('\n').contains(QFile::encodeName(path));
}
}

class PanelSearchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void typingShowsResults();
    void keysMoveOverResultsOnly();
    void enterOpensTheFile();
    void terminalGetsTheCommandWhole();

private:
    void search(const QString &text);
    QModelIndex firstResultOf(const QString &category) const;
    QListView *list() const;
    QLineEdit *query() const;
    QString page() const;

    QTemporaryDir m_bin;
    QString m_file;
    QString m_marker;
    QProcess m_indexer;
    MainWindow *m_window = nullptr;
};

void PanelSearchTest::initTestCase()
{
    const QString session = qEnvironmentVariable("NYD_SESSION_DIR");
    QVERIFY2(!session.isEmpty() && QDir::homePath().startsWith(session + QLatin1Char('/')), "run inside scripts/session.sh");
    for (const char *program : {"nyd-open", "nyd-term"}) {
        QVERIFY(TestHelpers::writeRecorder(m_bin.filePath(QLatin1String(program)), m_bin.filePath(QStringLiteral("records"))));
    }
    qputenv("PATH", QFile::encodeName(m_bin.path()) + ':' + qgetenv("PATH"));

    // Enough applications for a list that scrolls, and one whose command a
    // shell would take apart if it were not quoted.
    const QString applications = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/applications/");
    for (int i = 1; i <= 12; ++i) {
        QVERIFY(TestHelpers::writeFile(applications + QStringLiteral("quuxtool%1.desktop").arg(i),
                                       "[Desktop Entry]\nType=Application\nName=Quuxtool " + QByteArray::number(i).rightJustified(2, '0') + "\nExec=true "
                                           + QByteArray::number(i) + "\nIcon=system-run\n"));
    }
    m_marker = m_bin.filePath(QStringLiteral("pwned"));
    QVERIFY(
        TestHelpers::writeFile(applications + QStringLiteral("zoltermo.desktop"),
                               "[Desktop Entry]\nType=Application\nName=Zoltermo\nExec=printf \"%s\" \"it's $(touch " + QFile::encodeName(m_marker) + ")\"\n"));
    QProcess sycoca;
    sycoca.start(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--noincremental")});
    QVERIFY(sycoca.waitForFinished(60000));

    // A file in the real index, found by a word inside it.
    const QString folder = QDir::homePath() + QStringLiteral("/EndToEnd");
    m_file = folder + QStringLiteral("/two words/zephyrine notes.txt");
    QVERIFY(TestHelpers::writeFile(m_file, "Notes about the zephyrine project.\n"));
    QVERIFY(TestHelpers::writeFile(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/baloofilerc"),
                                   "[Basic Settings]\nIndexing-Enabled=true\n\n[General]\nonly basic indexing=false\nfolders[$e]=" + QFile::encodeName(folder)
                                       + "\n"));
    m_indexer.setProcessChannelMode(QProcess::ForwardedChannels);
    m_indexer.start(QStringLiteral("baloo_file"), QStringList());
    QVERIFY(m_indexer.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(isIndexed(QStringLiteral("zephyrine"), m_file), 120000);
}

void PanelSearchTest::cleanupTestCase()
{
    m_indexer.terminate();
    if (!m_indexer.waitForFinished(30000)) {
        m_indexer.kill();
        m_indexer.waitForFinished();
    }
}

void PanelSearchTest::init()
{
    m_window = new MainWindow(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    // A few rows tall only, so the list has something to scroll.
    m_window->place(QString(), 2, 0, 404, 300);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    new QAbstractItemModelTester(list()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_window);
}

void PanelSearchTest::cleanup()
{
    delete m_window;
}

QListView *PanelSearchTest::list() const
{
    return m_window->findChild<QListView *>(QStringLiteral("listViewSearchResults"));
}

QLineEdit *PanelSearchTest::query() const
{
    return m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"));
}

QString PanelSearchTest::page() const
{
    return m_window->findChild<QStackedWidget *>(QStringLiteral("stackedWidgetResults"))->currentWidget()->objectName();
}

void PanelSearchTest::search(const QString &text)
{
    auto *model = qobject_cast<ResultsModel *>(list()->model());
    query()->setFocus();
    query()->clear();
    QTest::keyClicks(query(), text);
    QCOMPARE(model->queryString(), text.trimmed());
    QTRY_VERIFY_WITH_TIMEOUT(!model->querying(), 15000);
}

QModelIndex PanelSearchTest::firstResultOf(const QString &category) const
{
    const QAbstractItemModel *model = list()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (!index.data(ResultsModel::IsCategoryRole).toBool() && index.data(ResultsModel::CategoryRole).toString() == category) {
            return index;
        }
    }
    return {};
}

void PanelSearchTest::typingShowsResults()
{
    search(QStringLiteral("zzqxjv"));
    QCOMPARE(page(), QStringLiteral("pageNoResults"));
    QCOMPARE(list()->model()->rowCount(), 0);

    search(QStringLiteral("quuxtool"));
    QCOMPARE(page(), QStringLiteral("pageSearchResults"));
    const QModelIndex first = list()->model()->index(0, 0);
    QVERIFY(first.data(ResultsModel::IsCategoryRole).toBool());
    QCOMPARE(first.data().toString(), QStringLiteral("Best match"));
    QCOMPARE(list()->currentIndex().row(), 1);
    QVERIFY(list()->currentIndex().data().toString().startsWith(QLatin1String("Quuxtool")));
    QCOMPARE(list()->currentIndex().data(ResultsModel::CategoryRole).toString(), QStringLiteral("Applications"));
    // The results area gives way to a visible scroll bar.
    QTRY_VERIFY(list()->verticalScrollBar()->isVisible());
    QCOMPARE(m_window->findChild<QLayout *>(QStringLiteral("verticalLayoutResults"))->contentsMargins().right(), 1);
}

void PanelSearchTest::keysMoveOverResultsOnly()
{
    search(QStringLiteral("quuxtool"));
    const QAbstractItemModel *model = list()->model();
    QList<int> results;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (!model->index(row, 0).data(ResultsModel::IsCategoryRole).toBool()) {
            results << row;
        }
    }
    QVERIFY2(results.last() - results.first() >= results.size(), "the results must span a second header");

    // Down walks every result once, never a header, and stops at the last.
    QList<int> visited{list()->currentIndex().row()};
    for (int step = 0; step < model->rowCount(); ++step) {
        QTest::keyClick(query(), Qt::Key_Down);
        if (list()->currentIndex().row() != visited.last()) {
            visited << list()->currentIndex().row();
        }
    }
    QCOMPARE(visited, results);
    for (int i = visited.size() - 2; i >= 0; --i) {
        QTest::keyClick(list(), Qt::Key_Up);
        QCOMPARE(list()->currentIndex().row(), visited.at(i));
    }
    // Up on the first result shows the header above it.
    list()->verticalScrollBar()->setValue(list()->verticalScrollBar()->maximum());
    QTest::keyClick(query(), Qt::Key_Up);
    QCOMPARE(list()->currentIndex().row(), 1);
    QCOMPARE(list()->verticalScrollBar()->value(), 0);
    QCOMPARE(query()->text(), QStringLiteral("quuxtool"));
}

void PanelSearchTest::enterOpensTheFile()
{
    search(QStringLiteral("zephyrine"));
    const QModelIndex file = firstResultOf(QStringLiteral("Text"));
    QCOMPARE(file.data(ResultsModel::SubtextRole).toString(), m_file);
    list()->setCurrentIndex(file);
    QTest::keyClick(query(), Qt::Key_Return);
    QVERIFY(m_window->isHidden());
    QTRY_COMPARE(TestHelpers::recordedCalls(m_bin.filePath(QStringLiteral("records"))),
                 QList<QStringList>({{QStringLiteral("nyd-open"), QStringLiteral("-e"), QUrl::fromLocalFile(m_file).toString()}}));
}

void PanelSearchTest::terminalGetsTheCommandWhole()
{
    search(QStringLiteral("zoltermo"));
    const QModelIndex application = firstResultOf(QStringLiteral("Applications"));
    QVERIFY(application.isValid());
    QTimer::singleShot(0, this, [] {
        QTRY_VERIFY(QApplication::activePopupWidget());
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        const auto actions = menu->actions();
        for (QAction *action : actions) {
            if (action->text() == QLatin1String("Open in &terminal")) {
                action->trigger();
            }
        }
        menu->close();
    });
    m_window->showResultMenu(list()->visualRect(application).center());
    QVERIFY(m_window->isHidden());

    QStringList call;
    const auto terminalCall = [this] {
        const QList<QStringList> calls = TestHelpers::recordedCalls(m_bin.filePath(QStringLiteral("records")));
        auto it = std::find_if(calls.cbegin(), calls.cend(), [](const QStringList &call) {
            return call.first() == QLatin1String("nyd-term");
        });
        return it == calls.cend() ? QStringList() : *it;
    };
    QTRY_VERIFY(!(call = terminalCall()).isEmpty());
    QCOMPARE(call.mid(0, 3), QStringList({QStringLiteral("nyd-term"), QStringLiteral("--noclose"), QStringLiteral("-e")}));
    QCOMPARE(call.size(), 4);
    QVERIFY(call.at(3).contains(QLatin1String("$(touch ")));
    QVERIFY(!QFile::exists(m_marker));
}

QTEST_MAIN(PanelSearchTest)
#include "panelsearchtest.moc"
