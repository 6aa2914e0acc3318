// SPDX-License-Identifier: GPL-2.0-or-later
// The panel with its real runners: what typing shows, and how the keyboard
// moves over it.
#include "mainwindow.h"
#include "resultsmodel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTest>
#include <QVBoxLayout>

namespace
{
const int s_applicationCount = 12;

void writeApplication(const QString &folder, int number)
{
    const QString name = QStringLiteral("Quuxtool %1").arg(number, 2, 10, QLatin1Char('0'));
    QFile entry(folder + QStringLiteral("/quuxtool%1.desktop").arg(number));
    QVERIFY(entry.open(QIODevice::WriteOnly));
    // Distinct commands: a match is known by the command it runs.
    entry.write("[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nComment=A tool for the tests\nExec=true " + QByteArray::number(number)
                + "\nIcon=system-run\n");
}
}

class MainWindowResultsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void typingShowsResultsWithTheFirstSelected();
    void queryWithoutResultsShowsNotFound();
    void upAndDownSkipHeaders();
    void upOnTheFirstResultScrollsToTheTop();

private:
    void search(const QString &text);
    QListView *list() const;
    QStackedWidget *pages() const;
    QLineEdit *query() const;

    MainWindow *m_window = nullptr;
};

void MainWindowResultsTest::initTestCase()
{
    // Menu entries in the scratch data folder, and the service cache built as the desktop does.
    const QString applications = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/applications");
    QVERIFY(QDir().mkpath(applications));
    for (int i = 1; i <= s_applicationCount; ++i) {
        writeApplication(applications, i);
    }
    QProcess sycoca;
    sycoca.start(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--noincremental")});
    QVERIFY(sycoca.waitForFinished(60000));
    QCOMPARE(sycoca.exitCode(), 0);
}

void MainWindowResultsTest::init()
{
    m_window = new MainWindow(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    // Tall enough for a few rows only, so the list has something to scroll.
    m_window->place(QString(), 2, 0, 404, 300);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    new QAbstractItemModelTester(list()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_window);
}

void MainWindowResultsTest::cleanup()
{
    delete m_window;
}

QListView *MainWindowResultsTest::list() const
{
    return m_window->findChild<QListView *>(QStringLiteral("listViewSearchResults"));
}

QStackedWidget *MainWindowResultsTest::pages() const
{
    return m_window->findChild<QStackedWidget *>(QStringLiteral("stackedWidgetResults"));
}

QLineEdit *MainWindowResultsTest::query() const
{
    return m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"));
}

void MainWindowResultsTest::search(const QString &text)
{
    auto *model = qobject_cast<ResultsModel *>(list()->model());
    QVERIFY(model);
    query()->setFocus();
    QTest::keyClicks(query(), text);
    QCOMPARE(model->queryString(), text.trimmed());
    QTRY_VERIFY_WITH_TIMEOUT(!model->querying(), 15000);
}

void MainWindowResultsTest::typingShowsResultsWithTheFirstSelected()
{
    search(QStringLiteral("quuxtool"));
    QCOMPARE(pages()->currentWidget()->objectName(), QStringLiteral("pageSearchResults"));

    const QAbstractItemModel *model = list()->model();
    QVERIFY(model->rowCount() > 2);
    QVERIFY(model->index(0, 0).data(ResultsModel::IsCategoryRole).toBool());
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Best match"));
    QCOMPARE(list()->currentIndex().row(), 1);
    QVERIFY(list()->currentIndex().data().toString().startsWith(QLatin1String("Quuxtool")));
    QCOMPARE(list()->currentIndex().data(ResultsModel::CategoryRole).toString(), QStringLiteral("Applications"));

    // The results area gives way to a visible scroll bar.
    const int right = m_window->findChild<QVBoxLayout *>(QStringLiteral("verticalLayoutResults"))->contentsMargins().right();
    QCOMPARE(right, list()->verticalScrollBar()->isVisible() ? 1 : 8);
}

void MainWindowResultsTest::queryWithoutResultsShowsNotFound()
{
    search(QStringLiteral("zzqxjv"));
    QCOMPARE(pages()->currentWidget()->objectName(), QStringLiteral("pageNoResults"));
    QCOMPARE(list()->model()->rowCount(), 0);

    // Editing back to something that exists brings the list back.
    query()->clear();
    search(QStringLiteral("quuxtool 0"));
    QCOMPARE(pages()->currentWidget()->objectName(), QStringLiteral("pageSearchResults"));
}

void MainWindowResultsTest::upAndDownSkipHeaders()
{
    search(QStringLiteral("quuxtool"));
    const QAbstractItemModel *model = list()->model();
    const auto isHeader = [model](int row) {
        return model->index(row, 0).data(ResultsModel::IsCategoryRole).toBool();
    };

    // Down walks every result once, never a header, and stops at the last.
    QList<int> visited{list()->currentIndex().row()};
    for (int step = 0; step < model->rowCount(); ++step) {
        QTest::keyClick(query(), Qt::Key_Down);
        if (list()->currentIndex().row() == visited.last()) {
            break;
        }
        visited << list()->currentIndex().row();
    }
    QList<int> results;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (!isHeader(row)) {
            results << row;
        }
    }
    QCOMPARE(visited, results);
    // The walk crossed the second category's header.
    int header = 1;
    while (header < model->rowCount() && !isHeader(header)) {
        ++header;
    }
    QVERIFY(header + 1 < model->rowCount());
    QVERIFY(visited.contains(header - 1) && visited.contains(header + 1));

    // Up goes back over the same rows.
    for (int i = visited.size() - 2; i >= 0; --i) {
        QTest::keyClick(list(), Qt::Key_Up);
        QCOMPARE(list()->currentIndex().row(), visited.at(i));
    }
    QCOMPARE(query()->text(), QStringLiteral("quuxtool"));
}

void MainWindowResultsTest::upOnTheFirstResultScrollsToTheTop()
{
    search(QStringLiteral("quuxtool"));
    QTRY_VERIFY2(list()->verticalScrollBar()->maximum() > 0, "the list must be taller than the window");
    list()->verticalScrollBar()->setValue(list()->verticalScrollBar()->maximum());
    QCOMPARE(list()->currentIndex().row(), 1);

    QTest::keyClick(query(), Qt::Key_Up);
    QCOMPARE(list()->currentIndex().row(), 1);
    QCOMPARE(list()->verticalScrollBar()->value(), 0);
}

QTEST_MAIN(MainWindowResultsTest)
#include "mainwindowresultstest.moc"
