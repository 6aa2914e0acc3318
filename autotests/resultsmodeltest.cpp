// SPDX-License-Identifier: GPL-2.0-or-later
#include "resultsmodel.h"
#include "categorydistributionproxymodel.h"
#include "duplicatedetectorproxymodel.h"
#include "fakerunner.h"
#include "runnerresultsmodel.h"
#include "sortproxymodel.h"
#include "testhelpers.h"

#include <KDescendantsProxyModel>
#include <KRunner/RunnerManager>

#include <QAbstractItemModelTester>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTest>

#include <memory>
#include <vector>

namespace
{
// A tree of categories "c0", "c1", ... holding the given numbers of rows "c0/0", "c0/1", ...
void fillTree(QStandardItemModel *model, const QVector<int> &sizes)
{
    for (int category = 0; category < sizes.size(); ++category) {
        auto *item = new QStandardItem(QStringLiteral("c%1").arg(category));
        for (int row = 0; row < sizes.at(category); ++row) {
            item->appendRow(new QStandardItem(QStringLiteral("c%1/%2").arg(category).arg(row)));
        }
        model->appendRow(item);
    }
}

QVector<int> visibleSizes(const QAbstractItemModel *model)
{
    QVector<int> sizes;
    for (int row = 0; row < model->rowCount(); ++row) {
        sizes.append(model->rowCount(model->index(row, 0)));
    }
    return sizes;
}
}

class ResultsModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("nyd"));
        QSettings().clear();
        m_runner = std::make_unique<FakeRunner>();
    }

    void init()
    {
        m_model = std::make_unique<ResultsModel>();
        auto *duplicates = qobject_cast<DuplicateDetectorProxyModel *>(m_model->sourceModel());
        QVERIFY(duplicates);
        auto *flatten = qobject_cast<KDescendantsProxyModel *>(duplicates->sourceModel());
        QVERIFY(flatten);
        auto *distribution = qobject_cast<CategoryDistributionProxyModel *>(flatten->sourceModel());
        QVERIFY(distribution);
        auto *sort = qobject_cast<SortProxyModel *>(distribution->sourceModel());
        QVERIFY(sort);
        m_source = qobject_cast<RunnerResultsModel *>(sort->sourceModel());
        QVERIFY(m_source);
        for (QAbstractItemModel *stage : QList<QAbstractItemModel *>{m_source, sort, distribution, flatten, duplicates, m_model.get()}) {
            m_testers.push_back(std::make_unique<QAbstractItemModelTester>(stage, QAbstractItemModelTester::FailureReportingMode::QtTest));
        }
    }

    void cleanup()
    {
        m_testers.clear();
        m_model.reset();
    }

    void roleNames()
    {
        const QHash<int, QByteArray> names = m_model->roleNames();
        const QList<QByteArray> ours = QByteArray("matchId type relevance enabled category subtext isDuplicate actions multiLine").split(' ');
        for (int role = ResultsModel::IdRole; role <= ResultsModel::MultiLineRole; ++role) {
            QCOMPARE(names.value(role), ours.at(role - ResultsModel::IdRole));
        }
        QVERIFY(!names.contains(ResultsModel::IsCategoryRole) && !names.contains(ResultsModel::DataRole));
        QCOMPARE(names.value(Qt::DisplayRole), QByteArray("display"));
    }

    void chain_data()
    {
        QTest::addColumn<QString>("matches");
        QTest::addColumn<QString>("rows");

        QTest::newRow("best match, applications, then by type and relevance")
            << "Applications Editor C 0.1, Calculator 42 E 0.2, Document notes P 0.9, Bookmarks site P 0.5"
            << QStringLiteral("[Best match] 42* notes* site* [Applications] Editor [Calculator] 42* [Document] notes* [Bookmarks] site*");
        QTest::newRow("matches by type, relevance, then text, case-sensitive")
            << "Files low P 0.9, Files B C 0.5, Files high E 0.1, Files a C 0.5, Files mid P 0.95, Files b C 0.5"
            << QStringLiteral("[Best match] high* mid* low* [Files] high* mid* low* b a B");
        QTest::newRow("fuzzily equal relevance falls back to the text") << "Calculator a P 0.50000000000001, Calculator b P 0.5, Document c P 0.4"
                                                                        << QStringLiteral("[Best match] b* a* c* [Calculator] b* a* [Document] c*");
        QTest::newRow("duplicates both ways, the rest not") << "Calculator a P 0.9, Calculator b P 0.8, Calculator c P 0.7, Calculator d P 0.1"
                                                            << QStringLiteral("[Best match] a* b* c* [Calculator] a* b* c* d");
        QTest::newRow("a category named like a match") << "Document x E 0.9, Document y E 0.8, Document z E 0.7, Calculator Calculator P 0.5"
                                                       << QStringLiteral("[Best match] x* y* z* [Document] x* y* z* [Calculator]* Calculator*");
    }

    void chain()
    {
        QFETCH(QString, matches);
        QFETCH(QString, rows);

        feed(matches);
        QCOMPARE(flatList(), rows);
    }

    void distribution_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QVector<int>>("sizes");
        QTest::addColumn<QVector<int>>("visible");

        QTest::newRow("no limit") << 0 << QVector<int>{5, 5} << QVector<int>{5, 5};
        QTest::newRow("negative limit") << -3 << QVector<int>{5, 5} << QVector<int>{5, 5};
        QTest::newRow("three full categories") << 60 << QVector<int>{50, 50, 50} << QVector<int>{30, 10, 1};
        QTest::newRow("two full categories") << 10 << QVector<int>{20, 20} << QVector<int>{5, 1};
        QTest::newRow("single category gets the limit") << 7 << QVector<int>{50} << QVector<int>{7};
        QTest::newRow("short category leaves room") << 10 << QVector<int>{2, 50, 50} << QVector<int>{2, 4, 1};
        QTest::newRow("more categories than the limit") << 5 << QVector<int>(10, 3) << QVector<int>{3, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    }

    void distribution()
    {
        QFETCH(int, limit);
        QFETCH(QVector<int>, sizes);
        QFETCH(QVector<int>, visible);

        QStandardItemModel tree;
        fillTree(&tree, sizes);
        CategoryDistributionProxyModel proxy;
        QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
        proxy.setSourceModel(&tree);
        proxy.setLimit(limit);
        QCOMPARE(visibleSizes(&proxy), visible);
        // The first rows of each category are the ones shown.
        for (int category = 0; category < sizes.size(); ++category) {
            const QModelIndex parent = proxy.index(category, 0);
            for (int row = 0; row < proxy.rowCount(parent); ++row) {
                QCOMPARE(proxy.index(row, 0, parent).data().toString(), QStringLiteral("c%1/%2").arg(category).arg(row));
            }
        }
    }

    void distributionFollowsEarlierCategories()
    {
        QStandardItemModel tree;
        fillTree(&tree, {2, 50, 50});
        CategoryDistributionProxyModel proxy;
        QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
        proxy.setSourceModel(&tree);
        proxy.setLimit(10);
        // The first category grows, then shrinks: the later ones follow.
        for (int row = 0; row < 8; ++row) {
            tree.item(0)->appendRow(new QStandardItem(QStringLiteral("more")));
        }
        QCOMPARE(visibleSizes(&proxy), (QVector<int>{5, 1, 1}));
        tree.item(0)->removeRows(0, 9);
        QCOMPARE(visibleSizes(&proxy), (QVector<int>{1, 4, 1}));
    }

    void limitOnTheChain()
    {
        QString items;
        for (int i = 1; i <= 5; ++i) {
            items += QStringLiteral("Calculator c%1 E 0.%2, Document d%1 P 0.%2, Bookmarks b%1 C 0.%2,").arg(i).arg(10 - i);
        }
        feed(items);
        QCOMPARE(m_model->rowCount(), 4 + 3 + 15);

        QSignalSpy changed(m_model.get(), &ResultsModel::limitChanged);
        m_model->setLimit(8);
        m_model->setLimit(8);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_model->limit(), 8);
        const QString limited = QStringLiteral("[Best match] c1* c2* c3* [Calculator] c1* c2* c3* [Document] d1 [Bookmarks] b1");
        QCOMPARE(flatList(), limited);

        // The limit outlives the results it was applied to.
        m_model->clear();
        feed(items);
        QCOMPARE(flatList(), limited);

        m_model->resetLimit();
        QCOMPARE(changed.count(), 2);
        QCOMPARE(m_model->limit(), 0);
        QCOMPARE(m_model->rowCount(), 4 + 3 + 15);
    }

    void duplicatesAmongVisibleRowsOnly()
    {
        feed(QStringLiteral("Calculator a E 0.9, Calculator b E 0.8, Calculator c E 0.7, Calculator d E 0.6, Calculator e E 0.5, Document x P 0.5"));
        m_model->setLimit(4);
        // The original of "b" is cut off, so its copy stands alone.
        QCOMPARE(flatList(), QStringLiteral("[Best match] a* b [Calculator] a* [Document] x"));
        m_model->resetLimit();
        QVERIFY(flatList().startsWith(QLatin1String("[Best match] a* b* c* ")));
    }

    void consecutiveUpdates()
    {
        // Each keystroke brings an update like these; every stage's tester checks it.
        feed(QStringLiteral("Calculator 42 E 0.9, Document answer.txt P 0.5"));
        QCOMPARE(m_model->rowCount(), 7);
        feed(QStringLiteral("Bookmarks site P 0.5"));
        QCOMPARE(flatList(), QStringLiteral("[Best match] site* [Bookmarks] site*"));
    }

    void rolesAndClear()
    {
        feed(QStringLiteral("Bookmarks site P 0.5"));
        const QModelIndex site = m_model->index(3, 0);
        QCOMPARE(site.data().toString(), QStringLiteral("site"));
        QCOMPARE(site.data(ResultsModel::CategoryRole).toString(), QStringLiteral("Bookmarks"));
        QCOMPARE(site.data(ResultsModel::TypeRole).toInt(), int(Plasma::QueryMatch::PossibleMatch));
        QCOMPARE(site.data(ResultsModel::IsCategoryRole).toBool(), false);

        QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
        m_model->clear();
        QVERIFY(reset.count() > 0);
        QCOMPARE(m_model->rowCount(), 0);
        QCOMPARE(m_source->rowCount(), 0);
    }

    void runner()
    {
        QSignalSpy changed(m_model.get(), &ResultsModel::runnerChanged);
        m_model->setRunner(QString());
        QCOMPARE(changed.count(), 0);

        m_model->setRunner(QStringLiteral("nydnosuchrunner"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_model->runner(), QString());
        QCOMPARE(m_model->runnerName(), QString());
        QVERIFY(m_model->runnerIcon().isNull());
    }

    void queryForwarding()
    {
        QSignalSpy string(m_model.get(), &ResultsModel::queryStringChanged);
        QSignalSpy querying(m_model.get(), &ResultsModel::queryingChanged);
        m_model->setQueryString(QStringLiteral("report"));
        QCOMPARE(string.count(), 1);
        QCOMPARE(m_model->queryString(), QStringLiteral("report"));
        QVERIFY(m_model->querying());
        QTRY_COMPARE(querying.count(), 2);
        QVERIFY(!m_model->querying());

        QSignalSpy requested(m_model.get(), &ResultsModel::queryStringChangeRequested);
        Q_EMIT m_model->runnerManager()->setSearchTerm(QStringLiteral("= 1 + 1"), 3);
        QCOMPARE(requested.count(), 1);
        QCOMPARE(requested.first(), (QVariantList{QStringLiteral("= 1 + 1"), 3}));
    }

private:
    void feed(const QString &items)
    {
        m_source->onMatchesChanged(TestHelpers::matchesFrom<Plasma::QueryMatch>(m_runner.get(), items));
    }

    // The rows apart by blanks: category rows in brackets, a star after a row marked as a duplicate.
    QString flatList() const
    {
        QStringList rows;
        for (int row = 0; row < m_model->rowCount(); ++row) {
            const QModelIndex index = m_model->index(row, 0);
            QString text = index.data().toString();
            if (index.data(ResultsModel::IsCategoryRole).toBool()) {
                text = QLatin1Char('[') + text + QLatin1Char(']');
            }
            rows.append(index.data(ResultsModel::DuplicateRole).toBool() ? text + QLatin1Char('*') : text);
        }
        return rows.join(QLatin1Char(' '));
    }

    std::unique_ptr<FakeRunner> m_runner;
    std::unique_ptr<ResultsModel> m_model;
    RunnerResultsModel *m_source = nullptr;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> m_testers;
};

QTEST_MAIN(ResultsModelTest)

#include "resultsmodeltest.moc"
